#include <gtest/gtest.h>

#include "model/drift.h"
#include "model/persisted_store.h"
#include "model/presets.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

constexpr Guid kPerfCheck = GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5");

class DriftTest : public ::testing::Test {
protected:
    DriftTest() {
        ResetDriftMemory();
        env.UseClock(&clock);
        Remember(guids::kBalanced);
    }
    ~DriftTest() override { ResetDriftMemory(); }

    // Remembers what the plan holds now, as the plan editor does after Apply.
    void Remember(const Guid& plan) {
        PlanSettings s;
        s.plan = plan;
        ASSERT_TRUE(ReadFromPlan(power, s, {0, 1}, IsHeterogeneousProcessor(), {kPerfCheck}));
        ASSERT_TRUE(SaveStoredSide(power, plan, true, s.ac));
        ASSERT_TRUE(SaveStoredSide(power, plan, false, s.dc));
    }
    // Another program changes the plan.
    void Change(const Guid& setting, bool ac, uint32_t value) {
        env.machine().WritePlanValue(guids::kBalanced, guids::kSubProcessor, setting, ac, value);
    }
    uint32_t Value(const Guid& setting, bool ac) {
        uint32_t v = 0;
        power.ReadSetting(guids::kBalanced, guids::kSubProcessor, setting, ac, v);
        return v;
    }
    int Check(int mode, std::vector<DriftRecord>* records = nullptr) { return CheckAllPlans(power, mode, records); }

    SimEnv env;
    testing::ManualClock clock;
    PowerSchemeAccess power;
};

TEST_F(DriftTest, LogModeReportsAndLogsOnceWithoutTouchingThePlan) {
    EXPECT_EQ(Check(drift::kLog), 0);
    Change(guids::kCoreParkingMin0, true, 77);
    std::vector<DriftRecord> records;
    ASSERT_EQ(Check(drift::kLog, &records), 1);
    EXPECT_EQ(records[0].planName, u"Balanced");
    EXPECT_EQ(records[0].count, 1u);
    EXPECT_FALSE(records[0].restored);
    EXPECT_NE(records[0].details.find(u"AC CoreParkingMin[0]: expected "), std::u16string::npos);
    EXPECT_NE(records[0].details.find(u", found 77"), std::u16string::npos);
    EXPECT_EQ(Value(guids::kCoreParkingMin0, true), 77u);
    ASSERT_EQ(ReadDriftLog().size(), 1u);

    clock.tick += 30000;
    EXPECT_EQ(Check(drift::kLog), 1);  // still drifted, not logged again
    EXPECT_EQ(ReadDriftLog().size(), 1u);
    clock.tick += 3600000;
    EXPECT_EQ(Check(drift::kLog), 1);  // in log mode an unchanged drift is logged once
    EXPECT_EQ(ReadDriftLog().size(), 1u);

    Change(kPerfCheck, false, 33);  // a changed drift is logged at once
    EXPECT_EQ(Check(drift::kLog), 1);
    auto log = ReadDriftLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].count, 2u);
    EXPECT_FALSE(log[1].restored);
    EXPECT_EQ(log[1].time, u"2026-12-10T09:30:00Z");
}

TEST_F(DriftTest, RestoreModeWritesTheCopyBackAndTheNextCheckIsClean) {
    const uint32_t before = Value(guids::kCoreParkingMin0, false);
    Change(guids::kCoreParkingMin0, false, 3);
    std::vector<DriftRecord> records;
    ASSERT_EQ(Check(drift::kRestore, &records), 1);
    EXPECT_TRUE(records[0].restored);
    EXPECT_EQ(Value(guids::kCoreParkingMin0, false), before);
    EXPECT_EQ(Check(drift::kRestore), 0);
    auto log = ReadDriftLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].restored);
    // The plan is the active one: the restored values are applied.
    auto started = env.processes().StartedCommandLines();
    EXPECT_NE(std::find_if(started.begin(), started.end(),
                           [](const auto& line) { return line.find(u"-setactive scheme_current") != line.npos; }),
              started.end());
}

TEST_F(DriftTest, AFailingRestoreIsLoggedAgainAfterTenMinutesWithTheRepeatCount) {
    Change(kPerfCheck, true, 44);
    env.machine().SetWriteRefusal(kPerfCheck, true, 5);
    EXPECT_EQ(Check(drift::kRestore), 1);
    for (int i = 0; i < 3; ++i) {
        clock.tick += 30000;
        EXPECT_EQ(Check(drift::kRestore), 1);
    }
    EXPECT_EQ(ReadDriftLog().size(), 1u);
    clock.tick += 600000;
    EXPECT_EQ(Check(drift::kRestore), 1);
    auto log = ReadDriftLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[1].restored);
    EXPECT_EQ(log[1].details.rfind(u"(seen 3 more times) AC Advanced {4D2B0152-7D5C-498B-88E2-34345392A2C5}", 0), 0u)
        << Utf16ToUtf8(log[1].details);
}

