// The small Dynamic Boost dialog of the tray menu (dialog 5073 of the
// language module): Dynamic Boost on or off, the idle time, the in-use and
// idle plans, and the two pauses. Closing it with OK or the title bar saves;
// Cancel does not. The dialog procedure applies what this decides through a
// BoostDialogSurface.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quellora {

namespace boostdlg {
inline constexpr uint32_t kDialog = 5073;
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kEnable = 3267;
inline constexpr int kIdleSeconds = 3134;
inline constexpr int kInUsePlan = 3202;
inline constexpr int kIdlePlan = 3203;
inline constexpr int kPauseBatterySaver = 3268;
inline constexpr int kPauseOnBattery = 3269;
inline constexpr int kInUseLabel = 3163;
inline constexpr int kIdleLabel = 3164;
inline constexpr int kIdleSecondsLabel = 3165;
inline constexpr int kSecondsLabel = 3166;
}  // namespace boostdlg

// The controls that are enabled exactly while the enable box is checked.
inline constexpr int kBoostDialogDependents[] = {
    boostdlg::kInUsePlan,       boostdlg::kIdlePlan,       boostdlg::kIdleSeconds, boostdlg::kPauseBatterySaver,
    boostdlg::kPauseOnBattery, boostdlg::kInUseLabel, boostdlg::kIdleLabel,  boostdlg::kIdleSecondsLabel,
};

class BoostDialogSurface {
public:
    virtual ~BoostDialogSurface() = default;
    virtual void SetCheck(int control, bool checked) = 0;
    virtual bool Checked(int control) = 0;
    virtual void Enable(int control, bool enabled) = 0;
    virtual void SetText(int control, std::u16string_view text) = 0;
    virtual std::u16string Text(int control) = 0;
    // A drop-down list's items, and the one selected (-1: none).
    virtual void FillList(int control, const std::vector<std::u16string>& items, int selected) = 0;
    // The selected item's text; empty when none is selected.
    virtual std::u16string ListText(int control) = 0;
    // A message box owned by the dialog; answers the button.
    virtual int Message(std::u16string_view text, uint32_t style) = 0;
    // Asks about the companion product's settings that work against Dynamic
    // Boost; true to go on (at once when there are none).
    virtual bool ConfirmCompanionConflicts() = 0;
    virtual void End(int result) = 0;
};

// The idle time typed in the dialog: whole seconds, 1 to kMaxIdleSeconds
// (blanks around it allowed); false for anything else.
bool ParseIdleSeconds(std::u16string_view text, uint32_t& seconds);

class BoostDialog {
public:
    explicit BoostDialog(BoostDialogSurface& surface) : surface_(surface) {}

    // WM_INITDIALOG: the settings as they are. The enable box shows whether
    // Dynamic Boost is on.
    void OnInit();
    // The enable box was clicked (it shows its new state).
    void OnEnableClicked();
    // OK and the title bar's close: save; the dialog stays open when the idle
    // time is not valid (the enable box is saved already). True when it ended.
    bool OnClose();
    void OnCancel();

private:
    void EnableDependents(bool enabled);

    BoostDialogSurface& surface_;
};

}  // namespace quellora
