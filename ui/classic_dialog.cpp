#include "ui/classic_dialog.h"

#include <algorithm>

#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "tray/companion.h"
#include "ui/settings_page.h"

namespace quellora {

using namespace classic_dialog;

namespace {

constexpr std::u16string_view kHomePage = u"https://www.ostrima.com";

bool UpdateChecksOn() {
    return ReadDwordOr(Hive::LocalMachine, kAppKey, settings_page::kUpdateChecksValue, 1) != 0;
}

void Open(std::u16string_view target) {
    if (Sys().interaction) Sys().interaction->OpenWithShell(target);
}

}  // namespace

ClassicDialogPresenter::ClassicDialogPresenter(ClassicDialogHost& host, bool heterogeneous)
    : host_(host), heterogeneous_(heterogeneous) {}

void ClassicDialogPresenter::LoadOptions() {
    c().SetChecked(kCoreParkingVisible, CoreParkingVisible());
    c().SetChecked(kBoostOn, IsBoostEnabled());
    c().SetChecked(kPlanNotifications, PlanNotificationsOn(false));
}

bool ClassicDialogPresenter::detailsShown() { return c().Visible(kDetails.front()); }

void ClassicDialogPresenter::ToggleDetails() {
    const bool show = !detailsShown();
    for (int control : kDetails) c().Show(control, show);
    // The policy lists exist only where there are several efficiency classes.
    for (int control : kPolicyLists) c().Show(control, show && heterogeneous_);
    c().SetText(kDetailsButton, LoadText(show ? kHideDetailsText : kShowDetailsText));
}

void ClassicDialogPresenter::BoostClicked() {
    if (IsBoostEnabled()) {
        SetBoostEnabled(false);
    } else if (RestwellActive()) {
        host_.Message(LoadText(kRestwellActive), mb::kIconError);
    } else {
        host_.RunBoostDialog();
    }
    const bool on = IsBoostEnabled();
    c().SetChecked(kBoostOn, on);
    if (on && !IsBoostRunning()) StartBoost();
}

void ClassicDialogPresenter::CloseAsked() {
    if (host_.PendingEdits() &&
        host_.Message(LoadText(kApplyQuestion), mb::kYesNo | mb::kIconQuestion) == mb::kIdYes) {
        host_.Apply();  // and the dialog stays open
        return;
    }
    host_.End();
}

bool ClassicDialogPresenter::OnCommand(uint32_t command, intptr_t lParam) {
    if (std::find(kTrayCommands.begin(), kTrayCommands.end(), command) != kTrayCommands.end() ||
        command == kMakerPlanCommand) {
        host_.ForwardToTray(command, lParam);
        return true;
    }
    if (command >= kFirstPlanCommand && command - kFirstPlanCommand < menuPlanCount_) {
        if (SwitchToMenuPlan(host_.Power(), menuPlans_, command) == PlanMenuSwitch::Failed) {
            host_.Message(LoadText(kPlanSwitchFailed), mb::kOk | mb::kIconError);
        }
        return true;
    }
    switch (command) {
        case kOk:
        case kCancel: CloseAsked(); return true;
        case kDetailsButton: ToggleDetails(); return true;
        case kCoreParkingVisible: SetCoreParkingVisible(c().Checked(kCoreParkingVisible)); return true;
        case kBoostOn:
        case kBoostOnOffCommand: BoostClicked(); return true;
        case kPlanNotifications: {
            const bool on = !PlanNotificationsOn(false);
            SetPlanNotifications(on);
            c().SetChecked(kPlanNotifications, on);
            return true;
        }
        case kBoostDialogCommand:
            host_.RunBoostDialog();
            c().SetChecked(kBoostOn, IsBoostEnabled());
            host_.SignalSettingsChanged();
            return true;
        case kUpdateChecksCommand:
            WriteDword(Hive::LocalMachine, kAppKey, settings_page::kUpdateChecksValue, UpdateChecksOn() ? 0 : 1);
            return true;
        case kBetaUpdatesCommand: host_.SetBetaUpdates(!host_.BetaUpdates()); return true;
        case kCheckForUpdatesCommand: host_.ManualUpdateCheck(); return true;
        case kHistoryCommand: host_.OpenHistory(); return true;
        case kAboutCommand: host_.OpenAbout(); return true;
        case kCloseCommand: host_.SendClose(); return true;
        default: return false;
    }
}

bool ClassicDialogPresenter::OnLink(int control) {
    if (control == kPowerOptionsLink) {
        Open(settings_page::kPowerOptions);
        return true;
    }
    if (control == kHomePageLink) {
        Open(kHomePage);
        return true;
    }
    return false;
}

void ClassicDialogPresenter::OnClose() { host_.End(); }

std::vector<TrayMenuPlan> ClassicDialogPresenter::PlanMenu() {
    menuPlans_ = PlanMenuItems(host_.Power(), kFirstPlanCommand, menuPlanCount_);
    return menuPlans_;
}

std::vector<std::pair<uint32_t, bool>> ClassicDialogPresenter::MenuChecks() {
    return {{kBetaUpdatesCommand, host_.BetaUpdates()}, {kUpdateChecksCommand, UpdateChecksOn()}};
}

}  // namespace quellora
