#include "model/plan_settings.h"

#include <set>

#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "power/plan_write_guard.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {

using K = SettingKind;
using S = EditorSection;

const std::vector<AdvancedSettingDef> kAdvanced = {
    {u"PERFCHECK", GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5"), -1, K::Milliseconds, S::PerformanceCheck, 9230},
    {u"CPINCREASETIME", GuidLiteral("2ddd5a84-5a71-437e-912a-db0b8c788732"), 0, K::Intervals, S::CoreParking, 9231},
    {u"CPDECREASETIME", GuidLiteral("dfd10d17-d5eb-45dd-877a-9a34ddd15c82"), 0, K::Intervals, S::CoreParking, 9232},
    {u"CPINCREASEPOL", GuidLiteral("c7be0679-2817-4d69-9d02-519a537ed0c6"), 0, K::Choice, S::CoreParking, 9233},
    {u"CPDECREASEPOL", GuidLiteral("71021b41-c749-4d21-be74-a00f335d582b"), 0, K::Choice, S::CoreParking, 9234},
    {u"CPMINCORES", GuidLiteral("0cc5b647-c1df-4637-891a-dec35c318583"), 0, K::Percent, S::CoreParking, 9235},
    {u"CPMAXCORES", GuidLiteral("ea062031-0e34-4ff1-9b6d-eb1059334028"), 0, K::Percent, S::CoreParking, 9236},
    {u"CPCONCURRENCY", GuidLiteral("2430ab6f-a520-44a2-9601-f7f23b5134b1"), 0, K::Percent, S::CoreParking, 9237},
    {u"CPHEADROOM", GuidLiteral("f735a673-2066-4f80-a0c5-ddee0cf1bf5d"), 0, K::Percent, S::CoreParking, 9238},
    {u"CPDISTRIBUTION", GuidLiteral("4bdaf4e9-d103-46d7-a5f0-6280121616ef"), 0, K::Percent, S::CoreParking, 9239},
    {u"DISTRIBUTEUTIL", GuidLiteral("e0007330-f589-42ed-a401-5ddb10e785d3"), 0, K::Choice, S::CoreParking, 9240},
    {u"CPOVERUTIL", GuidLiteral("943c8cb6-6f93-4227-ad87-e9a3feec08d1"), 0, K::Percent, S::CoreParking, 9241},
    {u"CPPERF", GuidLiteral("447235c7-6a8d-4cc0-8e24-9eaf70b96e2b"), 0, K::Choice, S::CoreParking, 9242},
    {u"HETERODECREASETIME", GuidLiteral("7f2492b6-60b1-45e5-ae55-773f8cd5caec"), 1, K::Intervals, S::HeteroScheduling, 9243},
    {u"HETEROINCREASETIME", GuidLiteral("4009efa7-e72d-4cba-9edf-91084ea8cbc3"), 1, K::Intervals, S::HeteroScheduling, 9244},
    {u"HETERODECREASETHRESHOLD", GuidLiteral("f8861c27-95e7-475c-865b-13c0cb3f9d6b"), 1, K::Threshold, S::HeteroScheduling, 9245},
    {u"HETEROINCREASETHRESHOLD", GuidLiteral("b000397d-9b0b-483d-98c9-692a6060cfbf"), 1, K::Threshold, S::HeteroScheduling, 9246},
    {u"HETEROCLASS1INITIALPERF", GuidLiteral("1facfc65-a930-4bc5-9f38-504ec097bbc0"), 1, K::Percent, S::HeteroScheduling, 9247},
    {u"HETEROCLASS0FLOORPERF", GuidLiteral("fddc842b-8364-4edc-94cf-c17f60de1c80"), 0, K::Percent, S::HeteroScheduling, 9248},
    {u"CPMINCORES1", GuidLiteral("0cc5b647-c1df-4637-891a-dec35c318584"), 1, K::Percent, S::HeteroScheduling, 9249},
    {u"CPMAXCORES1", GuidLiteral("ea062031-0e34-4ff1-9b6d-eb1059334029"), 1, K::Percent, S::HeteroScheduling, 9250},
    {u"CPPERF1", GuidLiteral("447235c7-6a8d-4cc0-8e24-9eaf70b96e2c"), 1, K::Choice, S::HeteroScheduling, 9251},
    {u"HETEROPOLICY", GuidLiteral("7f2f5cfa-f10c-4823-b5e1-e93ae85f46b5"), -1, K::Choice, S::SchedulingPolicies, 9252},
    {u"SCHEDPOLICY", GuidLiteral("93b8b6dc-0698-4d1c-9ee4-0644e900c85d"), -1, K::Choice, S::SchedulingPolicies, 9253},
    {u"SHORTSCHEDPOLICY", GuidLiteral("bae08b81-2d5e-4688-ad6a-13243356654b"), -1, K::Choice, S::SchedulingPolicies, 9254},
    {u"LATENCYHINTUNPARK", GuidLiteral("616cdaa5-695e-4545-97ad-97dc2d1bdd88"), 0, K::Percent, S::LatencyHints, 9259},
    {u"LATENCYHINTUNPARK1", GuidLiteral("616cdaa5-695e-4545-97ad-97dc2d1bdd89"), 1, K::Percent, S::LatencyHints, 9260},
    {u"LATENCYHINTPERF", GuidLiteral("619b7505-003b-4e82-b7a6-4dd29c300971"), 0, K::Percent, S::LatencyHints, 9261},
    {u"LATENCYHINTPERF1", GuidLiteral("619b7505-003b-4e82-b7a6-4dd29c300972"), 1, K::Percent, S::LatencyHints, 9262},
    {u"PERFDECPOL1", GuidLiteral("40fbefc7-2e9d-4d25-a185-0cfd8574bac7"), 1, K::Choice, S::Class1Performance, 9255},
    {u"PERFDECTHRESHOLD1", GuidLiteral("12a0ab44-fe28-4fa9-b3bd-4b64f44960a7"), 1, K::Percent, S::Class1Performance, 9256},
    {u"PERFDECTIME1", GuidLiteral("d8edeb9b-95cf-4f95-a73c-b061973693c9"), 1, K::Intervals, S::Class1Performance, 9257},
    {u"PERFEPP1", GuidLiteral("36687f9e-e3a5-4dbf-b1dc-15eb381c6864"), 1, K::Percent, S::Class1Performance, 9258},
};

constexpr uint32_t kCoreParkingRepairMax = 100;

// Windows refuses parking writes when the settings' registry description is
// damaged; puts back the description Windows ships.
void RepairCoreParkingDescription() {
    for (const Guid& setting : {guids::kCoreParkingMin0, guids::kCoreParkingMin1}) {
        std::u16string key = ProcessorSettingKey(setting);
        WriteDword(Hive::LocalMachine, key, u"Attributes", 1);
        WriteDword(Hive::LocalMachine, key, u"ValueIncrement", 1);
        WriteDword(Hive::LocalMachine, key, u"ValueMin", 0);
        WriteDword(Hive::LocalMachine, key, u"ValueMax", kCoreParkingRepairMax);
    }
}

void ReadSide(PowerSchemeAccess& power, const Guid& plan, bool ac, SourceSettings& side,
              const std::vector<int32_t>& classes, bool readHetero, const std::vector<Guid>& advanced, bool& ok) {
    for (int32_t cls : classes) {
        uint32_t value = 0;
        if (power.ReadCoreParkingMin(plan, cls, ac, value)) {
            side.coreParkingMin[cls] = value;
        } else if (cls == 0) {
            ok = false;
        }
        if (power.ReadMinProcessorState(plan, cls, ac, value)) side.minFrequency[cls] = value;
    }
    if (readHetero) {
        uint32_t policy = 0, shortPolicy = 0, longPolicy = 0;
        if (power.ReadHeteroPolicy(plan, ac, policy) && power.ReadShortSchedPolicy(plan, ac, shortPolicy) &&
            power.ReadSchedPolicy(plan, ac, longPolicy)) {
            side.hasHetero = true;
            side.heteroPolicy = policy;
            side.heteroShortPolicy = shortPolicy;
            side.heteroLongPolicy = longPolicy;
        }
    }
    for (const Guid& setting : advanced) {
        if (HasOwnField(setting)) continue;
        uint32_t value = 0;
        if (power.ReadSetting(plan, guids::kSubProcessor, setting, ac, value)) side.advanced[setting] = value;
    }
}

const Guid* ClassSetting(const Guid& class0, const Guid& class1, int32_t efficiencyClass) {
    if (efficiencyClass == 0) return &class0;
    if (efficiencyClass == 1) return &class1;
    return nullptr;  // not addressable
}

// One typed write; the first refusal of the whole write goes into `failure`.
bool Put(PowerSchemeAccess& power, const Guid& plan, const Guid* setting, bool ac, uint32_t value, WriteFailure& failure,
         uint32_t* error = nullptr) {
    if (setting == nullptr) return false;
    uint32_t code = 0;
    if (power.WriteSetting(plan, guids::kSubProcessor, *setting, ac, value, &code)) return true;
    if (error) {
        *error = code;  // the caller decides whether it counts
        return false;
    }
    if (!failure.failed) {
        failure.failed = true;
        failure.entry = SettingWrite{*setting, ac, value};
        failure.error = code;
    }
    return false;
}

bool WriteSide(PowerSchemeAccess& power, const Guid& plan, bool ac, const SourceSettings& side, bool writeHetero,
               bool raiseMaxState, WriteFailure& failure) {
    bool ok = true;
    if (writeHetero && side.hasHetero) {
        ok = Put(power, plan, &guids::kHeteroPolicy, ac, side.heteroPolicy, failure) && ok;
        ok = Put(power, plan, &guids::kShortSchedPolicy, ac, side.heteroShortPolicy, failure) && ok;
        ok = Put(power, plan, &guids::kSchedPolicy, ac, side.heteroLongPolicy, failure) && ok;
    }
    for (const auto& [cls, value] : side.coreParkingMin) {
        const Guid* setting = ClassSetting(guids::kCoreParkingMin0, guids::kCoreParkingMin1, cls);
        uint32_t error = 0;
        if (Put(power, plan, setting, ac, value, failure, &error)) continue;
        if (setting == nullptr) {
            ok = false;  // not addressable: nothing to repair
            continue;
        }
        RepairCoreParkingDescription();
        ok = Put(power, plan, setting, ac, value, failure) && ok;
    }
    for (const auto& [cls, value] : side.minFrequency) {
        ok = Put(power, plan, ClassSetting(guids::kMinProcessorState0, guids::kMinProcessorState1, cls), ac, value,
                 failure) && ok;
        if (raiseMaxState)
            ok = Put(power, plan, ClassSetting(guids::kMaxProcessorState0, guids::kMaxProcessorState1, cls), ac, 100,
                     failure) && ok;
    }
    return ok;
}

bool WriteModel(PowerSchemeAccess& power, const PlanSettings& source, bool writeHetero, bool raiseMaxState,
                bool activate, WriteFailure& failure) {
    PlanWriteGuard guard;
    if (guard.TimedOut()) return PlanWriteGuard::Failed(&failure);
    bool ok = WriteSide(power, source.plan, true, source.ac, writeHetero, raiseMaxState, failure);
    ok = WriteSide(power, source.plan, false, source.dc, writeHetero, raiseMaxState, failure) && ok;
    std::vector<SettingWrite> batch;
    for (const auto& [setting, value] : source.ac.advanced) batch.push_back({setting, true, value});
    for (const auto& [setting, value] : source.dc.advanced) batch.push_back({setting, false, value});
    WriteFailure batchFailure;
    if (!batch.empty() && !power.WriteSettings(source.plan, batch, false, &batchFailure)) {
        ok = false;
        if (!failure.failed) failure = batchFailure;
    }
    uint32_t error = 0;
    if (activate && !power.ActivateCurrentScheme(&error)) {
        ok = false;
        if (!failure.failed) {
            failure.failed = true;
            failure.activationFailed = true;
            failure.error = error;
        }
    }
    return ok;
}

template <typename Map, typename Name>
void DiffMaps(bool ac, const Map& left, const Map& right, Name name, std::vector<DiffEntry>& out) {
    std::set<typename Map::key_type> keys;
    for (const auto& [k, v] : left) keys.insert(k);
    for (const auto& [k, v] : right) keys.insert(k);
    for (const auto& key : keys) {
        auto l = left.find(key);
        auto r = right.find(key);
        bool lp = l != left.end();
        bool rp = r != right.end();
        if (lp && rp && l->second == r->second) continue;
        out.push_back(DiffEntry{ac, name(key), lp, rp, lp ? l->second : 0, rp ? r->second : 0});
    }
}

void DiffSide(bool ac, const SourceSettings& l, const SourceSettings& r, std::vector<DiffEntry>& out) {
    auto className = [](const char16_t* prefix) {
        return [prefix](int32_t cls) { return std::u16string(prefix) + u"[" + ToDecimal(cls) + u"]"; };
    };
    DiffMaps(ac, l.coreParkingMin, r.coreParkingMin, className(u"CoreParkingMin"), out);
    DiffMaps(ac, l.minFrequency, r.minFrequency, className(u"MinFrequency"), out);
    auto hetero = [&](const char16_t* name, uint32_t lv, uint32_t rv) {
        if (l.hasHetero != r.hasHetero || (l.hasHetero && lv != rv))
            out.push_back(DiffEntry{ac, name, l.hasHetero, r.hasHetero, l.hasHetero ? lv : 0, r.hasHetero ? rv : 0});
    };
    hetero(u"HeteroPolicy", l.heteroPolicy, r.heteroPolicy);
    hetero(u"HeteroShortPolicy", l.heteroShortPolicy, r.heteroShortPolicy);
    hetero(u"HeteroLongPolicy", l.heteroLongPolicy, r.heteroLongPolicy);
    DiffMaps(ac, l.advanced, r.advanced, [](const Guid& g) { return u"Advanced " + GuidToText(g); }, out);
}

}  // namespace

