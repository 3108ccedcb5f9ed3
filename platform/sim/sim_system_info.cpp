#include "platform/sim/sim_system_info.h"

#include <algorithm>
#include <cstring>

#include "platform/errors.h"
#include "platform/sim/sim_machine.h"

namespace quellora::sim {

namespace {

using namespace glpi;

void Put8(std::vector<uint8_t>& b, size_t at, uint8_t v) { b[at] = v; }

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void Put64(std::vector<uint8_t>& b, size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint64_t MaskOf(uint32_t first, uint32_t count) {
    uint64_t mask = 0;
    for (uint32_t i = first; i < first + count && i < 64; ++i) mask |= uint64_t{1} << i;
    return mask;
}

struct Affinity {
    uint16_t group = 0;
    uint64_t mask = 0;
};

// Appends a record: the header and a zeroed body; answers the body's offset.
size_t Begin(std::vector<uint8_t>& b, uint32_t relationship, uint32_t bodySize) {
    const size_t at = b.size();
    b.resize(at + kHeaderSize + bodySize, 0);
    Put32(b, at, relationship);
    Put32(b, at + 4, kHeaderSize + bodySize);
    return at + kHeaderSize;
}

void PutAffinity(std::vector<uint8_t>& b, size_t at, const Affinity& a) {
    Put64(b, at, a.mask);
    Put16(b, at + 8, a.group);
}

void AddProcessorRecord(std::vector<uint8_t>& b, uint32_t relationship, uint8_t flags, uint8_t efficiencyClass,
                        const std::vector<Affinity>& masks) {
    const size_t body = Begin(b, relationship, kProcGroupMask + kGroupAffinitySize * static_cast<uint32_t>(masks.size()));
    Put8(b, body + kProcFlags, flags);
    Put8(b, body + kProcEfficiencyClass, efficiencyClass);
    Put16(b, body + kProcGroupCount, static_cast<uint16_t>(masks.size()));
    for (size_t i = 0; i < masks.size(); ++i) PutAffinity(b, body + kProcGroupMask + i * kGroupAffinitySize, masks[i]);
}

void AddCacheRecord(std::vector<uint8_t>& b, uint8_t level, uint8_t associativity, uint32_t sizeBytes,
                    uint32_t type, const Affinity& mask) {
    const size_t body = Begin(b, kRelationCache, kCacheGroupMask + kGroupAffinitySize);
    Put8(b, body + kCacheLevel, level);
    Put8(b, body + kCacheAssociativity, associativity);
    Put16(b, body + kCacheLineSize, 64);
    Put32(b, body + kCacheSize, sizeBytes);
    Put32(b, body + kCacheType, type);
    Put16(b, body + kCacheGroupCount, 1);
    PutAffinity(b, body + kCacheGroupMask, mask);
}

// The processor group affinities of a package (or of all packages, for a node spanning them).
std::vector<Affinity> PackageAffinities(const Topology& topology, uint32_t package, bool allPackages) {
    std::vector<Affinity> out;
    for (const CoreInfo& core : topology.cores) {
        if (!allPackages && core.package != package) continue;
        auto it = std::find_if(out.begin(), out.end(), [&](const Affinity& a) { return a.group == core.group; });
        if (it == out.end()) {
            out.push_back(Affinity{core.group, 0});
            it = out.end() - 1;
        }
        it->mask |= MaskOf(core.firstLp, core.threads);
    }
    return out;
}

constexpr uint32_t kCacheUnified = 0;
constexpr uint32_t kCacheInstruction = 1;
constexpr uint32_t kCacheData = 2;

}  // namespace

std::vector<uint8_t> BuildProcessorRecords(const Topology& topology, uint32_t relation, bool numaGroupCount) {
    const bool all = relation == SystemInfo::kRelationAll;
    std::vector<uint8_t> b;
    const bool hybrid = topology.classCount > 1;
    if (all || relation == kRelationProcessorCore) {
        for (const CoreInfo& core : topology.cores) {
            AddProcessorRecord(b, kRelationProcessorCore, core.threads > 1 ? kLtpPcSmt : 0, core.efficiencyClass,
                               {Affinity{core.group, MaskOf(core.firstLp, core.threads)}});
        }
    }
    if (all || relation == kRelationNumaNode || relation == 6 /* RelationNumaNodeEx */) {
        const bool nodePerPackage = topology.nodeCount == topology.packageCount && topology.nodeCount > 1;
        for (uint32_t node = 0; node < topology.nodeCount; ++node) {
            std::vector<Affinity> masks = PackageAffinities(topology, node, !nodePerPackage);
            const size_t body =
                Begin(b, kRelationNumaNode, kNumaGroupMask + kGroupAffinitySize * std::max<uint32_t>(1, static_cast<uint32_t>(masks.size())));
            Put32(b, body + kNumaNodeNumber, node);
            Put16(b, body + kNumaGroupCount, numaGroupCount ? static_cast<uint16_t>(masks.size()) : 0);
            for (size_t i = 0; i < masks.size(); ++i) PutAffinity(b, body + kNumaGroupMask + i * kGroupAffinitySize, masks[i]);
        }
    }
    if (all || relation == kRelationCache) {
        for (const CoreInfo& core : topology.cores) {
            const Affinity mask{core.group, MaskOf(core.firstLp, core.threads)};
            // Efficient cores of a hybrid processor have smaller first-level caches.
            const bool efficient = hybrid && core.efficiencyClass < topology.maxClass;
            AddCacheRecord(b, 1, efficient ? 8 : 12, efficient ? 32 * 1024 : 48 * 1024, kCacheData, mask);
            AddCacheRecord(b, 1, 8, efficient ? 64 * 1024 : 32 * 1024, kCacheInstruction, mask);
            AddCacheRecord(b, 2, efficient ? 16 : 10, efficient ? 2048 * 1024 : 1280 * 1024, kCacheUnified, mask);
        }
        for (uint32_t package = 0; package < topology.packageCount; ++package) {
            for (const Affinity& mask : PackageAffinities(topology, package, false)) {
                AddCacheRecord(b, 3, 12, 30 * 1024 * 1024, kCacheUnified, mask);
            }
        }
    }
    if (all || relation == kRelationProcessorPackage) {
        for (uint32_t package = 0; package < topology.packageCount; ++package) {
            AddProcessorRecord(b, kRelationProcessorPackage, 0, 0, PackageAffinities(topology, package, false));
        }
    }
    if (all || relation == kRelationGroup) {
        const uint32_t groups = static_cast<uint32_t>(topology.groupSizes.size());
        const size_t body = Begin(b, kRelationGroup, kGroupInfo + kGroupInfoSize * groups);
        Put16(b, body + kGroupMaximumCount, static_cast<uint16_t>(groups));
        Put16(b, body + kGroupActiveCount, static_cast<uint16_t>(groups));
        for (uint32_t g = 0; g < groups; ++g) {
            const size_t info = body + kGroupInfo + g * kGroupInfoSize;
            Put8(b, info + kGroupInfoMaximumProcessors, static_cast<uint8_t>(topology.groupSizes[g]));
            Put8(b, info + kGroupInfoActiveProcessors, static_cast<uint8_t>(topology.groupSizes[g]));
            Put64(b, info + kGroupInfoActiveMask, MaskOf(0, topology.groupSizes[g]));
        }
    }
    return b;
}

std::vector<uint8_t> BuildCpuSetRecords(const Topology& topology, const std::vector<bool>& parkedCores) {
    std::vector<uint8_t> b(static_cast<size_t>(topology.LogicalCount()) * kCpuSetSize, 0);
    // The first logical processor of each package in its group: the last-level cache's index.
    std::vector<uint32_t> packageFirstLp(topology.packageCount, 0xFFFFFFFFu);
    for (const CoreInfo& core : topology.cores) {
        packageFirstLp[core.package] = std::min(packageFirstLp[core.package], core.firstLp);
    }
    uint32_t index = 0;
    for (size_t i = 0; i < topology.cores.size(); ++i) {
        const CoreInfo& core = topology.cores[i];
        for (uint32_t t = 0; t < core.threads; ++t, ++index) {
            const size_t at = static_cast<size_t>(index) * kCpuSetSize;
            Put32(b, at, kCpuSetSize);
            Put32(b, at + 4, 0);  // CpuSetInformation
            Put32(b, at + kCpuSetId, kFirstCpuSetId + index);
            Put16(b, at + kCpuSetGroup, core.group);
            Put8(b, at + kCpuSetLogicalProcessorIndex, static_cast<uint8_t>(core.firstLp + t));
            Put8(b, at + kCpuSetCoreIndex, static_cast<uint8_t>(core.firstLp));
            Put8(b, at + kCpuSetLastLevelCacheIndex, static_cast<uint8_t>(packageFirstLp[core.package]));
            Put8(b, at + kCpuSetNumaNodeIndex, static_cast<uint8_t>(core.node));
            Put8(b, at + kCpuSetEfficiencyClass, core.efficiencyClass);
            Put8(b, at + kCpuSetAllFlags, i < parkedCores.size() && parkedCores[i] ? kCpuSetParked : 0);
            Put8(b, at + kCpuSetSchedulingClass, core.efficiencyClass);
            Put64(b, at + kCpuSetAllocationTag, 0);
        }
    }
    return b;
}

SimSystemInfo::SimSystemInfo(SimMachine& machine) : machine_(machine) {}

bool SimSystemInfo::GetOsVersion(OsVersion& out) {
    const WindowsVersion v = machine_.Windows();
    out.major = v.major;
    out.minor = v.minor;
    out.build = v.build;
    return true;
}

uint32_t SimSystemInfo::LogicalProcessorInformationEx(uint32_t relation, uint8_t* buffer, uint32_t* size) {
    if (size == nullptr) return err::kInvalidParameter;
    if (relation != kRelationAll && relation > 7) return err::kInvalidParameter;
    // Windows 11 fills the NUMA records' group count; Windows 10 left it 0.
    const std::vector<uint8_t> records =
        BuildProcessorRecords(machine_.CurrentTopology(), relation, machine_.Windows().build >= 22000);
    const uint32_t needed = static_cast<uint32_t>(records.size());
    if (buffer == nullptr || *size < needed) {
        *size = needed;
        return err::kInsufficientBuffer;
    }
    std::memcpy(buffer, records.data(), records.size());
    *size = needed;
    return err::kSuccess;
}

uint32_t SimSystemInfo::ActiveProcessorCount(uint16_t group) {
    const Topology topology = machine_.CurrentTopology();
    if (group == kAllProcessorGroups) return topology.LogicalCount();
    return group < topology.groupSizes.size() ? topology.groupSizes[group] : 0;
}

uint16_t SimSystemInfo::ActiveProcessorGroupCount() {
    return static_cast<uint16_t>(machine_.CurrentTopology().groupSizes.size());
}

bool SimSystemInfo::NumaHighestNodeNumber(uint32_t& node) {
    node = machine_.CurrentTopology().nodeCount - 1;
    return true;
}

bool SimSystemInfo::SystemCpuSetInformation(uint8_t* buffer, uint32_t length, uint32_t* returned, uint32_t& error) {
    const std::vector<uint8_t> records = BuildCpuSetRecords(machine_.CurrentTopology(), machine_.ParkedCores());
    const uint32_t needed = static_cast<uint32_t>(records.size());
    if (returned) *returned = needed;
    if (buffer == nullptr || length < needed) {
        error = err::kInsufficientBuffer;
        return false;
    }
    std::memcpy(buffer, records.data(), records.size());
    error = err::kSuccess;
    return true;
}

uint32_t SimSystemInfo::SystemInfoProcessorCount() {
    // GetSystemInfo counts the processors of the calling process's group, group 0.
    return ActiveProcessorCount(0);
}

std::u16string SimSystemInfo::ComputerName() { return machine_.ComputerName(); }

uint16_t SimSystemInfo::NativeMachine() { return machine::kX64; }

std::u16string SimSystemInfo::SystemDirectory() { return u"C:\\Windows\\system32"; }

std::u16string SimSystemInfo::SystemWow64Directory() { return u"C:\\Windows\\SysWOW64"; }

uint16_t SimSystemInfo::UserDefaultUILanguage() { return machine_.UserDefaultUILanguage(); }

}  // namespace quellora::sim
