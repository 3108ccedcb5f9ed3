#include "platform/sim/sim_machine.h"

#include <algorithm>
#include <chrono>
#include <random>

#include "platform/errors.h"
#include "platform/interaction.h"
#include "platform/sim/catalogue.h"
#include "platform/sim/reg_util.h"
#include "platform/text.h"

namespace quellora::sim {

namespace {

constexpr Hive kLm = Hive::LocalMachine;

namespace fact {
constexpr std::u16string_view kSchemaVersion = u"SchemaVersion";
constexpr std::u16string_view kLayout = u"Layout";
constexpr std::u16string_view kWindowsMajor = u"WindowsMajor";
constexpr std::u16string_view kWindowsMinor = u"WindowsMinor";
constexpr std::u16string_view kWindowsBuild = u"WindowsBuild";
constexpr std::u16string_view kWindowsUbr = u"WindowsUBR";
constexpr std::u16string_view kProductName = u"ProductName";
constexpr std::u16string_view kDisplayVersion = u"DisplayVersion";
constexpr std::u16string_view kOverlayFunctions = u"OverlayFunctions";
constexpr std::u16string_view kHiddenPlans = u"HiddenPlans";
constexpr std::u16string_view kUnreadableNames = u"UnreadableNamePlans";
constexpr std::u16string_view kRefusedWrites = u"RefusedWrites";
constexpr std::u16string_view kApplied = u"Applied";
constexpr std::u16string_view kMessageBoxAnswer = u"MessageBoxAnswer";
constexpr std::u16string_view kComputerName = u"ComputerName";
constexpr std::u16string_view kUiLanguage = u"UserDefaultUILanguage";
constexpr std::u16string_view kOnAcPower = u"OnAcPower";
constexpr std::u16string_view kBatteryPresent = u"BatteryPresent";
constexpr std::u16string_view kBatteryPercent = u"BatteryPercent";
constexpr std::u16string_view kBatterySaver = u"BatterySaver";
constexpr std::u16string_view kLastInputTick = u"LastInputTick";
constexpr std::u16string_view kDisplayOn = u"DisplayOn";
constexpr std::u16string_view kLidOpen = u"LidOpen";
constexpr std::u16string_view kSessionLocked = u"SessionLocked";
constexpr std::u16string_view kRemoteSession = u"RemoteSession";
constexpr std::u16string_view kIgnoresParking = u"IgnoresParking";
constexpr std::u16string_view kIgnoresMaxState = u"IgnoresMaxState";
constexpr std::u16string_view kFileWritesFail = u"FileWritesFail";
constexpr std::u16string_view kPowerFunctionsMissing = u"PowerFunctionsMissing";
constexpr std::u16string_view kEnumerateSizeQuerySucceeds = u"EnumerateSizeQuerySucceeds";
constexpr std::u16string_view kRemovedSettings = u"RemovedSettings";
constexpr std::u16string_view kSequence = u"Sequence";
constexpr std::u16string_view kLoad = u"Load";
constexpr std::u16string_view kLoadAll = u"All";
constexpr std::u16string_view kCountersDisabled = u"CountersDisabled";
constexpr std::u16string_view kUtilityCounterMissing = u"UtilityCounterMissing";
constexpr std::u16string_view kPlan = u"Plan";
}  // namespace fact

constexpr std::u16string_view kDefaultComputerName = u"SIMULATED-PC";

// Settings whose applied values the machine keeps: parking and processor state.
constexpr Guid kAppliedSettings[] = {
    guids::kCoreParkingMin0,    guids::kCoreParkingMin1,    guids::kMinProcessorState0,
    guids::kMinProcessorState1, guids::kMaxProcessorState0, guids::kMaxProcessorState1,
};

std::u16string AppliedValueName(const Guid& setting, bool ac) {
    return BareGuid(setting) + (ac ? u" AC" : u" DC");
}

std::u16string FactsSubkey(std::u16string_view sub) { return JoinKey(paths::kFacts, sub); }

struct BuildInfo {
    uint32_t build;
    const char16_t* displayVersion;
    uint32_t ubr;
};

constexpr BuildInfo kBuilds[] = {
    {10240, u"", 20796},   {14393, u"1607", 7159},  {17763, u"1809", 6659},  {19041, u"2004", 1415},
    {19042, u"20H2", 2965}, {19043, u"21H1", 2364}, {19044, u"21H2", 5131},  {19045, u"22H2", 5247},
    {22000, u"21H2", 3260}, {22621, u"22H2", 4890}, {22631, u"23H2", 4890},  {26100, u"24H2", 2605},
};

}  // namespace

std::u16string SchemeKey(const Guid& plan) { return JoinKey(paths::kPowerSchemes, BareGuid(plan)); }

std::u16string PlanValueKey(const Guid& plan, const Guid& subgroup, const Guid& setting) {
    return JoinKey(SchemeKey(plan), BareGuid(subgroup), BareGuid(setting));
}

std::u16string SubgroupKey(const Guid& subgroup) { return JoinKey(paths::kPowerSettings, BareGuid(subgroup)); }

std::u16string SettingKey(const Guid& subgroup, const Guid& setting) {
    return JoinKey(SubgroupKey(subgroup), BareGuid(setting));
}

std::u16string DefaultsKey(const Guid& subgroup, const Guid& setting, const Guid& plan) {
    return JoinKey(SettingKey(subgroup, setting), u"DefaultPowerSchemeValues", BareGuid(plan));
}

std::u16string PersonalityKey(const Guid& plan) { return JoinKey(SchemeKey(plan), BareGuid(kPersonalitySetting)); }

Guid NewPlanGuid() {
    static std::mutex mutex;
    static std::mt19937_64 engine = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(),
                           static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
        return std::mt19937_64(seed);
    }();
    std::lock_guard<std::mutex> lock(mutex);
    const uint64_t a = engine();
    const uint64_t b = engine();
    Guid g;
    g.data1 = static_cast<uint32_t>(a >> 32);
    g.data2 = static_cast<uint16_t>(a >> 16);
    g.data3 = static_cast<uint16_t>((a & 0x0FFF) | 0x4000);  // version 4
    for (int i = 0; i < 8; ++i) g.data4[i] = static_cast<uint8_t>(b >> (8 * i));
    g.data4[0] = static_cast<uint8_t>((g.data4[0] & 0x3F) | 0x80);  // RFC 4122 variant
    return g;
}

