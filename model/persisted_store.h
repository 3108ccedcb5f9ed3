// The remembered copy of the user's settings of each plan, kept in the user's
// registry under Software\Quellora\PersistedPowerPlans\<plan name>\AC|DC. Drift
// protection compares the plans with it, and start-up writes it back.
#pragma once

#include "model/plan_settings.h"

namespace quellora {

class PowerSchemeAccess;
struct SettingWrite;
struct WriteFailure;

inline constexpr std::u16string_view kPersistedPlansKey = u"Software\\Quellora\\PersistedPowerPlans";

bool SaveStoredSide(PowerSchemeAccess& power, const Guid& plan, bool ac, const SourceSettings& side);
bool LoadStoredSide(PowerSchemeAccess& power, const Guid& plan, bool ac, bool readHetero, SourceSettings& target);
// Both sides, or nothing: the target changes only when both load.
bool LoadStored(PowerSchemeAccess& power, const Guid& plan, PlanSettings& target);
bool HasStored(PowerSchemeAccess& power, const Guid& plan);
// Makes the stored copy follow what the plan now holds, for what it covers.
bool RefreshStored(PowerSchemeAccess& power, const Guid& plan);
// Writes a batch (`WriteSettings`) and, when it succeeded, makes the stored
// copy follow, as one step under the plan-write guard: what presets and the
// advanced editor do. A failed batch leaves the copy as it was.
bool WriteAndRefresh(PowerSchemeAccess& power, const Guid& plan, const std::vector<SettingWrite>& batch, bool activate,
                     WriteFailure* failure = nullptr);
bool DeleteStored(PowerSchemeAccess& power, const Guid& plan);
// Writes every plan's stored copy back into the plan (each plan one step).
bool ReapplyStored(PowerSchemeAccess& power);

// The classes and advanced settings a stored copy covers: the union of both
// sides ({0} when it names no class).
std::vector<int32_t> StoredClasses(const PlanSettings& stored);
std::vector<Guid> StoredAdvanced(const PlanSettings& stored);

}  // namespace quellora
