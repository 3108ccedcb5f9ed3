#include "model/maker_plan.h"

#include "model/presets.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {

constexpr std::u16string_view kCustomGuidValue = u"CustomHighPerfGUID";
constexpr std::u16string_view kUninstalledValue = u"OHPUninstalled";
constexpr std::u16string_view kReinitValue = u"OHPReinitDone";
constexpr std::u16string_view kMakerProducts[] = {u"Software\\Taskwarden", u"Software\\Quellora", u"Software\\Vantrel",
                                                  u"Software\\Ostrima"};

bool OlderThanWindows11() {
    OsVersion os;
    if (!Sys().system || !Sys().system->GetOsVersion(os)) return false;
    return os.major < 10 || (os.major == 10 && os.minor == 0 && os.build < 22000);
}

}  // namespace

bool MakerPlanUninstalledByUser() {
    for (auto key : kMakerProducts) {
        if (ReadDwordOr(Hive::LocalMachine, key, kUninstalledValue, 0) != 0) return true;
    }
    return false;
}

bool FindMakerPlan(PowerSchemeAccess& power, Guid& plan) { return power.FindPlanByName(kMakerPlanName, plan); }

bool MakerPlanExists(PowerSchemeAccess& power) {
    Guid plan;
    return FindMakerPlan(power, plan);
}

bool IsMakerPlan(const Guid& plan) {
    Guid maker;
    return ScanMakerPlan(maker) && maker == plan;
}

bool WriteMakerPlanSettings(PowerSchemeAccess& power, const Guid& plan) {
    bool ok = true;
    // Class-1 settings count only where the plan has them: a processor
    // without a second class has no class-1 settings to write.
    auto required = [&](const Guid& setting, bool ac) {
        uint32_t current = 0;
        if (setting == guids::kCoreParkingMin1 || setting == guids::kMaxProcessorState1) {
            if (!power.ReadSetting(plan, guids::kSubProcessor, setting, ac, current)) return;
        }
        ok = power.WriteSetting(plan, guids::kSubProcessor, setting, ac, 100) && ok;
    };
    for (const Guid& setting : {guids::kCoreParkingMin0, guids::kMinProcessorState0, guids::kCoreParkingMin1,
                                guids::kMaxProcessorState1}) {
        required(setting, true);
        required(setting, false);
    }
    if (IsHeterogeneousProcessor()) {
        power.WriteShortSchedPolicy(plan, true, 2);
        power.WriteSchedPolicy(plan, true, 2);
    }
    for (const PresetSetting& row : PresetSettings()) {
        for (bool ac : {true, false}) {
            uint32_t current = 0;
            if (power.ReadSetting(plan, guids::kSubProcessor, row.setting, ac, current))
                power.WriteSetting(plan, guids::kSubProcessor, row.setting, ac, row.responsive);
        }
    }
    return ok;
}

bool CreateMakerPlan(PowerSchemeAccess& power, Guid& plan) {
    if (FindMakerPlan(power, plan)) return true;
    Guid created;
    if (!power.DuplicatePlan(power.HighestBuiltInPlan(), created) || created.IsNull()) return false;
    power.WritePlanName(created, kMakerPlanName);
    power.WritePlanDescription(created, kMakerPlanDescription);
    if (!WriteMakerPlanSettings(power, created)) return false;
    WriteGuidValue(Hive::LocalMachine, kAppKey, kCustomGuidValue, created);
    plan = created;
    return true;
}

bool EnsureMakerPlan(PowerSchemeAccess& power, bool force) {
    if ((!force && MakerPlanUninstalledByUser()) || power.OverlaysInUse(false)) return false;
    DeleteValueIfPresent(Hive::LocalMachine, kAppKey, kUninstalledValue);
    Guid plan;
    return CreateMakerPlan(power, plan);
}

bool FindOrCreateMakerPlan(PowerSchemeAccess& power, Guid& plan) {
    if (FindMakerPlan(power, plan)) return true;
    EnsureMakerPlan(power, false);
    return FindMakerPlan(power, plan);
}

bool RefreshMakerPlan(PowerSchemeAccess& power) {
    Guid plan;
    return FindOrCreateMakerPlan(power, plan) && WriteMakerPlanSettings(power, plan);
}

bool RemoveMakerPlan(PowerSchemeAccess& power, bool markUninstalled) {
    if (markUninstalled) WriteDword(Hive::LocalMachine, kAppKey, kUninstalledValue, 1);
    Guid plan;
    if (!FindOrCreateMakerPlan(power, plan)) return true;
    if (power.IsActivePlan(plan)) power.ActivatePlan(guids::kBalanced);
    if (!power.DeletePlan(plan)) return false;
    DeleteValueIfPresent(Hive::LocalMachine, kAppKey, kCustomGuidValue);
    return true;
}

int RemoveDuplicateMakerPlans(PowerSchemeAccess& power) {
    auto found = ScanMakerPlans();
    if (found.size() >= 2) {
        for (const Guid& plan : found) power.DeletePlan(plan);
    }
    return static_cast<int>(found.size());
}

void ReinitMakerPlanOnce(PowerSchemeAccess& power) {
    if (ReadDwordOr(Hive::LocalMachine, kAppKey, kReinitValue, 0) != 0 ||
        ReadDwordOr(Hive::CurrentUser, kAppKey, kReinitValue, 0) != 0)
        return;
    if (!MainTopology().IsIntel12thGen() || !OlderThanWindows11()) return;
    WriteDword(Hive::LocalMachine, kAppKey, kReinitValue, 1);
    WriteDword(Hive::CurrentUser, kAppKey, kReinitValue, 1);
    RefreshMakerPlan(power);
}

}  // namespace quellora