TEST_F(DriftTest, ModeOffNeverReports) {
    Change(guids::kCoreParkingMin0, true, 77);
    EXPECT_EQ(Check(drift::kOff), 0);
    DriftRecord record;
    EXPECT_FALSE(CheckDrift(power, guids::kBalanced, drift::kOff, true, &record));
    EXPECT_TRUE(ReadDriftLog().empty());
}

TEST_F(DriftTest, APlanThatLostASettingShowsNone) {
    const Guid& plan = guids::kHighPerformance;
    PlanSettings live;
    live.plan = plan;
    ASSERT_TRUE(ReadFromPlan(power, live, {0}, true, {}));
    SourceSettings side = live.ac;  // its hetero values, which a copy needs on this processor
    side.coreParkingMin = {{0, 50}, {1, 100}};
    uint32_t minState1 = 0;
    ASSERT_TRUE(power.ReadMinProcessorState(plan, 1, true, minState1));
    env.machine().WritePlanValue(plan, guids::kSubProcessor, guids::kMinProcessorState1, false, minState1);
    side.minFrequency = {{0, 5}, {1, minState1}};
    env.machine().WritePlanValue(plan, guids::kSubProcessor, guids::kHeteroPolicy, false, side.heteroPolicy);
    env.machine().WritePlanValue(plan, guids::kSubProcessor, guids::kShortSchedPolicy, false, side.heteroShortPolicy);
    env.machine().WritePlanValue(plan, guids::kSubProcessor, guids::kSchedPolicy, false, side.heteroLongPolicy);
    ASSERT_TRUE(SaveStoredSide(power, plan, true, side));
    ASSERT_TRUE(SaveStoredSide(power, plan, false, side));
    env.machine().WritePlanValue(plan, guids::kSubProcessor, guids::kCoreParkingMin0, true, 50);
    env.machine().WritePlanValue(plan, guids::kSubProcessor, guids::kCoreParkingMin0, false, 50);
    env.machine().WritePlanValue(plan, guids::kSubProcessor, guids::kMinProcessorState0, true, 5);
    env.machine().WritePlanValue(plan, guids::kSubProcessor, guids::kMinProcessorState0, false, 5);
    env.machine().RemovePlanSetting(plan, guids::kSubProcessor, guids::kCoreParkingMin1);
    DriftRecord record;
    ASSERT_TRUE(CheckDrift(power, plan, drift::kLog, false, &record));
    EXPECT_EQ(record.details,
              u"AC CoreParkingMin[1]: expected 100, found (none); DC CoreParkingMin[1]: expected 100, found (none)");
}

TEST_F(DriftTest, NoDriftAfterAPreset) {
    ASSERT_TRUE(ApplyPreset(power, guids::kBalanced, preset::kPowerSaver, Sides::Both));
    EXPECT_EQ(Check(drift::kLog), 0);
}

TEST(DriftMode, ValuesOutsideTheRangeMeanOff) {
    SimEnv env;
    struct Case {
        int stored;  // -1: missing
        int mode;
    };
    for (const Case c : {Case{-1, 0}, Case{0, 0}, Case{1, 1}, Case{2, 2}, Case{3, 0}, Case{77, 0}}) {
        if (c.stored >= 0) WriteDword(Hive::CurrentUser, kAppKey, u"DriftProtection", static_cast<uint32_t>(c.stored));
        EXPECT_EQ(DriftMode(), c.mode) << c.stored;
    }
}

TEST(DriftLog, ReadingIsLenient) {
    SimEnv env;
    std::u16string text = u"\uFEFF"
                          u"2025-01-01T00:00:00Z\tPlan A\t3\t1\tAC x: expected 1, found 2\r\n"
                          u"too\tfew\tfields\r\n"
                          u"2025-01-02T00:00:00Z\tPlan B\t12abc\t0\r\n"
                          u"2025-01-03T00:00:00Z\tPlan C\tnone\tyes\tdetails\n";
    std::string bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    bytes.push_back('x');  // an odd last byte
    testing::WriteBytes(Utf16ToUtf8(DriftLogPath()), bytes);
    auto log = ReadDriftLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].planName, u"Plan A");
    EXPECT_EQ(log[0].count, 3u);
    EXPECT_TRUE(log[0].restored);
    EXPECT_EQ(log[1].count, 12u);
    EXPECT_EQ(log[1].details, u"");
    EXPECT_EQ(log[2].count, 0u);
    EXPECT_FALSE(log[2].restored);
    EXPECT_EQ(log[2].details, u"details");
}