WindowsVersion WindowsForBuild(uint32_t build) {
    WindowsVersion v;
    v.build = build;
    v.ubr = 0;
    v.displayVersion.clear();
    if (build >= 10240) {
        v.major = 10;
        v.minor = 0;
        v.productName = u"Windows 10 Pro";
        for (const BuildInfo& info : kBuilds) {
            if (info.build == build) {
                v.displayVersion = info.displayVersion;
                v.ubr = info.ubr;
            }
        }
    } else if (build >= 9600) {
        v.major = 6;
        v.minor = 3;
        v.productName = u"Windows 8.1 Pro";
    } else if (build >= 9200) {
        v.major = 6;
        v.minor = 2;
        v.productName = u"Windows 8 Pro";
    } else if (build >= 7600) {
        v.major = 6;
        v.minor = 1;
        v.productName = u"Windows 7 Professional";
    } else if (build >= 6000) {
        v.major = 6;
        v.minor = 0;
        v.productName = u"Windows Vista Business";
    } else {
        v.major = 5;
        v.minor = 1;
        v.productName = u"Windows XP Professional";
    }
    return v;
}

// A process that died holding the lock loses it; one that hangs is waited for this long.
constexpr uint32_t kMachineWaitMs = 60000;

class SimMachine::Exclusive {
public:
    explicit Exclusive(SimMachine& machine) : machine_(machine) {
        if (machine_.mutexes_ == nullptr) {
            machine_.localMutex_.lock();
        } else {
            // A machine whose lock cannot be had still works, as it did before there was one.
            owned_ = machine_.mutexes_->Acquire(kMachineMutex, kMachineWaitMs) == MutexWait::Acquired;
        }
    }
    ~Exclusive() {
        if (machine_.mutexes_ == nullptr) {
            machine_.localMutex_.unlock();
        } else if (owned_) {
            machine_.mutexes_->Release(kMachineMutex);
        }
    }
    Exclusive(const Exclusive&) = delete;
    Exclusive& operator=(const Exclusive&) = delete;

private:
    SimMachine& machine_;
    bool owned_ = false;
};

SimMachine::SimMachine(Registry& registry, bool ownsRegistry, SessionMutexes* mutexes)
    : registry_(registry), ownsRegistry_(ownsRegistry), mutexes_(mutexes) {
    EnsureSeeded();
}

bool SimMachine::NeedsSeed() {
    uint32_t schema = 0;
    return !ReadDword(registry_, kLm, paths::kFacts, fact::kSchemaVersion, schema) || schema < kSchemaVersion;
}

void SimMachine::EnsureSeeded() {
    if (NeedsSeed()) {
        Exclusive lock(*this);
        // Another process may have seeded the machine while this one waited:
        // seeding again would undo what it changed since.
        if (NeedsSeed()) {
            const LayoutDef* layout = FindLayout(TextOr(registry_, kLm, paths::kFacts, fact::kLayout, u""));
            Seed(layout ? *layout : *FindLayout(kDefaultLayout));
            return;
        }
    }
    WriteProcessorKey(Layout(), true);
    if (ownsRegistry_) WriteOsVersionKey(Windows(), true);
}

bool SimMachine::Reset(std::u16string_view layoutName) {
    const LayoutDef* layout = FindLayout(layoutName);
    if (layout == nullptr) return false;
    Exclusive lock(*this);
    return Seed(*layout);
}

