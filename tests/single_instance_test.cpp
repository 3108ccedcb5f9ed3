#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/single_instance.h"
#include "platform/instance_events.h"
#include "platform/processes.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "tests/support/sim_env.h"
#include "tray/tray_messages.h"

namespace quellora {
namespace {

using testing::ManualClock;
using testing::SimEnv;

class SingleInstance : public ::testing::Test {
protected:
    SingleInstance() { env.UseClock(&clock); }

    uint32_t AddInstance(uint32_t goneAtFind = 0) {
        const uint32_t pid = sim::AddSimProcess(env.machine(), u"quellora.exe");
        sim::SimWindow w;
        w.className = std::u16string(kTrayWindowClass);
        w.windowName = std::u16string(kTrayWindowName);
        w.processId = pid;
        w.goneAtFind = goneAtFind;
        sim::SimInstanceWindows::Add(env.machine(), w);
        return pid;
    }

    std::vector<std::u16string> Received() {
        const auto windows = sim::SimInstanceWindows::List(env.machine());
        return windows.empty() ? std::vector<std::u16string>{} : windows.front().received;
    }

    uint64_t Slept() const { return clock.tick - kStart; }

    static constexpr uint64_t kStart = 1000000;
    SimEnv env;
    ManualClock clock;
};

TEST_F(SingleInstance, WithoutARunningInstanceTheStartGoesOn) {
    EXPECT_FALSE(HandOverToRunningInstance(false));
    EXPECT_FALSE(HandOverToRunningInstance(true));
    EXPECT_EQ(Slept(), 0u);
}

TEST_F(SingleInstance, ASecondStartAsksTheRunningInstanceToOpenItsMainWindow) {
    const uint32_t pid = AddInstance();
    EXPECT_TRUE(HandOverToRunningInstance(false));
    EXPECT_EQ(Received(), std::vector<std::u16string>{u"post 1025 0 514"});  // what a left click on its icon sends
    EXPECT_EQ(sim::SimInstanceWindows::ForegroundAllowedFor(env.machine()), pid);
    EXPECT_EQ(Slept(), 0u);
}

TEST_F(SingleInstance, ARestartWaitsForTheOldInstanceToGo) {
    struct Case {
        uint32_t goneAtFind;  // 0: never goes
        bool handedOver;
        uint64_t slept;
    };
    const Case cases[] = {
        {2, false, 100},    // gone at the first look after 100 ms
        {11, false, 1000},  // gone after ten looks
        {51, false, 5000},  // gone at the fiftieth look: just in time
        {0, true, 5000},    // still there after 50 × 100 ms: treated as a second start
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.goneAtFind);
        SimEnv fresh;
        ManualClock freshClock;
        fresh.UseClock(&freshClock);
        sim::SimWindow w;
        w.className = std::u16string(kTrayWindowClass);
        w.windowName = std::u16string(kTrayWindowName);
        w.processId = 4242;
        w.goneAtFind = c.goneAtFind;
        sim::SimInstanceWindows::Add(fresh.machine(), w);
        EXPECT_EQ(HandOverToRunningInstance(true), c.handedOver);
        EXPECT_EQ(freshClock.tick - kStart, c.slept);
        const auto windows = sim::SimInstanceWindows::List(fresh.machine());
        EXPECT_EQ(!windows.empty() && !windows.front().received.empty(), c.handedOver);
    }
}

TEST_F(SingleInstance, TerminateAloneNeitherSleepsNorTerminatesItself) {
    EXPECT_EQ(TerminateAllInstances(), 0);
    EXPECT_EQ(Slept(), 0u);
    uint32_t code = 0;
    EXPECT_FALSE(env.processes().Ended(code));
    EXPECT_TRUE(env.kernel().IsNamedEventSignalled(kShutdownEventName));
}

TEST_F(SingleInstance, TerminateGivesOthersTimeAndThenEndsThem) {
    const uint32_t first = AddInstance();
    sim::AddSimProcess(env.machine(), u"QUELLORA.EXE");  // the same image name in other case
    sim::AddSimProcess(env.machine(), u"notepad.exe");
    EXPECT_EQ(TerminateAllInstances(), 0);
    EXPECT_EQ(Slept(), 4000u);  // four looks, each finding others still running
    const auto left = sim::SimProcessList(env.machine());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left.front().imageName, u"notepad.exe");
    EXPECT_TRUE(sim::SimInstanceWindows::List(env.machine()).empty());  // the window went with its process
    uint32_t code = 0;
    EXPECT_FALSE(env.processes().Ended(code));  // never itself
    (void)first;
}

TEST(ImageNames, AreComparedFoldingOnlyTheLettersAToZ) {
    struct Case {
        const char16_t* a;
        const char16_t* b;
        bool same;
    };
    const Case cases[] = {
        {u"quellora.exe", u"QUELLORA.EXE", true},
        {u"Quellora.Exe", u"quellora.exe", true},
        {u"quellora.exe", u"quellora.ex", false},
        {u"ÄRGER.EXE", u"ärger.exe", false},         // beyond A to Z, case counts
        {u"\u212Auellora.exe", u"kuellora.exe", false},  // KELVIN SIGN is not a K here
        {u"straße.exe", u"STRASSE.EXE", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.a));
        EXPECT_EQ(SameImageName(c.a, c.b), c.same);
    }
}

TEST_F(SingleInstance, StartProgramQuotesTheExecutableAndPassesTheFolder) {
    EXPECT_FALSE(StartProgram(u"C:\\Program Files\\Quellora\\quellora.exe", u"/restart", u"C:\\Work"));  // no such program here
    EXPECT_FALSE(StartProgram(u"C:\\q.exe", u"", u""));
    const auto launches = env.processes().Launches();
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].application, u"C:\\Program Files\\Quellora\\quellora.exe");
    EXPECT_EQ(launches[0].commandLine, u"\"C:\\Program Files\\Quellora\\quellora.exe\" /restart");
    EXPECT_EQ(launches[0].directory, u"C:\\Work");
    EXPECT_EQ(launches[0].waitMs, 0u);
    EXPECT_EQ(launches[1].commandLine, u"\"C:\\q.exe\"");
}

TEST_F(SingleInstance, RestartTakesTheIconAwayStartsAgainAndEndsAtOnce) {
    AddInstance();
    State().executablePath = u"C:\\Q\\quellora.exe";
    RestartProgram();
    EXPECT_EQ(Received(), std::vector<std::u16string>{u"icon removed 38937"});
    const auto launches = env.processes().Launches();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].commandLine, u"\"C:\\Q\\quellora.exe\" /restart");
    uint32_t code = 0;
    EXPECT_TRUE(env.processes().Ended(code));  // even though the new process could not be created
    EXPECT_EQ(code, 1u);
}

}  // namespace
}  // namespace quellora
