#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/interactive_start.h"
#include "platform/text.h"

namespace quellora {
namespace {

// Records the steps in the order they run; answers as configured.
class RecordingSteps : public StartSteps {
public:
    std::vector<std::string> steps;
    bool languageLoads = true;
    bool windowsSupported = true;
    bool otherInstance = false;
    bool boostEnabled = false;
    bool trayWindowCreated = true;
    int mainWindowResult = 0;

    void RemoveDuplicateMakerPlans() override { steps.push_back("duplicates"); }
    void CreateShutdownEvent() override { steps.push_back("shutdown-event"); }
    bool LoadLanguage() override {
        steps.push_back("language");
        return languageLoads;
    }
    bool WindowsSupported() override {
        steps.push_back("windows-version");
        return windowsSupported;
    }
    void ReportWindowsTooOld() override { steps.push_back("726"); }
    void EnsurePlanNotificationsValue() override { steps.push_back("notifications-value"); }
    void SetTrayMode(bool noTray, bool showMain) override {
        steps.push_back(std::string("mode") + (noTray ? " no-tray" : " tray") + (showMain ? " show-main" : " hidden"));
    }
    void EnsureLogonTask() override { steps.push_back("logon-task"); }
    bool HandOverToRunningInstance(bool restart) override {
        steps.push_back(restart ? "hand-over restart" : "hand-over");
        return otherInstance;
    }
    void CreatePresenceEvent() override { steps.push_back("presence"); }
    void ReinitMakerPlanOnce() override { steps.push_back("maker-plan-once"); }
    void MaintainThreadmark() override { steps.push_back("threadmark"); }
    void InitCommonControls() override { steps.push_back("common-controls"); }
    void InitTheme() override { steps.push_back("theme"); }
    void ReapplyStoredSettings() override { steps.push_back("reapply"); }
    void NoticeSwitcherMoved() override { steps.push_back("9092"); }
    int RunMainWindowAlone(bool classic) override {
        steps.push_back(classic ? "main-window classic" : "main-window");
        return mainWindowResult;
    }
    void CleanInstallerLeftovers() override { steps.push_back("leftovers"); }
    bool BoostEnabled() override { return boostEnabled; }
    void StartBoost() override { steps.push_back("boost"); }
    void CreateMainWindowMutex() override { steps.push_back("main-window-mutex"); }
    bool CreateTrayWindow() override {
        steps.push_back("tray-window");
        return trayWindowCreated;
    }
    void AddTrayIcon() override { steps.push_back("icon"); }
    void AnnounceFinishedUpdate() override { steps.push_back("update-finished"); }
    void StartPlanWatcher() override { steps.push_back("watcher"); }
    void CreateSettingsChangedEvent() override { steps.push_back("settings-changed"); }
    void RunMessageLoop() override { steps.push_back("loop"); }
    void Shutdown() override { steps.push_back("shutdown"); }
};

using Steps = std::vector<std::string>;

const Steps kFront = {"duplicates", "shutdown-event", "language", "windows-version", "notifications-value"};
const Steps kMiddle = {"presence", "maker-plan-once", "threadmark", "common-controls", "theme", "reapply"};
const Steps kTrayEnd = {"leftovers", "main-window-mutex", "tray-window", "icon", "update-finished",
                        "watcher", "settings-changed", "loop", "shutdown"};

Steps Join(std::initializer_list<Steps> parts) {
    Steps all;
    for (const Steps& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(InteractiveStart, RunsItsStepsInOrderForEachCommandLine) {
    struct Case {
        const char16_t* commandLine;
        Steps expected;
        int exitCode;
    };
    const Case cases[] = {
        {u"\"c:\\program files\\quellora\\quellora.exe\"",
         Join({kFront, {"mode tray show-main", "logon-task", "hand-over"}, kMiddle, {"9092"}, kTrayEnd}), 0},
        {u"quellora.exe /systray",
         Join({kFront, {"mode tray hidden", "logon-task", "hand-over"}, kMiddle, {"9092"}, kTrayEnd}), 0},
        // No tray: no logon task, no notice, and the main window is the whole application.
        {u"quellora.exe /nosystray", Join({kFront, {"mode no-tray hidden", "hand-over"}, kMiddle, {"main-window"}}), 0},
        {u"quellora.exe /restart",
         Join({kFront, {"mode tray show-main", "logon-task", "hand-over restart"}, kMiddle, {"9092"}, kTrayEnd}), 0},
        {u"quellora.exe /classic /nosystray",
         Join({kFront, {"mode no-tray hidden", "hand-over"}, kMiddle, {"main-window classic"}}), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.commandLine));
        RecordingSteps steps;
        EXPECT_EQ(RunInteractiveStartPlan(steps, StartModeFor(LowerAscii(c.commandLine))), c.exitCode);
        EXPECT_EQ(steps.steps, c.expected);
    }
}

TEST(InteractiveStart, StopsWhereTheStartCannotGoOn) {
    {
        RecordingSteps steps;  // another instance took over: nothing of this instance is made
        steps.otherInstance = true;
        EXPECT_EQ(RunInteractiveStartPlan(steps, StartModeFor(u"quellora.exe")), 0);
        EXPECT_EQ(steps.steps, Join({kFront, {"mode tray show-main", "logon-task", "hand-over"}}));
    }
    {
        RecordingSteps steps;  // no language module: the loader told the user
        steps.languageLoads = false;
        EXPECT_EQ(RunInteractiveStartPlan(steps, StartModeFor(u"quellora.exe")), 1);
        EXPECT_EQ(steps.steps, (Steps{"duplicates", "shutdown-event", "language"}));
    }
    {
        RecordingSteps steps;  // Windows before 6.0: message 726 before any window
        steps.windowsSupported = false;
        EXPECT_EQ(RunInteractiveStartPlan(steps, StartModeFor(u"quellora.exe")), 1);
        EXPECT_EQ(steps.steps, (Steps{"duplicates", "shutdown-event", "language", "windows-version", "726"}));
    }
    {
        RecordingSteps steps;  // no tray window: nothing could reach or end the instance
        steps.trayWindowCreated = false;
        EXPECT_EQ(RunInteractiveStartPlan(steps, StartModeFor(u"quellora.exe /systray")), 1);
        EXPECT_EQ(steps.steps.back(), "shutdown");
        EXPECT_EQ(std::count(steps.steps.begin(), steps.steps.end(), "loop"), 0);
    }
}

TEST(InteractiveStart, DynamicBoostStartsBeforeTheTrayWindowWhenEnabled) {
    RecordingSteps steps;
    steps.boostEnabled = true;
    RunInteractiveStartPlan(steps, StartModeFor(u"quellora.exe /systray"));
    const auto at = [&](const char* name) { return std::find(steps.steps.begin(), steps.steps.end(), name); };
    ASSERT_NE(at("boost"), steps.steps.end());
    EXPECT_LT(at("leftovers"), at("boost"));
    EXPECT_LT(at("boost"), at("main-window-mutex"));

    RecordingSteps noTray;  // no background threads in no-tray mode
    noTray.boostEnabled = true;
    noTray.mainWindowResult = 7;
    EXPECT_EQ(RunInteractiveStartPlan(noTray, StartModeFor(u"quellora.exe /nosystray")), 7);
    EXPECT_EQ(std::count(noTray.steps.begin(), noTray.steps.end(), "boost"), 0);
}

TEST(InteractiveStart, ModifiersCountAnywhereInTheLoweredCommandLine) {
    const StartMode mode = StartModeFor(LowerAscii(u"\"C:\\Tools\\Quellora.EXE\" /NoSysTray /RESTART /Classic"));
    EXPECT_TRUE(mode.noTray);
    EXPECT_FALSE(mode.systray);  // "/nosystray" is not "/systray"
    EXPECT_TRUE(mode.restart);
    EXPECT_TRUE(mode.classic);
    const StartMode none = StartModeFor(u"quellora.exe");
    EXPECT_FALSE(none.noTray || none.systray || none.restart || none.classic);
}

}  // namespace
}  // namespace quellora