bool SimMachine::Seed(const LayoutDef& layout) {
    Registry& r = registry_;
    const Guid sub = guids::kSubProcessor;
    r.DeleteTree(kLm, paths::kFacts);
    r.DeleteTree(kLm, paths::kPowerSchemes);
    r.DeleteTree(kLm, SubgroupKey(sub));

    // The processor subgroup and its settings, as Windows registers them.
    const std::u16string subKey = SubgroupKey(sub);
    WriteText(r, kLm, subKey, u"FriendlyName", kProcessorSubgroupName);
    WriteText(r, kLm, subKey, u"Description", kProcessorSubgroupDescription);
    for (const SettingDef& def : Settings()) {
        const std::u16string key = SettingKey(sub, def.guid);
        WriteText(r, kLm, key, u"FriendlyName", def.friendlyName);
        if (def.description) WriteText(r, kLm, key, u"Description", def.description);
        WriteDword(r, kLm, key, u"Attributes", def.hidden ? 1u : 0u);
        if (def.range.present) {
            WriteDword(r, kLm, key, u"ValueMin", def.range.min);
            WriteDword(r, kLm, key, u"ValueMax", def.range.max);
            WriteDword(r, kLm, key, u"ValueIncrement", def.range.increment);
            WriteText(r, kLm, key, u"ValueUnits", def.range.units ? def.range.units : u"");
        }
        for (const PossibleValue& pv : def.values) {
            const std::u16string valueKey = JoinKey(key, ToDecimal(pv.index));
            WriteText(r, kLm, valueKey, u"FriendlyName", pv.name);
            if (pv.description) WriteText(r, kLm, valueKey, u"Description", pv.description);
            if (def.valuesAsStrings) {
                WriteText(r, kLm, valueKey, u"SettingValue", ToDecimal(pv.value));
            } else {
                WriteDword(r, kLm, valueKey, u"SettingValue", pv.value);
            }
        }
    }
    for (const DefaultEntry& entry : StockDefaults()) {
        const std::u16string key = DefaultsKey(sub, entry.setting, entry.plan);
        WriteDword(r, kLm, key, names::kAcIndex, entry.ac);
        WriteDword(r, kLm, key, names::kDcIndex, entry.dc);
        if (entry.provAc != kNoValue) WriteDword(r, kLm, key, names::kProvAcIndex, entry.provAc);
        if (entry.provDc != kNoValue) WriteDword(r, kLm, key, names::kProvDcIndex, entry.provDc);
    }

    // The stock plans hold no processor values of their own (theirs are the
    // defaults), only their personality.
    for (const PlanDef& plan : StockPlans()) {
        WriteText(r, kLm, SchemeKey(plan.guid), u"FriendlyName", plan.storedName);
        WriteText(r, kLm, SchemeKey(plan.guid), u"Description", plan.storedDescription);
        WriteDword(r, kLm, PersonalityKey(plan.guid), names::kAcIndex, plan.personality);
        WriteDword(r, kLm, PersonalityKey(plan.guid), names::kDcIndex, plan.personality);
        if (plan.hiddenFromEnumeration) SetPlanHidden(plan.guid, true);
    }
    WriteActiveScheme(guids::kBalanced);

    WriteText(r, kLm, paths::kFacts, fact::kLayout, layout.name);
    SetWindows(WindowsForBuild(layout.windowsBuild ? layout.windowsBuild : WindowsVersion{}.build));
    SetOverlayFunctions(true);
    MatchOverlaysToMachine();
    SetMessageBoxAnswer(mb::kIdNo);
    SetComputerName(kDefaultComputerName);
    WriteProcessorKey(layout, false);
    ApplyActivePlan();
    // Last: a seed cut short is done again at the next start.
    return WriteDword(r, kLm, paths::kFacts, fact::kSchemaVersion, kSchemaVersion) == err::kSuccess;
}

void SimMachine::WriteProcessorKey(const LayoutDef& layout, bool onlyWhenDifferent) {
    Registry& r = registry_;
    if (onlyWhenDifferent) {
        std::u16string name;
        std::u16string identifier;
        uint32_t mhz = 0;
        if (ReadText(r, kLm, paths::kCentralProcessor, u"ProcessorNameString", name) && name == layout.processorName &&
            ReadText(r, kLm, paths::kCentralProcessor, u"Identifier", identifier) &&
            identifier == layout.identifier && ReadDword(r, kLm, paths::kCentralProcessor, u"~MHz", mhz) &&
            mhz == layout.mhz) {
            return;
        }
    }
    WriteDword(r, kLm, paths::kCentralProcessor, u"~MHz", layout.mhz);
    WriteText(r, kLm, paths::kCentralProcessor, u"Identifier", layout.identifier);
    WriteText(r, kLm, paths::kCentralProcessor, u"ProcessorNameString", layout.processorName);
    WriteText(r, kLm, paths::kCentralProcessor, u"VendorIdentifier", layout.vendor);
}

void SimMachine::WriteOsVersionKey(const WindowsVersion& v, bool onlyWhenDifferent) {
    Registry& r = registry_;
    const std::u16string build = ToDecimal(v.build);
    if (onlyWhenDifferent) {
        std::u16string current;
        std::u16string product;
        uint32_t ubr = 0;
        if (ReadText(r, kLm, paths::kCurrentVersion, u"CurrentBuildNumber", current) && current == build &&
            ReadText(r, kLm, paths::kCurrentVersion, u"ProductName", product) && product == v.productName &&
            ReadDword(r, kLm, paths::kCurrentVersion, u"UBR", ubr) && ubr == v.ubr) {
            return;
        }
    }
    WriteText(r, kLm, paths::kCurrentVersion, u"ProductName", v.productName);
    WriteText(r, kLm, paths::kCurrentVersion, u"DisplayVersion", v.displayVersion);
    WriteText(r, kLm, paths::kCurrentVersion, u"CurrentBuildNumber", build);
    WriteText(r, kLm, paths::kCurrentVersion, u"CurrentBuild", build);
    WriteDword(r, kLm, paths::kCurrentVersion, u"UBR", v.ubr);
    WriteText(r, kLm, paths::kCurrentVersion, u"CurrentVersion",
              v.major >= 10 ? std::u16string(u"6.3") : ToDecimal(v.major) + u"." + ToDecimal(v.minor));
    if (v.major >= 10) {
        WriteDword(r, kLm, paths::kCurrentVersion, u"CurrentMajorVersionNumber", v.major);
        WriteDword(r, kLm, paths::kCurrentVersion, u"CurrentMinorVersionNumber", v.minor);
    }
    WriteText(r, kLm, paths::kCurrentVersion, u"EditionID", u"Professional");
    WriteText(r, kLm, paths::kCurrentVersion, u"InstallationType", u"Client");
}

// ---- Layout

std::u16string SimMachine::LayoutName() { return Layout().name; }

