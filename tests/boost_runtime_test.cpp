#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "boost/boost_log.h"
#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "platform/files.h"
#include "platform/host/journal_registry.h"
#include "platform/language.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::ManualClock;
using testing::SimEnv;

constexpr uint32_t kTimeoutMs = 60000;

// A session watch the test drives: each Wait takes the next wake the test
// queued (the time-out is not waited for), and every wake reports the display,
// lid and lock states the test set. The test waits until the worker is back
// in Wait, so each wake is handled before the next look.
class ScriptedWatch : public SessionWatch {
public:
    bool Begin() override {
        std::lock_guard lock(mutex_);
        began = true;
        return true;
    }
    void End() override {
        std::lock_guard lock(mutex_);
        ended = true;
    }
    Wake Wait(uint32_t timeoutMs) override {
        std::unique_lock lock(mutex_);
        lastTimeout = timeoutMs;
        ++waits_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return stop_ || !wakes_.empty(); });
        if (stop_) return Wake::Stop;
        const Wake wake = wakes_.front();
        wakes_.pop_front();
        return wake;
    }
    void SignalStop() override {
        std::lock_guard lock(mutex_);
        stop_ = true;
        changed_.notify_all();
    }
    void SignalReload() override { Push(Wake::Reload); }
    void TakeReports(bool& displayOff, bool& lidClosed, bool& locked) override {
        std::lock_guard lock(mutex_);
        displayOff = display_;
        lidClosed = lid_;
        locked = locked_;
    }

    void SetAway(bool displayOff, bool lidClosed, bool locked) {
        std::lock_guard lock(mutex_);
        display_ = displayOff;
        lid_ = lidClosed;
        locked_ = locked;
    }
    void Push(Wake wake) {
        std::lock_guard lock(mutex_);
        wakes_.push_back(wake);
        changed_.notify_all();
    }
    // Waits until the worker entered Wait `count` times in all.
    bool AwaitWaits(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return waits_ >= count; });
    }
    // Queues a wake and waits until the worker handled it.
    bool Step(Wake wake) {
        int next = 0;
        {
            std::lock_guard lock(mutex_);
            next = waits_ + 1;
        }
        Push(wake);
        return AwaitWaits(next);
    }

    bool began = false;
    bool ended = false;
    uint32_t lastTimeout = 0;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Wake> wakes_;
    int waits_ = 0;
    bool stop_ = false;
    bool display_ = false;
    bool lid_ = false;
    bool locked_ = false;
};

class ScriptedWatchFactory : public SessionWatchFactory {
public:
    std::unique_ptr<SessionWatch> Create() override {
        auto watch = std::make_unique<ScriptedWatch>();
        last = watch.get();
        ++created;
        return watch;
    }
    ScriptedWatch* last = nullptr;
    int created = 0;
};

class BoostRuntimeTest : public ::testing::Test {
protected:
    SimEnv env;
    ManualClock clock;

    void SetUp() override {
        env.UseClock(&clock);
        testing::ForgetLastBoostLogCall();
        ForgetBoostSettingsCache();
        SetActivePlan(guids::kHighPerformance);
        SetIdlePlan(guids::kPowerSaver);
        WriteDword(Hive::CurrentUser, kAppKey, u"IdleSecs", kTimeoutMs / 1000);
        Input();
    }
    void TearDown() override {
        StopBoost();
        testing::ForgetLastBoostLogCall();
        ForgetBoostSettingsCache();
        env.UseClock(nullptr);
    }

    // The user touched the keyboard just now.
    void Input() { env.machine().SetLastInputTick(clock.tick); }
    Guid Active() {
        Guid plan;
        env.machine().ActiveScheme(plan);
        return plan;
    }
    // The user (or another program) makes a plan active.
    void PickByHand(const Guid& plan) {
        env.machine().WriteActiveScheme(plan);
        env.machine().ApplyActivePlan();
    }
    std::vector<std::pair<int32_t, std::u16string>> Log() {
        std::vector<std::pair<int32_t, std::u16string>> lines;
        for (const auto& e : ReadBoostLog(100)) lines.insert(lines.begin(), {e.reason, e.planName});
        return lines;
    }
    using Lines = std::vector<std::pair<int32_t, std::u16string>>;
};

