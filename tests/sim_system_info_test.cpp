// The simulated machine's processor layout in the platform's binary records,
// and core parking that follows the applied plan.
#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/sim/catalogue.h"
#include "platform/sim/layouts.h"
#include "platform/sim/memory_registry.h"
#include "platform/sim/reg_util.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_power_api.h"
#include "platform/sim/sim_system_info.h"
#include "platform/text.h"

namespace quellora {
namespace {

using namespace sim;
using namespace sim::glpi;

uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return DwordFromBytes(b.data() + at, 4); }
uint64_t U64(const std::vector<uint8_t>& b, size_t at) { return U32(b, at) | uint64_t(U32(b, at + 4)) << 32; }

int PopCount(uint64_t v) {
    int n = 0;
    for (; v; v &= v - 1) ++n;
    return n;
}

class SimTopology : public ::testing::TestWithParam<const char16_t*> {
protected:
    void SetUp() override { ASSERT_TRUE(machine.SetLayout(GetParam())); }
    std::vector<uint8_t> Records(uint32_t relation = SystemInfo::kRelationAll) {
        uint32_t size = 0;
        EXPECT_EQ(system.LogicalProcessorInformationEx(relation, nullptr, &size), err::kInsufficientBuffer);
        std::vector<uint8_t> buffer(size);
        uint32_t small = size - 1;
        EXPECT_EQ(system.LogicalProcessorInformationEx(relation, buffer.data(), &small), err::kInsufficientBuffer);
        EXPECT_EQ(small, size);
        EXPECT_EQ(system.LogicalProcessorInformationEx(relation, buffer.data(), &size), 0u);
        return buffer;
    }