const LayoutDef& SimMachine::Layout() {
    const LayoutDef* layout = FindLayout(TextOr(registry_, kLm, paths::kFacts, fact::kLayout, kDefaultLayout));
    return layout ? *layout : *FindLayout(kDefaultLayout);
}

Topology SimMachine::CurrentTopology() {
    const LayoutDef& layout = Layout();
    std::lock_guard<std::mutex> lock(topologyMutex_);
    if (topologyLayout_ != &layout) {
        topology_ = BuildTopology(layout);
        topologyLayout_ = &layout;
    }
    return topology_;
}

bool SimMachine::SetLayout(std::u16string_view name) {
    const LayoutDef* layout = FindLayout(name);
    if (layout == nullptr) return false;
    Exclusive lock(*this);
    WriteText(registry_, kLm, paths::kFacts, fact::kLayout, layout->name);
    WriteProcessorKey(*layout, false);
    if (layout->windowsBuild != 0) SetWindows(WindowsForBuild(layout->windowsBuild));
    MatchOverlaysToMachine();
    ApplyActivePlan();
    return true;
}

bool SimMachine::SettingIsClassOneOnly(const Guid& setting) {
    const SettingDef* def = FindSetting(setting);
    return def != nullptr && def->classOne;
}

uint32_t SimMachine::EfficiencyClassCount() {
    const LayoutDef& layout = Layout();
    std::lock_guard<std::mutex> lock(topologyMutex_);
    if (topologyLayout_ != &layout) {
        topology_ = BuildTopology(layout);
        topologyLayout_ = &layout;
    }
    return topology_.classCount;
}

bool SimMachine::SettingPresent(const Guid& subgroup, const Guid& setting) {
    if (SettingIsClassOneOnly(setting) && !ClassOneSettingsRegistered()) return false;
    return KeyExists(registry_, kLm, SettingKey(subgroup, setting));
}

bool SimMachine::ClassOneSettingsRegistered() { return FactDword(fact::kWindowsMajor, WindowsVersion{}.major) >= 10; }

// ---- Windows

WindowsVersion SimMachine::Windows() {
    WindowsVersion v;
    v.major = FactDword(fact::kWindowsMajor, v.major);
    v.minor = FactDword(fact::kWindowsMinor, v.minor);
    v.build = FactDword(fact::kWindowsBuild, v.build);
    v.ubr = FactDword(fact::kWindowsUbr, v.ubr);
    v.productName = FactText(fact::kProductName, v.productName);
    v.displayVersion = FactText(fact::kDisplayVersion, v.displayVersion);
    return v;
}

void SimMachine::SetWindows(const WindowsVersion& v) {
    SetFactDword(fact::kWindowsMajor, v.major);
    SetFactDword(fact::kWindowsMinor, v.minor);
    SetFactDword(fact::kWindowsBuild, v.build);
    SetFactDword(fact::kWindowsUbr, v.ubr);
    SetFactText(fact::kProductName, v.productName);
    SetFactText(fact::kDisplayVersion, v.displayVersion);
    if (ownsRegistry_) WriteOsVersionKey(v, false);
}

bool SimMachine::HasOverlayFunctions() { return FactDword(fact::kOverlayFunctions, 1) != 0; }

void SimMachine::SetOverlayFunctions(bool present) { SetFactDword(fact::kOverlayFunctions, present ? 1 : 0); }

bool SimMachine::ComesWithPowerModes() {
    return Layout().platformRole == 2 && Windows().build >= kFirstWindows11Build;
}

void SimMachine::MatchOverlaysToMachine() {
    bool any = false;
    for (const OverlayDef& def : Overlays()) any = any || PlanExists(def.guid);
    const bool wanted = ComesWithPowerModes();
    if (wanted == any) return;
    for (const OverlayDef& def : Overlays()) {
        if (wanted) {
            AddOverlay(def.number);
        } else {
            RemoveOverlay(def.number);
        }
    }
}

// ---- Plans

bool SimMachine::PlanExists(const Guid& plan) { return KeyExists(registry_, kLm, SchemeKey(plan)); }

bool SimMachine::ActiveScheme(Guid& plan) {
    std::u16string text;
    if (!ReadText(registry_, kLm, paths::kPowerSchemes, names::kActivePowerScheme, text)) return false;
    return StringToGuid(TrimWhite(text), plan);
}

void SimMachine::WriteActiveScheme(const Guid& plan) {
    WriteText(registry_, kLm, paths::kPowerSchemes, names::kActivePowerScheme, BareGuid(plan));
}

bool SimMachine::IsPlanHidden(const Guid& plan) {
    return DwordOr(registry_, kLm, FactsSubkey(fact::kHiddenPlans), BareGuid(plan), 0) != 0;
}

void SimMachine::SetPlanHidden(const Guid& plan, bool hidden) {
    if (hidden) {
        WriteDword(registry_, kLm, FactsSubkey(fact::kHiddenPlans), BareGuid(plan), 1);
    } else {
        registry_.DeleteValue(kLm, FactsSubkey(fact::kHiddenPlans), BareGuid(plan));
    }
}

bool SimMachine::IsPlanNameUnreadable(const Guid& plan) {
    return DwordOr(registry_, kLm, FactsSubkey(fact::kUnreadableNames), BareGuid(plan), 0) != 0;
}

void SimMachine::SetPlanNameUnreadable(const Guid& plan, bool unreadable) {
    if (unreadable) {
        WriteDword(registry_, kLm, FactsSubkey(fact::kUnreadableNames), BareGuid(plan), 1);
    } else {
        registry_.DeleteValue(kLm, FactsSubkey(fact::kUnreadableNames), BareGuid(plan));
    }
}

