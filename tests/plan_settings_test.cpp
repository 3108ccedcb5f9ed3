#include <gtest/gtest.h>

#include "model/plan_settings.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

constexpr Guid kPerfCheck = GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5");
constexpr Guid kCpIncreaseTime = GuidLiteral("2ddd5a84-5a71-437e-912a-db0b8c788732");
constexpr Guid kCpDecreaseTime = GuidLiteral("dfd10d17-d5eb-45dd-877a-9a34ddd15c82");

// Reads a hex "Current AC/DC Power Setting Index" line of powercfg /q output.
uint32_t PowercfgIndex(const std::string& output, const char* side) {
    std::string key = std::string("Current ") + side + " Power Setting Index: 0x";
    auto at = output.find(key);
    return at == std::string::npos ? 0xFFFFFFFFu
                                   : static_cast<uint32_t>(std::stoul(output.substr(at + key.size(), 8), nullptr, 16));
}

class PlanSettingsTest : public ::testing::Test {
protected:
    SimEnv env;
    PowerSchemeAccess power;

    Guid Scratch() {
        Guid copy;
        EXPECT_TRUE(power.DuplicatePlan(guids::kBalanced, copy));
        EXPECT_TRUE(power.WritePlanName(copy, u"Scratch"));
        return copy;
    }
    PlanSettings ReadAll(const Guid& plan, std::vector<int32_t> classes = {0, 1}) {
        PlanSettings s;
        s.plan = plan;
        EXPECT_TRUE(ReadFromPlan(power, s, classes, IsHeterogeneousProcessor(), AdvancedSettingGuids()));
        return s;
    }
    std::string Powercfg(const Guid& plan, const char16_t* setting) {
        auto run = env.processes().Run(u"\"C:\\Windows\\system32\\powercfg.exe\" /q " + GuidToBareText(plan) +
                                           u" SUB_PROCESSOR " + setting,
                                       5000, true);
        EXPECT_TRUE(run.finished);
        return run.output;
    }
    uint64_t ValueWrites() {
        return env.power().CallCount(PowerApi::Fn::WriteACValueIndex) +
               env.power().CallCount(PowerApi::Fn::WriteDCValueIndex);
    }
};

TEST_F(PlanSettingsTest, WrittenFloorsAndMinimumStatesReadBackAndPowercfgAgrees) {
    Guid plan = Scratch();
    PlanSettings s;
    s.plan = plan;
    s.ac.coreParkingMin = {{0, 37}};
    s.dc.coreParkingMin = {{0, 41}};
    s.ac.minFrequency = {{0, 23}};
    s.dc.minFrequency = {{0, 29}};
    ASSERT_TRUE(WriteToPlan(power, s, false, false, false));

    PlanSettings back;
    back.plan = plan;
    ASSERT_TRUE(ReadFromPlan(power, back, {0}, false, {}));
    EXPECT_TRUE(Equals(back, s));
    EXPECT_EQ(back.planName, u"Scratch");

    // powercfg lists the core-parking floor once it is no longer hidden.
    ASSERT_TRUE(power.UnhideSetting(guids::kCoreParkingMin0));
    std::string cores = Powercfg(plan, u"CPMINCORES");
    EXPECT_EQ(PowercfgIndex(cores, "AC"), 37u) << cores;
    EXPECT_EQ(PowercfgIndex(cores, "DC"), 41u);
    std::string state = Powercfg(plan, u"PROCTHROTTLEMIN");
    EXPECT_EQ(PowercfgIndex(state, "AC"), 23u) << state;
    EXPECT_EQ(PowercfgIndex(state, "DC"), 29u);
}

TEST_F(PlanSettingsTest, EverythingReadBackExactlyAsWritten) {
    Guid plan = Scratch();
    PlanSettings s = ReadAll(plan);
    ASSERT_TRUE(s.ac.hasHetero);
    ASSERT_EQ(s.ac.coreParkingMin.size(), 2u);
    // Change a value of every kind and write the whole model.
    s.ac.coreParkingMin[1] = 61;
    s.dc.minFrequency[1] = 44;
    s.ac.heteroPolicy = 4;
    s.dc.heteroShortPolicy = 3;
    s.ac.advanced[kPerfCheck] = 33;
    s.dc.advanced[kCpIncreaseTime] = 5;
    ASSERT_TRUE(WriteToPlan(power, s, true, false, true));
    EXPECT_TRUE(Equals(ReadAll(plan), s));
    EXPECT_EQ(ReadAll(plan).ac.advanced.count(guids::kCoreParkingMin1), 0u);  // fields of their own stay out
}

