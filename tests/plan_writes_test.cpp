// Several threads (and processes) on one machine: an apply and a drift check
// never run inside each other, each batch hands its own failure to its
// caller, a long-lived PowerSchemeAccess follows renames and new overlays,
// and the simulated machine puts a plan in force in one step.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "model/drift.h"
#include "model/persisted_store.h"
#include "model/plan_editor.h"
#include "model/presets.h"
#include "platform/errors.h"
#include "platform/host/host_session_mutexes.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/plan_write_guard.h"
#include "power/power_scheme_access.h"
#include "profiles/profile_store.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

constexpr Guid kPerfCheck = GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5");
constexpr Guid kCpDecreaseTime = GuidLiteral("dfd10d17-d5eb-45dd-877a-9a34ddd15c82");

class PlanWritesTest : public ::testing::Test {
protected:
    PlanWritesTest() { ResetDriftMemory(); }
    ~PlanWritesTest() override {
        env.registry().SetObserver(nullptr);
        SetPlanWriteWaitMs(10000);
        ResetDriftMemory();
    }

    // Every setting of the plan, as a profile holds them.
    PlanSettings ReadAll(const Guid& plan) {
        PlanSettings s;
        s.plan = plan;
        EXPECT_TRUE(ReadFromPlan(power, s, UsualClasses(power, plan), IsHeterogeneousProcessor(), AdvancedSettingGuids()));
        return s;
    }
    // The plan editor's "remember these settings": a copy of what the plan holds now.
    void Remember(const Guid& plan) {
        PlanSettings s = ReadAll(plan);
        ASSERT_TRUE(SaveStoredSide(power, plan, true, s.ac));
        ASSERT_TRUE(SaveStoredSide(power, plan, false, s.dc));
    }
    uint32_t Value(const Guid& plan, const Guid& setting, bool ac) {
        uint32_t v = 0;
        EXPECT_TRUE(power.ReadSetting(plan, guids::kSubProcessor, setting, ac, v));
        return v;
    }
    bool Drifted(const Guid& plan) { return CheckDrift(power, plan, drift::kLog, false, nullptr); }

    SimEnv env;
    PowerSchemeAccess power;
};

// Starts a drift check in restore mode on another thread (as the tray's
// timer would) the first time the applying thread touches a remembered copy
// after it has written the plan: exactly between the two steps of an apply.
// It then gives the check the time to run to its end, as it would if nothing
// held it back.
class CheckBetweenWriteAndCopy {
public:
    CheckBetweenWriteAndCopy(SimEnv& env, const Guid& plan) : env_(env), plan_(plan), applier_(std::this_thread::get_id()) {
        env_.registry().SetObserver([this](Hive hive, std::u16string_view key, bool change) {
            if (std::this_thread::get_id() != applier_ || started_) return;
            if (hive == Hive::LocalMachine && change && StartsWith(key, kPowerSchemesKey)) planWritten_ = true;
            if (hive == Hive::CurrentUser && planWritten_ && StartsWith(key, kPersistedPlansKey)) Start();
        });
    }
    ~CheckBetweenWriteAndCopy() { Finish(); }

    // Waits for the check; true when it ran and found drift.
    bool Finish() {
        if (checker_.joinable()) checker_.join();
        env_.registry().SetObserver(nullptr);
        return drifted_;
    }
    bool started() const { return started_; }

private:
    void Start() {
        started_ = true;
        checker_ = std::thread([this] {
            PowerSchemeAccess tray;  // the tray's own object
            const bool drifted = CheckDrift(tray, plan_, drift::kRestore, true, nullptr);
            std::lock_guard lock(mutex_);
            drifted_ = drifted;
            done_ = true;
            ended_.notify_all();
        });
        std::unique_lock lock(mutex_);
        ended_.wait_for(lock, std::chrono::milliseconds(500), [this] { return done_; });
    }

    SimEnv& env_;
    Guid plan_;
    std::thread::id applier_;
    bool planWritten_ = false;
    bool started_ = false;
    std::thread checker_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    bool drifted_ = false;
};

