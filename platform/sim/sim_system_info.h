// Machine and operating-system facts of the simulated machine, with the
// processor layout in the platform's own binary records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system_info.h"

namespace quellora::sim {

class SimMachine;
struct Topology;

// Offsets and sizes of the records GetLogicalProcessorInformationEx and
// GetSystemCpuSetInformation write (x64 layout).
namespace glpi {
inline constexpr uint32_t kRelationProcessorCore = 0;
inline constexpr uint32_t kRelationNumaNode = 1;
inline constexpr uint32_t kRelationCache = 2;
inline constexpr uint32_t kRelationProcessorPackage = 3;
inline constexpr uint32_t kRelationGroup = 4;

inline constexpr uint32_t kHeaderSize = 8;           // Relationship, Size
inline constexpr uint32_t kGroupAffinitySize = 16;   // Mask (8), Group (2), Reserved[3]
// PROCESSOR_RELATIONSHIP
inline constexpr uint32_t kProcFlags = 0;
inline constexpr uint32_t kProcEfficiencyClass = 1;
inline constexpr uint32_t kProcGroupCount = 22;
inline constexpr uint32_t kProcGroupMask = 24;
// NUMA_NODE_RELATIONSHIP
inline constexpr uint32_t kNumaNodeNumber = 0;
inline constexpr uint32_t kNumaGroupCount = 22;
inline constexpr uint32_t kNumaGroupMask = 24;
// CACHE_RELATIONSHIP
inline constexpr uint32_t kCacheLevel = 0;
inline constexpr uint32_t kCacheAssociativity = 1;
inline constexpr uint32_t kCacheLineSize = 2;
inline constexpr uint32_t kCacheSize = 4;
inline constexpr uint32_t kCacheType = 8;
inline constexpr uint32_t kCacheGroupCount = 30;
inline constexpr uint32_t kCacheGroupMask = 32;
// GROUP_RELATIONSHIP and PROCESSOR_GROUP_INFO
inline constexpr uint32_t kGroupMaximumCount = 0;
inline constexpr uint32_t kGroupActiveCount = 2;
inline constexpr uint32_t kGroupInfo = 24;
inline constexpr uint32_t kGroupInfoSize = 48;
inline constexpr uint32_t kGroupInfoMaximumProcessors = 0;
inline constexpr uint32_t kGroupInfoActiveProcessors = 1;
inline constexpr uint32_t kGroupInfoActiveMask = 40;

inline constexpr uint8_t kLtpPcSmt = 1;

// SYSTEM_CPU_SET_INFORMATION
inline constexpr uint32_t kCpuSetSize = 32;
inline constexpr uint32_t kCpuSetId = 8;
inline constexpr uint32_t kCpuSetGroup = 12;
inline constexpr uint32_t kCpuSetLogicalProcessorIndex = 14;
inline constexpr uint32_t kCpuSetCoreIndex = 15;
inline constexpr uint32_t kCpuSetLastLevelCacheIndex = 16;
inline constexpr uint32_t kCpuSetNumaNodeIndex = 17;
inline constexpr uint32_t kCpuSetEfficiencyClass = 18;
inline constexpr uint32_t kCpuSetAllFlags = 19;
inline constexpr uint32_t kCpuSetSchedulingClass = 20;
inline constexpr uint32_t kCpuSetAllocationTag = 24;
inline constexpr uint8_t kCpuSetParked = 1;
inline constexpr uint32_t kFirstCpuSetId = 0x100;
}  // namespace glpi

// The records of GetLogicalProcessorInformationEx for a layout, in Windows'
// order: cores, NUMA nodes, caches, packages, then the group record.
// `relation` filters (0xFFFF: all). `numaGroupCount` fills the NUMA records'
// GroupCount (Windows 10 left it 0).
std::vector<uint8_t> BuildProcessorRecords(const Topology& topology, uint32_t relation, bool numaGroupCount);
// The CPU set records; `parkedCores` per core of the topology.
std::vector<uint8_t> BuildCpuSetRecords(const Topology& topology, const std::vector<bool>& parkedCores);

class SimSystemInfo : public SystemInfo {
public:
    explicit SimSystemInfo(SimMachine& machine);

    bool GetOsVersion(OsVersion& out) override;
    uint32_t LogicalProcessorInformationEx(uint32_t relation, uint8_t* buffer, uint32_t* size) override;
    uint32_t ActiveProcessorCount(uint16_t group) override;
    uint16_t ActiveProcessorGroupCount() override;
    bool NumaHighestNodeNumber(uint32_t& node) override;
    bool SystemCpuSetInformation(uint8_t* buffer, uint32_t length, uint32_t* returned, uint32_t& error) override;
    uint32_t SystemInfoProcessorCount() override;
    std::u16string ComputerName() override;
    uint16_t NativeMachine() override;
    std::u16string SystemDirectory() override;
    std::u16string SystemWow64Directory() override;
    uint16_t UserDefaultUILanguage() override;

private:
    SimMachine& machine_;
};

}  // namespace quellora::sim