bool SimMachine::IsOverlay(const Guid& plan) { return FindOverlay(plan) != nullptr; }

bool SimMachine::PlanPersonality(const Guid& plan, uint32_t& personality) {
    return ReadDword(registry_, kLm, PersonalityKey(plan), names::kAcIndex, personality);
}

bool SimMachine::AddOverlay(int number) {
    const OverlayDef* overlay = FindOverlay(number);
    if (overlay == nullptr) return false;
    const std::u16string key = SchemeKey(overlay->guid);
    WriteText(registry_, kLm, key, u"FriendlyName", overlay->friendlyName);
    WriteText(registry_, kLm, key, u"Description", overlay->description);
    Guid current;
    if (!ActiveOverlay(true, current)) WriteActiveOverlay(true, Guid{});
    if (!ActiveOverlay(false, current)) WriteActiveOverlay(false, Guid{});
    return true;
}

bool SimMachine::RemoveOverlay(int number) {
    const OverlayDef* overlay = FindOverlay(number);
    if (overlay == nullptr) return false;
    registry_.DeleteTree(kLm, SchemeKey(overlay->guid));
    for (bool ac : {true, false}) {
        Guid current;
        if (ActiveOverlay(ac, current) && current == overlay->guid) WriteActiveOverlay(ac, Guid{});
    }
    bool any = false;
    for (const OverlayDef& def : Overlays()) any = any || PlanExists(def.guid);
    if (!any) {
        registry_.DeleteValue(kLm, paths::kPowerSchemes, names::kActiveOverlayAc);
        registry_.DeleteValue(kLm, paths::kPowerSchemes, names::kActiveOverlayDc);
    }
    return true;
}

bool SimMachine::OverlayAdded(int number) {
    const OverlayDef* overlay = FindOverlay(number);
    return overlay != nullptr && PlanExists(overlay->guid);
}

bool SimMachine::ActiveOverlay(bool ac, Guid& overlay) {
    std::u16string text;
    if (!ReadText(registry_, kLm, paths::kPowerSchemes, ac ? names::kActiveOverlayAc : names::kActiveOverlayDc,
                  text)) {
        return false;
    }
    if (!StringToGuid(TrimWhite(text), overlay)) overlay = Guid{};
    return true;
}

void SimMachine::WriteActiveOverlay(bool ac, const Guid& overlay) {
    WriteText(registry_, kLm, paths::kPowerSchemes, ac ? names::kActiveOverlayAc : names::kActiveOverlayDc,
              BareGuid(overlay));
}

// ---- Values

uint32_t SimMachine::ReadStoredDefault(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac,
                                       uint32_t& value, ValueOrigin* origin) {
    // The provisioned value first (one look at the key).
    std::vector<RegEntry> defaults;
    if (registry_.EnumValues(kLm, DefaultsKey(subgroup, setting, plan), defaults) != err::kSuccess) {
        return err::kFileNotFound;
    }
    const RegEntry* found = nullptr;
    bool provisioned = false;
    for (const RegEntry& entry : defaults) {
        if (EqualsIgnoreAsciiCase(entry.name, ac ? names::kProvAcIndex : names::kProvDcIndex)) {
            found = &entry;
            provisioned = true;
            break;
        }
        if (EqualsIgnoreAsciiCase(entry.name, ac ? names::kAcIndex : names::kDcIndex)) found = &entry;
    }
    if (found == nullptr) return err::kFileNotFound;
    value = DwordFromBytes(found->value.data.data(), found->value.data.size());
    if (origin) *origin = provisioned ? ValueOrigin::ProvisionedDefault : ValueOrigin::Default;
    return err::kSuccess;
}

bool SimMachine::SettingRemovedFromPlan(const Guid& plan, const Guid& setting) {
    return DwordOr(registry_, kLm, JoinKey(paths::kFacts, fact::kRemovedSettings, BareGuid(plan)), BareGuid(setting),
                   0) != 0;
}

uint32_t SimMachine::ReadStoredValue(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac,
                                     uint32_t& value, ValueOrigin* origin) {
    if (ReadDword(registry_, kLm, PlanValueKey(plan, subgroup, setting), ac ? names::kAcIndex : names::kDcIndex,
                  value)) {
        if (origin) *origin = ValueOrigin::Plan;
        return err::kSuccess;
    }
    if (ReadStoredDefault(plan, subgroup, setting, ac, value, origin) == err::kSuccess) return err::kSuccess;
    // A plan Windows does not provide reads the defaults of its personality.
    uint32_t personality = 0;
    if (!PlanPersonality(plan, personality)) return err::kFileNotFound;
    const Guid* base = PersonalityPlan(personality);
    if (base == nullptr || *base == plan || SettingRemovedFromPlan(plan, setting)) return err::kFileNotFound;
    return ReadStoredDefault(*base, subgroup, setting, ac, value, origin);
}

uint32_t SimMachine::ReadPlanValue(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac,
                                   uint32_t& value, ValueOrigin* origin) {
    if (!SettingPresent(subgroup, setting)) return err::kFileNotFound;
    // A value of the plan's own lies under the plan's key; a stored default needs the plan to exist.
    if (ReadDword(registry_, kLm, PlanValueKey(plan, subgroup, setting), ac ? names::kAcIndex : names::kDcIndex,
                  value)) {
        if (origin) *origin = ValueOrigin::Plan;
        return err::kSuccess;
    }
    if (!PlanExists(plan)) return err::kFileNotFound;
    return ReadStoredValue(plan, subgroup, setting, ac, value, origin);
}