TEST_F(PlanSettingsTest, EmptyAdvancedMapWritesOnlyTheTypedValues) {
    Guid plan = Scratch();
    PlanSettings s;
    s.plan = plan;
    s.ac.coreParkingMin = {{0, 50}};
    s.ac.minFrequency = {{0, 10}};
    uint64_t before = ValueWrites();
    ASSERT_TRUE(WriteToPlan(power, s, true, false, false));
    EXPECT_EQ(ValueWrites() - before, 2u);
    EXPECT_TRUE(env.processes().StartedCommandLines().empty());  // no batch: nothing unhidden, nothing activated
}

TEST_F(PlanSettingsTest, ARefusedCoreParkingWriteRepairsTheDescriptionAndRetries) {
    Guid plan = Scratch();
    const std::u16string key = ProcessorSettingKey(guids::kCoreParkingMin0);
    WriteDword(Hive::LocalMachine, key, u"ValueMax", 0);  // damaged: every floor above 0 is refused
    PlanSettings s;
    s.plan = plan;
    s.ac.coreParkingMin = {{0, 37}};
    ASSERT_TRUE(WriteToPlan(power, s, false, false, false));
    EXPECT_EQ(ReadDwordOr(Hive::LocalMachine, key, u"ValueMax", 0), 100u);
    EXPECT_EQ(ReadDwordOr(Hive::LocalMachine, key, u"Attributes", 9), 1u);
    EXPECT_EQ(ReadDwordOr(Hive::LocalMachine, ProcessorSettingKey(guids::kCoreParkingMin1), u"ValueMin", 9), 0u);
    uint32_t value = 0;
    ASSERT_TRUE(power.ReadCoreParkingMin(plan, 0, true, value));
    EXPECT_EQ(value, 37u);

    // A refusal the repair cannot cure fails the write; the other values are still written.
    env.machine().SetWriteRefusal(guids::kCoreParkingMin0, false, 5);
    s.dc.coreParkingMin = {{0, 12}};
    s.dc.minFrequency = {{0, 14}};
    EXPECT_FALSE(WriteToPlan(power, s, false, false, false));
    ASSERT_TRUE(power.ReadMinProcessorState(plan, 0, false, value));
    EXPECT_EQ(value, 14u);
}

TEST_F(PlanSettingsTest, RaisingTheMaximumStateWithTheMinimum) {
    Guid plan = Scratch();
    ASSERT_TRUE(power.WriteMaxProcessorState(plan, 1, true, 80));
    PlanSettings s;
    s.plan = plan;
    s.ac.minFrequency = {{1, 50}};
    ASSERT_TRUE(WriteToPlan(power, s, false, true, false));
    uint32_t value = 0;
    ASSERT_TRUE(power.ReadMaxProcessorState(plan, 1, true, value));
    EXPECT_EQ(value, 100u);
    ASSERT_TRUE(power.WriteMaxProcessorState(plan, 1, true, 80));
    ASSERT_TRUE(WriteToPlan(power, s, false, false, false));
    ASSERT_TRUE(power.ReadMaxProcessorState(plan, 1, true, value));
    EXPECT_EQ(value, 80u);
}

TEST_F(PlanSettingsTest, ARefusedAdvancedValueRollsTheBatchBackAndKeepsTheTypedValues) {
    Guid plan = Scratch();
    PlanSettings before = ReadAll(plan);
    PlanSettings s = before;
    s.ac.coreParkingMin[0] = 66;
    s.ac.advanced[kPerfCheck] = 77;
    s.dc.advanced[kCpDecreaseTime] = 9;
    env.machine().SetWriteRefusal(kCpDecreaseTime, false, 5);
    WriteFailure failure;
    EXPECT_FALSE(WriteToPlan(power, s, true, false, false, &failure));
    PlanSettings after = ReadAll(plan);
    EXPECT_EQ(after.ac.coreParkingMin[0], 66u);
    EXPECT_EQ(after.ac.advanced[kPerfCheck], before.ac.advanced[kPerfCheck]);
    EXPECT_TRUE(failure.failed);
    EXPECT_EQ(failure.entry.setting, kCpDecreaseTime);
}

