#include "boost/boost_settings.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <optional>

#include "boost/boost_runtime.h"
#include "model/maker_plan.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {

constexpr uint64_t kCacheLifetimeMs = 3000;
constexpr uint32_t kDefaultIdleSeconds = kDefaultIdleTimeoutMs / 1000;

bool ReadFlag(std::u16string_view name, bool fallback) {
    return ReadDwordOr(Hive::CurrentUser, kAppKey, name, fallback ? 1 : 0) != 0;
}

void WriteFlag(std::u16string_view name, bool value) { WriteDword(Hive::CurrentUser, kAppKey, name, value ? 1 : 0); }

bool ReadPlanValue(std::u16string_view name, Guid& plan) {
    return ReadGuidValue(Hive::CurrentUser, kAppKey, name, plan);
}

// The plans of one read of the settings: the selectable plans are listed once
// however many stored plans are resolved against them.
struct PlanLookup {
    explicit PlanLookup(PowerSchemeAccess& p) : power(p) {}
    PowerSchemeAccess& power;
    std::optional<std::vector<Guid>> selectable;

    const std::vector<Guid>& Selectable() {
        if (!selectable) selectable = power.EnumeratePlans(true);
        return *selectable;
    }
    bool Exists(const Guid& plan) {
        const auto& list = Selectable();
        return std::find(list.begin(), list.end(), plan) != list.end();
    }
};

using DefaultPlanFn = Guid (*)(PowerSchemeAccess&);

// A mains plan: the stored value (or its default, written back), else the
// default, else the fixed fallbacks.
Guid MainsPlan(PlanLookup& lookup, std::u16string_view name, DefaultPlanFn defaultPlan,
               std::initializer_list<Guid> fixedFallbacks) {
    Guid stored;
    std::optional<Guid> fallbackDefault;
    if (!ReadPlanValue(name, stored)) {
        fallbackDefault = defaultPlan(lookup.power);
        WriteGuidValue(Hive::CurrentUser, kAppKey, name, *fallbackDefault);
        stored = *fallbackDefault;
    }
    if (lookup.Exists(stored)) return stored;
    if (!fallbackDefault) fallbackDefault = defaultPlan(lookup.power);
    std::vector<Guid> fallbacks{*fallbackDefault};
    fallbacks.insert(fallbacks.end(), fixedFallbacks);
    return ResolveBoostPlan(lookup.Selectable(), stored, fallbacks);
}

Guid ActivePlanIn(PlanLookup& lookup) {
    return MainsPlan(lookup, boostvalues::kActivePlan, DefaultActivePlan,
                     {guids::kHighPerformance, guids::kOverlay3, guids::kBalanced});
}

Guid IdlePlanIn(PlanLookup& lookup) {
    return MainsPlan(lookup, boostvalues::kIdlePlan, DefaultIdlePlan,
                     {guids::kPowerSaver, guids::kOverlay1, guids::kBalanced});
}

// A battery plan follows the mains plan while it is missing or zero.
Guid BatteryPlan(PlanLookup& lookup, std::u16string_view name, Guid (*mainsPlan)(PlanLookup&)) {
    Guid stored;
    if (!ReadPlanValue(name, stored) || stored.IsNull()) return mainsPlan(lookup);
    if (lookup.Exists(stored)) return stored;
    return ResolveBoostPlan(lookup.Selectable(), stored, {mainsPlan(lookup)});
}

int32_t IdleTimeoutFromSeconds(int32_t seconds) {
    if (seconds < 1) return seconds;
    return static_cast<int32_t>(
        std::min<int64_t>(int64_t(seconds) * 1000, std::numeric_limits<int32_t>::max()));
}

struct SettingsCache {
    std::mutex mutex;
    bool filled = false;
    uint64_t readAt = 0;
    BoostSettings settings;
};

SettingsCache& Cache() {
    static SettingsCache cache;
    return cache;
}

uint64_t NowMs() { return Sys().clock ? Sys().clock->TickCount64() : 0; }

}  // namespace

bool IsBoostEnabled() { return ReadFlag(boostvalues::kEnabled, false); }

