#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "tests/support/fake_controls.h"
#include "tests/support/sim_env.h"
#include "tray/companion.h"
#include "ui/boost_page.h"

namespace quellora {
namespace {

using namespace boost_page;
using testing::FakeControls;
using testing::SimEnv;

class FakeBoostHost : public BoostPageHost {
public:
    FakeControls controls{{kEnabled, kActivePlan, kIdlePlan, kIdleSeconds, kBatteryMode, kActivePlanDc,
                               kIdlePlanDc, kPauseOnSaver, kAwayIsIdle, kStatus, kConflictsLink, kNote}};
    std::vector<std::pair<std::u16string, uint32_t>> messages;
    bool conflictsAnswer = true;
    int prompts = 0, conflictLists = 0, linkUpdates = 0;

    ControlSurface& Controls() override { return controls; }
    int Message(std::u16string_view text, uint32_t style) override {
        messages.emplace_back(std::u16string(text), style);
        return mb::kIdOk;
    }
    bool PromptConflicts() override {
        ++prompts;
        return conflictsAnswer;
    }
    void ShowConflicts() override { ++conflictLists; }
    void UpdateDashboardBoostLink() override { ++linkUpdates; }
};

class BoostPageTest : public ::testing::Test {
protected:
    SimEnv env;
    PowerSchemeAccess power;
    FakeBoostHost host;
    BoostPagePresenter page{host, power};

