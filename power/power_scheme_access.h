// Every operation of the program on Windows power plans: listing, names, the
// active plan and the power-mode overlays, duplicating and deleting, and the AC
// and DC values of processor settings, one by one or as a batch that is rolled
// back when Windows refuses an entry.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/guid.h"

namespace quellora {

class PowerApi;

// One value of a processor setting (always in the processor subgroup).
struct SettingWrite {
    Guid setting;
    bool ac = true;  // false: the DC value
    uint32_t value = 0;
};

// Why a batch failed: the refused entry and Windows' error code, or the
// activation that could not start. Each write hands its own to its caller.
struct WriteFailure {
    bool failed = false;
    bool activationFailed = false;
    // Another thread or process kept the plans past the wait: nothing was
    // written (`error` is WAIT_TIMEOUT).
    bool busy = false;
    SettingWrite entry;
    uint32_t error = 0;
};

inline constexpr std::u16string_view kPowerSchemesKey = u"SYSTEM\\CurrentControlSet\\Control\\Power\\User\\PowerSchemes";
inline constexpr std::u16string_view kPowerSettingsKey = u"SYSTEM\\CurrentControlSet\\Control\\Power\\PowerSettings";

// HKLM key of a processor setting: ...\PowerSettings\<SUB_PROCESSOR>\<setting, bare>.
std::u16string ProcessorSettingKey(const Guid& setting);
// "<system directory>\powercfg.exe".
std::u16string PowercfgPath();
// Windows hides the setting from its Power Options: "Attributes" of its key is
// neither 0 nor 2, or missing.
bool IsProcessorSettingHidden(const Guid& setting);
// Runs "powercfg -attributes SUB_PROCESSOR <setting> +ATTRIB_HIDE|-ATTRIB_HIDE"
// without a window, waiting at most a second; true when it started.
bool RunPowercfgAttributes(const Guid& setting, bool hide);

// One object may serve every thread of the program for hours: its caches are
// guarded and follow renames and overlays added later, each batch reports its
// own failure, and a batch is one step under the plan-write guard
// (power/plan_write_guard.h).
class PowerSchemeAccess {
public:
    // Binds to the platform's power API; `available` tells whether it could.
    PowerSchemeAccess();
    PowerSchemeAccess(const PowerSchemeAccess&) = delete;
    PowerSchemeAccess& operator=(const PowerSchemeAccess&) = delete;

    bool available() const { return available_; }
    // What keeps the power API from being available: the names of the missing
    // functions ("PowerReadACValueIndex, ..."), empty when it is available.
    std::u16string MissingFunctions() const;
    bool HasOverlaySupport() const { return overlaySupport_; }

    // Plans, sorted by friendly name (an unreadable name counts as empty).
    std::vector<Guid> EnumeratePlans(bool includeMakerPlan);
    struct NamedPlan {
        Guid plan;
        std::u16string name;  // empty when unreadable
        bool named = false;
    };
    // The same list with the names read for sorting.
    std::vector<NamedPlan> EnumerateNamedPlans(bool includeMakerPlan);
    // The plans the program lists: the maker's plan included when the user chose to list it.
    std::vector<Guid> ListedPlans();
    std::vector<NamedPlan> ListedNamedPlans();
    bool ReadPlanName(const Guid& plan, std::u16string& name);
    bool ReadPlanNameFromRegistry(const Guid& plan, std::u16string& name);
    // Forgets the names this object keeps (the active plan's, Balanced's).
    bool WritePlanName(const Guid& plan, std::u16string_view name);
    bool WritePlanDescription(const Guid& plan, std::u16string_view description);
    bool DuplicatePlan(const Guid& source, Guid& created);
    bool DeletePlan(const Guid& plan);
    bool QueryActivePlan(Guid& plan);
    Guid QueryActivePlanOrNull();
    bool IsActivePlan(const Guid& plan);
    bool ActivatePlan(const Guid& plan);
    bool ActivePlanName(std::u16string& name);
    bool FindPlanByName(std::u16string_view name, Guid& plan);
    bool ActivatePlanByName(std::u16string_view name);
    bool IsOverlay(const Guid& plan);
    bool OverlaysInUse(bool reread);
    Guid HighestBuiltInPlan();
    bool OnlyBalancedPlan();
    // The friendly name, or for an overlay "<Balanced's name>: <overlay's name>".
    bool PlanDisplayName(const Guid& plan, std::u16string& name);
    // Balanced's friendly name, read once.
    std::u16string BalancedName();