void SetBoostEnabled(bool enabled) {
    WriteFlag(boostvalues::kEnabled, enabled);
    if (!enabled) StopBoost();
}

Guid DefaultActivePlan(PowerSchemeAccess& power) {
    if (power.OverlaysInUse(true)) return guids::kOverlay3;
    Guid maker;
    if (FindMakerPlan(power, maker)) return maker;
    return guids::kHighPerformance;
}

Guid DefaultIdlePlan(PowerSchemeAccess& power) {
    return power.OverlaysInUse(true) ? guids::kOverlay1 : guids::kPowerSaver;
}

Guid ResolveBoostPlan(const std::vector<Guid>& selectable, const Guid& stored, const std::vector<Guid>& fallbacks) {
    auto listed = [&](const Guid& plan) { return std::find(selectable.begin(), selectable.end(), plan) != selectable.end(); };
    if (listed(stored)) return stored;
    for (const Guid& fallback : fallbacks) {
        if (listed(fallback)) return fallback;
    }
    return stored;
}

Guid ResolveBoostPlan(PowerSchemeAccess& power, const Guid& stored, const std::vector<Guid>& fallbacks) {
    return ResolveBoostPlan(power.EnumeratePlans(true), stored, fallbacks);
}

Guid GetActivePlan(PowerSchemeAccess& power) {
    PlanLookup lookup(power);
    return ActivePlanIn(lookup);
}

Guid GetIdlePlan(PowerSchemeAccess& power) {
    PlanLookup lookup(power);
    return IdlePlanIn(lookup);
}

Guid GetActivePlanDC(PowerSchemeAccess& power) {
    PlanLookup lookup(power);
    return BatteryPlan(lookup, boostvalues::kActivePlanDC, ActivePlanIn);
}

Guid GetIdlePlanDC(PowerSchemeAccess& power) {
    PlanLookup lookup(power);
    return BatteryPlan(lookup, boostvalues::kIdlePlanDC, IdlePlanIn);
}

Guid GetActivePlan() {
    PowerSchemeAccess power;
    return GetActivePlan(power);
}

Guid GetIdlePlan() {
    PowerSchemeAccess power;
    return GetIdlePlan(power);
}

Guid GetActivePlanDC() {
    PowerSchemeAccess power;
    return GetActivePlanDC(power);
}

Guid GetIdlePlanDC() {
    PowerSchemeAccess power;
    return GetIdlePlanDC(power);
}

bool SetActivePlan(const Guid& plan) { return WriteGuidValue(Hive::CurrentUser, kAppKey, boostvalues::kActivePlan, plan); }
bool SetIdlePlan(const Guid& plan) { return WriteGuidValue(Hive::CurrentUser, kAppKey, boostvalues::kIdlePlan, plan); }
bool SetActivePlanDC(const Guid& plan) {
    return WriteGuidValue(Hive::CurrentUser, kAppKey, boostvalues::kActivePlanDC, plan);
}
bool SetIdlePlanDC(const Guid& plan) { return WriteGuidValue(Hive::CurrentUser, kAppKey, boostvalues::kIdlePlanDC, plan); }

int32_t GetIdleTimeoutMs() {
    uint32_t stored = kDefaultIdleSeconds;
    ReadDword(Hive::CurrentUser, kAppKey, boostvalues::kIdleSeconds, stored);
    return IdleTimeoutFromSeconds(static_cast<int32_t>(stored));
}

void SetIdleTimeoutMs(int32_t ms) {
    WriteDword(Hive::CurrentUser, kAppKey, boostvalues::kIdleSeconds, static_cast<uint32_t>(ms / 1000));
}

void SetIdleTimeoutSeconds(uint32_t seconds) {
    WriteDword(Hive::CurrentUser, kAppKey, boostvalues::kIdleSeconds, seconds);
}

BatteryMode GetBatteryMode() {
    uint32_t mode = 0;
    if (ReadDword(Hive::CurrentUser, kAppKey, boostvalues::kBatteryMode, mode) && mode < 3)
        return static_cast<BatteryMode>(mode);
    return ReadFlag(boostvalues::kDisableOnBattery, false) ? BatteryMode::Pause : BatteryMode::SamePlans;
}

