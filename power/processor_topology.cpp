#include "power/processor_topology.h"

#include <algorithm>
#include <atomic>
#include <bit>

#include "platform/errors.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"

namespace quellora {

namespace {

constexpr std::u16string_view kCentralProcessorKey = u"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

constexpr uint32_t kRelationProcessorCore = 0;
constexpr uint32_t kRelationNumaNode = 1;
constexpr uint32_t kRelationProcessorPackage = 3;
constexpr size_t kTrailingGroupRecord = 80;
constexpr size_t kGroupAffinitySize = 16;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return LittleEndian32(p); }
uint64_t U64(const uint8_t* p) { return uint64_t(U32(p)) | uint64_t(U32(p + 4)) << 32; }

// Group masks starting at `offset` of a record of `size` bytes; at least one,
// never past the record's end.
std::vector<GroupAffinity> ReadMasks(const uint8_t* record, size_t size, size_t offset, uint16_t count) {
    std::vector<GroupAffinity> masks;
    size_t wanted = std::max<size_t>(count, 1);
    for (size_t i = 0; i < wanted; ++i) {
        size_t at = offset + i * kGroupAffinitySize;
        if (at + 10 > size) break;
        masks.push_back(GroupAffinity{U16(record + at + 8), U64(record + at)});
    }
    return masks;
}

}  // namespace

int CountBits(uint64_t mask) { return std::popcount(mask); }

LayoutRecords ParseLayoutRecords(const uint8_t* buffer, size_t size) {
    LayoutRecords out;
    size_t offset = 0;
    while (size > kTrailingGroupRecord && offset < size - kTrailingGroupRecord) {
        if (offset + 8 > size) break;
        const uint8_t* record = buffer + offset;
        uint32_t relationship = U32(record);
        uint32_t recordSize = U32(record + 4);
        if (recordSize < 8 || recordSize > size - offset) break;  // a damaged buffer ends the walk
        switch (relationship) {
            case kRelationProcessorCore:
                if (recordSize >= 32) {
                    CoreRecord core;
                    core.flags = record[8];
                    core.efficiencyClass = record[9];
                    core.masks = ReadMasks(record, recordSize, 32, 1);
                    out.cores.push_back(std::move(core));
                }
                break;
            case kRelationNumaNode:
                if (recordSize >= 32) {
                    ++out.numaRecordCount;
                    out.nodes[U32(record + 8)] = ReadMasks(record, recordSize, 32, U16(record + 30));
                }
                break;
            case kRelationProcessorPackage:
                ++out.packageCount;
                break;
            default:
                break;
        }
        offset += recordSize;
    }
    return out;
}

std::vector<CpuSetRecord> ParseCpuSetRecords(const uint8_t* buffer, size_t size) {
    std::vector<CpuSetRecord> sets;
    size_t offset = 0;
    while (offset + 8 <= size) {
        const uint8_t* r = buffer + offset;
        uint32_t recordSize = U32(r);
        if (recordSize == 0 || recordSize > size - offset) break;
        if (U32(r + 4) == 0 && recordSize >= 32) {
            CpuSetRecord s;
            s.id = U32(r + 8);
            s.group = U16(r + 12);
            s.logicalProcessorIndex = r[14];
            s.coreIndex = r[15];
            s.lastLevelCacheIndex = r[16];
            s.numaNodeIndex = r[17];
            s.efficiencyClass = r[18];
            s.allFlags = r[19];
            s.schedulingClass = r[20];
            s.allocationTag = U64(r + 24);
            sets.push_back(s);
        }
        offset += recordSize;
    }
    return sets;
}

std::u16string ProcessorTopology::ReadProcessorName() {
    std::u16string name;
    if (!ReadString(Hive::LocalMachine, kCentralProcessorKey, u"ProcessorNameString", name, 8191)) return {};
    std::replace(name.begin(), name.end(), u'\t', u' ');
    return name;
}

ProcessorTopology::ProcessorTopology() {
    SystemInfo* system = Sys().system;
    if (system) {
        uint32_t size = 0;
        std::vector<uint8_t> buffer;
        if (system->LogicalProcessorInformationEx(SystemInfo::kRelationAll, nullptr, &size) == err::kInsufficientBuffer &&
            size > 0) {
            buffer.resize(size);
            if (system->LogicalProcessorInformationEx(SystemInfo::kRelationAll, buffer.data(), &size) != 0) buffer.clear();
            else buffer.resize(std::min<size_t>(size, buffer.size()));
        }
        LayoutRecords records = ParseLayoutRecords(buffer.data(), buffer.size());
        coreCount_ = static_cast<uint32_t>(records.cores.size());
        packageCount_ = records.packageCount;
        numaRecordCount_ = records.numaRecordCount;
        nodeMasks_ = records.nodes;
        uint32_t smt = 0;
        for (const auto& core : records.cores) {
            if (core.masks.empty()) continue;
            const GroupAffinity& first = core.masks.front();
            for (uint32_t j = 0; j < 64; ++j) {
                if (first.mask & (uint64_t(1) << j)) lpClass_[{first.group, j}] = core.efficiencyClass;
            }
            smt = std::max<uint32_t>(smt, static_cast<uint32_t>(CountBits(first.mask)));
            maxClass_ = std::max(maxClass_, core.efficiencyClass);
        }
        smtWidth_ = smt == 0 ? 1 : smt;
        logicalCount_ = system->ActiveProcessorCount(SystemInfo::kAllProcessorGroups);
        groupCount_ = system->ActiveProcessorGroupCount();
        group0Count_ = system->ActiveProcessorCount(0);
        for (uint16_t g = 0; g < groupCount_; ++g) groupActiveCounts_.push_back(system->ActiveProcessorCount(g));
        uint32_t highest = 0;
        numaHighestNode_ = system->NumaHighestNodeNumber(highest) ? highest : 0;
    }
    for (int g = 0; g < std::max<int>(groupCount_, 1); ++g) {
        if (EfficientMask(g) != 0) heterogeneous_ = true;
    }
    name_ = ReadProcessorName();
    std::u16string lowered = FoldCase(name_);
    isIntel12thGen_ = lowered.find(u"intel") != std::u16string::npos && lowered.find(u"12th") != std::u16string::npos;
}

