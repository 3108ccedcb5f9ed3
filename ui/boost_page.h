// The Dynamic Boost page of the main window: the editor of Dynamic Boost's
// settings. Every change is written at once (there is no Apply), then the
// running switcher is told to read its settings again and the page shows the
// new state. The page's dialog procedure hands it the notifications and the
// presenter reads and writes the settings itself.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/guid.h"
#include "ui/control_surface.h"

namespace quellora {

class PowerSchemeAccess;

namespace boost_page {
inline constexpr int kDialog = 0x1442;
// Controls.
inline constexpr int kEnabled = 3204;
inline constexpr int kActivePlan = 3202;
inline constexpr int kIdlePlan = 3203;
inline constexpr int kIdleSeconds = 3134;
inline constexpr int kBatteryMode = 9459;
inline constexpr int kActivePlanDc = 9460;
inline constexpr int kIdlePlanDc = 9461;
inline constexpr int kPauseOnSaver = 3268;
inline constexpr int kAwayIsIdle = 9462;
inline constexpr int kStatus = 9411;
inline constexpr int kConflictsLink = 9466;
inline constexpr int kNote = 9422;
// Notifications.
inline constexpr uint32_t kButtonClicked = 0;    // BN_CLICKED
inline constexpr uint32_t kSelectionChange = 1;  // CBN_SELCHANGE
inline constexpr uint32_t kEditChange = 0x0300;  // EN_CHANGE
inline constexpr uint32_t kKillFocus = 0x0200;   // EN_KILLFOCUS
// Texts.
inline constexpr uint32_t kIdleTimeError = 1336;
inline constexpr uint32_t kRestwellActive = 695;
inline constexpr uint32_t kOffStatus = 9370;
inline constexpr uint32_t kBatteryModeTexts[3] = {9494, 9495, 9496};
inline constexpr uint32_t kNoteSuffix = 9548;
}  // namespace boost_page

// What the page's window does for the presenter.
class BoostPageHost {
public:
    virtual ~BoostPageHost() = default;
    virtual ControlSurface& Controls() = 0;
    // A message box owned by the top-level window; answers the button.
    virtual int Message(std::u16string_view text, uint32_t style) = 0;
    // The companion's conflicts: asks whether to go on (true at once without
    // conflicts), and lists them, both owned by the top-level window.
    virtual bool PromptConflicts() = 0;
    virtual void ShowConflicts() = 0;
    // The dashboard's Dynamic Boost link follows the setting.
    virtual void UpdateDashboardBoostLink() = 0;
};

class BoostPagePresenter {
public:
    BoostPagePresenter(BoostPageHost& host, PowerSchemeAccess& power);

    // WM_INITDIALOG: the battery mode list's items and the note after the template's text.
    void Initialise();
    // Fills every control from the settings (the page's own notifications are ignored meanwhile).
    void Load();
    // Enabled states, the check box, the status line and the conflicts link.
    void Refresh();
    // WM_COMMAND.
    void OnCommand(int control, uint32_t notification);
    // NM_CLICK or NM_RETURN of the conflicts link.
    void OnLink(int control);

private:
    ControlSurface& c() { return host_.Controls(); }
    void FillPlanLists();
    void SelectPlan(int control, const std::vector<std::u16string>& names, const std::vector<Guid>& plans,
                    const Guid& stored);
    void OnPlanChosen(int control);
    void OnIdleTimeTyped();
    void OnIdleTimeLeft();
    void SwitchOnOff();
    void Notify();
    void EnableIfNeeded(int control, bool enabled);

    BoostPageHost& host_;
    PowerSchemeAccess& power_;
    bool suppress_ = false;
};

}  // namespace quellora
