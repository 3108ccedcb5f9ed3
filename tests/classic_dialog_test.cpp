#include <gtest/gtest.h>

#include <algorithm>

#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/registry_helpers.h"
#include "power/power_scheme_access.h"
#include "power/setting_metadata.h"
#include "tests/support/fake_controls.h"
#include "tests/support/sim_env.h"
#include "tray/companion.h"
#include "ui/classic_dialog.h"
#include "ui/settings_page.h"

namespace quellora {
namespace {

using namespace classic_dialog;
using testing::FakeControls;
using testing::SimEnv;

std::vector<int> DialogControls() {
    std::vector<int> ids{kDetailsButton, kCoreParkingVisible, kBoostOn, kPlanNotifications};
    ids.insert(ids.end(), kDetails.begin(), kDetails.end());
    ids.insert(ids.end(), kPolicyLists.begin(), kPolicyLists.end());
    return ids;
}

class FakeClassicHost : public ClassicDialogHost {
public:
    FakeControls controls{DialogControls()};
    std::vector<std::u16string> messages;
    int answer = mb::kIdNo;
    bool pending = false;
    int applies = 0, ends = 0, boostDialogs = 0, settingsSignals = 0, histories = 0, abouts = 0, checks = 0,
        closes = 0;
    bool enableInBoostDialog = false;
    bool beta = false;
    std::vector<std::pair<uint32_t, intptr_t>> forwarded;
    PowerSchemeAccess power;

    ControlSurface& Controls() override { return controls; }
    PowerSchemeAccess& Power() override { return power; }
    int Message(std::u16string_view text, uint32_t) override {
        messages.emplace_back(text);
        return answer;
    }
    bool PendingEdits() override { return pending; }
    void Apply() override {
        ++applies;
        pending = false;
    }
    void End() override { ++ends; }
    void ForwardToTray(uint32_t command, intptr_t lParam) override { forwarded.emplace_back(command, lParam); }
    void RunBoostDialog() override {
        ++boostDialogs;
        if (enableInBoostDialog) SetBoostEnabled(true);
    }
    void SignalSettingsChanged() override { ++settingsSignals; }
    void OpenHistory() override { ++histories; }
    void OpenAbout() override { ++abouts; }
    void ManualUpdateCheck() override { ++checks; }
    bool BetaUpdates() override { return beta; }
    void SetBetaUpdates(bool on) override { beta = on; }
    void SendClose() override { ++closes; }
};

class ClassicDialogTest : public ::testing::Test {
protected:
    SimEnv env;
    FakeClassicHost host;