TEST_F(BoostRuntimeTest, RecentInputOnMainsSwitchesToTheInUsePlanAtTheFirstEvaluation) {
    BoostRun run;
    BeginBoostRun(run);
    EXPECT_EQ(run.restorePlan, guids::kBalanced);
    EvaluateBoost(run, true);
    EXPECT_EQ(Active(), guids::kHighPerformance);
    EXPECT_EQ(Log(), (Lines{{1, u"High performance"}}));
    EXPECT_TRUE(run.hasDecision);
    EXPECT_EQ(run.lastApplied, guids::kHighPerformance);
    const BoostStatus status = GetBoostStatus();
    EXPECT_TRUE(status.valid);
    EXPECT_EQ(status.decision.reason, BoostReason::Input);
    EXPECT_EQ(status.settings.idleTimeoutMs, kTimeoutMs);
}

TEST_F(BoostRuntimeTest, IdleSwitchesToTheIdlePlanAndInputSwitchesBack) {
    BoostRun run;
    BeginBoostRun(run);
    EvaluateBoost(run, true);
    clock.tick += kTimeoutMs - 1;
    EvaluateBoost(run, false);
    EXPECT_EQ(Active(), guids::kHighPerformance);
    clock.tick += 1;
    EvaluateBoost(run, false);
    EXPECT_EQ(Active(), guids::kPowerSaver);
    EXPECT_EQ(GetBoostStatus().idleMs, kTimeoutMs);
    clock.tick += 1000;
    Input();
    EvaluateBoost(run, false);
    EXPECT_EQ(Active(), guids::kHighPerformance);
    EXPECT_EQ(Log(), (Lines{{1, u"High performance"}, {2, u"Power saver"}, {1, u"High performance"}}));
}

TEST_F(BoostRuntimeTest, IdleTimeIsMeasuredOnTheWrappingTickCount) {
    clock.tick = 0x100000000ull + 500;  // the 32-bit tick count has wrapped
    env.machine().SetLastInputTick(0xFFFFFF00u);
    BoostRun run;
    BeginBoostRun(run);
    EXPECT_EQ(ObserveBoostInputs(run).idleMs, 756u);
}

TEST_F(BoostRuntimeTest, InputsComeFromThePowerStatusAndTheRunsAwayStates) {
    BoostRun run;
    BeginBoostRun(run);
    env.machine().SetOnAcPower(false);
    env.machine().SetBatterySaver(true);
    env.machine().SetRemoteSession(true);
    run.displayOff = true;
    run.lidClosed = true;
    run.locked = false;
    BoostInputs in = ObserveBoostInputs(run);
    EXPECT_TRUE(in.onBattery);
    EXPECT_TRUE(in.batterySaver);
    EXPECT_TRUE(in.remoteSession);
    EXPECT_TRUE(in.displayOff && in.lidClosed && !in.locked);
    // The published status masks display and lid in a remote session.
    EvaluateBoost(run, false);
    const BoostStatus status = GetBoostStatus();
    EXPECT_FALSE(status.displayOff);
    EXPECT_FALSE(status.lidClosed);
    EXPECT_TRUE(status.onBattery);
}

TEST_F(BoostRuntimeTest, TheLockStateIsReadAtTheStartOfARun) {
    env.machine().SetSessionLocked(true);
    BoostRun run;
    BeginBoostRun(run);
    EXPECT_TRUE(run.locked);
    EvaluateBoost(run, true);
    EXPECT_EQ(Active(), guids::kPowerSaver);
    EXPECT_EQ(Log(), (Lines{{5, u"Power saver"}}));
    // Windows 7 cannot tell.
    env.machine().SetWindows(sim::WindowsForBuild(7601));
    BoostRun older;
    BeginBoostRun(older);
    EXPECT_FALSE(older.locked);
}

TEST_F(BoostRuntimeTest, APlanPickedByHandStaysWhileTheDecisionStaysTheSame) {
    BoostRun run;
    BeginBoostRun(run);
    EvaluateBoost(run, true);
    PickByHand(guids::kBalanced);
    for (int i = 0; i < 5; ++i) {
        clock.tick += 1000;
        Input();
        EvaluateBoost(run, false);
    }
    EXPECT_EQ(Active(), guids::kBalanced);
    // Locked and then idle by time: the same idle plan, only the reason changes.
    clock.tick += kTimeoutMs;
    run.locked = true;
    EvaluateBoost(run, false);
    EXPECT_EQ(Active(), guids::kPowerSaver);
    PickByHand(guids::kBalanced);
    run.locked = false;
    EvaluateBoost(run, false);
    EXPECT_EQ(run.lastDecision.reason, BoostReason::IdleTimeout);
    EXPECT_EQ(Active(), guids::kBalanced);
    EXPECT_EQ(Log(), (Lines{{1, u"High performance"}, {5, u"Power saver"}}));
}

