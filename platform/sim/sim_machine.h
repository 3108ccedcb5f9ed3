// The simulated Windows machine: its power configuration lives in the
// registry in the layout Windows uses (PowerSettings with
// DefaultPowerSchemeValues, User\PowerSchemes, ActivePowerScheme,
// ActiveOverlayAcPowerScheme), and the facts Windows keeps in no registry
// (processor layout, Windows version, answers, refusals, power source, ...)
// live under HKLM\SOFTWARE\QuelloraSimulatedMachine. Every state is in the
// registry, so several processes over one registry see one machine.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/guid.h"
#include "platform/registry.h"
#include "platform/session_mutexes.h"
#include "platform/sim/layouts.h"

namespace quellora::sim {

namespace paths {
inline constexpr std::u16string_view kFacts = u"SOFTWARE\\QuelloraSimulatedMachine";
inline constexpr std::u16string_view kPower = u"SYSTEM\\CurrentControlSet\\Control\\Power";
inline constexpr std::u16string_view kPowerSettings = u"SYSTEM\\CurrentControlSet\\Control\\Power\\PowerSettings";
inline constexpr std::u16string_view kPowerSchemes =
    u"SYSTEM\\CurrentControlSet\\Control\\Power\\User\\PowerSchemes";
inline constexpr std::u16string_view kCentralProcessor = u"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
inline constexpr std::u16string_view kCurrentVersion = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
}  // namespace paths

// Value names Windows uses.
namespace names {
inline constexpr std::u16string_view kActivePowerScheme = u"ActivePowerScheme";
inline constexpr std::u16string_view kActiveOverlayAc = u"ActiveOverlayAcPowerScheme";
inline constexpr std::u16string_view kActiveOverlayDc = u"ActiveOverlayDcPowerScheme";
inline constexpr std::u16string_view kAcIndex = u"ACSettingIndex";
inline constexpr std::u16string_view kDcIndex = u"DCSettingIndex";
inline constexpr std::u16string_view kProvAcIndex = u"ProvAcSettingIndex";
inline constexpr std::u16string_view kProvDcIndex = u"ProvDcSettingIndex";
}  // namespace names

// The machine's lock: every process (and thread) of one simulated machine
// waits for it around a change that takes several registry writes.
inline constexpr std::u16string_view kMachineMutex = u"QuelloraSimulatedMachine";

// Raised whenever the seeded machine changes shape; an older machine is seeded again.
inline constexpr uint32_t kSchemaVersion = 3;

// PowerSchemes\<plan>
std::u16string SchemeKey(const Guid& plan);
// PowerSchemes\<plan>\<subgroup>\<setting>: the plan's own values.
std::u16string PlanValueKey(const Guid& plan, const Guid& subgroup, const Guid& setting);
// PowerSettings\<subgroup>
std::u16string SubgroupKey(const Guid& subgroup);
// PowerSettings\<subgroup>\<setting>
std::u16string SettingKey(const Guid& subgroup, const Guid& setting);
// PowerSettings\<subgroup>\<setting>\DefaultPowerSchemeValues\<plan>
std::u16string DefaultsKey(const Guid& subgroup, const Guid& setting, const Guid& plan);
// PowerSchemes\<plan>\<personality setting>: a setting outside every subgroup sits directly under the plan.
std::u16string PersonalityKey(const Guid& plan);

struct WindowsVersion {
    uint32_t major = 10;
    uint32_t minor = 0;
    uint32_t build = 26100;
    uint32_t ubr = 2605;
    std::u16string productName = u"Windows 10 Pro";  // what Windows 11 too keeps in the registry
    std::u16string displayVersion = u"24H2";
};

// A new random (version 4) GUID for a plan.
Guid NewPlanGuid();

// A release of Windows by its build number ("10.0.19045"; 7601 is Windows 7).
WindowsVersion WindowsForBuild(uint32_t build);

// A process of the machine as Windows' records name it.
struct ProcessIdentity {
    std::u16string path;  // C:\Tools\switcher.exe
    uint32_t pid = 0;
};

// The first release of Windows 11: the one whose laptops come with the power-mode overlays in use.
inline constexpr uint32_t kFirstWindows11Build = 22000;

// Where a plan's value came from. A copy of a Windows plan reads the default
// of its personality (the stock plan it was copied from) where it has no value.
enum class ValueOrigin : uint8_t { Plan, ProvisionedDefault, Default };

class SimMachine {
public:
    // Seeds a default machine when the facts are missing or older than this
    // version. `ownsRegistry`: the registry is the simulated machine's alone
    // (the host), so the Windows version values under
    // HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion are kept in step.
    // `mutexes`: where the machine's lock is shared with the other processes
    // of the machine; null: the threads of this process only.
    SimMachine(Registry& registry, bool ownsRegistry, SessionMutexes* mutexes = nullptr);
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    Registry& registry() { return registry_; }
    bool ownsRegistry() const { return ownsRegistry_; }