    void SetUp() override { testing::ForgetCompanionCache(); }
    void TearDown() override { StopBoost(); }
    std::vector<bool> Shown(const auto& ids) {
        std::vector<bool> v;
        for (int id : ids) v.push_back(host.controls[id].visible);
        return v;
    }
};

TEST_F(ClassicDialogTest, DetailsToggleTwiceReturnsToTheStartAndPolicyListsOnlyOnHybrids) {
    for (bool heterogeneous : {true, false}) {
        FakeClassicHost h;
        ClassicDialogPresenter dialog(h, heterogeneous);
        // The window hides the details at the opening, then sends itself 3110.
        for (int id : kDetails) h.controls[id].visible = false;
        for (int id : kPolicyLists) h.controls[id].visible = false;
        ASSERT_TRUE(dialog.OnCommand(kDetailsButton, 0));
        EXPECT_TRUE(dialog.detailsShown());
        EXPECT_EQ(h.controls[kDetailsButton].text, LoadText(kHideDetailsText));
        for (int id : kPolicyLists) EXPECT_EQ(h.controls[id].visible, heterogeneous) << id;
        dialog.OnCommand(kDetailsButton, 0);
        EXPECT_FALSE(dialog.detailsShown());
        EXPECT_EQ(h.controls[kDetailsButton].text, LoadText(kShowDetailsText));
        for (int id : kDetails) EXPECT_FALSE(h.controls[id].visible) << id;
        for (int id : kPolicyLists) EXPECT_FALSE(h.controls[id].visible) << id;
    }
}

TEST_F(ClassicDialogTest, CancelWithPendingEditsYesAppliesAndStaysNoClosesWithoutWriting) {
    ClassicDialogPresenter dialog(host, true);
    host.pending = true;
    host.answer = mb::kIdYes;
    dialog.OnCommand(kCancel, 0);
    EXPECT_EQ(host.messages, std::vector<std::u16string>{LoadText(kApplyQuestion)});
    EXPECT_EQ(host.applies, 1);
    EXPECT_EQ(host.ends, 0);

    host.pending = true;
    host.answer = mb::kIdNo;
    dialog.OnCommand(kOk, 0);
    EXPECT_EQ(host.applies, 1);
    EXPECT_EQ(host.ends, 1);

    host.messages.clear();
    host.pending = false;
    dialog.OnCommand(kCancel, 0);  // nothing pending: closes without asking
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.ends, 2);
    dialog.OnClose();
    EXPECT_EQ(host.ends, 3);
}

TEST_F(ClassicDialogTest, DynamicBoostBoxGoesThroughTheDialogAndRestwellKeepsItOff) {
    ClassicDialogPresenter dialog(host, true);
    dialog.LoadOptions();
    EXPECT_FALSE(host.controls[kBoostOn].checked);

    env.machine().SetEventSignalled(kRestwellEvent, true);
    host.controls[kBoostOn].checked = true;
    dialog.OnCommand(kBoostOn, 0);
    EXPECT_EQ(host.messages, std::vector<std::u16string>{LoadText(kRestwellActive)});
    EXPECT_EQ(host.boostDialogs, 0);
    EXPECT_FALSE(host.controls[kBoostOn].checked);
    env.machine().SetEventSignalled(kRestwellEvent, false);

    host.enableInBoostDialog = true;
    dialog.OnCommand(kBoostOnOffCommand, 0);  // the menu's item is a click on the box
    EXPECT_EQ(host.boostDialogs, 1);
    EXPECT_TRUE(host.controls[kBoostOn].checked);
    EXPECT_TRUE(IsBoostRunning());
    dialog.OnCommand(kBoostOn, 0);
    EXPECT_FALSE(IsBoostEnabled());
    EXPECT_FALSE(IsBoostRunning());
    EXPECT_FALSE(host.controls[kBoostOn].checked);

    dialog.OnCommand(kBoostDialogCommand, 0);
    EXPECT_EQ(host.boostDialogs, 2);
    EXPECT_EQ(host.settingsSignals, 1);
    EXPECT_TRUE(host.controls[kBoostOn].checked);
}

TEST_F(ClassicDialogTest, OptionsAndMenu) {
    ClassicDialogPresenter dialog(host, true);
    dialog.LoadOptions();
    EXPECT_TRUE(host.controls[kPlanNotifications].checked);  // on while missing
    EXPECT_EQ(host.controls[kCoreParkingVisible].checked, !IsCoreParkingHidden());

    dialog.OnCommand(kPlanNotifications, 0);
    EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, settings_page::kNotificationsValue, 7), 0u);
    EXPECT_FALSE(host.controls[kPlanNotifications].checked);
    host.controls[kCoreParkingVisible].checked = false;
    dialog.OnCommand(kCoreParkingVisible, 0);
    EXPECT_TRUE(IsCoreParkingHidden());

    EXPECT_EQ(dialog.MenuChecks(), (std::vector<std::pair<uint32_t, bool>>{{kBetaUpdatesCommand, false},
                                                                         {kUpdateChecksCommand, true}}));
    dialog.OnCommand(kUpdateChecksCommand, 0);
    dialog.OnCommand(kBetaUpdatesCommand, 0);
    EXPECT_EQ(dialog.MenuChecks(), (std::vector<std::pair<uint32_t, bool>>{{kBetaUpdatesCommand, true},
                                                                         {kUpdateChecksCommand, false}}));

    dialog.OnCommand(105, 517);
    dialog.OnCommand(kMakerPlanCommand, 0);
    EXPECT_EQ(host.forwarded, (std::vector<std::pair<uint32_t, intptr_t>>{{105, 517}, {kMakerPlanCommand, 0}}));
    // The plan submenu: the tray's items; choosing one makes it active and ends Dynamic Boost.
    EXPECT_FALSE(dialog.OnCommand(kFirstPlanCommand, 0));  // no menu shown yet
    const std::vector<TrayMenuPlan> plans = dialog.PlanMenu();
    ASSERT_GE(plans.size(), 2u);
    const auto other = std::find_if(plans.begin(), plans.end(), [](const TrayMenuPlan& p) { return !p.checked; });
    ASSERT_NE(other, plans.end());
    SetBoostEnabled(true);
    EXPECT_TRUE(dialog.OnCommand(other->command, 0));
    EXPECT_FALSE(IsBoostEnabled());
    std::u16string activeName;
    ASSERT_TRUE(host.power.PlanDisplayName(host.power.QueryActivePlanOrNull(), activeName));
    EXPECT_EQ(activeName, other->text);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(dialog.OnCommand(kFirstPlanCommand + 100, 0));
    dialog.OnCommand(kHistoryCommand, 0);
    dialog.OnCommand(kAboutCommand, 0);
    dialog.OnCommand(kCheckForUpdatesCommand, 0);
    dialog.OnCommand(kCloseCommand, 0);
    EXPECT_EQ(host.histories + host.abouts + host.checks + host.closes, 4);
    EXPECT_FALSE(dialog.OnCommand(3101, 0));  // the plan editor's

    EXPECT_TRUE(dialog.OnLink(kPowerOptionsLink));
    EXPECT_EQ(env.interaction().LastOpened(), settings_page::kPowerOptions);
    EXPECT_FALSE(dialog.OnLink(3195));  // the status area's
}

}  // namespace
}  // namespace quellora
