#include <gtest/gtest.h>

#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "power/processor_topology.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

struct Expected {
    std::u16string layout;
    uint32_t packages, cores, logical, groups, nodes, smt;
    uint8_t maxClass;
    bool heterogeneous;
    uint64_t efficientMask0;
    uint32_t performance0, efficient0;
    std::u16string summary;
};

// Worked out by hand from the layouts' descriptions.
const Expected kLayouts[] = {
    {u"hybrid-laptop", 1, 16, 24, 1, 1, 2, 1, true, 0xFF0000ull, 16, 8,
     u"1 package, 1 group, 1 NUMA node, 16/24 logical processors, 16/8 P/E"},
    {u"desktop", 1, 8, 16, 1, 1, 2, 0, false, 0, 16, 0, u"1 package, 1 group, 1 NUMA node, 8/16 logical processors"},
    {u"workstation", 2, 48, 96, 2, 2, 2, 0, false, 0, 48, 0,
     u"2 packages, 2 groups, 2 NUMA nodes, 48/96 logical processors"},
    {u"three-class", 1, 16, 22, 1, 1, 2, 2, true, 0x3FF000ull, 12, 10,
     u"1 package, 1 group, 1 NUMA node, 16/22 logical processors, 12/10 P/E"},
    {u"intel12-win10", 1, 14, 20, 1, 1, 2, 1, true, 0xFF000ull, 12, 8,
     u"1 package, 1 group, 1 NUMA node, 14/20 logical processors, 12/8 P/E"},
};

class TopologyLayouts : public ::testing::TestWithParam<Expected> {};

TEST_P(TopologyLayouts, MatchTheHandWorkedLayout) {
    const Expected& e = GetParam();
    SimEnv env(e.layout);
    ProcessorTopology t;
    ASSERT_TRUE(t.valid());
    EXPECT_EQ(t.packageCount(), e.packages);
    EXPECT_EQ(t.coreCount(), e.cores);
    EXPECT_EQ(t.logicalCount(), e.logical);
    EXPECT_EQ(t.groupCount(), e.groups);
    EXPECT_EQ(t.NumaNodeCount(), e.nodes);
    EXPECT_EQ(t.numaRecordCount(), e.nodes);
    EXPECT_EQ(t.smtWidth(), e.smt);
    EXPECT_EQ(t.maxClass(), e.maxClass);
    EXPECT_EQ(t.IsHeterogeneous(), e.heterogeneous);
    EXPECT_EQ(t.EfficientMask(0), e.efficientMask0);
    EXPECT_EQ(t.EfficientMask(-1), e.efficientMask0);
    EXPECT_EQ(t.PerformanceCount(0), e.performance0);
    EXPECT_EQ(t.EfficientCount(0), e.efficient0);
    EXPECT_EQ(t.TopologySummary(), e.summary);
    uint32_t perNode = e.logical / e.nodes;
    for (uint32_t node = 0; node < e.nodes; ++node) EXPECT_EQ(t.NodeProcessorCount(node), perNode);
    EXPECT_EQ(t.NodeProcessorCount(e.nodes), 0u);
    EXPECT_EQ(t.CpuSets().size(), e.logical);
}

INSTANTIATE_TEST_SUITE_P(Sim, TopologyLayouts, ::testing::ValuesIn(kLayouts), [](const auto& info) {
    std::string name = Utf16ToUtf8(info.param.layout);
    for (auto& c : name) c = (c == '-') ? '_' : c;
    return name;
});

TEST(Topology, WorkstationNodesWalkTheirOwnGroup) {
    SimEnv env(u"workstation");
    ProcessorTopology t;
    uint16_t group = 9;
    uint32_t index = 99;
    ASSERT_TRUE(t.NodeProcessor(1, 0, group, index));
    EXPECT_EQ(group, 1);
    EXPECT_EQ(index, 0u);
    ASSERT_TRUE(t.NodeProcessor(1, 47, group, index));
    EXPECT_EQ(index, 47u);
    EXPECT_FALSE(t.NodeProcessor(1, 48, group, index));
    EXPECT_EQ(t.group0Count(), 48u);
    EXPECT_EQ(t.LogicalProcessorClass(1, 47), std::optional<uint8_t>(0));
    EXPECT_EQ(t.LogicalProcessorClass(1, 48), std::nullopt);
}

TEST(Topology, NameAndNominalClockComeFromTheRegistry) {
    SimEnv env;
    const std::u16string key = u"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
    env.registry().SetValue(Hive::LocalMachine, key, u"ProcessorNameString",
                            RegValue::String(u"12TH gen\tINTEL(R)\tCore"));
    ProcessorTopology t;
    EXPECT_EQ(t.ProcessorName(), u"12TH gen INTEL(R) Core");
    EXPECT_TRUE(t.IsIntel12thGen());
    EXPECT_EQ(ProcessorTopology::NominalMhz(), 2100u);
    env.registry().DeleteValue(Hive::LocalMachine, key, u"ProcessorNameString");
    EXPECT_EQ(ProcessorTopology().ProcessorName(), u"");
}

TEST(Topology, ClassChoiceIsOfferedWhenOneReasonHolds) {
    struct Case {
        std::u16string layout;
        uint32_t build;      // 0: as the layout comes
        bool alwaysOption;   // AlwaysShowEfficiencyClassSelection
        uint32_t smallMask;  // KGroups\00 SmallProcessorMask, 0: missing
        bool offered;
    };
    const Case cases[] = {
        {u"intel12-win10", 0, false, 0, true},       // 12th generation on Windows 10
        {u"intel12-win10", 22000, false, 0, false},  // Windows 11 does not force it
        {u"hybrid-laptop", 0, false, 0, false},
        {u"hybrid-laptop", 0, true, 0, true},
        {u"desktop", 0, false, 0x00FF, true},
    };
    for (const auto& c : cases) {
        SimEnv env(c.layout);
        if (c.build) env.machine().SetWindows(sim::WindowsForBuild(c.build));
        if (c.alwaysOption) WriteDword(Hive::CurrentUser, kAppKey, u"AlwaysShowEfficiencyClassSelection", 1);
        if (c.smallMask)
            WriteDword(Hive::LocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\kernel\\KGroups\\00",
                       u"SmallProcessorMask", c.smallMask);
        EXPECT_EQ(ProcessorTopology().ShowEfficiencyClassSelection(), c.offered)
            << Utf16ToUtf8(c.layout) << " build " << c.build;
    }
}

TEST(Topology, RecordWalkStopsBeforeTheTrailingGroupRecordAndOnDamage) {
    // One core record (48 bytes) followed by 80 bytes of group record: the core is read.
    std::vector<uint8_t> buffer(48 + 80, 0);
    buffer[4] = 48;       // Size
    buffer[9] = 1;        // EfficiencyClass
    buffer[32] = 0x03;    // mask: two logical processors
    buffer[48] = 4;       // RelationGroup
    buffer[52] = 80;
    auto records = ParseLayoutRecords(buffer.data(), buffer.size());
    ASSERT_EQ(records.cores.size(), 1u);
    EXPECT_EQ(records.cores[0].efficiencyClass, 1);
    EXPECT_EQ(records.cores[0].masks[0].mask, 0x3u);
    // Without the trailing record the core lies in the last 80 bytes and is never examined.
    EXPECT_TRUE(ParseLayoutRecords(buffer.data(), 48).cores.empty());
    // A record claiming size 0 ends the walk instead of looping.
    buffer[4] = 0;
    EXPECT_TRUE(ParseLayoutRecords(buffer.data(), buffer.size()).cores.empty());
}

}  // namespace
}  // namespace quellora