bool SimMachine::OverlayOverrides(const Guid& overlay, const Guid& subgroup, const Guid& setting, bool ac) {
    RegValue unused;
    if (registry_.QueryValue(kLm, PlanValueKey(overlay, subgroup, setting), ac ? names::kAcIndex : names::kDcIndex,
                             unused) == err::kSuccess) {
        return true;
    }
    const std::u16string defaults = DefaultsKey(subgroup, setting, overlay);
    return registry_.QueryValue(kLm, defaults, ac ? names::kProvAcIndex : names::kProvDcIndex, unused) ==
               err::kSuccess ||
           registry_.QueryValue(kLm, defaults, ac ? names::kAcIndex : names::kDcIndex, unused) == err::kSuccess;
}

uint32_t SimMachine::ReadEffectiveValue(const Guid& subgroup, const Guid& setting, bool ac, uint32_t& value) {
    Guid active;
    if (!ActiveScheme(active)) return err::kFileNotFound;
    Guid overlay;
    if (active == guids::kBalanced && HasOverlayFunctions() && ActiveOverlay(ac, overlay) && !overlay.IsNull() &&
        PlanExists(overlay) && OverlayOverrides(overlay, subgroup, setting, ac)) {
        return ReadPlanValue(overlay, subgroup, setting, ac, value);
    }
    return ReadPlanValue(active, subgroup, setting, ac, value);
}

uint32_t SimMachine::WritePlanValue(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac,
                                    uint32_t value) {
    if (!PlanExists(plan)) return err::kFileNotFound;
    return WriteDword(registry_, kLm, PlanValueKey(plan, subgroup, setting), ac ? names::kAcIndex : names::kDcIndex,
                      value);
}

uint32_t SimMachine::UnsetPlanValue(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac) {
    if (!PlanExists(plan)) return err::kFileNotFound;
    const std::u16string key = PlanValueKey(plan, subgroup, setting);
    uint32_t result = registry_.DeleteValue(kLm, key, ac ? names::kAcIndex : names::kDcIndex);
    // Windows keeps no empty keys behind a plan's values.
    std::vector<RegEntry> left;
    std::vector<std::u16string> subkeys;
    if (registry_.EnumValues(kLm, key, left) == err::kSuccess && left.empty() &&
        registry_.EnumKeys(kLm, key, subkeys) == err::kSuccess && subkeys.empty()) {
        registry_.DeleteKey(kLm, key);
        const std::u16string subKey = JoinKey(SchemeKey(plan), BareGuid(subgroup));
        if (registry_.EnumValues(kLm, subKey, left) == err::kSuccess && left.empty() &&
            registry_.EnumKeys(kLm, subKey, subkeys) == err::kSuccess && subkeys.empty()) {
            registry_.DeleteKey(kLm, subKey);
        }
    }
    return result;
}

uint32_t SimMachine::RemovePlanSetting(const Guid& plan, const Guid& subgroup, const Guid& setting) {
    if (!PlanExists(plan)) return err::kFileNotFound;
    UnsetPlanValue(plan, subgroup, setting, true);
    UnsetPlanValue(plan, subgroup, setting, false);
    registry_.DeleteTree(kLm, DefaultsKey(subgroup, setting, plan));
    WriteDword(registry_, kLm, JoinKey(paths::kFacts, fact::kRemovedSettings, BareGuid(plan)), BareGuid(setting), 1);
    return err::kSuccess;
}

// ---- Refusals

bool SimMachine::WriteRefusal(const Guid& setting, bool ac, uint32_t& error) {
    return ReadDword(registry_, kLm, JoinKey(paths::kFacts, fact::kRefusedWrites, BareGuid(setting)),
                     ac ? u"AC" : u"DC", error);
}

void SimMachine::SetWriteRefusal(const Guid& setting, bool ac, uint32_t error) {
    WriteDword(registry_, kLm, JoinKey(paths::kFacts, fact::kRefusedWrites, BareGuid(setting)),
               ac ? u"AC" : u"DC", error);
}

void SimMachine::ClearWriteRefusals(const Guid& setting) {
    registry_.DeleteTree(kLm, JoinKey(paths::kFacts, fact::kRefusedWrites, BareGuid(setting)));
}

void SimMachine::ClearAllWriteRefusals() { registry_.DeleteTree(kLm, FactsSubkey(fact::kRefusedWrites)); }

// ---- Applied values

void SimMachine::ApplyActivePlan() {
    Exclusive lock(*this);
    const std::u16string key = FactsSubkey(fact::kApplied);
    const uint32_t sequence = DwordOr(registry_, kLm, key, fact::kSequence, 0) + 1;
    Guid active;
    WriteText(registry_, kLm, key, fact::kPlan, ActiveScheme(active) ? BareGuid(active) : u"");
    // The new values over the old ones first; only then what is no longer in force goes.
    std::vector<std::u16string> stale;
    for (const Guid& setting : kAppliedSettings) {
        for (bool ac : {true, false}) {
            uint32_t value = 0;
            if (ReadEffectiveValue(guids::kSubProcessor, setting, ac, value) == err::kSuccess) {
                WriteDword(registry_, kLm, key, AppliedValueName(setting, ac), value);
            } else {
                stale.push_back(AppliedValueName(setting, ac));
            }
        }
    }
    for (const std::u16string& name : stale) registry_.DeleteValue(kLm, key, name);
    WriteDword(registry_, kLm, key, fact::kSequence, sequence);
}

uint32_t SimMachine::ApplySequence() { return DwordOr(registry_, kLm, FactsSubkey(fact::kApplied), fact::kSequence, 0); }