const std::vector<AdvancedSettingDef>& AdvancedSettings() { return kAdvanced; }

std::vector<Guid> AdvancedSettingGuids() {
    std::vector<Guid> list;
    for (const auto& def : kAdvanced) list.push_back(def.guid);
    return list;
}

const AdvancedSettingDef* FindAdvancedSetting(const Guid& setting) {
    for (const auto& def : kAdvanced) {
        if (def.guid == setting) return &def;
    }
    return nullptr;
}

const AdvancedSettingDef* FindAdvancedSettingByAlias(std::u16string_view alias) {
    for (const auto& def : kAdvanced) {
        if (EqualsIgnoreAsciiCase(def.alias, alias)) return &def;
    }
    return nullptr;
}

bool NeedsHeterogeneousProcessor(const AdvancedSettingDef& def) {
    return def.efficiencyClass == 1 || def.section == S::HeteroScheduling || def.section == S::SchedulingPolicies ||
           def.section == S::Class1Performance;
}

void Clear(SourceSettings& side) {
    side.coreParkingMin.clear();
    side.minFrequency.clear();
    side.hasHetero = false;
    side.heteroPolicy = side.heteroShortPolicy = side.heteroLongPolicy = 0;
    side.advanced.clear();
}

bool ReadFromPlan(PowerSchemeAccess& power, PlanSettings& target, const std::vector<int32_t>& classes, bool readHetero,
                  const std::vector<Guid>& advanced) {
    Clear(target.ac);
    Clear(target.dc);
    std::u16string name;
    if (power.ReadPlanName(target.plan, name)) target.planName = name;
    bool ok = true;
    ReadSide(power, target.plan, true, target.ac, classes, readHetero, advanced, ok);
    ReadSide(power, target.plan, false, target.dc, classes, readHetero, advanced, ok);
    return ok;
}

