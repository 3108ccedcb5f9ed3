#include "model/persisted_store.h"

#include <set>

#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/plan_write_guard.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {

constexpr std::u16string_view kParkingPrefix = u"EfficiencyClassToCoreParking_";
constexpr std::u16string_view kFrequencyPrefix = u"EfficiencyClassToFrequencyScalingMin_";
constexpr std::u16string_view kAdvancedPrefix = u"Advanced_";

// The plan's key in the store; false when the plan's name cannot be read (an
// empty name has no key of its own either).
bool PlanKey(PowerSchemeAccess& power, const Guid& plan, std::u16string& key, std::u16string* planName = nullptr) {
    std::u16string name;
    if (!power.ReadPlanName(plan, name) || name.empty()) return false;
    key = std::u16string(kPersistedPlansKey) + u"\\" + name;
    if (planName) *planName = name;
    return true;
}

std::u16string SideKey(const std::u16string& planKey, bool ac) { return planKey + (ac ? u"\\AC" : u"\\DC"); }

bool ReadDwordValue(Registry& reg, const std::u16string& key, std::u16string_view name, uint32_t& value) {
    RegValue v;
    return reg.QueryValue(Hive::CurrentUser, key, name, v) == 0 && v.AsDword(value);
}

}  // namespace

bool SaveStoredSide(PowerSchemeAccess& power, const Guid& plan, bool ac, const SourceSettings& side) {
    Registry* reg = Sys().registry;
    std::u16string planKey;
    if (!reg || !PlanKey(power, plan, planKey)) return false;
    const std::u16string key = SideKey(planKey, ac);
    if (reg->CreateKey(Hive::CurrentUser, key) != 0) return false;
    bool ok = true;
    auto put = [&](std::u16string_view name, uint32_t value) {
        ok = reg->SetValue(Hive::CurrentUser, key, name, RegValue::Dword(value)) == 0 && ok;
    };
    if (side.hasHetero) {
        put(u"HeteroPolicy", side.heteroPolicy);
        put(u"HeteroShort", side.heteroShortPolicy);
        put(u"HeteroLong", side.heteroLongPolicy);
    }
    for (const auto& [cls, value] : side.coreParkingMin) put(Format(u"%s%u", kParkingPrefix, static_cast<uint32_t>(cls)), value);
    for (const auto& [cls, value] : side.minFrequency) put(Format(u"%s%u", kFrequencyPrefix, static_cast<uint32_t>(cls)), value);
    for (const auto& [setting, value] : side.advanced) put(Format(u"%s%s", kAdvancedPrefix, GuidToText(setting)), value);
    return ok;
}

namespace {

// Loads one side from the plan's key in the store.
bool LoadSideFromKey(Registry& reg, const std::u16string& planKey, bool ac, bool readHetero, SourceSettings& target) {
    Clear(target);
    const std::u16string key = SideKey(planKey, ac);
    if (reg.OpenKey(Hive::CurrentUser, key) != 0) return false;

    bool heteroFound = true;
    if (readHetero) {
        uint32_t policy = 0, shortPolicy = 0, longPolicy = 0;
        if (ReadDwordValue(reg, key, u"HeteroPolicy", policy) && ReadDwordValue(reg, key, u"HeteroShort", shortPolicy) &&
            ReadDwordValue(reg, key, u"HeteroLong", longPolicy)) {
            target.hasHetero = true;
            target.heteroPolicy = policy;
            target.heteroShortPolicy = shortPolicy;
            target.heteroLongPolicy = longPolicy;
        } else {
            heteroFound = false;
        }
    }

    std::vector<RegEntry> values;
    reg.EnumValues(Hive::CurrentUser, key, values);
    for (const auto& entry : values) {
        // An enumeration with room for a 256-character name and four bytes of
        // data ends at the first value that does not fit.
        if (entry.name.size() > 256 || entry.value.data.size() > 4) break;
        uint32_t value = 0;
        if (!entry.value.AsDword(value)) continue;
        std::u16string_view name = entry.name;
        if (StartsWith(name, kParkingPrefix)) {
            target.coreParkingMin[static_cast<int32_t>(ParseLeadingInt(name.substr(kParkingPrefix.size())))] = value;
        } else if (StartsWith(name, kFrequencyPrefix)) {
            target.minFrequency[static_cast<int32_t>(ParseLeadingInt(name.substr(kFrequencyPrefix.size())))] = value;
        } else if (StartsWith(name, kAdvancedPrefix)) {
            Guid setting;
            if (StringToGuid(name.substr(kAdvancedPrefix.size()), setting) && !HasOwnField(setting))
                target.advanced[setting] = value;
        }
    }
    return !target.coreParkingMin.empty() && !target.minFrequency.empty() && heteroFound;
}

}  // namespace

