#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "boost/boost_log.h"
#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "platform/registry_helpers.h"
#include "power/power_scheme_access.h"
#include "platform/text.h"
#include "tests/support/sim_env.h"
#include "tray/boost_dialog.h"
#include "tray/companion.h"

namespace quellora {
namespace {

using testing::SimEnv;

// The dialog's controls as the presenter leaves them.
class FakeDialog : public BoostDialogSurface {
public:
    void SetCheck(int control, bool checked) override { checks[control] = checked; }
    bool Checked(int control) override { return checks[control]; }
    void Enable(int control, bool enabled) override { enabledState[control] = enabled; }
    void SetText(int control, std::u16string_view text) override { texts[control] = text; }
    std::u16string Text(int control) override { return texts[control]; }
    void FillList(int control, const std::vector<std::u16string>& items, int selected) override {
        lists[control] = items;
        selection[control] = selected;
    }
    std::u16string ListText(int control) override {
        const int i = selection[control];
        return i >= 0 && i < int(lists[control].size()) ? lists[control][size_t(i)] : std::u16string();
    }
    int Message(std::u16string_view text, uint32_t) override {
        messages.emplace_back(text);
        return mb::kIdOk;
    }
    bool ConfirmCompanionConflicts() override {
        ++prompts;
        return confirm;
    }
    void End(int result) override { ended = result; }

    void Click(BoostDialog& dialog, bool checked) {
        checks[boostdlg::kEnable] = checked;
        dialog.OnEnableClicked();
    }
    void Select(int control, std::u16string_view name) {
        for (size_t i = 0; i < lists[control].size(); ++i) {
            if (lists[control][i] == name) selection[control] = int(i);
        }
    }
    bool DependentsEnabled(bool expected) {
        for (int control : kBoostDialogDependents) {
            if (enabledState[control] != expected) return false;
        }
        return true;
    }

    std::map<int, bool> checks, enabledState;
    std::map<int, std::u16string> texts;
    std::map<int, std::vector<std::u16string>> lists;
    std::map<int, int> selection;
    std::vector<std::u16string> messages;
    int prompts = 0;
    bool confirm = true;
    int ended = 0;
};

class BoostDialogTest : public ::testing::Test {
protected:
    ~BoostDialogTest() override { StopBoost(); }
    SimEnv env;
    FakeDialog ui;
    BoostDialog dialog{ui};
};

TEST(IdleSeconds, WholeSecondsFromOneTo4294967) {
    struct Case {
        const char16_t* text;
        bool ok;
        uint32_t seconds;
    } cases[] = {
        {u"1", true, 1},     {u"300", true, 300},    {u" 45 ", true, 45},        {u"4294967", true, 4294967},
        {u"0", false, 0},    {u"4294968", false, 0}, {u"99999999999", false, 0}, {u"", false, 0},
        {u"abc", false, 0},  {u"-5", false, 0},      {u"1.5", false, 0},         {u"00012", true, 12},
    };
    for (const Case& c : cases) {
        uint32_t seconds = 0;
        EXPECT_EQ(ParseIdleSeconds(c.text, seconds), c.ok) << Utf16ToUtf8(c.text);
        if (c.ok) {
            EXPECT_EQ(seconds, c.seconds) << Utf16ToUtf8(c.text);
        }
    }
}

TEST_F(BoostDialogTest, OpensWithTheSettingsAndTheControlsOffUntilEnabled) {
    SetIdleTimeoutMs(120000);
    SetPauseOnBatterySaver(false);
    SetBatteryMode(BatteryMode::Pause);
    dialog.OnInit();
    EXPECT_FALSE(ui.checks[boostdlg::kEnable]);
    EXPECT_TRUE(ui.DependentsEnabled(false));
    EXPECT_EQ(ui.texts[boostdlg::kIdleSeconds], u"120");
    EXPECT_FALSE(ui.checks[boostdlg::kPauseBatterySaver]);
    EXPECT_TRUE(ui.checks[boostdlg::kPauseOnBattery]);
    // The laptop's power modes are listed as the Balanced plan's, and the defaults are the best-performance
    // and the best-efficiency mode.
    const std::vector<std::u16string> plans = {u"Balanced",
                                               u"Balanced: Best Performance",
                                               u"Balanced: Best Power Efficiency",
                                               u"High performance",
                                               u"Balanced: Legacy High Performance",
                                               u"Power saver"};
    EXPECT_EQ(ui.lists[boostdlg::kInUsePlan], plans);
    EXPECT_EQ(ui.lists[boostdlg::kIdlePlan], plans);
    EXPECT_EQ(ui.ListText(boostdlg::kInUsePlan), u"Balanced: Best Performance");
    EXPECT_EQ(ui.ListText(boostdlg::kIdlePlan), u"Balanced: Best Power Efficiency");

    ui.Click(dialog, true);
    EXPECT_TRUE(ui.checks[boostdlg::kEnable]);
    EXPECT_TRUE(ui.DependentsEnabled(true));
    ui.Click(dialog, false);
    EXPECT_TRUE(ui.DependentsEnabled(false));
}

TEST_F(BoostDialogTest, OpenedWhileDynamicBoostIsOnTheBoxIsCheckedAndOkKeepsItOn) {
    SetBoostEnabled(true);
    dialog.OnInit();
    EXPECT_TRUE(ui.checks[boostdlg::kEnable]);
    EXPECT_TRUE(ui.DependentsEnabled(true));
    EXPECT_TRUE(dialog.OnClose());
    EXPECT_TRUE(IsBoostEnabled());
    EXPECT_TRUE(IsBoostRunning());
}

TEST_F(BoostDialogTest, RestwellRunningRefusesTheBoxAndConflictsAreAskedAbout) {
    dialog.OnInit();
    env.machine().SetEventSignalled(kRestwellEvent, true);
    ui.Click(dialog, true);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind(u"Taskwarden's Restwell is active", 0), 0u);
    EXPECT_FALSE(ui.checks[boostdlg::kEnable]);
    EXPECT_TRUE(ui.DependentsEnabled(false));
    EXPECT_EQ(ui.prompts, 0);

