// The settings page of the main window: the program's own options. Every box
// writes its setting at once (there is no Apply). The page reads the settings
// when it is made and again after the logon option changed; a language change
// offers to restart the program in the new language.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ui/control_surface.h"

namespace quellora {

namespace settings_page {
inline constexpr int kDialog = 0x1444;
// Controls.
inline constexpr int kStartAtLogon = 9413;
inline constexpr int kUpdateChecks = 9414;
inline constexpr int kBetaUpdates = 9415;
inline constexpr int kCheckNow = 9416;
inline constexpr int kCoreParkingVisible = 3136;
inline constexpr int kListMakerPlan = 9417;
inline constexpr int kEfficiencyClassSelection = 9418;
inline constexpr int kDriftProtection = 9435;
inline constexpr int kPlanNotifications = 3205;
inline constexpr int kLanguage = 9602;
inline constexpr int kMoreOptionsLink = 9438;
inline constexpr int kMoreOptionsHeading = 9439;
inline constexpr int kPowerOptionsLink = 3154;
// Notifications.
inline constexpr uint32_t kButtonClicked = 0;    // BN_CLICKED
inline constexpr uint32_t kSelectionChange = 1;  // CBN_SELCHANGE
// Texts and commands.
inline constexpr uint32_t kRestartQuestion = 9603;
inline constexpr uint32_t kManualUpdateCheck = 34914;  // the main window's menu command
inline constexpr std::u16string_view kPowerOptions = u"powercfg.cpl";
// HKCU\Software\Quellora unless noted.
inline constexpr std::u16string_view kUpdateChecksValue = u"UpdateChecks";  // HKLM, on when missing
inline constexpr std::u16string_view kListMakerPlanValue = u"AlwaysShowOstrimaHighestPerformance";  // HKLM
inline constexpr std::u16string_view kClassSelectionValue = u"AlwaysShowEfficiencyClassSelection";
inline constexpr std::u16string_view kDriftValue = u"DriftProtection";
inline constexpr std::u16string_view kNotificationsValue = u"ShowPowerPlanNotifications";
inline constexpr uint32_t kDriftRestore = 2;
}  // namespace settings_page

// Whether Windows' power options show the core parking floor (the class-0
// setting is not hidden), and showing or hiding it; where the plan editor
// offers the second efficiency class, that class's floor is shown as well.
bool CoreParkingVisible();
void SetCoreParkingVisible(bool visible);
// ShowPowerPlanNotifications, on when missing; `createMissing` stores that.
bool PlanNotificationsOn(bool createMissing);
void SetPlanNotifications(bool on);

// What the page's window (and the parts of the program beyond the page) do for it.
class SettingsPageHost {
public:
    virtual ~SettingsPageHost() = default;
    virtual ControlSurface& Controls() = 0;
    // A message box owned by the top-level window; answers the button.
    virtual int Message(std::u16string_view text, uint32_t style) = 0;
    // The scheduled task that starts the program at logon: 1 or more when it
    // exists; Create registers it for this program with "/systray", elevated.
    virtual int LogonTaskExists() = 0;
    virtual bool CreateLogonTask() = 0;
    virtual bool DeleteLogonTask() = 0;
    // BetaUpdates, kept alike under HKCU and HKLM by the update check.
    virtual bool BetaUpdates() = 0;
    virtual void SetBetaUpdates(bool beta) = 0;
    // A command to the main window (its menu's manual update check).
    virtual void SendMainWindowCommand(uint32_t command) = 0;
    // The listing of the maker's highest-performance plan, as the dashboard's link turns it.
    virtual void TurnMakerPlanListing(bool on) = 0;
    // The dashboard's efficiency-class list follows AlwaysShowEfficiencyClassSelection.
    virtual void UpdateDashboardClassList() = 0;
    // Ends this instance and starts a new one that takes over ("/restart").
    virtual void Restart() = 0;
};

class SettingsPagePresenter {
public:
    explicit SettingsPagePresenter(SettingsPageHost& host);

    // WM_INITDIALOG: the language list, then Load.
    void Initialise();
    // Every box from its setting; the more options shown when one of them is set.
    void Load();
    // WM_COMMAND.
    void OnCommand(int control, uint32_t notification);
    // NM_CLICK or NM_RETURN of a link.
    void OnLink(int control);
    // The language of each item of the language list.
    const std::vector<uint16_t>& languages() const { return languages_; }

private:
    ControlSurface& c() { return host_.Controls(); }
    void ShowMoreOptions();
    void OnLanguageChosen();

    SettingsPageHost& host_;
    std::vector<uint16_t> languages_;
};

}  // namespace quellora