bool SimMachine::AppliedValue(const Guid& setting, bool ac, uint32_t& value) {
    const std::u16string key = FactsSubkey(fact::kApplied);
    uint32_t sequence = 0;
    if (!ReadDword(registry_, kLm, key, fact::kSequence, sequence)) {
        return ReadEffectiveValue(guids::kSubProcessor, setting, ac, value) == err::kSuccess;
    }
    return ReadDword(registry_, kLm, key, AppliedValueName(setting, ac), value);
}

std::vector<bool> SimMachine::ParkedCores() {
    const Topology topology = CurrentTopology();
    std::vector<bool> parked(topology.cores.size(), false);
    if (IgnoresParking()) return parked;
    const std::vector<uint32_t> loads = ProcessorLoads();
    std::vector<bool> busy(topology.cores.size(), false);
    size_t lp = 0;
    for (size_t i = 0; i < topology.cores.size(); ++i) {
        for (uint32_t t = 0; t < topology.cores[i].threads; ++t, ++lp) {
            if (lp < loads.size() && loads[lp] >= kBusyLoadPercent) busy[i] = true;
        }
    }
    const bool ac = OnAcPower();
    for (uint32_t c = 0; c <= topology.maxClass; ++c) {
        const uint32_t cores = topology.CoresOfClass(static_cast<uint8_t>(c));
        if (cores == 0) continue;
        uint32_t percent = 100;
        if (!AppliedValue(c == 0 ? guids::kCoreParkingMin0 : guids::kCoreParkingMin1, ac, percent)) percent = 100;
        percent = std::min<uint32_t>(percent, 100);
        const uint32_t unparked = (percent * cores + 99) / 100;
        for (size_t i = 0; i < topology.cores.size(); ++i) {
            const CoreInfo& core = topology.cores[i];
            if (core.efficiencyClass == c && core.indexInClass >= unparked && !busy[i]) parked[i] = true;
        }
    }
    if (std::find(parked.begin(), parked.end(), false) == parked.end()) {
        // Windows never parks the last core: the first one of the most efficient class runs.
        size_t first = 0;
        for (size_t i = 1; i < topology.cores.size(); ++i) {
            if (topology.cores[i].efficiencyClass < topology.cores[first].efficiencyClass) first = i;
        }
        if (first < parked.size()) parked[first] = false;
    }
    return parked;
}

// ---- Load

std::vector<uint32_t> SimMachine::ProcessorLoads() {
    const uint32_t count = CurrentTopology().LogicalCount();
    const std::u16string key = FactsSubkey(fact::kLoad);
    std::vector<RegEntry> values;
    std::vector<uint32_t> loads(count, 0);
    if (registry_.EnumValues(kLm, key, values) != err::kSuccess) return loads;
    for (const RegEntry& entry : values) {
        if (EqualsIgnoreAsciiCase(entry.name, fact::kLoadAll)) {
            const uint32_t all = std::min<uint32_t>(DwordFromBytes(entry.value.data.data(), entry.value.data.size()), 100);
            for (uint32_t& load : loads) load = std::max(load, all);
        }
    }
    for (const RegEntry& entry : values) {
        bool digits = false;
        const int64_t index = ParseLeadingInt(entry.name, &digits);
        if (!digits || index < 0 || index >= static_cast<int64_t>(count)) continue;
        loads[static_cast<size_t>(index)] =
            std::min<uint32_t>(DwordFromBytes(entry.value.data.data(), entry.value.data.size()), 100);
    }
    return loads;
}

void SimMachine::SetProcessorLoad(int processor, uint32_t percent) {
    const std::u16string key = FactsSubkey(fact::kLoad);
    percent = std::min<uint32_t>(percent, 100);
    if (processor < 0) {
        registry_.DeleteTree(kLm, key);
        if (percent > 0) WriteDword(registry_, kLm, key, fact::kLoadAll, percent);
        return;
    }
    WriteDword(registry_, kLm, key, ToDecimal(static_cast<uint32_t>(processor)), percent);
}

// ---- Performance counters

bool SimMachine::CountersDisabled() { return FactDword(fact::kCountersDisabled, 0) != 0; }
void SimMachine::SetCountersDisabled(bool disabled) { SetFactDword(fact::kCountersDisabled, disabled ? 1 : 0); }
bool SimMachine::UtilityCounterMissing() { return FactDword(fact::kUtilityCounterMissing, 0) != 0; }
void SimMachine::SetUtilityCounterMissing(bool missing) {
    SetFactDword(fact::kUtilityCounterMissing, missing ? 1 : 0);
}

// ---- This process

ProcessIdentity SimMachine::CurrentProcess() {
    std::lock_guard<std::mutex> lock(identityMutex_);
    return identity_;
}

void SimMachine::SetCurrentProcess(ProcessIdentity identity) {
    std::lock_guard<std::mutex> lock(identityMutex_);
    identity_ = std::move(identity);
}

uint64_t SimMachine::NowFileTime() {
    if (clock_ != nullptr) {
        uint64_t fileTime = 0;
        if (CalendarToFileTime(clock_->UtcNow(), fileTime)) return fileTime;
    }
    // 100 ns units since 1970, moved to 1601.
    const auto since1970 = std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, 10000000>>>(
        std::chrono::system_clock::now().time_since_epoch());
    return static_cast<uint64_t>(since1970.count()) + 116444736000000000ULL;
}

// ---- Other facts

