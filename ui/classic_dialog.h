// The classic dialog's own decisions: the single-window alternative to the
// main window that "/classic" chooses. The plan editor, the status area, the
// graph and the advanced editor on it are the main window's own presenters
// (the editor in its classic variant), driven by the dialog's window; this
// presenter decides what is the dialog's alone: the details button, the
// options' check boxes, its menu, and closing with unwritten edits.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "tray/tray_presenter.h"
#include "ui/control_surface.h"

namespace quellora {

class PowerSchemeAccess;

namespace classic_dialog {
// Resources of the language module.
inline constexpr int kDialog = 0x141b;
inline constexpr int kMenu = 0x1417;
inline constexpr int kIcon = 0x13c0;
inline constexpr int kHistoryDialog = 0x141c;
inline constexpr int kBoostDialog = 0x13d1;
inline constexpr uint32_t kTitleText = 829;
// Controls.
inline constexpr int kApply = 3;
inline constexpr int kOk = 1;      // IDOK
inline constexpr int kCancel = 2;  // IDCANCEL
inline constexpr int kDetailsButton = 3110;
inline constexpr int kCoreParkingVisible = 3136;
inline constexpr int kBoostOn = 3204;
inline constexpr int kPlanNotifications = 3205;
inline constexpr int kPowerOptionsLink = 3154;
inline constexpr int kHomePageLink = 3161;
inline constexpr int kProductPageLink = 3153;
// The detail controls, and the policy lists shown with them on a processor
// with several efficiency classes.
inline constexpr std::array<int, 8> kDetails{3103, 3018, 3106, 3109, 3259, 3260, 3261, 3262};
inline constexpr std::array<int, 6> kPolicyLists{3275, 3276, 3283, 3284, 3285, 3286};
// Texts.
inline constexpr uint32_t kHideDetailsText = 1321;
inline constexpr uint32_t kShowDetailsText = 1322;
inline constexpr uint32_t kApplyQuestion = 211;
inline constexpr uint32_t kRestwellActive = 695;
inline constexpr uint32_t kPlanSwitchFailed = 851;
// Menu commands.
inline constexpr uint32_t kUpdateChecksCommand = 34680;
inline constexpr uint32_t kBoostOnOffCommand = 34735;
inline constexpr uint32_t kBoostDialogCommand = 34755;
inline constexpr uint32_t kBetaUpdatesCommand = 34912;
inline constexpr uint32_t kCheckForUpdatesCommand = 34914;
inline constexpr uint32_t kHistoryCommand = 34966;
inline constexpr uint32_t kAboutCommand = 34976;
inline constexpr uint32_t kCloseCommand = 40072;
inline constexpr uint32_t kFirstPlanCommand = 37000;  // the plan submenu: 37000 + the plan's position
// Commands that go to the tray window as they are.
inline constexpr std::array<uint32_t, 11> kTrayCommands{105,   34679, 34747, 34748, 34749, 34750,
                                                         34751, 34752, 34754, 34765, 34937};
inline constexpr uint32_t kMakerPlanCommand = 34967;  // also forwarded
}  // namespace classic_dialog

// What the dialog's window (and the parts of the program beyond it) do for the presenter.
class ClassicDialogHost {
public:
    virtual ~ClassicDialogHost() = default;
    virtual ControlSurface& Controls() = 0;
    virtual PowerSchemeAccess& Power() = 0;
    // A message box owned by the dialog; answers the button.
    virtual int Message(std::u16string_view text, uint32_t style) = 0;
    // The plan editor has unwritten edits; Apply writes them (command 3).
    virtual bool PendingEdits() = 0;
    virtual void Apply() = 0;
    // Clears the published handle and ends the modal dialog with 0.
    virtual void End() = 0;
    // Sends the command to the tray window (same identifier and lParam).
    virtual void ForwardToTray(uint32_t command, intptr_t lParam) = 0;
    // The Dynamic Boost dialog, modal.
    virtual void RunBoostDialog() = 0;
    virtual void SignalSettingsChanged() = 0;
    virtual void OpenHistory() = 0;
    virtual void OpenAbout() = 0;
    virtual void ManualUpdateCheck() = 0;
    virtual bool BetaUpdates() = 0;
    virtual void SetBetaUpdates(bool beta) = 0;
    // Sends WM_CLOSE to the dialog.
    virtual void SendClose() = 0;
};

class ClassicDialogPresenter {
public:
    // `heterogeneous`: the processor has more than one efficiency class (the policy lists exist).
    ClassicDialogPresenter(ClassicDialogHost& host, bool heterogeneous);

    // The check boxes of the options as the settings stand (at the opening).
    void LoadOptions();
    // The details button: hides the detail controls when they show, else shows them.
    void ToggleDetails();
    bool detailsShown();
    // WM_COMMAND of the dialog's own controls and its menu; false when the
    // command is not the dialog's (the plan editor and the status area take it).
    bool OnCommand(uint32_t command, intptr_t lParam);
    // NM_CLICK or NM_RETURN of a link; false when not the dialog's own.
    bool OnLink(int control);
    // WM_CLOSE.
    void OnClose();
    // The menu's check marks: (command, checked).
    std::vector<std::pair<uint32_t, bool>> MenuChecks();
    // The plan submenu as the tray builds its own (on entering the menu); its
    // commands switch plans as the tray's do.
    std::vector<TrayMenuPlan> PlanMenu();

private:
    ControlSurface& c() { return host_.Controls(); }
    void BoostClicked();
    void CloseAsked();

    ClassicDialogHost& host_;
    bool heterogeneous_;
    std::vector<TrayMenuPlan> menuPlans_;
    size_t menuPlanCount_ = 0;
};

}  // namespace quellora