TEST_F(BoostRuntimeTest, OnBatteryWithPauseTheIdlePlanIsAppliedOnceOnly) {
    SetBatteryMode(BatteryMode::Pause);
    env.machine().SetOnAcPower(false);
    BoostRun run;
    BeginBoostRun(run);
    EvaluateBoost(run, true);
    EXPECT_EQ(Active(), guids::kPowerSaver);
    EXPECT_TRUE(run.lastDecision.paused);
    PickByHand(guids::kHighPerformance);
    EvaluateBoost(run, false);
    EXPECT_EQ(Active(), guids::kHighPerformance);
    // A reload while still paused does not apply the idle plan again.
    ReloadBoostRunSettings(run);
    EvaluateBoost(run, true);
    EXPECT_EQ(Active(), guids::kHighPerformance);
    EXPECT_EQ(Log(), (Lines{{6, u"Power saver"}}));
    // Plugged in again: the in-use plan.
    env.machine().SetOnAcPower(true);
    PickByHand(guids::kBalanced);
    EvaluateBoost(run, false);
    EXPECT_EQ(Active(), guids::kHighPerformance);
    EXPECT_EQ(Log(), (Lines{{6, u"Power saver"}, {1, u"High performance"}}));
}

TEST_F(BoostRuntimeTest, AForcedEvaluationAppliesAnUnchangedDecisionThatIsNotPaused) {
    BoostRun run;
    BeginBoostRun(run);
    EvaluateBoost(run, true);
    PickByHand(guids::kBalanced);
    ReloadBoostRunSettings(run);
    EvaluateBoost(run, true);
    EXPECT_EQ(Active(), guids::kHighPerformance);
}

TEST_F(BoostRuntimeTest, StoppingAfterASwitchPutsTheEarlierPlanBack) {
    BoostRun run;
    BeginBoostRun(run);
    EvaluateBoost(run, true);
    clock.tick += kTimeoutMs;
    EvaluateBoost(run, false);
    EXPECT_EQ(Active(), guids::kPowerSaver);
    FinishBoostRun(run);
    EXPECT_EQ(Active(), guids::kBalanced);
    EXPECT_EQ(Log().back(), (std::pair<int32_t, std::u16string>{8, u"Balanced"}));
}

TEST_F(BoostRuntimeTest, StoppingAfterAManualChangeLeavesThePlan) {
    BoostRun run;
    BeginBoostRun(run);
    EvaluateBoost(run, true);
    PickByHand(guids::kPowerSaver);
    FinishBoostRun(run);
    EXPECT_EQ(Active(), guids::kPowerSaver);
    EXPECT_EQ(Log(), (Lines{{1, u"High performance"}}));
}

TEST_F(BoostRuntimeTest, ThePlanTheUserChoseWhileItRanIsTheOneThatComesBack) {
    BoostRun run;
    BeginBoostRun(run);
    EvaluateBoost(run, true);
    PickByHand(guids::kPowerSaver);  // the user's own choice
    clock.tick += kTimeoutMs;
    SetIdlePlan(guids::kBalanced);
    ReloadBoostRunSettings(run);
    EvaluateBoost(run, true);
    EXPECT_EQ(Active(), guids::kBalanced);
    EXPECT_EQ(run.restorePlan, guids::kPowerSaver);
    FinishBoostRun(run);
    EXPECT_EQ(Active(), guids::kPowerSaver);
}

TEST_F(BoostRuntimeTest, NothingIsRestoredWithoutADecisionOrWhenThePlanIsAlreadyThere) {
    BoostRun run;
    BeginBoostRun(run);
    FinishBoostRun(run);
    EXPECT_EQ(Active(), guids::kBalanced);
    PickByHand(guids::kHighPerformance);
    BoostRun second;
    BeginBoostRun(second);
    EvaluateBoost(second, true);  // already the in-use plan: no switch, nothing logged
    FinishBoostRun(second);
    EXPECT_EQ(Active(), guids::kHighPerformance);
    EXPECT_TRUE(Log().empty());
}

