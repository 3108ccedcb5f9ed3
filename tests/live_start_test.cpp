#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/interactive_shell.h"
#include "app/switches.h"
#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "platform/instance_events.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_env.h"
#include "tray/logon_task.h"
#include "tray/tray_messages.h"

namespace quellora {
namespace {

using testing::SimEnv;

// The windows of the interactive program, recorded instead of shown.
class FakeShell : public InteractiveShell {
public:
    void InitCommonControls() override { calls.push_back("common controls"); }
    int RunMainWindowAlone(bool classic) override {
        calls.push_back(classic ? "classic dialog" : "main window");
        return 0;
    }
    bool CreateTrayWindow() override {
        calls.push_back("tray window");
        // What the start left in place for the window: the main-window mutex, boost state.
        mutexAtTray = State().mainWindowMutex != 0;
        boostRunningAtTray = IsBoostRunning();
        return createSucceeds;
    }
    WindowHandle TrayWindow() override { return nullptr; }
    void SendIconNormal() override { calls.push_back("icon"); }
    void PostUpdatedBalloon() override { calls.push_back("updated balloon"); }
    void StartPlanWatcher() override { calls.push_back("plan watcher"); }
    void RunMessageLoop() override {
        calls.push_back("loop");
        settingsEventInLoop = State().settingsChangedEvent != 0;
    }
    void RemoveTrayIcon() override { calls.push_back("remove icon"); }

    std::vector<std::string> calls;
    bool createSucceeds = true;
    bool mutexAtTray = false;
    bool boostRunningAtTray = false;
    bool settingsEventInLoop = false;
};

class LiveStart : public ::testing::Test {
protected:
    // The program where an installer puts it, with its language modules beside it.
    LiveStart() {
        SetInteractiveShell(&shell);
        const std::filesystem::path folder = std::filesystem::path(env.dir().path()) / "Program Files" / "Quellora";
        std::filesystem::create_directories(folder);
        for (const char* module : {"tw_rsrc_english.dll", "tw_rsrc_german.dll"}) {
            std::filesystem::copy_file(std::filesystem::path(testing::BuildDir()) / module, folder / module);
        }
        State().executablePath = Utf8ToUtf16((folder / "quellora.exe").string());
    }
    ~LiveStart() override {
        StopBoost();
        SetInteractiveShell(nullptr);
    }

    int Start(std::u16string_view commandLine) { return RunInteractiveStart(LowerAscii(commandLine)); }

    bool HasValue(Hive hive, std::u16string_view name) {
        RegValue v;
        return env.registry().QueryValue(hive, kAppKey, name, v) == 0;
    }

