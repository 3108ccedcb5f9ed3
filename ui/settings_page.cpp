#include "ui/settings_page.h"

#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "power/main_topology.h"
#include "power/setting_metadata.h"

namespace quellora {

using namespace settings_page;

namespace {

bool UserFlag(std::u16string_view name) { return ReadDwordOr(Hive::CurrentUser, kAppKey, name, 0) != 0; }

}  // namespace

bool CoreParkingVisible() { return !IsCoreParkingHidden(); }

void SetCoreParkingVisible(bool visible) {
    SetSettingHidden(!visible, 0);
    if (MainTopology().ShowEfficiencyClassSelection()) SetSettingHidden(false, 1);
}

bool PlanNotificationsOn(bool createMissing) {
    uint32_t on = 0;
    if (ReadDword(Hive::CurrentUser, kAppKey, kNotificationsValue, on)) return on != 0;
    if (createMissing) WriteDword(Hive::CurrentUser, kAppKey, kNotificationsValue, 1);
    return true;
}

void SetPlanNotifications(bool on) { WriteDword(Hive::CurrentUser, kAppKey, kNotificationsValue, on ? 1 : 0); }

SettingsPagePresenter::SettingsPagePresenter(SettingsPageHost& host) : host_(host) {}

void SettingsPagePresenter::Initialise() {
    size_t count = 0;
    const LanguageRow* table = LanguageTable(count);
    std::vector<std::u16string> names;
    languages_.clear();
    for (size_t i = 0; i < count; ++i) {
        if (!IsLanguageAvailable(table[i].id)) continue;
        languages_.push_back(table[i].id);
        names.push_back(table[i].nativeName);
    }
    c().SetItems(kLanguage, names);
    Load();
}

void SettingsPagePresenter::Load() {
    c().SetChecked(kStartAtLogon, host_.LogonTaskExists() >= 1);
    c().SetChecked(kUpdateChecks, ReadDwordOr(Hive::LocalMachine, kAppKey, kUpdateChecksValue, 1) != 0);
    c().SetChecked(kBetaUpdates, host_.BetaUpdates());
    c().SetChecked(kCoreParkingVisible, CoreParkingVisible());
    c().SetChecked(kListMakerPlan, ReadDwordOr(Hive::LocalMachine, kAppKey, kListMakerPlanValue, 0) != 0);
    c().SetChecked(kEfficiencyClassSelection, UserFlag(kClassSelectionValue));
    // Log-only drift protection (1) is not what the box offers: it shows unchecked.
    c().SetChecked(kDriftProtection, ReadDwordOr(Hive::CurrentUser, kAppKey, kDriftValue, 0) == kDriftRestore);
    c().SetChecked(kPlanNotifications, PlanNotificationsOn(true));
    for (size_t i = 0; i < languages_.size(); ++i) {
        if (languages_[i] == State().currentLanguage) c().Select(kLanguage, static_cast<int>(i));
    }
    if (c().Checked(kListMakerPlan) || c().Checked(kEfficiencyClassSelection)) ShowMoreOptions();
    if (State().noTray) {
        // Without the tray the program is not started at logon and cannot restart itself.
        c().Enable(kStartAtLogon, false);
        c().Enable(kLanguage, false);
    }
}

void SettingsPagePresenter::ShowMoreOptions() {
    c().Show(kMoreOptionsLink, false);
    for (int control : {kMoreOptionsHeading, kListMakerPlan, kEfficiencyClassSelection}) c().Show(control, true);
}

void SettingsPagePresenter::OnCommand(int control, uint32_t notification) {
    if (control == kLanguage) {
        if (notification == kSelectionChange) OnLanguageChosen();
        return;
    }
    if (notification != kButtonClicked) return;
    const bool checked = c().Checked(control);
    switch (control) {
        case kStartAtLogon:
            host_.DeleteLogonTask();
            if (checked) host_.CreateLogonTask();
            Load();
            return;
        case kUpdateChecks:
            WriteDword(Hive::LocalMachine, kAppKey, kUpdateChecksValue, checked ? 1 : 0);
            return;
        case kBetaUpdates:
            host_.SetBetaUpdates(checked);
            return;
        case kCheckNow:
            host_.SendMainWindowCommand(kManualUpdateCheck);
            return;
        case kCoreParkingVisible:
            SetCoreParkingVisible(checked);
            return;
        case kListMakerPlan:
            host_.TurnMakerPlanListing(checked);
            return;
        case kEfficiencyClassSelection:
            WriteDword(Hive::CurrentUser, kAppKey, kClassSelectionValue, checked ? 1 : 0);
            host_.UpdateDashboardClassList();
            return;
        case kDriftProtection:
            WriteDword(Hive::CurrentUser, kAppKey, kDriftValue, checked ? kDriftRestore : 0);
            return;
        case kPlanNotifications:
            SetPlanNotifications(checked);
            return;
        default:
            return;
    }
}

void SettingsPagePresenter::OnLanguageChosen() {
    const int index = c().Selection(kLanguage);
    if (index < 0 || static_cast<size_t>(index) >= languages_.size()) return;
    if (!ChangeLanguage(languages_[static_cast<size_t>(index)])) return;
    if (host_.Message(LoadText(kRestartQuestion), mb::kYesNo | mb::kIconQuestion) == mb::kIdYes) host_.Restart();
}

void SettingsPagePresenter::OnLink(int control) {
    if (control == kMoreOptionsLink) ShowMoreOptions();
    if (control == kPowerOptionsLink && Sys().interaction) Sys().interaction->OpenWithShell(kPowerOptions);
}

}  // namespace quellora