void SetBatteryMode(BatteryMode mode) {
    WriteDword(Hive::CurrentUser, kAppKey, boostvalues::kBatteryMode, static_cast<uint32_t>(mode));
    WriteFlag(boostvalues::kDisableOnBattery, mode == BatteryMode::Pause);
}

void SetPauseOnBattery(bool pause) {
    if (pause) {
        SetBatteryMode(BatteryMode::Pause);
    } else if (GetBatteryMode() == BatteryMode::Pause) {
        SetBatteryMode(BatteryMode::SamePlans);
    }
}

bool GetPauseOnBatterySaver() { return ReadFlag(boostvalues::kPauseOnBatterySaver, true); }
void SetPauseOnBatterySaver(bool pause) { WriteFlag(boostvalues::kPauseOnBatterySaver, pause); }
bool GetAwayIsIdle() { return ReadFlag(boostvalues::kAwayIsIdle, true); }
void SetAwayIsIdle(bool awayIsIdle) { WriteFlag(boostvalues::kAwayIsIdle, awayIsIdle); }

BoostSettings LoadBoostSettings(PowerSchemeAccess& power) {
    PlanLookup lookup(power);
    BoostSettings s;
    s.activePlan = ActivePlanIn(lookup);
    s.idlePlan = IdlePlanIn(lookup);
    s.activePlanDC = BatteryPlan(lookup, boostvalues::kActivePlanDC, ActivePlanIn);
    s.idlePlanDC = BatteryPlan(lookup, boostvalues::kIdlePlanDC, IdlePlanIn);
    const int32_t timeout = GetIdleTimeoutMs();
    s.idleTimeoutMs = timeout < 1 ? kDefaultIdleTimeoutMs : static_cast<uint32_t>(timeout);
    s.batteryMode = GetBatteryMode();
    s.pauseOnBatterySaver = GetPauseOnBatterySaver();
    s.awayIsIdle = GetAwayIsIdle();
    return s;
}

BoostSettings LoadBoostSettings() {
    PowerSchemeAccess power;
    return LoadBoostSettings(power);
}

BoostSettings LoadBoostSettingsCached() {
    SettingsCache& cache = Cache();
    std::lock_guard lock(cache.mutex);
    const uint64_t now = NowMs();
    if (!cache.filled || now - cache.readAt > kCacheLifetimeMs) {
        cache.settings = LoadBoostSettings();
        cache.readAt = now;
        cache.filled = true;
    }
    return cache.settings;
}

void ForgetBoostSettingsCache() {
    SettingsCache& cache = Cache();
    std::lock_guard lock(cache.mutex);
    cache.filled = false;
}

BoostDecision DecideBoost(const BoostSettings& settings, const BoostInputs& inputs) {
    const bool batteryPlans = inputs.onBattery && settings.batteryMode == BatteryMode::BatteryPlans;
    const Guid& inUsePlan = batteryPlans ? settings.activePlanDC : settings.activePlan;
    const Guid& idlePlan = batteryPlans ? settings.idlePlanDC : settings.idlePlan;
    // A remote session has no display or lid of its own; its lock still counts.
    const bool screenOff = inputs.displayOff && !inputs.remoteSession;
    const bool lidShut = inputs.lidClosed && !inputs.remoteSession;

    BoostDecision d;
    d.plan = idlePlan;
    d.idle = true;
    if (settings.pauseOnBatterySaver && inputs.batterySaver) {
        d.paused = true;
        d.reason = BoostReason::BatterySaver;
    } else if (inputs.onBattery && settings.batteryMode == BatteryMode::Pause) {
        d.paused = true;
        d.reason = BoostReason::BatteryPause;
    } else if (settings.awayIsIdle && (screenOff || lidShut || inputs.locked)) {
        d.reason = inputs.locked ? BoostReason::Locked : lidShut ? BoostReason::LidClosed : BoostReason::DisplayOff;
    } else if (inputs.idleMs >= settings.idleTimeoutMs) {
        d.reason = BoostReason::IdleTimeout;
    } else {
        d.idle = false;
        d.reason = BoostReason::Input;
        d.plan = inUsePlan;
    }
    return d;
}

}  // namespace quellora