    SimEnv env;
    FakeShell shell;
};

TEST_F(LiveStart, AFirstStartPreparesTheMachineAndRunsTheTray) {
    EXPECT_EQ(Start(u"quellora.exe"), 0);
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"common controls", "tray window", "icon", "plan watcher", "loop",
                                                   "remove icon"}));
    uint32_t value = 0;
    EXPECT_TRUE(ReadDword(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", value));
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(ReadDword(Hive::LocalMachine, kAppKey, u"Installed", value));
    EXPECT_EQ(value, 1u);
    TaskDefinition task;
    ASSERT_TRUE(sim::SimTaskScheduler::Get(env.machine(), kLogonTaskName, task));
    EXPECT_EQ(task.actionPath, u"\"" + State().executablePath + u"\"");
    EXPECT_EQ(task.actionArguments, u"/systray");
    EXPECT_TRUE(ReadDword(Hive::CurrentUser, kAppKey, u"PowerProfileSwitcherMovedNoticeShown", value));
    EXPECT_EQ(env.interaction().QuestionCount(), 0u);  // no former switcher settings: no notice
    EXPECT_TRUE(State().showMainWindowAtStart);
    EXPECT_FALSE(State().noTray);
    EXPECT_NE(State().presenceEvent, 0u);
    EXPECT_TRUE(shell.mutexAtTray);
    EXPECT_TRUE(shell.settingsEventInLoop);
    EXPECT_EQ(State().mainWindowMutex, 0u);  // closed at the end
    EXPECT_EQ(State().settingsChangedEvent, 0u);
}

TEST_F(LiveStart, KeepsValuesTheUserAlreadyHas) {
    WriteDword(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", 0);
    WriteDword(Hive::LocalMachine, kAppKey, u"Installed", 1);
    EXPECT_EQ(Start(u"quellora.exe /systray"), 0);
    uint32_t value = 9;
    EXPECT_TRUE(ReadDword(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", value));
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(LogonTaskExists(kLogonTaskName), 0);  // "Installed" says it was made once: not again
    EXPECT_FALSE(State().showMainWindowAtStart);
}

TEST_F(LiveStart, ALogonTaskThatCannotBeCreatedIsTriedAgainNextTime) {
    sim::SimTaskScheduler::SetMode(env.machine(), sim::SchedulerMode::NoLogonTrigger);
    EXPECT_EQ(Start(u"quellora.exe /systray"), 0);
    EXPECT_FALSE(HasValue(Hive::LocalMachine, u"Installed"));
    sim::SimTaskScheduler::SetMode(env.machine(), sim::SchedulerMode::Normal);
    EXPECT_EQ(Start(u"quellora.exe /systray"), 0);
    EXPECT_TRUE(HasValue(Hive::LocalMachine, u"Installed"));
    EXPECT_EQ(LogonTaskExists(kLogonTaskName), 1);
}

TEST(LiveStartNotice, TheSwitcherNoticeAppearsOnceWhenItsSettingsAreThere) {
    struct Case {
        bool enabled;
        const char* lowPowerPlan;  // null: absent
        bool notice;
    };
    const Case cases[] = {{true, "\x01", true}, {true, "", false}, {false, "\x01", false}, {true, nullptr, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lowPowerPlan ? std::strlen(c.lowPowerPlan) : 99);
        SimEnv fresh;
        FakeShell shell;
        SetInteractiveShell(&shell);
        if (c.enabled) WriteString(Hive::CurrentUser, kAppKey, u"Enabled", u"x");  // whatever it holds
        if (c.lowPowerPlan) WriteBinary(Hive::CurrentUser, kAppKey, u"LowPowerPlan", c.lowPowerPlan, std::strlen(c.lowPowerPlan));
        EXPECT_EQ(RunInteractiveStart(u"quellora.exe /systray"), 0);
        EXPECT_EQ(fresh.interaction().QuestionCount(), c.notice ? 1u : 0u);
        if (c.notice) {
            sim::AskedQuestion q;
            ASSERT_TRUE(fresh.interaction().LastQuestion(q));
            EXPECT_EQ(q.style, mb::kIconInformation);
            EXPECT_EQ(q.caption, u"Quellora");
            EXPECT_NE(q.text.find(u"Dynamic Boost"), std::u16string::npos);
        }
        EXPECT_EQ(RunInteractiveStart(u"quellora.exe /systray"), 0);  // once
        EXPECT_EQ(fresh.interaction().QuestionCount(), c.notice ? 1u : 0u);
        SetInteractiveShell(nullptr);
    }
}

TEST_F(LiveStart, AfterAnUpdateTheBalloonComesOnceAndTheIconSetIsReset) {
    WriteDword(Hive::CurrentUser, kAppKey, u"UpdateFinished", 1);
    WriteDword(Hive::LocalMachine, kAppKey, u"IconSetNumber", 2);
    EXPECT_EQ(Start(u"quellora.exe /systray"), 0);
    EXPECT_EQ(std::count(shell.calls.begin(), shell.calls.end(), "updated balloon"), 1);
    EXPECT_FALSE(HasValue(Hive::CurrentUser, u"UpdateFinished"));
    uint32_t iconSet = 9;
    EXPECT_TRUE(ReadDword(Hive::LocalMachine, kAppKey, u"IconSetNumber", iconSet));
    EXPECT_EQ(iconSet, 0u);
    EXPECT_EQ(sim::SimInstanceWindows::AssociationChanges(env.machine()), 1u);
    shell.calls.clear();
    EXPECT_EQ(Start(u"quellora.exe /systray"), 0);
    EXPECT_EQ(std::count(shell.calls.begin(), shell.calls.end(), "updated balloon"), 0);
    EXPECT_EQ(sim::SimInstanceWindows::AssociationChanges(env.machine()), 1u);
}

TEST_F(LiveStart, ASecondStartHandsOverAndMakesNothingOfItsOwn) {
    sim::SimWindow w;
    w.className = std::u16string(kTrayWindowClass);
    w.windowName = std::u16string(kTrayWindowName);
    w.processId = 4711;
    sim::SimInstanceWindows::Add(env.machine(), w);
    EXPECT_EQ(Start(u"quellora.exe"), 0);
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(State().presenceEvent, 0u);
    EXPECT_EQ(sim::SimInstanceWindows::List(env.machine()).front().received,
              std::vector<std::u16string>{u"post 1025 0 514"});
}

TEST_F(LiveStart, NoTrayModeRunsTheMainWindowAloneWithoutBackgroundWork) {
    SetBoostEnabled(true);
    EXPECT_EQ(Start(u"quellora.exe /classic /nosystray"), 0);
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"common controls", "classic dialog"}));
    EXPECT_FALSE(IsBoostRunning());
    EXPECT_FALSE(HasValue(Hive::LocalMachine, u"Installed"));  // no logon task in no-tray mode
    EXPECT_TRUE(State().noTray);
}

TEST_F(LiveStart, DynamicBoostRunsWhileTheTrayDoesAndStopsAfter) {
    SetBoostEnabled(true);
    EXPECT_EQ(Start(u"quellora.exe /systray"), 0);
    EXPECT_TRUE(shell.boostRunningAtTray);
    EXPECT_FALSE(IsBoostRunning());
}

TEST_F(LiveStart, ATrayWindowThatCannotBeMadeEndsTheStart) {
    shell.createSucceeds = false;
    EXPECT_EQ(Start(u"quellora.exe /systray"), 1);
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"common controls", "tray window", "remove icon"}));
}

TEST(LiveStartWithoutWindows, SaysSoAndEnds) {
    SimEnv env;
    SetInteractiveShell(nullptr);
    EXPECT_EQ(RunEntry(u"quellora.exe /systray"), 1);
    EXPECT_NE(env.console().err.find("Windows only"), std::string::npos);
    RegValue v;
    EXPECT_NE(env.registry().QueryValue(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", v), 0u);
}

}  // namespace
}  // namespace quellora
