#include "platform/sim/layouts.h"

#include <algorithm>

#include "platform/text.h"

namespace quellora::sim {

namespace {

// Intel's hybrid processors list their performance cores (with SMT) first.
constexpr CoreRun kHybridLaptopCores[] = {{8, 2, 1}, {8, 1, 0}};
constexpr PackageDef kHybridLaptop[] = {{kHybridLaptopCores}};

constexpr CoreRun kDesktopCores[] = {{8, 2, 0}};
constexpr PackageDef kDesktop[] = {{kDesktopCores}};

constexpr CoreRun kXeonCores[] = {{24, 2, 0}};
constexpr PackageDef kWorkstation[] = {{kXeonCores}, {kXeonCores}};

// Performance cores, efficient cores, and the low-power efficient cores of the SoC tile.
constexpr CoreRun kThreeClassCores[] = {{6, 2, 2}, {8, 1, 1}, {2, 1, 0}};
constexpr PackageDef kThreeClass[] = {{kThreeClassCores}};

constexpr CoreRun kAlderLakeCores[] = {{6, 2, 1}, {8, 1, 0}};
constexpr PackageDef kAlderLake[] = {{kAlderLakeCores}};

// A four-core laptop processor with SMT: one node of eight.
constexpr CoreRun kQuadCores[] = {{4, 2, 0}};
constexpr PackageDef kQuad[] = {{kQuadCores}};

// A virtual machine given five virtual processors, each a core of its own.
constexpr CoreRun kVmCores[] = {{5, 1, 0}};
constexpr PackageDef kVm[] = {{kVmCores}};

// A workstation processor whose 64 logical processors fill one group.
constexpr CoreRun kThreadripperCores[] = {{32, 2, 0}};
constexpr PackageDef kThreadripper[] = {{kThreadripperCores}};

// Four sockets of 32 cores with SMT: four NUMA nodes and groups of 64.
constexpr CoreRun kPlatinumCores[] = {{32, 2, 0}};
constexpr PackageDef kFourSocket[] = {{kPlatinumCores}, {kPlatinumCores}, {kPlatinumCores}, {kPlatinumCores}};

constexpr LayoutDef kLayouts[] = {
    {u"hybrid-laptop", u"13th Gen Intel(R) Core(TM) i7-13700HX", u"Intel64 Family 6 Model 183 Stepping 1",
     u"GenuineIntel", 2100, 2, true, false, kHybridLaptop, 0,
     u"laptop, 8 performance cores with SMT (class 1) + 8 efficient cores (class 0), 24 logical processors"},
    {u"desktop", u"AMD Ryzen 7 5800X 8-Core Processor", u"AMD64 Family 25 Model 33 Stepping 0", u"AuthenticAMD",
     3801, 1, false, false, kDesktop, 0, u"desktop, 8 cores with SMT, all class 0, 16 logical processors"},
    {u"workstation", u"Intel(R) Xeon(R) Gold 6248R CPU @ 3.00GHz", u"Intel64 Family 6 Model 85 Stepping 7",
     u"GenuineIntel", 2993, 1, false, true, kWorkstation, 0,
     u"2 packages x 24 cores with SMT, 2 NUMA nodes, 2 processor groups, 96 logical processors"},
    {u"three-class", u"Intel(R) Core(TM) Ultra 7 155H", u"Intel64 Family 6 Model 170 Stepping 4", u"GenuineIntel",
     1400, 2, true, false, kThreeClass, 0,
     u"laptop, 6 performance cores with SMT (class 2) + 8 efficient (class 1) + 2 low-power (class 0), 22 logical processors"},
    {u"intel12-win10", u"12th Gen Intel(R) Core(TM) i7-12700H", u"Intel64 Family 6 Model 154 Stepping 3",
     u"GenuineIntel", 2300, 2, true, false, kAlderLake, 19045,
     u"laptop on Windows 10, 6 performance cores with SMT (class 1) + 8 efficient (class 0), 20 logical processors"},
    {u"quad-core", u"Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz", u"Intel64 Family 6 Model 142 Stepping 10",
     u"GenuineIntel", 1800, 2, false, false, kQuad, 0, u"laptop, 4 cores with SMT, all class 0, 8 logical processors"},
    {u"vm-5", u"AMD EPYC 7763 64-Core Processor", u"AMD64 Family 25 Model 1 Stepping 1", u"AuthenticAMD", 2445, 1,
     false, false, kVm, 0, u"virtual machine with 5 virtual processors, all class 0"},
    {u"threadripper", u"AMD Ryzen Threadripper 3970X 32-Core Processor", u"AMD64 Family 23 Model 49 Stepping 0",
     u"AuthenticAMD", 3700, 1, false, false, kThreadripper, 0,
     u"desktop, 32 cores with SMT in one processor group, 64 logical processors"},
    {u"four-socket", u"Intel(R) Xeon(R) Platinum 8358 CPU @ 2.60GHz", u"Intel64 Family 6 Model 106 Stepping 6",
     u"GenuineIntel", 2594, 1, false, true, kFourSocket, 0,
     u"4 packages x 32 cores with SMT, 4 NUMA nodes, 4 processor groups, 256 logical processors"},
};

}  // namespace

uint32_t Topology::LogicalCount() const {
    uint32_t total = 0;
    for (uint32_t n : groupSizes) total += n;
    return total;
}

uint32_t Topology::CoresOfClass(uint8_t efficiencyClass) const {
    return static_cast<uint32_t>(std::count_if(cores.begin(), cores.end(), [&](const CoreInfo& c) {
        return c.efficiencyClass == efficiencyClass;
    }));
}

std::span<const LayoutDef> Layouts() { return kLayouts; }

const LayoutDef* FindLayout(std::u16string_view name) {
    for (const LayoutDef& layout : kLayouts) {
        if (EqualsIgnoreAsciiCase(layout.name, name)) return &layout;
    }
    return nullptr;
}

Topology BuildTopology(const LayoutDef& layout) {
    Topology topology;
    topology.layout = &layout;
    topology.packageCount = static_cast<uint32_t>(layout.packages.size());
    topology.nodeCount = layout.packagePerGroup ? topology.packageCount : 1;
    topology.groupSizes.assign(layout.packagePerGroup ? topology.packageCount : 1, 0);
    uint32_t perClass[256] = {};
    bool seen[256] = {};
    for (uint32_t p = 0; p < topology.packageCount; ++p) {
        const uint16_t group = layout.packagePerGroup ? static_cast<uint16_t>(p) : 0;
        for (const CoreRun& run : layout.packages[p].cores) {
            for (uint32_t i = 0; i < run.count; ++i) {
                CoreInfo core;
                core.package = p;
                core.node = layout.packagePerGroup ? p : 0;
                core.group = group;
                core.firstLp = topology.groupSizes[group];
                core.threads = run.threads;
                core.efficiencyClass = run.efficiencyClass;
                core.indexInClass = perClass[run.efficiencyClass]++;
                topology.groupSizes[group] += run.threads;
                topology.cores.push_back(core);
                seen[run.efficiencyClass] = true;
                topology.maxClass = std::max(topology.maxClass, run.efficiencyClass);
            }
        }
    }
    for (bool s : seen) topology.classCount += s ? 1 : 0;
    return topology;
}

}  // namespace quellora::sim