    // Seeds the default machine again (every plan, setting and fact), with a layout.
    // Like every change of several steps here, under the machine's lock.
    bool Reset(std::u16string_view layout = kDefaultLayout);

    // ---- Processor layout
    std::u16string LayoutName();
    const LayoutDef& Layout();
    // The layout worked out.
    Topology CurrentTopology();
    uint32_t EfficiencyClassCount();
    bool SetLayout(std::u16string_view name);
    // A setting the power API knows on this machine: its key exists, and a
    // class-1 setting needs a Windows release that registers them (Windows 10
    // and later register them whatever the processor).
    bool SettingPresent(const Guid& subgroup, const Guid& setting);
    bool ClassOneSettingsRegistered();

    // ---- Windows
    WindowsVersion Windows();
    void SetWindows(const WindowsVersion& version);
    bool HasOverlayFunctions();
    void SetOverlayFunctions(bool present);
    // A laptop on Windows 11 comes with the power-mode overlays in use.
    bool ComesWithPowerModes();
    // Adds the three overlays (the Balanced power mode in use) when the machine
    // comes with power modes and has none; removes them all when it does not.
    void MatchOverlaysToMachine();

    // ---- Plans
    bool PlanExists(const Guid& plan);
    bool ActiveScheme(Guid& plan);
    void WriteActiveScheme(const Guid& plan);
    bool IsPlanHidden(const Guid& plan);  // left out of Windows' enumeration
    void SetPlanHidden(const Guid& plan, bool hidden);
    bool IsPlanNameUnreadable(const Guid& plan);
    void SetPlanNameUnreadable(const Guid& plan, bool unreadable);
    bool IsOverlay(const Guid& plan);  // one of the three overlay schemes
    // The plan's "power scheme personality" value; false when it has none.
    bool PlanPersonality(const Guid& plan, uint32_t& personality);
    // Adds the overlay's scheme (1, 2 or 3); the active-overlay values appear
    // with the first one.
    bool AddOverlay(int number);
    // Removes it; with the last one the active-overlay values go too.
    bool RemoveOverlay(int number);
    bool OverlayAdded(int number);
    // ActiveOverlayAcPowerScheme / ...Dc...: false when the value is missing.
    bool ActiveOverlay(bool ac, Guid& overlay);
    void WriteActiveOverlay(bool ac, const Guid& overlay);

    // ---- Values
    // A plan's value: its own, else Windows' stored default (provisioned
    // first); ERROR_FILE_NOT_FOUND when the plan or the setting (on this
    // layout) is missing or the plan has no value.
    uint32_t ReadPlanValue(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac, uint32_t& value,
                           ValueOrigin* origin = nullptr);
    // The same without regard to the layout or whether the plan exists: what the registry holds.
    uint32_t ReadStoredValue(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac, uint32_t& value,
                             ValueOrigin* origin = nullptr);
    // The value in force for the active plan: an active overlay's override
    // when Balanced is active, else the plan's value.
    uint32_t ReadEffectiveValue(const Guid& subgroup, const Guid& setting, bool ac, uint32_t& value);
    // Writes the plan's own value as any program with access to the registry would (no checks but the plan's).
    uint32_t WritePlanValue(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac, uint32_t value);
    // The plan loses its own value.
    uint32_t UnsetPlanValue(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac);
    // The plan no longer has the setting at all: neither a value of its own, a
    // stored default, nor its personality's default.
    uint32_t RemovePlanSetting(const Guid& plan, const Guid& subgroup, const Guid& setting);

    // ---- Refused writes: the power API answers `error` and stores nothing.
    bool WriteRefusal(const Guid& setting, bool ac, uint32_t& error);
    void SetWriteRefusal(const Guid& setting, bool ac, uint32_t error);
    void ClearWriteRefusals(const Guid& setting);
    void ClearAllWriteRefusals();

    // ---- Applied values: what Windows put in force at the last activation.
    // Records the active plan's values (overlay-aware) as applied, in one step:
    // a reader meanwhile sees the earlier values or the new ones, never none,
    // and the sequence number only grows.
    void ApplyActivePlan();
    uint32_t ApplySequence();
    // The applied value of a setting; before any activation, the value in force now.
    bool AppliedValue(const Guid& setting, bool ac, uint32_t& value);
    // Per core of CurrentTopology(): Windows keeps the share of each class's
    // cores that its floor asks for unparked (CPMINCORES, CPMINCORES1 for
    // classes 1 and above), and every core with a logical processor at
    // kBusyLoadPercent or more; the others are parked. A floor of 0 parks the
    // whole class, but one core of the most efficient class always runs.
    std::vector<bool> ParkedCores();

    // ---- Load: percent per logical processor (in the order of
    // CurrentTopology()'s cores and their threads); 0 unless set.
    static constexpr uint32_t kBusyLoadPercent = 10;
    std::vector<uint32_t> ProcessorLoads();
    // `processor` < 0: every logical processor (earlier single settings are dropped).
    void SetProcessorLoad(int processor, uint32_t percent);