bool LoadStoredSide(PowerSchemeAccess& power, const Guid& plan, bool ac, bool readHetero, SourceSettings& target) {
    Clear(target);
    Registry* reg = Sys().registry;
    std::u16string planKey;
    if (!reg || !PlanKey(power, plan, planKey)) return false;
    return LoadSideFromKey(*reg, planKey, ac, readHetero, target);
}

bool LoadStored(PowerSchemeAccess& power, const Guid& plan, PlanSettings& target) {
    Registry* reg = Sys().registry;
    std::u16string name, planKey;
    if (!reg || !PlanKey(power, plan, planKey, &name)) return false;
    const bool hetero = IsHeterogeneousProcessor();
    PlanSettings loaded;
    loaded.plan = plan;
    loaded.planName = name;
    if (!LoadSideFromKey(*reg, planKey, true, hetero, loaded.ac) || !LoadSideFromKey(*reg, planKey, false, hetero, loaded.dc))
        return false;
    target = std::move(loaded);
    return true;
}

bool HasStored(PowerSchemeAccess& power, const Guid& plan) {
    PlanSettings ignored;
    return LoadStored(power, plan, ignored);
}

std::vector<int32_t> StoredClasses(const PlanSettings& stored) {
    std::set<int32_t> classes;
    for (const SourceSettings* side : {&stored.ac, &stored.dc}) {
        for (const auto& [cls, v] : side->coreParkingMin) classes.insert(cls);
        for (const auto& [cls, v] : side->minFrequency) classes.insert(cls);
    }
    if (classes.empty()) classes.insert(0);
    return {classes.begin(), classes.end()};
}

std::vector<Guid> StoredAdvanced(const PlanSettings& stored) {
    std::set<Guid> settings;
    for (const auto& [g, v] : stored.ac.advanced) settings.insert(g);
    for (const auto& [g, v] : stored.dc.advanced) settings.insert(g);
    return {settings.begin(), settings.end()};
}

bool RefreshStored(PowerSchemeAccess& power, const Guid& plan) {
    PlanWriteGuard guard;  // what is read is what is saved
    if (guard.TimedOut()) return false;
    PlanSettings stored;
    if (!LoadStored(power, plan, stored)) return true;
    PlanSettings live;
    live.plan = plan;
    if (!ReadFromPlan(power, live, StoredClasses(stored), IsHeterogeneousProcessor(), StoredAdvanced(stored))) return false;
    bool ok = SaveStoredSide(power, plan, true, live.ac);
    return SaveStoredSide(power, plan, false, live.dc) && ok;
}

bool DeleteStored(PowerSchemeAccess& power, const Guid& plan) {
    Registry* reg = Sys().registry;
    std::u16string planKey;
    if (!reg || !PlanKey(power, plan, planKey)) return false;
    bool ok = true;
    for (bool ac : {true, false}) {
        uint32_t result = reg->DeleteTree(Hive::CurrentUser, SideKey(planKey, ac));
        ok = (result == 0 || reg->OpenKey(Hive::CurrentUser, SideKey(planKey, ac)) != 0) && ok;
    }
    reg->DeleteKey(Hive::CurrentUser, planKey);
    return ok;
}

bool WriteAndRefresh(PowerSchemeAccess& power, const Guid& plan, const std::vector<SettingWrite>& batch, bool activate,
                     WriteFailure* failure) {
    PlanWriteGuard guard;
    if (guard.TimedOut()) return PlanWriteGuard::Failed(failure);
    if (!power.WriteSettings(plan, batch, activate, failure)) return false;
    RefreshStored(power, plan);
    return true;
}

bool ReapplyStored(PowerSchemeAccess& power) {
    const bool hetero = IsHeterogeneousProcessor();
    for (const Guid& plan : power.ListedPlans()) {
        // The copy loaded is the one written: an apply in between would be undone.
        PlanWriteGuard guard;
        PlanSettings stored;
        if (!guard.TimedOut() && LoadStored(power, plan, stored)) WriteToPlan(power, stored, hetero, false, false);
    }
    return true;
}

}  // namespace quellora
