// The in-memory picture of the processor settings of one power plan, for mains
// (AC) and battery (DC) power: parking floors and minimum processor state per
// efficiency class, the heterogeneous scheduling policies, and further
// ("advanced") processor settings by GUID.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/guid.h"

namespace quellora {

class PowerSchemeAccess;
struct WriteFailure;

struct SourceSettings {
    std::map<int32_t, uint32_t> coreParkingMin;  // efficiency class -> minimum unparked cores, percent
    std::map<int32_t, uint32_t> minFrequency;    // efficiency class -> minimum processor state, percent
    bool hasHetero = false;
    uint32_t heteroPolicy = 0;       // HETEROPOLICY
    uint32_t heteroShortPolicy = 0;  // SHORTSCHEDPOLICY
    uint32_t heteroLongPolicy = 0;   // SCHEDPOLICY
    std::map<Guid, uint32_t> advanced;
};

struct PlanSettings {
    Guid plan;
    std::u16string planName;
    SourceSettings ac;
    SourceSettings dc;
};

struct DiffEntry {
    bool ac = true;
    std::u16string name;  // "CoreParkingMin[0]", "HeteroPolicy", "Advanced {GUID}", ...
    bool leftPresent = false;
    bool rightPresent = false;
    uint32_t left = 0;
    uint32_t right = 0;
};

// The further processor settings the program knows.
enum class SettingKind : uint8_t { Intervals = 0, Percent = 1, Choice = 2, Threshold = 3, Milliseconds = 5 };
enum class EditorSection : uint8_t {
    PerformanceCheck = 0,
    CoreParking = 1,
    HeteroScheduling = 2,
    SchedulingPolicies = 3,
    LatencyHints = 4,
    Class1Performance = 5,
};

struct AdvancedSettingDef {
    std::u16string_view alias;
    Guid guid;
    int32_t efficiencyClass;  // -1: none
    SettingKind kind;
    EditorSection section;
    uint32_t label;  // string number of its label
};

const std::vector<AdvancedSettingDef>& AdvancedSettings();
std::vector<Guid> AdvancedSettingGuids();
const AdvancedSettingDef* FindAdvancedSetting(const Guid& setting);
const AdvancedSettingDef* FindAdvancedSettingByAlias(std::u16string_view alias);
// The five settings with fields of their own (never kept in `advanced`).
// Inline: the profile document reader needs it without the power access.
inline bool HasOwnField(const Guid& s) {
    return s == guids::kCoreParkingMin0 || s == guids::kCoreParkingMin1 || s == guids::kHeteroPolicy ||
           s == guids::kSchedPolicy || s == guids::kShortSchedPolicy;
}
// Shown and touched by presets only on a heterogeneous processor: class 1 and
// the heterogeneous, scheduling-policy and class-1 performance sections.
bool NeedsHeterogeneousProcessor(const AdvancedSettingDef& def);

// Reads both sides; false only when class 0's parking floor was unreadable on
// a side (everything else unreadable is just absent).
bool ReadFromPlan(PowerSchemeAccess& power, PlanSettings& target, const std::vector<int32_t>& classes, bool readHetero,
                  const std::vector<Guid>& advanced);
// Writes what the model holds, as one step under the plan-write guard; true
// when every write succeeded. A refused advanced value rolls the advanced
// batch back; `failure` (when given) tells the first refusal.
bool WriteToPlan(PowerSchemeAccess& power, const PlanSettings& source, bool writeHetero, bool raiseMaxState,
                 bool activate, WriteFailure* failure = nullptr);
bool Equals(const PlanSettings& a, const PlanSettings& b);
bool Equals(const SourceSettings& a, const SourceSettings& b);
// All AC differences, then all DC ones.
std::vector<DiffEntry> Diff(const PlanSettings& left, const PlanSettings& right);
void Clear(SourceSettings& side);

// The classes callers usually read: 0, and 1 when the plan has a readable
// class-1 parking floor on AC.
std::vector<int32_t> UsualClasses(PowerSchemeAccess& power, const Guid& plan);

}  // namespace quellora