TEST_F(BoostRuntimeTest, TheWorkerThreadFollowsItsWatch) {
    ScriptedWatchFactory factory;
    env.platform().sessionWatches = &factory;
    ASSERT_TRUE(StartBoost());
    EXPECT_TRUE(IsBoostRunning());
    ScriptedWatch& watch = *factory.last;
    ASSERT_TRUE(watch.AwaitWaits(1));
    EXPECT_TRUE(watch.began);
    EXPECT_EQ(watch.lastTimeout, kBoostPollMs);
    EXPECT_EQ(Active(), guids::kHighPerformance);

    // Locking switches at once, on the report.
    watch.SetAway(false, false, true);
    ASSERT_TRUE(watch.Step(SessionWatch::Wake::Report));
    EXPECT_EQ(Active(), guids::kPowerSaver);
    EXPECT_EQ(GetBoostStatus().decision.reason, BoostReason::Locked);

    // Unlocked, with input: back on the next wake-up.
    watch.SetAway(false, false, false);
    clock.tick += 1000;
    Input();
    ASSERT_TRUE(watch.Step(SessionWatch::Wake::Timeout));
    EXPECT_EQ(Active(), guids::kHighPerformance);

    // A reload reads the settings again and decides at once.
    SetActivePlan(guids::kBalanced);
    ReloadBoost();
    ASSERT_TRUE(watch.AwaitWaits(4));
    EXPECT_EQ(Active(), guids::kBalanced);

    StopBoost();  // the watch goes with the worker
    EXPECT_FALSE(IsBoostRunning());
    EXPECT_EQ(Active(), guids::kBalanced);  // already the plan from before the start: nothing to put back
    EXPECT_FALSE(GetBoostStatus().valid);
    EXPECT_EQ(Log(), (Lines{{1, u"High performance"}, {5, u"Power saver"}, {1, u"High performance"}, {1, u"Balanced"}}));
    env.platform().sessionWatches = nullptr;
}

TEST_F(BoostRuntimeTest, StoppingTheWorkerRestoresAndTurningItOffStopsIt) {
    ScriptedWatchFactory factory;
    env.platform().sessionWatches = &factory;
    WriteDword(Hive::CurrentUser, kAppKey, u"DynPwr", 1);
    ASSERT_TRUE(StartBoost());
    ASSERT_TRUE(factory.last->AwaitWaits(1));
    EXPECT_EQ(Active(), guids::kHighPerformance);
    // A second start replaces the worker; the first one puts Balanced back.
    ASSERT_TRUE(StartBoost());
    EXPECT_EQ(factory.created, 2);
    ASSERT_TRUE(factory.last->AwaitWaits(1));
    EXPECT_EQ(Active(), guids::kHighPerformance);
    SetBoostEnabled(false);
    EXPECT_FALSE(IsBoostRunning());
    EXPECT_FALSE(IsBoostEnabled());
    EXPECT_EQ(Active(), guids::kBalanced);
    EXPECT_EQ(Log(), (Lines{{1, u"High performance"}, {8, u"Balanced"}, {1, u"High performance"}, {8, u"Balanced"}}));
    env.platform().sessionWatches = nullptr;
}

TEST_F(BoostRuntimeTest, WithoutASessionWatchNothingStarts) {
    env.platform().sessionWatches = nullptr;
    EXPECT_FALSE(StartBoost());
    EXPECT_FALSE(IsBoostRunning());
    StopBoost();
    ReloadBoost();
}

// ---- texts ----------------------------------------------------------------------------

TEST(DurationText, ReadsInTheLargestWholeUnit) {
    SimEnv env;
    const struct {
        uint32_t seconds;
        uint32_t id;
        int64_t argument;  // -1: none
    } cases[] = {
        {1, 9482, -1},  {45, 9481, 45},  {60, 9484, -1},   {120, 9483, 2}, {90, 9481, 90},
        {3600, 9509, -1}, {7200, 9508, 2}, {5400, 9483, 90}, {0, 9481, 0},   {59, 9481, 59},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        const std::u16string expected = c.argument < 0 ? LoadText(c.id) : Format(LoadText(c.id), c.argument);
        EXPECT_EQ(DurationText(c.seconds), expected);
    }
    EXPECT_EQ(DurationText(120), u"2 minutes");
    EXPECT_EQ(DurationText(1), u"1 second");
}