uint32_t ProcessorTopology::GroupActiveCount(int group) const {
    if (group < 0) group = 0;
    if (static_cast<size_t>(group) < groupActiveCounts_.size()) return groupActiveCounts_[static_cast<size_t>(group)];
    return 0;
}

std::optional<uint8_t> ProcessorTopology::LogicalProcessorClass(uint16_t group, uint32_t index) const {
    auto it = lpClass_.find({group, index});
    if (it == lpClass_.end()) return std::nullopt;
    return it->second;
}

uint64_t ProcessorTopology::EfficientMask(int group) const {
    if (group < 0) group = 0;
    uint32_t active = std::min<uint32_t>(GroupActiveCount(group), 64);
    uint64_t mask = 0;
    for (uint32_t i = 0; i < active; ++i) {
        auto cls = LogicalProcessorClass(static_cast<uint16_t>(group), i);
        if (cls && *cls < maxClass_) mask |= uint64_t(1) << i;
    }
    return mask;
}

uint32_t ProcessorTopology::EfficientCount(int group) const { return static_cast<uint32_t>(CountBits(EfficientMask(group))); }

uint32_t ProcessorTopology::PerformanceCount(int group) const {
    if (group < 0) group = 0;
    uint32_t active = std::min<uint32_t>(GroupActiveCount(group), 64);
    uint32_t count = 0;
    for (uint32_t i = 0; i < active; ++i) {
        auto cls = LogicalProcessorClass(static_cast<uint16_t>(group), i);
        if (!cls || *cls >= maxClass_) ++count;
    }
    return count;
}

uint32_t ProcessorTopology::NodeProcessorCount(uint32_t node) const {
    auto it = nodeMasks_.find(node);
    if (it == nodeMasks_.end()) return 0;
    uint32_t count = 0;
    for (const auto& m : it->second) count += static_cast<uint32_t>(CountBits(m.mask));
    return count;
}

bool ProcessorTopology::NodeProcessor(uint32_t node, uint32_t n, uint16_t& group, uint32_t& index) const {
    auto it = nodeMasks_.find(node);
    if (it == nodeMasks_.end()) return false;
    uint32_t seen = 0;
    for (const auto& m : it->second) {
        for (uint32_t bit = 0; bit < 64; ++bit) {
            if (!(m.mask & (uint64_t(1) << bit))) continue;
            if (seen == n) {
                group = m.group;
                index = bit;
                return true;
            }
            ++seen;
        }
    }
    return false;
}

uint32_t ProcessorTopology::NominalMhz() {
    static std::atomic<uint32_t> remembered{0};
    uint32_t known = remembered.load();
    if (known != 0) return known;
    uint32_t mhz = 0;
    RegValue v;
    if (Sys().registry && Sys().registry->QueryValue(Hive::LocalMachine, kCentralProcessorKey, u"~MHz", v) == 0)
        v.AsDword(mhz);
    if (mhz != 0) remembered.store(mhz);
    return mhz;
}

bool ProcessorTopology::ShowEfficiencyClassSelection() const {
    if (isIntel12thGen_) {
        OsVersion os;
        bool known = Sys().system && Sys().system->GetOsVersion(os);
        if (known && (os.major < 10 || (os.major == 10 && os.minor == 0 && os.build < 22000))) return true;
    }
    uint32_t always = 0;
    if (ReadDword(Hive::CurrentUser, kAppKey, u"AlwaysShowEfficiencyClassSelection", always) && always != 0) return true;
    uint32_t small = 0;
    RegValue v;
    if (Sys().registry &&
        Sys().registry->QueryValue(Hive::LocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\kernel\\KGroups\\00",
                                   u"SmallProcessorMask", v) == 0)
        v.AsDword(small);
    return small != 0;
}

std::vector<CpuSetRecord> ProcessorTopology::CpuSets() const {
    SystemInfo* system = Sys().system;
    if (!system) return {};
    uint32_t needed = 0;
    uint32_t error = 0;
    if (system->SystemCpuSetInformation(nullptr, 0, &needed, error) || error != err::kInsufficientBuffer || needed == 0)
        return {};
    std::vector<uint8_t> buffer(needed);
    uint32_t returned = 0;
    if (!system->SystemCpuSetInformation(buffer.data(), needed, &returned, error)) return {};
    return ParseCpuSetRecords(buffer.data(), std::min<size_t>(returned, buffer.size()));
}

std::u16string ProcessorTopology::TopologySummary() {
    std::lock_guard lock(mutex_);
    if (!summary_.empty()) return summary_;
    uint32_t nodes = NumaNodeCount();
    summary_ = Format(u"%d %s, %d %s, %d %s, %d/%d %s", packageCount_, LoadText(packageCount_ >= 2 ? 1420 : 1421),
                      groupCount_, LoadText(groupCount_ == 1 ? 1422 : 1423), nodes, LoadText(nodes == 1 ? 1426 : 1427),
                      coreCount_, logicalCount_, LoadText(logicalCount_ == 1 ? 1424 : 1425));
    if (heterogeneous_) summary_ += Format(u", %d/%d P/E", PerformanceCount(0), EfficientCount(0));
    return summary_;
}

}  // namespace quellora
