// Processor layouts the simulated machine can have, selected by name.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quellora::sim {

// A run of identical cores.
struct CoreRun {
    uint32_t count = 0;
    uint32_t threads = 1;  // logical processors per core (2 with SMT)
    uint8_t efficiencyClass = 0;
};

// One processor package: its own NUMA node and processor group when the
// layout has several; cores are numbered in the order of the runs.
struct PackageDef {
    std::span<const CoreRun> cores;
};

struct LayoutDef {
    const char16_t* name = nullptr;
    const char16_t* processorName = nullptr;  // "ProcessorNameString"
    const char16_t* identifier = nullptr;     // "Identifier"
    const char16_t* vendor = nullptr;         // "VendorIdentifier"
    uint32_t mhz = 0;                         // "~MHz"
    uint32_t platformRole = 1;                // POWER_PLATFORM_ROLE: 1 desktop, 2 mobile
    bool modernStandby = false;               // AoAc
    bool packagePerGroup = false;             // each package is a NUMA node and a processor group of its own
    std::span<const PackageDef> packages;
    uint32_t windowsBuild = 0;                // the Windows build the layout comes with; 0 keeps the current one
    const char16_t* summary = nullptr;        // one line for listings
};

// One core as the platform lists it.
struct CoreInfo {
    uint32_t package = 0;
    uint32_t node = 0;
    uint16_t group = 0;
    uint32_t firstLp = 0;  // index within the group
    uint32_t threads = 1;
    uint8_t efficiencyClass = 0;
    uint32_t indexInClass = 0;  // order of the core among the cores of its class
};

// The layout worked out: cores, groups, nodes.
struct Topology {
    const LayoutDef* layout = nullptr;
    std::vector<CoreInfo> cores;
    std::vector<uint32_t> groupSizes;  // logical processors per group
    uint32_t nodeCount = 0;
    uint32_t packageCount = 0;
    uint8_t maxClass = 0;
    uint32_t classCount = 0;  // distinct efficiency classes
    uint32_t LogicalCount() const;
    uint32_t CoresOfClass(uint8_t efficiencyClass) const;
};

inline constexpr const char16_t* kDefaultLayout = u"hybrid-laptop";

std::span<const LayoutDef> Layouts();
// By name, without regard to case; null when unknown.
const LayoutDef* FindLayout(std::u16string_view name);
Topology BuildTopology(const LayoutDef& layout);

}  // namespace quellora::sim