TEST(BoostReasonText, PicksTheStringByReason) {
    SimEnv env;
    EXPECT_EQ(BoostReasonText(1, u"P"), Format(LoadText(9497), u"P"));
    for (int32_t reason = 2; reason <= 8; ++reason) {
        EXPECT_EQ(BoostReasonText(reason, u"P"), Format(LoadText(9497 + static_cast<uint32_t>(reason) - 1), u"P"));
    }
    EXPECT_EQ(BoostReasonText(0, u"P"), Format(LoadText(9497), u"P"));
    EXPECT_EQ(BoostReasonText(9, u"P"), Format(LoadText(9497), u"P"));
    EXPECT_EQ(BoostReasonText(5, u"Power saver"), u"Switched to Power saver: the session was locked.");
}

TEST_F(BoostRuntimeTest, TheStatusTextFollowsTheStateOfDynamicBoost) {
    EXPECT_EQ(BoostStatusText(), u"Dynamic Boost is off. In use: High performance; idle: Power saver.");
    WriteDword(Hive::CurrentUser, kAppKey, u"DynPwr", 1);
    ForgetBoostSettingsCache();
    EXPECT_EQ(BoostStatusText(), u"Dynamic Boost is starting: High performance in use, Power saver after 1 minute without input.");

    ScriptedWatchFactory factory;
    env.platform().sessionWatches = &factory;
    ASSERT_TRUE(StartBoost());
    ScriptedWatch& watch = *factory.last;
    ASSERT_TRUE(watch.AwaitWaits(1));
    EXPECT_EQ(BoostStatusText(), u"In use: High performance. After 1 minute without input: Power saver.");

    const struct {
        const char* name;
        bool display, lid, locked, battery, saver;
        uint64_t idleFor;
        const char16_t* text;
    } cases[] = {
        {"idle", false, false, false, false, false, kTimeoutMs, u"Idle: Power saver. On the next input: High performance."},
        {"display off", true, false, false, false, false, 0,
         u"The display is off: Power saver. When it comes back: High performance."},
        {"lid closed", false, true, false, false, false, 0, u"The lid is closed: Power saver. When it opens: High performance."},
        {"locked", false, false, true, false, false, 0,
         u"The session is locked: Power saver. After unlocking: High performance."},
        {"battery saver", false, false, false, false, true, 0, u"Dynamic Boost is paused while Battery Saver is on."},
        {"in use", false, false, false, false, false, 0,
         u"In use: High performance. After 1 minute without input: Power saver."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        watch.SetAway(c.display, c.lid, c.locked);
        env.machine().SetOnAcPower(!c.battery);
        env.machine().SetBatterySaver(c.saver);
        clock.tick += 1000;
        env.machine().SetLastInputTick(clock.tick - c.idleFor);
        ASSERT_TRUE(watch.Step(SessionWatch::Wake::Timeout));
        EXPECT_EQ(BoostStatusText(), c.text);
    }

    // On battery with battery plans the battery pair is named.
    SetBatteryMode(BatteryMode::BatteryPlans);
    SetActivePlanDC(guids::kBalanced);
    env.machine().SetOnAcPower(false);
    ASSERT_TRUE(watch.Step(SessionWatch::Wake::Reload));
    EXPECT_EQ(BoostStatusText(), u"In use: Balanced. After 1 minute without input: Power saver.");
    SetBatteryMode(BatteryMode::Pause);
    ASSERT_TRUE(watch.Step(SessionWatch::Wake::Reload));
    EXPECT_EQ(BoostStatusText(), u"Dynamic Boost is paused while the computer runs on battery.");

    StopBoost();
    ForgetBoostSettingsCache();
    EXPECT_EQ(BoostStatusText(), u"Dynamic Boost is starting: High performance in use, Power saver after 1 minute without input.");
    env.platform().sessionWatches = nullptr;
}

TEST_F(BoostRuntimeTest, PlanNamesShowOverlaysUnderBalancedAndUnnamedPlansAsSuch) {
    env.machine().AddOverlay(3);
    PowerSchemeAccess power;
    EXPECT_EQ(BoostPlanName(power, guids::kOverlay3), u"Balanced: " + [&] {
        std::u16string name;
        power.ReadPlanName(guids::kOverlay3, name);
        return name;
    }());
    EXPECT_EQ(BoostPlanName(power, Guid{}), LoadText(419));
    env.machine().SetPlanNameUnreadable(guids::kPowerSaver, true);
    EXPECT_EQ(BoostPlanName(power, guids::kPowerSaver), LoadText(419));
}

// ---- the worker for real ----------------------------------------------------------------

// The host's worker with the simulated machine's own watch and the real clock:
// locking the session switches within a look of the watch, not a whole poll.
TEST(BoostWorker, LockingSwitchesWithoutWaitingForThePoll) {
    SimEnv env;  // the host's real clock
    testing::ForgetLastBoostLogCall();
    ForgetBoostSettingsCache();
    SetActivePlan(guids::kHighPerformance);
    SetIdlePlan(guids::kPowerSaver);
    env.machine().SetLastInputTick(env.platform().clock->TickCount64());
    auto active = [&] {
        Guid plan;
        env.machine().ActiveScheme(plan);
        return plan;
    };
    auto waitFor = [&](const Guid& plan, int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (active() != plan && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return active() == plan;
    };
    ASSERT_TRUE(StartBoost());
    ASSERT_TRUE(waitFor(guids::kHighPerformance, 2000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto locked = std::chrono::steady_clock::now();
    env.machine().SetSessionLocked(true);
    ASSERT_TRUE(waitFor(guids::kPowerSaver, 2000));
    const auto latency = std::chrono::steady_clock::now() - locked;
    EXPECT_LT(latency, std::chrono::milliseconds(800));
    StopBoost();
    EXPECT_EQ(active(), guids::kBalanced);
    const auto log = ReadBoostLog(10);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].reason, 8);
    EXPECT_EQ(log[1].reason, 5);
    EXPECT_EQ(log[2].reason, 1);
    testing::ForgetLastBoostLogCall();
}

// The same across processes: the worker runs over the machine's registry
// journal and quellora-sim locks the session from outside.
TEST(BoostWorker, QuelloraSimLocksTheSessionOfARunningWorker) {
    SimEnv env;  // texts, folders, clock
    testing::ForgetLastBoostLogCall();
    ForgetBoostSettingsCache();
    const std::string stateDir = env.dir().path() + "/state";
    CreateDirectories(Utf8ToUtf16(stateDir));
    JournalRegistry registry(stateDir + "/registry.journal");
    sim::SimMachine machine(registry, true);
    sim::SimPowerApi power(machine);
    sim::SimSystemInfo system(machine);
    sim::SimInputAndPower input(machine);
    sim::SimSessionWatchFactory watches(machine);
    Platform platform = env.platform();
    platform.registry = &registry;
    platform.power = &power;
    platform.system = &system;
    platform.input = &input;
    platform.sessionWatches = &watches;
    ScopedPlatform scoped(&platform);

    SetActivePlan(guids::kHighPerformance);
    SetIdlePlan(guids::kPowerSaver);
    WriteDword(Hive::CurrentUser, kAppKey, u"IdleSecs", 60);
    const std::map<std::string, std::string> simEnv{{"QUELLORA_SIM_DIR", stateDir}};
    ASSERT_EQ(testing::RunProgram("quellora-sim", {"idle", "0"}, simEnv).exitCode, 0);
    auto active = [&] {
        Guid plan;
        machine.ActiveScheme(plan);
        return plan;
    };
    auto waitFor = [&](const Guid& plan) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (active() != plan && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return active() == plan;
    };
    ASSERT_TRUE(StartBoost());
    ASSERT_TRUE(waitFor(guids::kHighPerformance));
    ASSERT_EQ(testing::RunProgram("quellora-sim", {"lock", "on"}, simEnv).exitCode, 0);
    EXPECT_TRUE(waitFor(guids::kPowerSaver));
    ASSERT_EQ(testing::RunProgram("quellora-sim", {"lock", "off"}, simEnv).exitCode, 0);
    EXPECT_TRUE(waitFor(guids::kHighPerformance));
    // Two minutes without input: idle on the next poll.
    ASSERT_EQ(testing::RunProgram("quellora-sim", {"idle", "120"}, simEnv).exitCode, 0);
    EXPECT_TRUE(waitFor(guids::kPowerSaver));
    StopBoost();
    EXPECT_EQ(active(), guids::kBalanced);
    const auto out = testing::RunProgram("quellora-sim", {"active"}, simEnv);
    EXPECT_NE(out.out.find("Balanced"), std::string::npos);
    testing::ForgetLastBoostLogCall();
}

}  // namespace
}  // namespace quellora
