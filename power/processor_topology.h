// How the machine's logical processors, cores, packages, NUMA nodes and
// processor groups are laid out, and which efficiency class each logical
// processor belongs to.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quellora {

struct GroupAffinity {
    uint16_t group = 0;
    uint64_t mask = 0;
};

// One SYSTEM_CPU_SET_INFORMATION record of type CpuSetInformation.
struct CpuSetRecord {
    uint32_t id = 0;
    uint16_t group = 0;
    uint8_t logicalProcessorIndex = 0;
    uint8_t coreIndex = 0;
    uint8_t lastLevelCacheIndex = 0;
    uint8_t numaNodeIndex = 0;
    uint8_t efficiencyClass = 0;
    uint8_t allFlags = 0;  // bit 0: parked
    uint8_t schedulingClass = 0;
    uint64_t allocationTag = 0;
    bool parked() const { return (allFlags & 1) != 0; }
};

// One processor core record as the platform reports it.
struct CoreRecord {
    uint8_t flags = 0;  // bit 0: more than one logical processor (SMT)
    uint8_t efficiencyClass = 0;
    std::vector<GroupAffinity> masks;
};

// Walks GetLogicalProcessorInformationEx records. The walk goes on while the
// next record starts more than 80 bytes before the end of the buffer, so the
// trailing processor-group record is never examined.
struct LayoutRecords {
    std::vector<CoreRecord> cores;
    std::map<uint32_t, std::vector<GroupAffinity>> nodes;  // NUMA node -> its group masks
    uint32_t numaRecordCount = 0;
    uint32_t packageCount = 0;
};
LayoutRecords ParseLayoutRecords(const uint8_t* buffer, size_t size);
// SYSTEM_CPU_SET_INFORMATION records; the walk stops at a record of size 0.
std::vector<CpuSetRecord> ParseCpuSetRecords(const uint8_t* buffer, size_t size);

class ProcessorTopology {
public:
    // Reads the layout from the platform.
    ProcessorTopology();

    // At least one package, one core and one logical processor were found.
    bool valid() const { return packageCount_ > 0 && coreCount_ > 0 && logicalCount_ > 0; }
    bool IsHeterogeneous() const { return heterogeneous_; }
    std::optional<uint8_t> LogicalProcessorClass(uint16_t group, uint32_t index) const;
    // Bit i: logical processor i of the group (group -1 means 0) has a class below the highest.
    uint64_t EfficientMask(int group) const;
    uint32_t EfficientCount(int group) const;
    // Logical processors of the group with no class or the highest class.
    uint32_t PerformanceCount(int group) const;
    uint32_t NumaNodeCount() const { return numaHighestNode_ + 1; }
    uint32_t NodeProcessorCount(uint32_t node) const;
    bool NodeProcessor(uint32_t node, uint32_t n, uint16_t& group, uint32_t& index) const;

    // "ProcessorNameString" of CentralProcessor\0, tabs made blanks; read on construction.
    const std::u16string& ProcessorName() const { return name_; }
    bool IsIntel12thGen() const { return isIntel12thGen_; }
    // "~MHz"; a non-zero answer is kept for the life of the process.
    static uint32_t NominalMhz();
    // Whether the plan editor offers a choice of efficiency class.
    bool ShowEfficiencyClassSelection() const;
    std::vector<CpuSetRecord> CpuSets() const;
    // "1 package, 1 group, 1 NUMA node, 16/24 logical processors, 16/8 P/E", built once.
    std::u16string TopologySummary();

    uint32_t logicalCount() const { return logicalCount_; }
    uint32_t group0Count() const { return group0Count_; }
    uint32_t smtWidth() const { return smtWidth_; }
    uint32_t packageCount() const { return packageCount_; }
    uint32_t coreCount() const { return coreCount_; }
    uint32_t numaRecordCount() const { return numaRecordCount_; }
    uint16_t groupCount() const { return groupCount_; }
    uint8_t maxClass() const { return maxClass_; }
    const std::map<uint32_t, std::vector<GroupAffinity>>& nodeMasks() const { return nodeMasks_; }

    // The processor name as the registry holds it (tabs made blanks); empty when unreadable.
    static std::u16string ReadProcessorName();

private:
    uint32_t GroupActiveCount(int group) const;

    std::u16string name_;
    bool isIntel12thGen_ = false;
    uint32_t logicalCount_ = 0;
    uint32_t group0Count_ = 0;
    uint32_t smtWidth_ = 1;
    uint32_t packageCount_ = 0;
    uint32_t coreCount_ = 0;
    uint32_t numaRecordCount_ = 0;
    uint16_t groupCount_ = 0;
    uint32_t numaHighestNode_ = 0;
    uint8_t maxClass_ = 0;
    bool heterogeneous_ = false;
    std::map<uint32_t, std::vector<GroupAffinity>> nodeMasks_;
    std::map<std::pair<uint16_t, uint32_t>, uint8_t> lpClass_;
    std::vector<uint32_t> groupActiveCounts_;
    std::mutex mutex_;  // the summary and the nominal clock are filled on first use
    std::u16string summary_;
};

int CountBits(uint64_t mask);

}  // namespace quellora