TEST(PlanWrites, ADriftCheckBetweenAnApplysPlanWriteAndItsCopyUpdateWaitsForTheApply) {
    struct Case {
        const char* name;
        std::function<bool(PowerSchemeAccess&, const PlanSettings& profile)> apply;
        Guid setting;   // a setting the apply changes ...
        uint32_t value;  // ... and its AC value afterwards (0: the profile's)
    };
    const Case cases[] = {
        {"profile",
         [](PowerSchemeAccess& p, const PlanSettings& profile) {
             return ApplyProfile(p, profile, guids::kBalanced, true);
         },
         guids::kCoreParkingMin0, 0},
        {"preset",
         [](PowerSchemeAccess& p, const PlanSettings&) {
             return ApplyPreset(p, guids::kBalanced, preset::kResponsive, Sides::Both);
         },
         kPerfCheck, 15},
        {"editor",
         [](PowerSchemeAccess& p, const PlanSettings&) {
             EditorState editor;
             LoadEditor(p, guids::kBalanced, 0, editor);
             editor.fields.parkingAc = 37;
             return ApplyEditor(p, editor);
         },
         guids::kCoreParkingMin0, 37},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimEnv env;
        ResetDriftMemory();
        PowerSchemeAccess main;
        auto readAll = [&](const Guid& plan) {
            PlanSettings s;
            s.plan = plan;
            EXPECT_TRUE(ReadFromPlan(main, s, UsualClasses(main, plan), IsHeterogeneousProcessor(), AdvancedSettingGuids()));
            return s;
        };
        const PlanSettings profile = readAll(guids::kPowerSaver);  // its parking floor is not Balanced's
        const PlanSettings remembered = readAll(guids::kBalanced);
        ASSERT_TRUE(SaveStoredSide(main, guids::kBalanced, true, remembered.ac));
        ASSERT_TRUE(SaveStoredSide(main, guids::kBalanced, false, remembered.dc));
        const uint32_t expected = c.value ? c.value : profile.ac.coreParkingMin.at(0);
        ASSERT_NE(remembered.ac.coreParkingMin.at(0), profile.ac.coreParkingMin.at(0));

        CheckBetweenWriteAndCopy check(env, guids::kBalanced);
        ASSERT_TRUE(c.apply(main, profile));
        EXPECT_TRUE(check.started());
        EXPECT_FALSE(check.Finish()) << "the program's own apply was taken for drift";
        // The apply holds, and its copy says so.
        uint32_t value = 0;
        ASSERT_TRUE(main.ReadSetting(guids::kBalanced, guids::kSubProcessor, c.setting, true, value));
        EXPECT_EQ(value, expected);
        EXPECT_FALSE(CheckDrift(main, guids::kBalanced, drift::kLog, false, nullptr));
    }
    ResetDriftMemory();
}

