// Dynamic Boost's settings under HKCU\Software\Quellora and the decision that
// picks the in-use or the idle plan from them and from the machine's state.
//
// Every read goes to the registry (defaults stand in for missing values); only
// LoadBoostSettingsCached keeps a copy, for status texts refreshed often.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/guid.h"

namespace quellora {

class PowerSchemeAccess;

// The registry values (HKCU\Software\Quellora).
namespace boostvalues {
inline constexpr std::u16string_view kEnabled = u"DynPwr";
inline constexpr std::u16string_view kActivePlan = u"BoostActive";
inline constexpr std::u16string_view kIdlePlan = u"BoostIdle";
inline constexpr std::u16string_view kActivePlanDC = u"BoostActiveDC";
inline constexpr std::u16string_view kIdlePlanDC = u"BoostIdleDC";
inline constexpr std::u16string_view kIdleSeconds = u"IdleSecs";
inline constexpr std::u16string_view kBatteryMode = u"DynDCMode";
inline constexpr std::u16string_view kDisableOnBattery = u"DynDisableOnDC";
inline constexpr std::u16string_view kPauseOnBatterySaver = u"DynDisableWhenBatterySaver";
inline constexpr std::u16string_view kAwayIsIdle = u"DynAwayIsIdle";
}  // namespace boostvalues

inline constexpr uint32_t kDefaultIdleTimeoutMs = 300000;

// What Dynamic Boost does on battery (the number stored in DynDCMode).
enum class BatteryMode : int32_t {
    SamePlans = 0,     // the mains plans
    BatteryPlans = 1,  // BoostActiveDC / BoostIdleDC
    Pause = 2,         // paused; the idle plan is applied once
};

// Why a plan was chosen; the same numbers go to the switch log.
enum class BoostReason : int32_t {
    Input = 1,
    IdleTimeout = 2,
    DisplayOff = 3,
    LidClosed = 4,
    Locked = 5,
    BatteryPause = 6,
    BatterySaver = 7,
    Restored = 8,  // Dynamic Boost stopped and put the earlier plan back
};

struct BoostSettings {
    Guid activePlan;
    Guid idlePlan;
    Guid activePlanDC;
    Guid idlePlanDC;
    uint32_t idleTimeoutMs = kDefaultIdleTimeoutMs;
    BatteryMode batteryMode = BatteryMode::SamePlans;
    bool pauseOnBatterySaver = true;
    bool awayIsIdle = true;

    bool operator==(const BoostSettings&) const = default;
};

// The machine's state as the runtime observed it.
struct BoostInputs {
    uint32_t idleMs = 0;  // since the last user input
    bool onBattery = false;
    bool batterySaver = false;
    bool displayOff = false;
    bool lidClosed = false;
    bool locked = false;
    bool remoteSession = false;
};

struct BoostDecision {
    bool paused = false;  // when true, idle is true and plan is the idle plan
    bool idle = false;
    BoostReason reason{};
    Guid plan;

    bool operator==(const BoostDecision&) const = default;
};

// Two decisions ask for the same thing when they agree on paused and plan;
// idle and the reason do not count.
inline bool SameBoostRequest(const BoostDecision& a, const BoostDecision& b) {
    return a.paused == b.paused && a.plan == b.plan;
}

// DynPwr. Turning it off also stops the running Dynamic Boost; turning it on
// starts nothing (callers start it).
bool IsBoostEnabled();
void SetBoostEnabled(bool enabled);

// The plans, resolved against the plans that exist now (see ResolveBoostPlan).
// A missing BoostActive or BoostIdle is given its default, which is written
// back at once. The DC plans follow the mains plans while missing or zero.
Guid GetActivePlan();
Guid GetIdlePlan();
Guid GetActivePlanDC();
Guid GetIdlePlanDC();
Guid GetActivePlan(PowerSchemeAccess& power);
Guid GetIdlePlan(PowerSchemeAccess& power);
Guid GetActivePlanDC(PowerSchemeAccess& power);
Guid GetIdlePlanDC(PowerSchemeAccess& power);

// The stored plans as 16-byte REG_BINARY values; a zero GUID for a DC plan
// makes it follow the mains plan again.
bool SetActivePlan(const Guid& plan);
bool SetIdlePlan(const Guid& plan);
bool SetActivePlanDC(const Guid& plan);
bool SetIdlePlanDC(const Guid& plan);

// The defaults of a missing BoostActive / BoostIdle: the power-mode overlays
// while Windows uses them, else the maker's plan (in use) or Power saver (idle).
Guid DefaultActivePlan(PowerSchemeAccess& power);
Guid DefaultIdlePlan(PowerSchemeAccess& power);

// `stored` when it is among the selectable plans (every plan, the overlays and
// the maker's plan); else the first of `fallbacks` that is; else `stored`
// unchanged (never a zero GUID in its place).
Guid ResolveBoostPlan(PowerSchemeAccess& power, const Guid& stored, const std::vector<Guid>& fallbacks);
Guid ResolveBoostPlan(const std::vector<Guid>& selectable, const Guid& stored, const std::vector<Guid>& fallbacks);

// IdleSecs × 1000 (300 seconds when missing) when it is 1 or more, else the
// stored number unchanged (0 or negative); callers map a result below 1 to
// 300000. Timeouts beyond the 32-bit signed range are cut to it.
int32_t GetIdleTimeoutMs();
// Stores ms / 1000 in IdleSecs.
void SetIdleTimeoutMs(int32_t ms);
// The longest idle timeout, in seconds, whose milliseconds fit 32 bits.
inline constexpr uint32_t kMaxIdleSeconds = 4294967;
// Stores the seconds in IdleSecs (timeouts whose milliseconds exceed the
// 32-bit signed range, 2147483 seconds and more, read as that range's end).
void SetIdleTimeoutSeconds(uint32_t seconds);

// DynDCMode when it holds 0, 1 or 2; otherwise the older DynDisableOnDC
// (Pause when set, else SamePlans).
BatteryMode GetBatteryMode();
// Writes DynDCMode and keeps DynDisableOnDC in step (set only for Pause).
void SetBatteryMode(BatteryMode mode);
// A single "pause on battery" check box: checked stores Pause; unchecked
// stores SamePlans only when the mode was Pause (BatteryPlans stays).
void SetPauseOnBattery(bool pause);

bool GetPauseOnBatterySaver();
void SetPauseOnBatterySaver(bool pause);
bool GetAwayIsIdle();
void SetAwayIsIdle(bool awayIsIdle);

// Every setting above in one record.
BoostSettings LoadBoostSettings();
BoostSettings LoadBoostSettings(PowerSchemeAccess& power);
// The same, read again only when the last read is more than 3 seconds old.
BoostSettings LoadBoostSettingsCached();
// Forgets the cached record (the next cached read goes to the registry).
void ForgetBoostSettingsCache();

// Which plan should be active, and why. No side effects.
BoostDecision DecideBoost(const BoostSettings& settings, const BoostInputs& inputs);

}  // namespace quellora