    // ---- Performance counters
    // Disabled counters: no counter of the "Processor Information" object can be added.
    bool CountersDisabled();
    void SetCountersDisabled(bool disabled);
    // Windows without "% Processor Utility" (before Windows 8).
    bool UtilityCounterMissing();
    void SetUtilityCounterMissing(bool missing);

    // ---- Who this process is (the plan-change records name it) and its time.
    ProcessIdentity CurrentProcess();
    void SetCurrentProcess(ProcessIdentity identity);
    // The clock the machine's records take their time from; null: the system's clock.
    void SetClock(Clock* clock) { clock_ = clock; }
    // Now, in FILETIME units (100 ns since 1601-01-01, UTC).
    uint64_t NowFileTime();

    // ---- Other facts
    int MessageBoxAnswer();  // IDYES / IDNO, IDNO by default
    void SetMessageBoxAnswer(int answer);
    std::u16string ComputerName();
    void SetComputerName(std::u16string_view name);
    uint16_t UserDefaultUILanguage();
    void SetUserDefaultUILanguage(uint16_t language);
    bool OnAcPower();
    void SetOnAcPower(bool ac);
    bool HasBattery();  // laptops have one unless told otherwise
    void SetHasBattery(bool present);
    uint32_t BatteryPercent();
    void SetBatteryPercent(uint32_t percent);
    bool BatterySaver();
    void SetBatterySaver(bool on);
    uint64_t LastInputTick();  // the tick count (GetTickCount64 scale) of the last input
    void SetLastInputTick(uint64_t tick);
    bool DisplayOn();
    void SetDisplayOn(bool on);
    bool LidOpen();
    void SetLidOpen(bool open);
    bool SessionLocked();
    void SetSessionLocked(bool locked);
    bool RemoteSession();
    void SetRemoteSession(bool remote);
    bool IgnoresParking();  // the machine never parks a core
    void SetIgnoresParking(bool ignores);
    bool IgnoresMaxState();  // the maximum processor state does not limit the clock
    void SetIgnoresMaxState(bool ignores);
    // The program's whole-file writes (profiles, exports, README.txt) stop half
    // way, as on a full disk; the platforms of the simulated machine apply it at start.
    bool FileWritesFail();
    void SetFileWritesFail(bool fail);
    // As with Wine's powrprof: PowerDuplicateScheme, PowerWriteFriendlyName,
    // PowerWriteDescription, PowerDeleteScheme, PowerRead/WriteAC/DCValueIndex,
    // PowerReadPossibleValue and PowerWriteSettingAttributes cannot be bound.
    bool PowerFunctionsMissing();
    void SetPowerFunctionsMissing(bool missing);
    // What PowerEnumerate answers to a size query (no buffer): ERROR_MORE_DATA,
    // or, as some systems do, success.
    bool EnumerateSizeQuerySucceeds();
    void SetEnumerateSizeQuerySucceeds(bool succeeds);
    // Named events of other programs ("Global\\..."): whether one exists and is signalled.
    bool EventSignalled(std::u16string_view name);
    void SetEventSignalled(std::u16string_view name, bool signalled);

    // Facts by name, for what has no getter yet.
    uint32_t FactDword(std::u16string_view name, uint32_t fallback);
    void SetFactDword(std::u16string_view name, uint32_t value);
    std::u16string FactText(std::u16string_view name, std::u16string_view fallback);
    void SetFactText(std::u16string_view name, std::u16string_view value);
    uint64_t FactQword(std::u16string_view name, uint64_t fallback);
    void SetFactQword(std::u16string_view name, uint64_t value);

private:
    class Exclusive;  // holds the machine's lock

    bool NeedsSeed();
    void EnsureSeeded();
    bool Seed(const LayoutDef& layout);
    void WriteProcessorKey(const LayoutDef& layout, bool onlyWhenDifferent);
    void WriteOsVersionKey(const WindowsVersion& version, bool onlyWhenDifferent);
    bool SettingIsClassOneOnly(const Guid& setting);
    // Windows' stored default of `plan`: the provisioned one first.
    uint32_t ReadStoredDefault(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac, uint32_t& value,
                               ValueOrigin* origin);
    bool SettingRemovedFromPlan(const Guid& plan, const Guid& setting);
    bool OverlayOverrides(const Guid& overlay, const Guid& subgroup, const Guid& setting, bool ac);

    Registry& registry_;
    bool ownsRegistry_;
    std::mutex identityMutex_;
    ProcessIdentity identity_;
    Clock* clock_ = nullptr;
    SessionMutexes* mutexes_;
    std::recursive_mutex localMutex_;  // the machine's lock without `mutexes_`
    std::mutex topologyMutex_;
    const LayoutDef* topologyLayout_ = nullptr;
    Topology topology_;
};

}  // namespace quellora::sim