    MemoryRegistry registry;
    SimMachine machine{registry, true};
    SimSystemInfo system{machine};
};

TEST_P(SimTopology, RecordsHaveWindowsLayoutAndOrder) {
    const Topology topology = machine.CurrentTopology();
    const std::vector<uint8_t> b = Records();
    // Walk: cores, NUMA nodes, caches, packages, and last the group record.
    std::vector<uint32_t> kinds;
    uint32_t logical = 0;
    uint32_t coreIndex = 0;
    size_t at = 0;
    while (at < b.size()) {
        const uint32_t kind = U32(b, at);
        const uint32_t size = U32(b, at + 4);
        ASSERT_GE(size, 8u);
        ASSERT_EQ(size % 8, 0u);
        ASSERT_LE(at + size, b.size());
        if (kinds.empty() || kinds.back() != kind) kinds.push_back(kind);
        const size_t body = at + kHeaderSize;
        if (kind == kRelationProcessorCore) {
            ASSERT_EQ(size, 48u);
            const CoreInfo& core = topology.cores[coreIndex++];
            EXPECT_EQ(b[body + kProcFlags], core.threads == 2 ? kLtpPcSmt : 0);
            EXPECT_EQ(b[body + kProcEfficiencyClass], core.efficiencyClass);
            EXPECT_EQ(U16(b, body + kProcGroupCount), 1u);
            const uint64_t mask = U64(b, body + kProcGroupMask);
            EXPECT_EQ(PopCount(mask), int(core.threads));
            EXPECT_EQ(mask & 1ull << core.firstLp, 1ull << core.firstLp);
            EXPECT_EQ(U16(b, body + kProcGroupMask + 8), core.group);
            logical += core.threads;
        } else if (kind == kRelationNumaNode) {
            EXPECT_EQ(size, 48u);
        } else if (kind == kRelationCache) {
            EXPECT_EQ(size, 56u);
            EXPECT_EQ(U16(b, body + kCacheGroupCount), 1u);
            EXPECT_GE(b[body + kCacheLevel], 1);
            EXPECT_LE(b[body + kCacheLevel], 3);
        } else if (kind == kRelationProcessorPackage) {
            EXPECT_EQ(size, 48u);
            EXPECT_EQ(b[body + kProcFlags], 0);
        } else if (kind == kRelationGroup) {
            const uint32_t groups = U16(b, body + kGroupActiveCount);
            EXPECT_EQ(size, kHeaderSize + kGroupInfo + kGroupInfoSize * groups);
            EXPECT_EQ(U16(b, body + kGroupMaximumCount), groups);
            EXPECT_EQ(groups, system.ActiveProcessorGroupCount());
            for (uint32_t g = 0; g < groups; ++g) {
                const size_t info = body + kGroupInfo + g * kGroupInfoSize;
                EXPECT_EQ(b[info + kGroupInfoActiveProcessors], system.ActiveProcessorCount(uint16_t(g)));
                EXPECT_EQ(PopCount(U64(b, info + kGroupInfoActiveMask)), int(system.ActiveProcessorCount(uint16_t(g))));
            }
            EXPECT_EQ(at + size, b.size());  // the group record comes last
        } else {
            ADD_FAILURE() << "unexpected record " << kind;
        }
        at += size;
    }
    EXPECT_EQ(kinds, (std::vector<uint32_t>{kRelationProcessorCore, kRelationNumaNode, kRelationCache,
                                            kRelationProcessorPackage, kRelationGroup}));
    EXPECT_EQ(coreIndex, topology.cores.size());
    EXPECT_EQ(logical, system.ActiveProcessorCount(SystemInfo::kAllProcessorGroups));
    EXPECT_EQ(system.SystemInfoProcessorCount(), system.ActiveProcessorCount(0));
    uint32_t highestNode = 99;
    ASSERT_TRUE(system.NumaHighestNodeNumber(highestNode));
    EXPECT_EQ(highestNode + 1, topology.nodeCount);

    // One relationship alone.
    const std::vector<uint8_t> cores = Records(kRelationProcessorCore);
    EXPECT_EQ(cores.size(), 48u * topology.cores.size());
    const std::vector<uint8_t> group = Records(kRelationGroup);
    EXPECT_EQ(U32(group, 0), kRelationGroup);
    EXPECT_EQ(group.size(), size_t(U32(group, 4)));
}

TEST_P(SimTopology, CpuSetsListEveryLogicalProcessor) {
    const Topology topology = machine.CurrentTopology();
    uint32_t returned = 0;
    uint32_t error = 0;
    EXPECT_FALSE(system.SystemCpuSetInformation(nullptr, 0, &returned, error));
    EXPECT_EQ(error, err::kInsufficientBuffer);
    EXPECT_EQ(returned, kCpuSetSize * topology.LogicalCount());
    std::vector<uint8_t> b(returned);
    ASSERT_TRUE(system.SystemCpuSetInformation(b.data(), returned, &returned, error));
    uint32_t index = 0;
    for (const CoreInfo& core : topology.cores) {
        for (uint32_t t = 0; t < core.threads; ++t, ++index) {
            const size_t at = size_t(index) * kCpuSetSize;
            EXPECT_EQ(U32(b, at), kCpuSetSize);
            EXPECT_EQ(U32(b, at + 4), 0u);
            EXPECT_EQ(U32(b, at + kCpuSetId), kFirstCpuSetId + index);
            EXPECT_EQ(U16(b, at + kCpuSetGroup), core.group);
            EXPECT_EQ(b[at + kCpuSetLogicalProcessorIndex], core.firstLp + t);
            EXPECT_EQ(b[at + kCpuSetCoreIndex], core.firstLp);
            EXPECT_EQ(b[at + kCpuSetNumaNodeIndex], core.node);
            EXPECT_EQ(b[at + kCpuSetEfficiencyClass], core.efficiencyClass);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SimTopology,
                         ::testing::Values(u"hybrid-laptop", u"desktop", u"workstation", u"three-class",
                                           u"intel12-win10"),
                         [](const ::testing::TestParamInfo<const char16_t*>& info) {
                             std::string name = Utf16ToUtf8(info.param);
                             for (char& c : name) c = c == '-' ? '_' : c;
                             return name;
                         });

class SimMachineFacts : public ::testing::Test {
protected:
    // Parked CPU sets per efficiency class.
    std::vector<uint32_t> ParkedPerClass() {
        uint32_t returned = 0;
        uint32_t error = 0;
        system.SystemCpuSetInformation(nullptr, 0, &returned, error);
        std::vector<uint8_t> b(returned);
        EXPECT_TRUE(system.SystemCpuSetInformation(b.data(), returned, &returned, error));
        std::vector<uint32_t> parked(4, 0);
        for (size_t at = 0; at < b.size(); at += kCpuSetSize) {
            if (b[at + kCpuSetAllFlags] & kCpuSetParked) ++parked[b[at + kCpuSetEfficiencyClass]];
        }
        return parked;
    }
    void WriteMinCores(uint32_t class0, uint32_t class1) {
        for (bool ac : {true, false}) {
            ASSERT_EQ(api.WriteValueIndex(ac, guids::kBalanced, &guids::kSubProcessor, &guids::kCoreParkingMin0, class0), 0u);
            ASSERT_EQ(api.WriteValueIndex(ac, guids::kBalanced, &guids::kSubProcessor, &guids::kCoreParkingMin1, class1), 0u);
        }
    }

    MemoryRegistry registry;
    SimMachine machine{registry, true};
    SimPowerApi api{machine};
    SimSystemInfo system{machine};
};

TEST_F(SimMachineFacts, ParkingFollowsTheAppliedCoreParkingMinimum) {
    // Balanced in force: 4 % of 8 efficient cores stay unparked; with a floor of
    // 0 % every performance core parks.
    EXPECT_EQ(ParkedPerClass(), (std::vector<uint32_t>{7, 8 * 2, 0, 0}));
    WriteMinCores(100, 100);
    // Written but not applied yet.
    EXPECT_EQ(ParkedPerClass()[0], 7u);
    machine.ApplyActivePlan();
    EXPECT_EQ(ParkedPerClass(), (std::vector<uint32_t>{0, 0, 0, 0}));
    WriteMinCores(50, 10);
    machine.ApplyActivePlan();
    EXPECT_EQ(ParkedPerClass(), (std::vector<uint32_t>{4, 7 * 2, 0, 0}));
    // Both floors 0: one efficient core still runs.
    WriteMinCores(0, 0);
    machine.ApplyActivePlan();
    EXPECT_EQ(ParkedPerClass(), (std::vector<uint32_t>{7, 8 * 2, 0, 0}));
    machine.SetIgnoresParking(true);
    EXPECT_EQ(ParkedPerClass(), (std::vector<uint32_t>{0, 0, 0, 0}));
    machine.SetIgnoresParking(false);
    // On battery the DC values are in force.
    ASSERT_EQ(api.WriteValueIndex(false, guids::kBalanced, &guids::kSubProcessor, &guids::kCoreParkingMin0, 100), 0u);
    machine.ApplyActivePlan();
    machine.SetOnAcPower(false);
    EXPECT_EQ(ParkedPerClass()[0], 0u);
}

TEST_F(SimMachineFacts, ThreeClassesParkTheUpperOnesByTheClassOneMinimum) {
    ASSERT_TRUE(machine.SetLayout(u"three-class"));
    WriteMinCores(0, 0);
    machine.ApplyActivePlan();
    // Every class parks down to its floor of 0; one of the 2 low-power cores
    // (class 0, the most efficient) still runs.
    EXPECT_EQ(ParkedPerClass(), (std::vector<uint32_t>{1, 8, 6 * 2, 0}));
    WriteMinCores(0, 20);
    machine.ApplyActivePlan();
    // Classes above 1 follow the class-1 floor: 2 of 8 efficient cores, 2 of 6 performance cores.
    EXPECT_EQ(ParkedPerClass(), (std::vector<uint32_t>{2, 6, 4 * 2, 0}));
}

TEST_F(SimMachineFacts, OperatingSystemFacts) {
    OsVersion v;
    ASSERT_TRUE(system.GetOsVersion(v));
    EXPECT_EQ(v.major, 10u);
    EXPECT_EQ(v.build, 26100u);
    machine.SetWindows(WindowsForBuild(7601));
    ASSERT_TRUE(system.GetOsVersion(v));
    EXPECT_EQ(v.major, 6u);
    EXPECT_EQ(v.minor, 1u);
    EXPECT_EQ(system.ComputerName(), u"SIMULATED-PC");
    machine.SetComputerName(u"BENCH-7");
    EXPECT_EQ(system.ComputerName(), u"BENCH-7");
    EXPECT_EQ(system.NativeMachine(), machine::kX64);
    EXPECT_EQ(system.SystemDirectory(), u"C:\\Windows\\system32");
    EXPECT_EQ(system.UserDefaultUILanguage(), 0x409);
    ASSERT_TRUE(machine.SetLayout(u"intel12-win10"));
    ASSERT_TRUE(system.GetOsVersion(v));
    EXPECT_EQ(v.build, 19045u);
    // Windows 10 leaves the NUMA records' group count 0.
    const std::vector<uint8_t> numa = BuildProcessorRecords(machine.CurrentTopology(), kRelationNumaNode, false);
    EXPECT_EQ(U16(numa, kHeaderSize + kNumaGroupCount), 0u);
    EXPECT_EQ(U64(numa, kHeaderSize + kNumaGroupMask), 0xFFFFFull);
}

TEST_F(SimMachineFacts, WorkstationHasTwoGroupsAndNodes) {
    ASSERT_TRUE(machine.SetLayout(u"workstation"));
    EXPECT_EQ(system.ActiveProcessorGroupCount(), 2u);
    EXPECT_EQ(system.ActiveProcessorCount(SystemInfo::kAllProcessorGroups), 96u);
    EXPECT_EQ(system.ActiveProcessorCount(1), 48u);
    EXPECT_EQ(system.ActiveProcessorCount(2), 0u);
    EXPECT_EQ(system.SystemInfoProcessorCount(), 48u);
    const std::vector<uint8_t> numa = BuildProcessorRecords(machine.CurrentTopology(), kRelationNumaNode, true);
    ASSERT_EQ(numa.size(), 96u);
    EXPECT_EQ(U32(numa, 48 + kHeaderSize + kNumaNodeNumber), 1u);
    EXPECT_EQ(U16(numa, 48 + kHeaderSize + kNumaGroupCount), 1u);
    EXPECT_EQ(U16(numa, 48 + kHeaderSize + kNumaGroupMask + 8), 1u);  // node 1 is group 1
}

}  // namespace
}  // namespace quellora