    env.machine().SetEventSignalled(kRestwellEvent, false);
    ui.confirm = false;
    ui.Click(dialog, true);
    EXPECT_EQ(ui.prompts, 1);
    EXPECT_FALSE(ui.checks[boostdlg::kEnable]);
    ui.confirm = true;
    ui.Click(dialog, true);
    EXPECT_TRUE(ui.checks[boostdlg::kEnable]);
}

TEST_F(BoostDialogTest, AnInvalidIdleTimeKeepsTheDialogOpenWithTheBoxSaved) {
    dialog.OnInit();
    ui.Click(dialog, true);
    for (const char16_t* text : {u"0", u"", u"4294968", u"12a"}) {
        ui.texts[boostdlg::kIdleSeconds] = text;
        EXPECT_FALSE(dialog.OnClose()) << Utf16ToUtf8(text);
        EXPECT_EQ(ui.ended, 0);
        EXPECT_EQ(ui.messages.back(), u"Enter the idle time as a number of seconds above 0.");
        EXPECT_TRUE(IsBoostEnabled());
        EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"IdleSecs", 0), 0u);  // nothing else saved
    }
}

TEST_F(BoostDialogTest, OkSavesEverythingStartsDynamicBoostAndItSwitches) {
    dialog.OnInit();
    ui.Click(dialog, true);
    ui.texts[boostdlg::kIdleSeconds] = u"10";
    ui.Select(boostdlg::kInUsePlan, u"Balanced");
    ui.Select(boostdlg::kIdlePlan, u"High performance");
    ui.checks[boostdlg::kPauseBatterySaver] = false;
    ui.checks[boostdlg::kPauseOnBattery] = true;
    env.machine().SetLastInputTick(0);  // the user has been away: the idle plan applies
    ASSERT_TRUE(dialog.OnClose());
    EXPECT_EQ(ui.ended, boostdlg::kOk);
    EXPECT_TRUE(IsBoostEnabled());
    EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"IdleSecs", 0), 10u);
    EXPECT_EQ(GetActivePlan(), guids::kBalanced);
    EXPECT_EQ(GetIdlePlan(), guids::kHighPerformance);
    EXPECT_FALSE(GetPauseOnBatterySaver());
    EXPECT_EQ(GetBatteryMode(), BatteryMode::Pause);
    EXPECT_TRUE(IsBoostRunning());
    PowerSchemeAccess power;
    for (int i = 0; i < 500 && power.QueryActivePlanOrNull() != guids::kHighPerformance; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(power.QueryActivePlanOrNull(), guids::kHighPerformance);
    StopBoost();
    const std::vector<BoostLogEntry> log = ReadBoostLog(50);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().planName, u"High performance");  // the oldest line: the switch to the idle plan
    EXPECT_EQ(log.back().reason, int32_t(BoostReason::IdleTimeout));
}

TEST_F(BoostDialogTest, UncheckingThePauseOnBatteryKeepsBatteryPlans) {
    SetBatteryMode(BatteryMode::BatteryPlans);
    dialog.OnInit();
    EXPECT_FALSE(ui.checks[boostdlg::kPauseOnBattery]);
    ASSERT_TRUE(dialog.OnClose());
    EXPECT_EQ(GetBatteryMode(), BatteryMode::BatteryPlans);
    EXPECT_FALSE(IsBoostEnabled());
    EXPECT_FALSE(IsBoostRunning());
}

TEST_F(BoostDialogTest, CancelSavesNothing) {
    dialog.OnInit();
    ui.Click(dialog, true);
    ui.texts[boostdlg::kIdleSeconds] = u"10";
    dialog.OnCancel();
    EXPECT_EQ(ui.ended, boostdlg::kCancel);
    EXPECT_FALSE(IsBoostEnabled());
    EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"IdleSecs", 0), 0u);
}

}  // namespace
}  // namespace quellora