TEST(DriftNotices, OnePerTickAndEachPlanAtMostEveryTenMinutes) {
    SimEnv env;
    DriftNotifier notifier;
    auto record = [](const char16_t* plan, bool restored) {
        DriftRecord r;
        r.planName = plan;
        r.restored = restored;
        return r;
    };
    uint64_t t = 1000000;
    auto n = notifier.OnTick({record(u"A", false), record(u"B", true)}, t);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->stringId, 9391u);
    EXPECT_EQ(n->text, u"Another program changed the processor settings of power plan \"A\".");
    for (int i = 1; i <= 4; ++i) EXPECT_FALSE(notifier.OnTick({record(u"A", false)}, t + i * 30000));
    EXPECT_FALSE(notifier.OnTick({record(u"B", true)}, t + 60000));  // B had its turn at the first tick
    n = notifier.OnTick({record(u"A", true)}, t + 720000);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->stringId, 9394u);
    EXPECT_EQ(n->text, u"Another program keeps changing the processor settings of power plan \"A\" (5 times in 12 "
                       u"minutes). Quellora has restored them.");
    n = notifier.OnTick({record(u"C", true)}, t + 720000);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->stringId, 9390u);
}

TEST(DriftCheckCommand, PrintsEveryPlanAndExitsWithTheNumberDrifted) {
    testing::TempDir state, bin;
    const std::string program = testing::CopyProgramTo(bin.path());
    std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", state.path()}};
    testing::OnMachine(state.path(), [] {
        PowerSchemeAccess power;
        PlanSettings s;
        s.plan = guids::kBalanced;
        ASSERT_TRUE(ReadFromPlan(power, s, {0, 1}, true, {kPerfCheck}));
        SaveStoredSide(power, s.plan, true, s.ac);
        SaveStoredSide(power, s.plan, false, s.dc);
    });
    const std::string reportPath = bin.path() + "/quellora-driftcheck.log";
    const std::string logPath = state.path() + "/LocalAppData/Quellora/drift.log";
    auto clean = testing::RunProgram(program, {"/driftcheck"}, env);
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_EQ(clean.out,
              "Quellora 6.0.2.18 drift check, mode 0 (0 off, 1 log, 2 restore), log " + logPath + "\r\n"
              "  {381B4222-F694-41F0-9685-FF5BB260DF2E} Balanced: persisted settings match\r\n"
              "  {DED574B5-45A0-4F42-8737-46345C09C238} Best Performance: no persisted settings\r\n"
              "  {961CC777-2547-4F9D-8174-7D86181B8A7A} Best Power Efficiency: no persisted settings\r\n"
              "  {8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C} High performance: no persisted settings\r\n"
              "  {3AF9B8D9-7C97-431D-AD78-34A8BFEA439F} Legacy High Performance: no persisted settings\r\n"
              "  {A1841308-3541-4FAB-BC81-F71556F20B4A} Power saver: no persisted settings\r\n"
              "0 plan(s) drifted\r\n");
    EXPECT_EQ(testing::ReadBytes(reportPath), "\xEF\xBB\xBF" + clean.out);

    ASSERT_EQ(testing::RunProgram("quellora-sim", {"set", "balanced", "CPMINCORES", "both", "64"}, env).exitCode, 0);
    // Mode 0 still reports, but logs and restores nothing.
    auto off = testing::RunProgram(program, {"/driftcheck"}, env);
    EXPECT_EQ(off.exitCode, 1);
    EXPECT_NE(off.out.find("Balanced: DRIFT (2 settings)\r\n    AC CoreParkingMin[0]: expected "), std::string::npos)
        << off.out;
    EXPECT_NE(off.out.find("1 plan(s) drifted\r\n"), std::string::npos);
    EXPECT_EQ(testing::ReadBytes(logPath), "");

    testing::OnMachine(state.path(), [] { WriteDword(Hive::CurrentUser, kAppKey, u"DriftProtection", 2); });
    auto restore = testing::RunProgram(program, {"/driftcheck"}, env);
    EXPECT_EQ(restore.exitCode, 1);
    EXPECT_NE(restore.out.find("Balanced: DRIFT (2 settings), restored\r\n"), std::string::npos) << restore.out;
    EXPECT_EQ(testing::ReadBytes(logPath).substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(testing::RunProgram(program, {"/driftcheck"}, env).exitCode, 0);
}

}  // namespace
}  // namespace quellora