bool WriteToPlan(PowerSchemeAccess& power, const PlanSettings& source, bool writeHetero, bool raiseMaxState,
                 bool activate, WriteFailure* failure) {
    WriteFailure record;
    bool ok = WriteModel(power, source, writeHetero, raiseMaxState, activate, record);
    if (failure) *failure = record;
    return ok;
}

bool Equals(const SourceSettings& a, const SourceSettings& b) {
    if (a.coreParkingMin != b.coreParkingMin || a.minFrequency != b.minFrequency || a.hasHetero != b.hasHetero ||
        a.advanced != b.advanced)
        return false;
    return !a.hasHetero || (a.heteroPolicy == b.heteroPolicy && a.heteroShortPolicy == b.heteroShortPolicy &&
                            a.heteroLongPolicy == b.heteroLongPolicy);
}

bool Equals(const PlanSettings& a, const PlanSettings& b) { return Equals(a.ac, b.ac) && Equals(a.dc, b.dc); }

std::vector<DiffEntry> Diff(const PlanSettings& left, const PlanSettings& right) {
    std::vector<DiffEntry> out;
    DiffSide(true, left.ac, right.ac, out);
    DiffSide(false, left.dc, right.dc, out);
    return out;
}

std::vector<int32_t> UsualClasses(PowerSchemeAccess& power, const Guid& plan) {
    std::vector<int32_t> classes{0};
    uint32_t value = 0;
    if (power.ReadCoreParkingMin(plan, 1, true, value)) classes.push_back(1);
    return classes;
}

}  // namespace quellora