TEST_F(PlanWritesTest, EachBatchHandsItsOwnFailureToItsCaller) {
    // Two threads share one object: one's batches are refused, the other's
    // succeed; neither ever sees the other's record.
    env.machine().SetWriteRefusal(kCpDecreaseTime, false, 5);
    std::atomic<int> wrong{0};
    auto refused = [&] {
        for (int i = 0; i < 200; ++i) {
            WriteFailure failure;
            const bool ok = power.WriteSettings(guids::kPowerSaver, {{kPerfCheck, true, 20}, {kCpDecreaseTime, false, 3}},
                                                false, &failure);
            if (ok || !failure.failed || failure.entry.setting != kCpDecreaseTime || failure.error != 5) ++wrong;
        }
    };
    auto accepted = [&] {
        for (int i = 0; i < 200; ++i) {
            WriteFailure failure;
            failure.failed = true;  // cleared by the call
            const bool ok = power.WriteSettings(guids::kBalanced, {{kPerfCheck, true, 30 + uint32_t(i % 5)}}, false, &failure);
            if (!ok || failure.failed) ++wrong;
        }
    };
    std::thread a(refused), b(accepted);
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(PlanWritesTest, ABatchOfAnotherThreadDuringARefusalLeavesTheRefusedBatchsFailure) {
    // This thread's batch is refused; while it puts back what it had written,
    // another thread's batch on the same object starts (given the time to run
    // to its end). The refused batch still reports its refusal, the other one
    // its success.
    env.machine().SetWriteRefusal(kCpDecreaseTime, false, 5);
    const std::thread::id self = std::this_thread::get_id();
    const std::u16string refusedSetting = GuidToBareText(kCpDecreaseTime);
    std::atomic<bool> refusalLooked{false}, started{false};
    std::thread other;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false, otherOk = false;
    env.registry().SetObserver([&](Hive hive, std::u16string_view key, bool change) {
        if (std::this_thread::get_id() != self || started) return;
        if (!change && key.find(u"RefusedWrites") != std::u16string_view::npos &&
            key.find(refusedSetting) != std::u16string_view::npos) {
            refusalLooked = true;
        } else if (refusalLooked && change && hive == Hive::LocalMachine && StartsWith(key, kPowerSchemesKey)) {
            started = true;  // the refused batch's first roll-back write
            other = std::thread([&] {
                WriteFailure failure;
                const bool ok = power.WriteSettings(guids::kBalanced, {{kPerfCheck, true, 33}}, false, &failure);
                std::lock_guard lock(mutex);
                otherOk = ok && !failure.failed;
                done = true;
                ended.notify_all();
            });
            std::unique_lock lock(mutex);
            ended.wait_for(lock, std::chrono::milliseconds(300), [&] { return done; });
        }
    });
    WriteFailure failure;
    EXPECT_FALSE(power.WriteSettings(guids::kPowerSaver, {{kPerfCheck, true, 20}, {kCpDecreaseTime, false, 3}}, false,
                                     &failure));
    if (other.joinable()) other.join();
    env.registry().SetObserver(nullptr);
    EXPECT_TRUE(started);
    EXPECT_TRUE(failure.failed);
    EXPECT_EQ(failure.entry.setting, kCpDecreaseTime);
    EXPECT_EQ(failure.error, 5u);
    EXPECT_TRUE(otherOk);
}

TEST_F(PlanWritesTest, ALongLivedObjectFollowsARenameAndAnOverlayAddedLater) {
    // A machine without power modes yet (the default laptop comes with them).
    for (int number : {1, 2, 3}) ASSERT_TRUE(env.machine().RemoveOverlay(number));
    std::u16string name;
    ASSERT_TRUE(power.ActivePlanName(name));
    EXPECT_EQ(name, u"Balanced");
    EXPECT_EQ(power.BalancedName(), u"Balanced");
    ASSERT_TRUE(power.WritePlanName(guids::kBalanced, u"Everyday"));
    ASSERT_TRUE(power.ActivePlanName(name));
    EXPECT_EQ(name, u"Everyday");
    EXPECT_EQ(power.BalancedName(), u"Everyday");

    // The list of overlays was made while the machine had none.
    EXPECT_FALSE(power.IsOverlay(guids::kOverlay3));
    ASSERT_TRUE(env.machine().AddOverlay(3));
    EXPECT_TRUE(power.IsOverlay(guids::kOverlay3));
    ASSERT_TRUE(power.ActivatePlan(guids::kOverlay3));
    Guid active;
    ASSERT_TRUE(power.QueryActivePlan(active));
    EXPECT_EQ(active, guids::kOverlay3);
    EXPECT_FALSE(power.IsOverlay(guids::kHighPerformance));
}

TEST_F(PlanWritesTest, PuttingThePlanInForceIsOneStepForItsReaders) {
    // Appliers on two threads, a reader on a third: the reader always finds
    // the applied values, the sequence never goes back, and no apply is lost.
    sim::SimMachine& machine = env.machine();
    const uint32_t first = machine.ApplySequence();
    constexpr int kEach = 150;
    std::atomic<bool> running{true};
    std::atomic<int> missing{0}, backwards{0};
    std::thread reader([&] {
        uint32_t last = 0;
        while (running) {
            uint32_t value = 0;
            if (!machine.AppliedValue(guids::kCoreParkingMin0, true, value)) ++missing;
            const uint32_t sequence = machine.ApplySequence();
            if (sequence < last) ++backwards;
            last = sequence;
        }
    });
    auto applier = [&](uint32_t base) {
        for (int i = 0; i < kEach; ++i) {
            machine.WritePlanValue(guids::kBalanced, guids::kSubProcessor, guids::kCoreParkingMin0, true, base + i % 10);
            machine.ApplyActivePlan();
        }
    };
    std::thread a(applier, 10), b(applier, 50);
    a.join();
    b.join();
    running = false;
    reader.join();
    EXPECT_EQ(missing.load(), 0);
    EXPECT_EQ(backwards.load(), 0);
    EXPECT_EQ(machine.ApplySequence(), first + 2 * kEach);
}

TEST(HostSessionMutexes, ExcludeThreadsAndOtherProcessesAndAreRecursive) {
    testing::TempDir dir;
    // Two objects over one folder stand for two processes.
    host::HostSessionMutexes process(dir.path16()), other(dir.path16());
    EXPECT_EQ(process.Acquire(u"m", 0), MutexWait::Acquired);
    EXPECT_EQ(process.Acquire(u"m", 0), MutexWait::Acquired);  // again on the same thread
    EXPECT_EQ(other.Acquire(u"m", 30), MutexWait::TimedOut);
    EXPECT_EQ(other.Acquire(u"another", 0), MutexWait::Acquired);
    other.Release(u"another");
    MutexWait onThread = MutexWait::Unavailable;
    std::thread([&] {
        onThread = process.Acquire(u"m", 30);
        process.Release(u"m");  // not its owner: changes nothing
    }).join();
    EXPECT_EQ(onThread, MutexWait::TimedOut);
    process.Release(u"m");
    EXPECT_EQ(other.Acquire(u"m", 30), MutexWait::TimedOut);  // still owned once
    process.Release(u"m");
    EXPECT_EQ(other.Acquire(u"m", 1000), MutexWait::Acquired);
    std::thread([&] { onThread = process.Acquire(u"m", 30); }).join();
    EXPECT_EQ(onThread, MutexWait::TimedOut);
    other.Release(u"m");

    // A thread of this process waits for another one, then gets it.
    ASSERT_EQ(process.Acquire(u"m", 0), MutexWait::Acquired);
    std::thread waiter([&] {
        onThread = process.Acquire(u"m", 5000);
        process.Release(u"m");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    process.Release(u"m");
    waiter.join();
    EXPECT_EQ(onThread, MutexWait::Acquired);
}

TEST_F(PlanWritesTest, AStepThatCannotWaitAnyLongerChangesNothing) {
    Remember(guids::kBalanced);
    const PlanSettings highPerformance = ReadAll(guids::kHighPerformance);
    const uint32_t before = Value(guids::kBalanced, guids::kCoreParkingMin0, true);
    // Another process holds the guard and does not let go.
    host::HostSessionMutexes other(env.dir().path16());
    ASSERT_EQ(other.Acquire(kPlanWritesMutex, 0), MutexWait::Acquired);
    SetPlanWriteWaitMs(50);
    WriteFailure failure;
    EXPECT_FALSE(ApplyProfile(power, highPerformance, guids::kBalanced, true, &failure));
    EXPECT_TRUE(failure.failed && failure.busy);
    EXPECT_EQ(failure.error, err::kWaitTimeout);
    EXPECT_FALSE(power.WriteSettings(guids::kBalanced, {{kPerfCheck, true, 21}}, false, &failure));
    EXPECT_TRUE(failure.busy);
    EXPECT_EQ(failure.error, err::kWaitTimeout);
    env.machine().WritePlanValue(guids::kBalanced, guids::kSubProcessor, kPerfCheck, false, 77);  // drift meanwhile
    EXPECT_FALSE(CheckDrift(power, guids::kBalanced, drift::kRestore, true, nullptr));  // skipped, not restored
    EXPECT_EQ(Value(guids::kBalanced, guids::kCoreParkingMin0, true), before);
    EXPECT_EQ(Value(guids::kBalanced, kPerfCheck, false), 77u);
    other.Release(kPlanWritesMutex);
    EXPECT_TRUE(CheckDrift(power, guids::kBalanced, drift::kRestore, true, nullptr));
    EXPECT_FALSE(Drifted(guids::kBalanced));
}

TEST_F(PlanWritesTest, ARefusedProfileLeavesThePlanAndItsCopyAsTheyWere) {
    Remember(guids::kBalanced);
    const PlanSettings before = ReadAll(guids::kBalanced);
    const PlanSettings powerSaver = ReadAll(guids::kPowerSaver);
    ASSERT_NE(powerSaver.ac.coreParkingMin.at(0), before.ac.coreParkingMin.at(0));
    env.machine().SetWriteRefusal(kPerfCheck, false, 5);
    WriteFailure failure;
    EXPECT_FALSE(ApplyProfile(power, powerSaver, guids::kBalanced, true, &failure));
    EXPECT_EQ(failure.entry.setting, kPerfCheck);
    EXPECT_FALSE(failure.entry.ac);
    EXPECT_TRUE(Diff(before, ReadAll(guids::kBalanced)).empty());
    EXPECT_FALSE(Drifted(guids::kBalanced));

    // The editor likewise keeps a copy the plan does not hold out of the store.
    env.machine().SetWriteRefusal(guids::kMinProcessorState0, true, 5);
    EditorState editor;
    LoadEditor(power, guids::kBalanced, 0, editor);
    editor.fields.minStateAc = 12;
    EXPECT_FALSE(ApplyEditor(power, editor, &failure));
    EXPECT_EQ(failure.entry.setting, guids::kMinProcessorState0);
    EXPECT_EQ(failure.entry.value, 12u);
    PlanSettings stored;
    ASSERT_TRUE(LoadStored(power, guids::kBalanced, stored));
    EXPECT_EQ(stored.ac.minFrequency.at(0), before.ac.minFrequency.at(0));
}

TEST_F(PlanWritesTest, APresetOfOnePowerSourceThatIsRefusedIsTheEditorsFailure) {
    // The fields write; the battery-side preset after them is refused.
    env.machine().SetWriteRefusal(kPerfCheck, false, 5);
    EditorState editor;
    LoadEditor(power, guids::kBalanced, 0, editor);
    editor.fields.parkingAc = 41;
    editor.sidePresetDc = preset::kResponsive;
    WriteFailure failure;
    EXPECT_FALSE(ApplyEditor(power, editor, &failure));
    EXPECT_TRUE(failure.failed);
    EXPECT_EQ(failure.entry.setting, kPerfCheck);
    EXPECT_FALSE(failure.entry.ac);
    uint32_t v = 0;
    ASSERT_TRUE(power.ReadCoreParkingMin(guids::kBalanced, 0, true, v));
    EXPECT_EQ(v, 41u);
}

}  // namespace
}  // namespace quellora