    void SetUp() override {
        testing::ForgetCompanionCache();
        ForgetBoostSettingsCache();
        host.controls[kNote].text = u"Template.";
        page.Initialise();
        page.Load();
        page.Refresh();
    }
    void TearDown() override {
        StopBoost();
        testing::ForgetCompanionCache();
    }
    void Click(int control) {
        host.controls[control].checked = !host.controls[control].checked;
        page.OnCommand(control, kButtonClicked);
    }
    void Choose(int control, std::u16string_view text) {
        ASSERT_TRUE(host.controls.Choose(control, text));
        page.OnCommand(control, kSelectionChange);
    }
    void ChooseItem(int control, int index) {
        host.controls[control].selection = index;
        page.OnCommand(control, kSelectionChange);
    }
    std::u16string Shown(int control) { return host.controls.ItemText(control, host.controls.Selection(control)); }
    uint32_t UserDword(std::u16string_view name) { return ReadDwordOr(Hive::CurrentUser, kAppKey, name, 12345); }
};

TEST_F(BoostPageTest, LoadShowsTheStoredSettingsAndOffDisablesEverything) {
    EXPECT_EQ(host.controls[kNote].text, u"Template. " + LoadText(kNoteSuffix));
    EXPECT_EQ(host.controls[kBatteryMode].items,
              (std::vector<std::u16string>{LoadText(9494), LoadText(9495), LoadText(9496)}));
    EXPECT_EQ(Shown(kActivePlan), BoostPlanName(power, GetActivePlan(power)));
    EXPECT_EQ(Shown(kIdlePlan), u"Balanced: Best Power Efficiency");  // the laptop's default idle plan
    EXPECT_EQ(host.controls[kIdleSeconds].text, u"300");
    EXPECT_EQ(host.controls[kBatteryMode].selection, 0);
    EXPECT_TRUE(host.controls[kPauseOnSaver].checked);
    EXPECT_TRUE(host.controls[kAwayIsIdle].checked);
    EXPECT_FALSE(host.controls[kEnabled].checked);
    for (int id : {kActivePlan, kIdlePlan, kIdleSeconds, kBatteryMode, kActivePlanDc, kIdlePlanDc, kPauseOnSaver,
                   kAwayIsIdle})
        EXPECT_FALSE(host.controls[id].enabled) << id;
    EXPECT_EQ(host.controls[kStatus].text, LoadText(kOffStatus));
    EXPECT_FALSE(host.controls[kConflictsLink].visible);
    // Nothing of the filling was taken for the user's doing.
    EXPECT_EQ(host.linkUpdates, 0);

    // A refresh that finds every control right touches none of them.
    const auto before = host.controls.controls;
    page.Refresh();
    for (int id : {kActivePlan, kIdleSeconds, kStatus, kConflictsLink})
        EXPECT_EQ(host.controls[id].changes, before.at(id).changes) << id;
}

TEST_F(BoostPageTest, TurningOnStartsTheRuntimeAndBatteryPlansFollowTheModeAtOnce) {
    Click(kEnabled);
    EXPECT_TRUE(IsBoostEnabled());
    EXPECT_TRUE(IsBoostRunning());
    EXPECT_EQ(host.prompts, 1);
    EXPECT_EQ(host.linkUpdates, 1);
    EXPECT_TRUE(host.controls[kEnabled].checked);
    EXPECT_TRUE(host.controls[kIdlePlan].enabled);
    EXPECT_FALSE(host.controls[kActivePlanDc].enabled);

    ChooseItem(kBatteryMode, 1);
    EXPECT_EQ(GetBatteryMode(), BatteryMode::BatteryPlans);
    EXPECT_TRUE(host.controls[kActivePlanDc].enabled);
    EXPECT_TRUE(host.controls[kIdlePlanDc].enabled);
    ChooseItem(kBatteryMode, 2);
    EXPECT_EQ(UserDword(boostvalues::kBatteryMode), 2u);
    EXPECT_FALSE(host.controls[kActivePlanDc].enabled);
    ChooseItem(kBatteryMode, 0);
    EXPECT_FALSE(host.controls[kIdlePlanDc].enabled);

    Click(kPauseOnSaver);
    EXPECT_EQ(UserDword(boostvalues::kPauseOnBatterySaver), 0u);
    Click(kAwayIsIdle);
    EXPECT_EQ(UserDword(boostvalues::kAwayIsIdle), 0u);

    Click(kEnabled);
    EXPECT_FALSE(IsBoostEnabled());
    EXPECT_FALSE(IsBoostRunning());
    EXPECT_FALSE(host.controls[kIdlePlan].enabled);
    EXPECT_EQ(host.controls[kStatus].text, LoadText(kOffStatus));
}

TEST_F(BoostPageTest, EveryChangeReachesTheRegistryAndTheStatusLine) {
    Click(kEnabled);
    Choose(kIdlePlan, u"High performance");
    Guid stored;
    ASSERT_TRUE(ReadGuidValue(Hive::CurrentUser, kAppKey, boostvalues::kIdlePlan, stored));
    EXPECT_EQ(stored, guids::kHighPerformance);
    // The running switcher takes the change at once: its status names the new idle plan.
    std::u16string status;
    for (int i = 0; i < 100; ++i) {
        page.Refresh();
        status = host.controls[kStatus].text;
        if (status.find(u"High performance") != std::u16string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_NE(status.find(u"High performance"), std::u16string::npos) << Utf16ToUtf8(status);

    host.controls[kIdleSeconds].text = u"45";
    page.OnCommand(kIdleSeconds, kEditChange);
    EXPECT_EQ(UserDword(boostvalues::kIdleSeconds), 45u);
    EXPECT_EQ(GetIdleTimeoutMs(), 45000);
}

TEST_F(BoostPageTest, AZeroIdleTimeIsNeverStoredAndComesBackWhenTheFieldIsLeft) {
    Click(kEnabled);
    host.controls[kIdleSeconds].text = u"90";
    page.OnCommand(kIdleSeconds, kEditChange);
    for (const char16_t* typed : {u"0", u"", u"abc", u"-5", u"99999999999"}) {
        host.messages.clear();
        host.controls[kIdleSeconds].text = typed;
        page.OnCommand(kIdleSeconds, kEditChange);
        EXPECT_EQ(UserDword(boostvalues::kIdleSeconds), 90u) << Utf16ToUtf8(typed);
        page.OnCommand(kIdleSeconds, kKillFocus);
        ASSERT_EQ(host.messages.size(), 1u) << Utf16ToUtf8(typed);
        EXPECT_EQ(host.messages[0].first, LoadText(kIdleTimeError));
        EXPECT_EQ(host.messages[0].second, mb::kIconError);
        EXPECT_EQ(host.controls[kIdleSeconds].text, u"90");
    }
    // Leaving a good number says nothing.
    host.messages.clear();
    page.OnCommand(kIdleSeconds, kKillFocus);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(BoostPageTest, RestwellOrADeclinedConflictKeepsItOff) {
    env.machine().SetEventSignalled(kRestwellEvent, true);
    Click(kEnabled);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].first, LoadText(kRestwellActive));
    EXPECT_EQ(host.messages[0].second, mb::kIconError);
    EXPECT_EQ(host.prompts, 0);
    EXPECT_FALSE(IsBoostEnabled());
    EXPECT_FALSE(host.controls[kEnabled].checked);  // unchecked again by the refresh

    env.machine().SetEventSignalled(kRestwellEvent, false);
    host.conflictsAnswer = false;
    Click(kEnabled);
    EXPECT_EQ(host.prompts, 1);
    EXPECT_FALSE(IsBoostEnabled());
    EXPECT_FALSE(IsBoostRunning());
    EXPECT_FALSE(host.controls[kEnabled].checked);
}

TEST_F(BoostPageTest, APlanNameThatMatchesNoPlanIsNotWritten) {
    Click(kEnabled);
    const Guid before = GetActivePlan();
    host.controls[kActivePlan].items.push_back(u"Deleted meanwhile");
    Choose(kActivePlan, u"Deleted meanwhile");
    EXPECT_EQ(GetActivePlan(), before);
    EXPECT_EQ(Shown(kActivePlan), u"Deleted meanwhile");  // the user's choice stays until the next load
    page.OnLink(kConflictsLink);
    EXPECT_EQ(host.conflictLists, 1);
}

}  // namespace
}  // namespace quellora