    // Values of a setting of a plan. Reads of an overlay go to the overlay when
    // it overrides the setting, else to Balanced; writes go to the plan itself.
    bool ReadSetting(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac, uint32_t& value);
    bool WriteSetting(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac, uint32_t value,
                      uint32_t* error = nullptr);

    // Typed operations in the processor subgroup; classes 0 and 1 only.
    bool ReadCoreParkingMin(const Guid& plan, int32_t efficiencyClass, bool ac, uint32_t& value);
    bool WriteCoreParkingMin(const Guid& plan, int32_t efficiencyClass, bool ac, uint32_t value, uint32_t* error = nullptr);
    bool ReadMinProcessorState(const Guid& plan, int32_t efficiencyClass, bool ac, uint32_t& value);
    bool WriteMinProcessorState(const Guid& plan, int32_t efficiencyClass, bool ac, uint32_t value);
    bool ReadMaxProcessorState(const Guid& plan, int32_t efficiencyClass, bool ac, uint32_t& value);
    bool WriteMaxProcessorState(const Guid& plan, int32_t efficiencyClass, bool ac, uint32_t value);
    bool ReadHeteroPolicy(const Guid& plan, bool ac, uint32_t& value);
    bool WriteHeteroPolicy(const Guid& plan, bool ac, uint32_t value);
    bool ReadShortSchedPolicy(const Guid& plan, bool ac, uint32_t& value);
    bool WriteShortSchedPolicy(const Guid& plan, bool ac, uint32_t value);
    bool ReadSchedPolicy(const Guid& plan, bool ac, uint32_t& value);
    bool WriteSchedPolicy(const Guid& plan, bool ac, uint32_t value);

    // By plan name (the plan editor's summary).
    bool IsParkingEnabled(std::u16string_view planName, int32_t efficiencyClass, bool ac);
    bool ReadMinProcessorStateByName(std::u16string_view planName, int32_t efficiencyClass, bool ac, uint32_t& value);
    bool ReadMaxProcessorStateByName(std::u16string_view planName, int32_t efficiencyClass, bool ac, uint32_t& value);

    // Writes a batch in order; at the first refusal the earlier entries are put
    // back and `failure` (when given) tells what was refused. With `activate`,
    // the active plan's values are re-applied afterwards. The batch is one
    // step under the plan-write guard: no other thread's or process's batch
    // or drift check runs inside it (a guard kept by another past its wait
    // fails the batch with error 258, nothing written).
    bool WriteSettings(const Guid& plan, const std::vector<SettingWrite>& batch, bool activate,
                       WriteFailure* failure = nullptr);
    // Starts "powercfg -setactive scheme_current" without waiting for it;
    // `error` tells why it could not start.
    bool ActivateCurrentScheme(uint32_t* error = nullptr);

    // Visibility in Windows' Power Options.
    bool IsSettingHidden(const Guid& setting);
    bool UnhideSetting(const Guid& setting);
    std::vector<Guid> UnhiddenSettings();

private:
    bool ReadRaw(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac, uint32_t& value);
    bool OverlayOverrides(const Guid& overlay, const Guid& subgroup, const Guid& setting, bool ac);
    std::vector<Guid> EnumerateSchemes();
    // Built on first need; `rebuild` looks at the system again.
    std::vector<Guid> OverlayList(bool rebuild = false);

    PowerApi* api_ = nullptr;
    bool available_ = false;
    bool overlaySupport_ = false;

    std::mutex mutex_;  // guards the caches below
    Guid cachedActivePlan_;
    std::u16string cachedActiveName_;
    bool overlayListBuilt_ = false;
    std::vector<Guid> overlays_;
    bool overlaysInUseKnown_ = false;
    bool overlaysInUse_ = false;
    std::vector<Guid> unhidden_;
    bool balancedNameKnown_ = false;
    std::u16string balancedName_;
};

}  // namespace quellora