TEST(PlanSettings, ClassOneValuesFollowWindowsNotTheProcessor) {
    // A processor with one efficiency class: Windows 10 and 11 register the
    // class-1 settings all the same, so the usual classes are 0 and 1.
    SimEnv env(u"desktop");
    PowerSchemeAccess power;
    PlanSettings s;
    s.plan = guids::kBalanced;
    ASSERT_TRUE(ReadFromPlan(power, s, {0, 1}, false, AdvancedSettingGuids()));
    EXPECT_EQ(s.ac.coreParkingMin.count(1), 1u);
    EXPECT_EQ(s.dc.minFrequency.count(1), 1u);
    EXPECT_EQ(UsualClasses(power, guids::kBalanced), (std::vector<int32_t>{0, 1}));
    EXPECT_FALSE(s.ac.hasHetero);
    // A release without them: class-1 values are absent and the read still succeeds.
    env.machine().SetWindows(sim::WindowsForBuild(9600));
    s = PlanSettings{};
    s.plan = guids::kBalanced;
    ASSERT_TRUE(ReadFromPlan(power, s, {0, 1}, false, AdvancedSettingGuids()));
    EXPECT_EQ(s.ac.coreParkingMin.count(1), 0u);
    EXPECT_EQ(s.dc.minFrequency.count(1), 0u);
    EXPECT_EQ(s.ac.coreParkingMin.count(0), 1u);
    EXPECT_EQ(UsualClasses(power, guids::kBalanced), std::vector<int32_t>{0});
}

TEST(PlanSettings, ReadFailsOnlyWithoutTheClassZeroFloor) {
    SimEnv env;
    PowerSchemeAccess power;
    env.machine().RemovePlanSetting(guids::kBalanced, guids::kSubProcessor, guids::kCoreParkingMin0);
    PlanSettings s;
    s.plan = guids::kBalanced;
    EXPECT_FALSE(ReadFromPlan(power, s, {0, 1}, true, {}));
    EXPECT_EQ(s.ac.coreParkingMin.count(1), 1u);  // the rest is still read
    EXPECT_FALSE(s.ac.minFrequency.empty());
}

TEST(PlanSettingsDiff, ChangedRemovedAndAddedEntries) {
    PlanSettings left;
    left.ac.coreParkingMin = {{0, 100}, {1, 50}};
    left.ac.minFrequency = {{0, 5}};
    left.ac.advanced = {{kPerfCheck, 15}};
    left.dc = left.ac;
    EXPECT_TRUE(Diff(left, left).empty());
    EXPECT_TRUE(Equals(left, left));

    PlanSettings right = left;
    right.plan = guids::kHighPerformance;  // the plan and its name take no part
    right.planName = u"Other";
    EXPECT_TRUE(Equals(left, right));
    right.dc.advanced[kPerfCheck] = 30;  // changed
    right.dc.coreParkingMin.erase(1);    // removed
    right.dc.hasHetero = true;           // three added
    right.dc.heteroPolicy = 4;
    right.dc.heteroShortPolicy = 1;
    right.dc.heteroLongPolicy = 2;
    EXPECT_FALSE(Equals(left, right));

    auto diff = Diff(left, right);
    ASSERT_EQ(diff.size(), 5u);
    struct Want {
        const char16_t* name;
        bool leftPresent, rightPresent;
        uint32_t l, r;
    };
    const Want want[] = {
        {u"CoreParkingMin[1]", true, false, 50, 0},
        {u"HeteroPolicy", false, true, 0, 4},
        {u"HeteroShortPolicy", false, true, 0, 1},
        {u"HeteroLongPolicy", false, true, 0, 2},
        {u"Advanced {4D2B0152-7D5C-498B-88E2-34345392A2C5}", true, true, 15, 30},
    };
    for (size_t i = 0; i < diff.size(); ++i) {
        EXPECT_FALSE(diff[i].ac);
        EXPECT_EQ(diff[i].name, want[i].name);
        EXPECT_EQ(diff[i].leftPresent, want[i].leftPresent) << i;
        EXPECT_EQ(diff[i].rightPresent, want[i].rightPresent) << i;
        EXPECT_EQ(diff[i].left, want[i].l) << i;
        EXPECT_EQ(diff[i].right, want[i].r) << i;
    }
}

TEST(PlanSettingsTable, ThirtyThreeAdvancedSettings) {
    const auto& table = AdvancedSettings();
    ASSERT_EQ(table.size(), 33u);
    size_t own = 0;
    for (const auto& def : table) own += HasOwnField(def.guid) ? 1 : 0;
    EXPECT_EQ(own, 5u);
    const auto* def = FindAdvancedSettingByAlias(u"heteroclass0floorperf");
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->label, 9248u);
    EXPECT_TRUE(NeedsHeterogeneousProcessor(*def));  // section 2, though of class 0
    EXPECT_FALSE(NeedsHeterogeneousProcessor(*FindAdvancedSettingByAlias(u"CPMINCORES")));
    EXPECT_EQ(FindAdvancedSetting(kPerfCheck)->alias, u"PERFCHECK");
}

}  // namespace
}  // namespace quellora
