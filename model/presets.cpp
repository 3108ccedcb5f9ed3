#include "model/presets.h"

#include <algorithm>

#include "model/persisted_store.h"
#include "model/plan_settings.h"
#include "power/main_topology.h"
#include "power/plan_write_guard.h"
#include "power/setting_metadata.h"

namespace quellora {

namespace {

bool IncludesAc(Sides sides) { return sides == Sides::Ac || sides == Sides::Both; }
bool IncludesDc(Sides sides) { return sides == Sides::Dc || sides == Sides::Both; }

// A preset leaves out settings the plan does not have and, on a processor
// with one efficiency class, the settings that only a heterogeneous one uses.
bool PresetSkips(PowerSchemeAccess& power, const Guid& plan, const Guid& setting, bool heterogeneous) {
    uint32_t value = 0;
    if (!power.ReadSetting(plan, guids::kSubProcessor, setting, true, value)) return true;
    if (heterogeneous) return false;
    const AdvancedSettingDef* def = FindAdvancedSetting(setting);
    return def && NeedsHeterogeneousProcessor(*def);
}

std::optional<uint32_t> TableOrDefault(const Guid& plan, const PresetSetting& row, int presetNumber, bool ac) {
    switch (presetNumber) {
        case preset::kResponsive:
            return row.responsive;
        case preset::kPowerSaver:
            return row.powerSaver;
        case preset::kWindowsDefaults: {
            uint32_t value = 0;
            if (ReadWindowsDefault(plan, row.setting, ac, value)) return value;
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

const std::vector<PresetSetting>& PresetSettings() {
    static const std::vector<PresetSetting> kSettings = {
        {guids::kCoreParkingMin0, 100, 0},                                // CPMINCORES
        {guids::kCoreParkingMin1, 100, 0},                                // CPMINCORES1
        {GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5"), 15, 40},   // PERFCHECK
        {GuidLiteral("2ddd5a84-5a71-437e-912a-db0b8c788732"), 1, 10},    // CPINCREASETIME
        {GuidLiteral("dfd10d17-d5eb-45dd-877a-9a34ddd15c82"), 20, 2},    // CPDECREASETIME
        {GuidLiteral("c7be0679-2817-4d69-9d02-519a537ed0c6"), 2, 0},     // CPINCREASEPOL
        {GuidLiteral("71021b41-c749-4d21-be74-a00f335d582b"), 0, 2},     // CPDECREASEPOL
        {GuidLiteral("7f2492b6-60b1-45e5-ae55-773f8cd5caec"), 20, 2},    // HETERODECREASETIME
        {GuidLiteral("4009efa7-e72d-4cba-9edf-91084ea8cbc3"), 1, 10},    // HETEROINCREASETIME
        {GuidLiteral("fddc842b-8364-4edc-94cf-c17f60de1c80"), 100, 50},  // HETEROCLASS0FLOORPERF
    };
    return kSettings;
}

std::vector<SettingWrite> PresetEntries(PowerSchemeAccess& power, const Guid& plan, int presetNumber, Sides sides) {
    std::vector<SettingWrite> entries;
    const bool heterogeneous = IsHeterogeneousProcessor();
    for (const PresetSetting& row : PresetSettings()) {
        if (PresetSkips(power, plan, row.setting, heterogeneous)) continue;
        for (bool ac : {true, false}) {
            if (ac ? !IncludesAc(sides) : !IncludesDc(sides)) continue;
            if (auto value = TableOrDefault(plan, row, presetNumber, ac)) entries.push_back({row.setting, ac, *value});
        }
    }
    return entries;
}

bool ApplyPreset(PowerSchemeAccess& power, const Guid& plan, int presetNumber, Sides sides, WriteFailure* failure) {
    if (failure) *failure = WriteFailure{};
    if (presetNumber <= 0) return true;
    return WriteAndRefresh(power, plan, PresetEntries(power, plan, presetNumber, sides), false, failure);
}

std::optional<uint32_t> PresetValue(PowerSchemeAccess& power, const Guid& plan, int presetNumber, const Guid& setting,
                                    bool ac) {
    const auto& rows = PresetSettings();
    auto row = std::find_if(rows.begin(), rows.end(), [&](const PresetSetting& r) { return r.setting == setting; });
    if (row == rows.end() || PresetSkips(power, plan, setting, IsHeterogeneousProcessor())) return std::nullopt;
    return TableOrDefault(plan, *row, presetNumber, ac);
}

int DetectPreset(PowerSchemeAccess& power, const Guid& plan, Sides sides) {
    const bool heterogeneous = IsHeterogeneousProcessor();
    for (int candidate : {preset::kResponsive, preset::kPowerSaver, preset::kWindowsDefaults}) {
        bool differs = false;
        int compared = 0;
        for (const PresetSetting& row : PresetSettings()) {
            if (differs) break;
            if (PresetSkips(power, plan, row.setting, heterogeneous)) continue;
            for (bool ac : {true, false}) {
                if (ac ? !IncludesAc(sides) : !IncludesDc(sides)) continue;
                uint32_t current = 0;
                if (!power.ReadSetting(plan, guids::kSubProcessor, row.setting, ac, current)) continue;
                auto wanted = TableOrDefault(plan, row, candidate, ac);
                if (!wanted) continue;
                if (*wanted != current) {
                    differs = true;
                    break;
                }
                ++compared;
            }
        }
        if (!differs && compared > 0) return candidate;
    }
    return preset::kNone;
}

bool ResetToWindowsDefaults(PowerSchemeAccess& power, const Guid& plan) {
    PlanWriteGuard guard;
    if (guard.TimedOut()) return false;
    std::vector<Guid> settings = AdvancedSettingGuids();
    for (const Guid& g : {guids::kMinProcessorState0, guids::kMaxProcessorState0, guids::kMinProcessorState1,
                          guids::kMaxProcessorState1}) {
        if (std::find(settings.begin(), settings.end(), g) == settings.end()) settings.push_back(g);
    }
    bool coreParkingWritten = false;
    for (const Guid& setting : settings) {
        for (bool ac : {true, false}) {
            uint32_t current = 0;
            uint32_t fallback = 0;
            if (!power.ReadSetting(plan, guids::kSubProcessor, setting, ac, current) ||
                !ReadWindowsDefault(plan, setting, ac, fallback))
                continue;
            if (power.WriteSettings(plan, {{setting, ac, fallback}}, false) && setting == guids::kCoreParkingMin0)
                coreParkingWritten = true;
        }
    }
    return coreParkingWritten;
}

bool ResetToWindowsDefaultsAndForget(PowerSchemeAccess& power, const Guid& plan) {
    PlanWriteGuard guard;
    if (guard.TimedOut() || !ResetToWindowsDefaults(power, plan)) return false;
    const bool activated = power.ActivateCurrentScheme();
    return DeleteStored(power, plan) && activated;
}

}  // namespace quellora