int SimMachine::MessageBoxAnswer() { return static_cast<int>(FactDword(fact::kMessageBoxAnswer, mb::kIdNo)); }
void SimMachine::SetMessageBoxAnswer(int answer) { SetFactDword(fact::kMessageBoxAnswer, static_cast<uint32_t>(answer)); }
std::u16string SimMachine::ComputerName() { return FactText(fact::kComputerName, kDefaultComputerName); }
void SimMachine::SetComputerName(std::u16string_view name) { SetFactText(fact::kComputerName, name); }
uint16_t SimMachine::UserDefaultUILanguage() { return static_cast<uint16_t>(FactDword(fact::kUiLanguage, 0x409)); }
void SimMachine::SetUserDefaultUILanguage(uint16_t language) { SetFactDword(fact::kUiLanguage, language); }
bool SimMachine::OnAcPower() { return FactDword(fact::kOnAcPower, 1) != 0; }
void SimMachine::SetOnAcPower(bool ac) { SetFactDword(fact::kOnAcPower, ac ? 1 : 0); }
bool SimMachine::HasBattery() { return FactDword(fact::kBatteryPresent, Layout().platformRole == 2 ? 1 : 0) != 0; }
void SimMachine::SetHasBattery(bool present) { SetFactDword(fact::kBatteryPresent, present ? 1 : 0); }
uint32_t SimMachine::BatteryPercent() { return FactDword(fact::kBatteryPercent, 100); }
void SimMachine::SetBatteryPercent(uint32_t percent) { SetFactDword(fact::kBatteryPercent, percent); }
bool SimMachine::BatterySaver() { return FactDword(fact::kBatterySaver, 0) != 0; }
void SimMachine::SetBatterySaver(bool on) { SetFactDword(fact::kBatterySaver, on ? 1 : 0); }
uint64_t SimMachine::LastInputTick() { return FactQword(fact::kLastInputTick, 0); }
void SimMachine::SetLastInputTick(uint64_t tick) { SetFactQword(fact::kLastInputTick, tick); }
bool SimMachine::DisplayOn() { return FactDword(fact::kDisplayOn, 1) != 0; }
void SimMachine::SetDisplayOn(bool on) { SetFactDword(fact::kDisplayOn, on ? 1 : 0); }
bool SimMachine::LidOpen() { return FactDword(fact::kLidOpen, 1) != 0; }
void SimMachine::SetLidOpen(bool open) { SetFactDword(fact::kLidOpen, open ? 1 : 0); }
bool SimMachine::SessionLocked() { return FactDword(fact::kSessionLocked, 0) != 0; }
void SimMachine::SetSessionLocked(bool locked) { SetFactDword(fact::kSessionLocked, locked ? 1 : 0); }
bool SimMachine::RemoteSession() { return FactDword(fact::kRemoteSession, 0) != 0; }
void SimMachine::SetRemoteSession(bool remote) { SetFactDword(fact::kRemoteSession, remote ? 1 : 0); }
bool SimMachine::IgnoresParking() { return FactDword(fact::kIgnoresParking, 0) != 0; }
void SimMachine::SetIgnoresParking(bool ignores) { SetFactDword(fact::kIgnoresParking, ignores ? 1 : 0); }
bool SimMachine::EventSignalled(std::u16string_view name) {
    return FactDword(u"Event " + std::u16string(name), 0) != 0;
}
void SimMachine::SetEventSignalled(std::u16string_view name, bool signalled) {
    SetFactDword(u"Event " + std::u16string(name), signalled ? 1 : 0);
}
bool SimMachine::IgnoresMaxState() { return FactDword(fact::kIgnoresMaxState, 0) != 0; }
void SimMachine::SetIgnoresMaxState(bool ignores) { SetFactDword(fact::kIgnoresMaxState, ignores ? 1 : 0); }
bool SimMachine::FileWritesFail() { return FactDword(fact::kFileWritesFail, 0) != 0; }
void SimMachine::SetFileWritesFail(bool fail) { SetFactDword(fact::kFileWritesFail, fail ? 1 : 0); }
bool SimMachine::PowerFunctionsMissing() { return FactDword(fact::kPowerFunctionsMissing, 0) != 0; }
void SimMachine::SetPowerFunctionsMissing(bool missing) { SetFactDword(fact::kPowerFunctionsMissing, missing ? 1 : 0); }
bool SimMachine::EnumerateSizeQuerySucceeds() { return FactDword(fact::kEnumerateSizeQuerySucceeds, 0) != 0; }
void SimMachine::SetEnumerateSizeQuerySucceeds(bool succeeds) {
    SetFactDword(fact::kEnumerateSizeQuerySucceeds, succeeds ? 1 : 0);
}

uint32_t SimMachine::FactDword(std::u16string_view name, uint32_t fallback) {
    return DwordOr(registry_, kLm, paths::kFacts, name, fallback);
}

void SimMachine::SetFactDword(std::u16string_view name, uint32_t value) {
    WriteDword(registry_, kLm, paths::kFacts, name, value);
}

std::u16string SimMachine::FactText(std::u16string_view name, std::u16string_view fallback) {
    return TextOr(registry_, kLm, paths::kFacts, name, fallback);
}

void SimMachine::SetFactText(std::u16string_view name, std::u16string_view value) {
    WriteText(registry_, kLm, paths::kFacts, name, value);
}

uint64_t SimMachine::FactQword(std::u16string_view name, uint64_t fallback) {
    uint64_t v = fallback;
    return ReadQword(registry_, kLm, paths::kFacts, name, v) ? v : fallback;
}

void SimMachine::SetFactQword(std::u16string_view name, uint64_t value) {
    WriteQword(registry_, kLm, paths::kFacts, name, value);
}

}  // namespace quellora::sim
