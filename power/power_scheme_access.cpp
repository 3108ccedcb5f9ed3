#include "power/power_scheme_access.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "power/maker_plan_scan.h"
#include "power/plan_write_guard.h"

namespace quellora {

namespace {

using Fn = PowerApi::Fn;

constexpr uint32_t kPowerCfgAttributesTimeoutMs = 1000;

// The functions without which the power API counts as missing.
constexpr Fn kRequired[] = {Fn::SetActiveScheme,   Fn::GetActiveScheme,   Fn::Enumerate,
                            Fn::ReadFriendlyName,  Fn::DuplicateScheme,   Fn::WriteFriendlyName,
                            Fn::WriteDescription,  Fn::DeleteScheme,      Fn::ReadACValueIndex,
                            Fn::ReadDCValueIndex,  Fn::WriteACValueIndex, Fn::WriteDCValueIndex,
                            Fn::ReadPossibleValue, Fn::WriteSettingAttributes};

const Guid* ClassGuid(const Guid& class0, const Guid& class1, int32_t efficiencyClass) {
    if (efficiencyClass == 0) return &class0;
    if (efficiencyClass == 1) return &class1;
    return nullptr;
}

}  // namespace

std::u16string ProcessorSettingKey(const Guid& setting) {
    return std::u16string(kPowerSettingsKey) + u"\\" + GuidToBareText(guids::kSubProcessor) + u"\\" +
           GuidToBareText(setting);
}

std::u16string PowercfgPath() {
    std::u16string dir = Sys().system ? Sys().system->SystemDirectory() : std::u16string();
    return dir + u"\\powercfg.exe";
}

PowerSchemeAccess::PowerSchemeAccess() : api_(Sys().power) {
    if (!api_) return;
    bool all = std::all_of(std::begin(kRequired), std::end(kRequired), [&](Fn fn) { return api_->Has(fn); });
    OsVersion os;
    bool windowsVistaOrLater = !Sys().system || !Sys().system->GetOsVersion(os) || os.major >= 6;
    available_ = all && windowsVistaOrLater;
    overlaySupport_ = available_ && api_->Has(Fn::GetActualOverlayScheme) && api_->Has(Fn::SetActiveOverlayScheme);
}

std::u16string PowerSchemeAccess::MissingFunctions() const {
    std::u16string names;
    for (Fn fn : kRequired) {
        if (api_ && api_->Has(fn)) continue;
        if (!names.empty()) names += u", ";
        names += Utf8ToUtf16(PowerApi::ExportName(fn));
    }
    if (names.empty() && !available_) names = u"Windows Vista or later";
    return names;
}

// ---- plans -----------------------------------------------------------------

std::vector<Guid> PowerSchemeAccess::EnumerateSchemes() {
    std::vector<Guid> plans;
    if (!available_) return plans;
    for (uint32_t index = 0;; ++index) {
        // The size query answers ERROR_MORE_DATA, or success on some systems,
        // as the name reads allow; anything else ends the list.
        uint32_t size = 0;
        const uint32_t query = api_->Enumerate(nullptr, nullptr, PowerApi::kAccessScheme, index, nullptr, &size);
        if (query != err::kMoreData && query != err::kSuccess) break;
        std::vector<uint8_t> buffer(size + 256, 0);
        uint32_t bufferSize = static_cast<uint32_t>(buffer.size());
        if (api_->Enumerate(nullptr, nullptr, PowerApi::kAccessScheme, index, buffer.data(), &bufferSize) != 0) break;
        Guid plan;
        if (GuidFromBytes(buffer.data(), buffer.size(), plan)) plans.push_back(plan);
    }
    return plans;
}

std::vector<PowerSchemeAccess::NamedPlan> PowerSchemeAccess::EnumerateNamedPlans(bool includeMakerPlan) {
    std::vector<NamedPlan> named;
    if (!available_) return named;
    std::vector<Guid> plans = EnumerateSchemes();
    for (const Guid& overlay : OverlayList()) plans.push_back(overlay);
    if (includeMakerPlan) {
        Guid maker;
        if (ScanMakerPlan(maker) && std::find(plans.begin(), plans.end(), maker) == plans.end()) plans.push_back(maker);
    }
    named.reserve(plans.size());
    for (const Guid& plan : plans) {
        NamedPlan entry{plan, {}, false};
        entry.named = ReadPlanName(plan, entry.name);
        if (!entry.named) entry.name.clear();
        named.push_back(std::move(entry));
    }
    // Plain UTF-16 code-unit order; equal names keep their enumeration order.
    std::stable_sort(named.begin(), named.end(), [](const NamedPlan& a, const NamedPlan& b) { return a.name < b.name; });
    return named;
}

std::vector<Guid> PowerSchemeAccess::EnumeratePlans(bool includeMakerPlan) {
    std::vector<Guid> plans;
    for (auto& entry : EnumerateNamedPlans(includeMakerPlan)) plans.push_back(entry.plan);
    return plans;
}

std::vector<Guid> PowerSchemeAccess::ListedPlans() { return EnumeratePlans(UserListsMakerPlan()); }

std::vector<PowerSchemeAccess::NamedPlan> PowerSchemeAccess::ListedNamedPlans() {
    return EnumerateNamedPlans(UserListsMakerPlan());
}

bool PowerSchemeAccess::ReadPlanName(const Guid& plan, std::u16string& name) {
    if (!available_) return false;
    uint32_t size = 0;
    uint32_t result = api_->ReadFriendlyName(&plan, nullptr, nullptr, nullptr, &size);
    if ((result != 0 && result != err::kMoreData) || size == 0) return false;
    std::vector<uint8_t> buffer(size + 1024, 0);
    uint32_t bufferSize = static_cast<uint32_t>(buffer.size());
    if (api_->ReadFriendlyName(&plan, nullptr, nullptr, buffer.data(), &bufferSize) != 0) return false;
    name = Utf16FromBytes(buffer.data(), buffer.size());
    return true;
}

bool PowerSchemeAccess::ReadPlanNameFromRegistry(const Guid& plan, std::u16string& name) {
    return ReadString(Hive::LocalMachine, std::u16string(kPowerSchemesKey) + u"\\" + GuidToBareText(plan),
                      u"FriendlyName", name, 8192);
}

bool PowerSchemeAccess::WritePlanName(const Guid& plan, std::u16string_view name) {
    if (!available_) return false;
    auto bytes = Utf16Bytes(name);
    const bool written =
        api_->WriteFriendlyName(plan, nullptr, nullptr, bytes.data(), static_cast<uint32_t>(bytes.size())) == 0;
    // A long-lived object must not keep answering the old name.
    std::lock_guard lock(mutex_);
    cachedActivePlan_ = Guid{};
    cachedActiveName_.clear();
    balancedNameKnown_ = false;
    balancedName_.clear();
    return written;
}

bool PowerSchemeAccess::WritePlanDescription(const Guid& plan, std::u16string_view description) {
    if (!available_) return false;
    auto bytes = Utf16Bytes(description);
    return api_->WriteDescription(plan, nullptr, nullptr, bytes.data(), static_cast<uint32_t>(bytes.size())) == 0;
}

bool PowerSchemeAccess::DuplicatePlan(const Guid& source, Guid& created) {
    if (!available_) return false;
    Guid copy;
    if (api_->DuplicateScheme(source, copy) != 0) return false;
    created = copy;
    return true;
}

bool PowerSchemeAccess::DeletePlan(const Guid& plan) { return available_ && api_->DeleteScheme(plan) == 0; }

bool PowerSchemeAccess::QueryActivePlan(Guid& plan) {
    if (!available_) return false;
    Guid active;
    if (api_->GetActiveScheme(active) != 0) return false;
    if (active == guids::kBalanced && overlaySupport_) {
        Guid overlay;
        if (api_->GetActualOverlayScheme(overlay) == 0 && !overlay.IsNull()) active = overlay;
    }
    plan = active;
    return true;
}

Guid PowerSchemeAccess::QueryActivePlanOrNull() {
    Guid plan;
    return QueryActivePlan(plan) ? plan : Guid{};
}

bool PowerSchemeAccess::IsActivePlan(const Guid& plan) {
    Guid active;
    return QueryActivePlan(active) && active == plan;
}

bool PowerSchemeAccess::ActivatePlan(const Guid& plan) {
    if (!available_) return false;
    if (overlaySupport_ && IsOverlay(plan)) {
        api_->SetActiveScheme(guids::kBalanced);
        return api_->SetActiveOverlayScheme(plan) == 0;
    }
    if (overlaySupport_) {
        Guid active;
        if (QueryActivePlan(active) && IsOverlay(active)) api_->SetActiveOverlayScheme(Guid{});
    }
    return api_->SetActiveScheme(plan) == 0;
}

bool PowerSchemeAccess::ActivePlanName(std::u16string& name) {
    Guid active;
    if (!QueryActivePlan(active)) return false;
    {
        std::lock_guard lock(mutex_);
        if (active == cachedActivePlan_ && !active.IsNull()) {
            name = cachedActiveName_;
            return true;
        }
    }
    std::u16string read;
    if (!ReadPlanName(active, read)) return false;
    std::lock_guard lock(mutex_);
    cachedActivePlan_ = active;
    cachedActiveName_ = read;
    name = read;
    return true;
}

std::u16string PowerSchemeAccess::BalancedName() {
    {
        std::lock_guard lock(mutex_);
        if (balancedNameKnown_) return balancedName_;
    }
    std::u16string name;
    if (!ReadPlanName(guids::kBalanced, name)) return {};
    std::lock_guard lock(mutex_);
    balancedNameKnown_ = true;
    balancedName_ = name;
    return name;
}

bool PowerSchemeAccess::FindPlanByName(std::u16string_view name, Guid& plan) {
    plan = Guid{};
    if (!available_) return false;
    std::u16string wanted(name);
    std::u16string balanced = BalancedName();
    if (!balanced.empty()) {
        std::u16string prefix = balanced + u": ";
        if (wanted.size() >= prefix.size() && EqualsIgnoreCase(std::u16string_view(wanted).substr(0, prefix.size()), prefix))
            wanted.erase(0, prefix.size());
    }
    for (const auto& candidate : EnumerateNamedPlans(false)) {
        if (candidate.named && EqualsIgnoreCase(candidate.name, wanted)) {
            plan = candidate.plan;
            return true;
        }
    }
    if (EqualsIgnoreCase(wanted, kMakerPlanName)) {
        Guid maker;
        if (ScanMakerPlan(maker)) {
            plan = maker;
            return true;
        }
    }
    return false;
}

bool PowerSchemeAccess::ActivatePlanByName(std::u16string_view name) {
    Guid plan;
    return FindPlanByName(name, plan) && ActivatePlan(plan);
}

std::vector<Guid> PowerSchemeAccess::OverlayList(bool rebuild) {
    // Built once per instance: the overlay schemes are part of the Windows
    // installation, and probing their names before every read would triple the
    // calls of a system that has none.
    std::lock_guard lock(mutex_);
    if (!overlayListBuilt_ || rebuild) {
        overlays_.clear();
        if (overlaySupport_) {
            static const Guid kOverlays[] = {guids::kOverlay1, guids::kOverlay2, guids::kOverlay3};
            bool anyNamed = false;
            for (const Guid& overlay : kOverlays) {
                std::u16string name;
                if (ReadPlanName(overlay, name)) anyNamed = true;
            }
            if (anyNamed) overlays_.assign(std::begin(kOverlays), std::end(kOverlays));
        }
        overlayListBuilt_ = true;
    }
    return overlays_;
}

bool PowerSchemeAccess::IsOverlay(const Guid& plan) {
    auto contains = [&](const std::vector<Guid>& list) { return std::find(list.begin(), list.end(), plan) != list.end(); };
    if (contains(OverlayList())) return true;
    // An overlay scheme Windows added after the list was made: one more look.
    const bool overlayGuid = plan == guids::kOverlay1 || plan == guids::kOverlay2 || plan == guids::kOverlay3;
    return overlayGuid && overlaySupport_ && contains(OverlayList(true));
}

bool PowerSchemeAccess::OverlaysInUse(bool reread) {
    if (!overlaySupport_) return false;
    std::lock_guard lock(mutex_);
    if (!overlaysInUseKnown_ || reread) {
        std::u16string text;
        overlaysInUse_ = ReadString(Hive::LocalMachine, kPowerSchemesKey, u"ActiveOverlayAcPowerScheme", text) &&
                         !text.empty();
        overlaysInUseKnown_ = true;
    }
    return overlaysInUse_;
}

Guid PowerSchemeAccess::HighestBuiltInPlan() {
    std::u16string name;
    if (ReadPlanName(guids::kUltimatePerformance, name) && !name.empty()) return guids::kUltimatePerformance;
    return guids::kHighPerformance;
}

bool PowerSchemeAccess::OnlyBalancedPlan() {
    for (const Guid& plan : EnumeratePlans(false)) {
        if (plan == guids::kHighPerformance || plan == guids::kPowerSaver) return false;
    }
    return true;
}

bool PowerSchemeAccess::PlanDisplayName(const Guid& plan, std::u16string& name) {
    std::u16string own;
    if (plan.IsNull() || !ReadPlanName(plan, own)) return false;
    if (IsOverlay(plan)) {
        name = BalancedName() + u": " + own;
    } else {
        name = own;
    }
    return true;
}

// ---- values ----------------------------------------------------------------

bool PowerSchemeAccess::ReadRaw(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac, uint32_t& value) {
    uint32_t v = 0;
    uint32_t result = api_->ReadValueIndex(ac, &plan, &subgroup, &setting, v);
    value = result == 0 ? v : 0;
    return result == 0;
}

bool PowerSchemeAccess::OverlayOverrides(const Guid& overlay, const Guid& subgroup, const Guid& setting, bool ac) {
    Registry* reg = Sys().registry;
    if (!reg) return false;
    RegValue v;
    std::u16string own = std::u16string(kPowerSchemesKey) + u"\\" + GuidToBareText(overlay) + u"\\" +
                         GuidToBareText(subgroup) + u"\\" + GuidToBareText(setting);
    if (reg->QueryValue(Hive::LocalMachine, own, ac ? u"ACSettingIndex" : u"DCSettingIndex", v) == 0) return true;
    std::u16string defaults = std::u16string(kPowerSettingsKey) + u"\\" + GuidToBareText(subgroup) + u"\\" +
                              GuidToBareText(setting) + u"\\DefaultPowerSchemeValues\\" + GuidToBareText(overlay);
    if (reg->QueryValue(Hive::LocalMachine, defaults, ac ? u"ProvAcSettingIndex" : u"ProvDcSettingIndex", v) == 0)
        return true;
    return reg->QueryValue(Hive::LocalMachine, defaults, ac ? u"ACSettingIndex" : u"DCSettingIndex", v) == 0;
}

bool PowerSchemeAccess::ReadSetting(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac,
                                    uint32_t& value) {
    value = 0;
    if (!available_ || !api_->Has(Fn::ReadACValueIndex) || !api_->Has(Fn::ReadDCValueIndex)) return false;
    Guid target = plan;
    if (IsOverlay(plan) && !OverlayOverrides(plan, subgroup, setting, ac)) target = guids::kBalanced;
    return ReadRaw(target, subgroup, setting, ac, value);
}

bool PowerSchemeAccess::WriteSetting(const Guid& plan, const Guid& subgroup, const Guid& setting, bool ac,
                                     uint32_t value, uint32_t* error) {
    if (!available_) {
        if (error) *error = err::kCallNotImplemented;
        return false;
    }
    uint32_t result = api_->WriteValueIndex(ac, plan, &subgroup, &setting, value);
    if (error) *error = result;
    return result == 0;
}

bool PowerSchemeAccess::ReadCoreParkingMin(const Guid& plan, int32_t cls, bool ac, uint32_t& value) {
    const Guid* g = ClassGuid(guids::kCoreParkingMin0, guids::kCoreParkingMin1, cls);
    return g && ReadSetting(plan, guids::kSubProcessor, *g, ac, value);
}

bool PowerSchemeAccess::WriteCoreParkingMin(const Guid& plan, int32_t cls, bool ac, uint32_t value, uint32_t* error) {
    const Guid* g = ClassGuid(guids::kCoreParkingMin0, guids::kCoreParkingMin1, cls);
    return g && WriteSetting(plan, guids::kSubProcessor, *g, ac, value, error);
}

bool PowerSchemeAccess::ReadMinProcessorState(const Guid& plan, int32_t cls, bool ac, uint32_t& value) {
    const Guid* g = ClassGuid(guids::kMinProcessorState0, guids::kMinProcessorState1, cls);
    return g && ReadSetting(plan, guids::kSubProcessor, *g, ac, value);
}

bool PowerSchemeAccess::WriteMinProcessorState(const Guid& plan, int32_t cls, bool ac, uint32_t value) {
    const Guid* g = ClassGuid(guids::kMinProcessorState0, guids::kMinProcessorState1, cls);
    return g && WriteSetting(plan, guids::kSubProcessor, *g, ac, value);
}

bool PowerSchemeAccess::ReadMaxProcessorState(const Guid& plan, int32_t cls, bool ac, uint32_t& value) {
    const Guid* g = ClassGuid(guids::kMaxProcessorState0, guids::kMaxProcessorState1, cls);
    return g && ReadSetting(plan, guids::kSubProcessor, *g, ac, value);
}

bool PowerSchemeAccess::WriteMaxProcessorState(const Guid& plan, int32_t cls, bool ac, uint32_t value) {
    const Guid* g = ClassGuid(guids::kMaxProcessorState0, guids::kMaxProcessorState1, cls);
    return g && WriteSetting(plan, guids::kSubProcessor, *g, ac, value);
}

bool PowerSchemeAccess::ReadHeteroPolicy(const Guid& plan, bool ac, uint32_t& value) {
    return ReadSetting(plan, guids::kSubProcessor, guids::kHeteroPolicy, ac, value);
}
bool PowerSchemeAccess::WriteHeteroPolicy(const Guid& plan, bool ac, uint32_t value) {
    return WriteSetting(plan, guids::kSubProcessor, guids::kHeteroPolicy, ac, value);
}
bool PowerSchemeAccess::ReadShortSchedPolicy(const Guid& plan, bool ac, uint32_t& value) {
    return ReadSetting(plan, guids::kSubProcessor, guids::kShortSchedPolicy, ac, value);
}
bool PowerSchemeAccess::WriteShortSchedPolicy(const Guid& plan, bool ac, uint32_t value) {
    return WriteSetting(plan, guids::kSubProcessor, guids::kShortSchedPolicy, ac, value);
}
bool PowerSchemeAccess::ReadSchedPolicy(const Guid& plan, bool ac, uint32_t& value) {
    return ReadSetting(plan, guids::kSubProcessor, guids::kSchedPolicy, ac, value);
}
bool PowerSchemeAccess::WriteSchedPolicy(const Guid& plan, bool ac, uint32_t value) {
    return WriteSetting(plan, guids::kSubProcessor, guids::kSchedPolicy, ac, value);
}

bool PowerSchemeAccess::IsParkingEnabled(std::u16string_view planName, int32_t cls, bool ac) {
    Guid plan;
    uint32_t value = 0;
    return FindPlanByName(planName, plan) && ReadCoreParkingMin(plan, cls, ac, value) && value != 100;
}

bool PowerSchemeAccess::ReadMinProcessorStateByName(std::u16string_view planName, int32_t cls, bool ac, uint32_t& value) {
    Guid plan;
    return FindPlanByName(planName, plan) && ReadMinProcessorState(plan, cls, ac, value);
}

bool PowerSchemeAccess::ReadMaxProcessorStateByName(std::u16string_view planName, int32_t cls, bool ac, uint32_t& value) {
    Guid plan;
    return FindPlanByName(planName, plan) && ReadMaxProcessorState(plan, cls, ac, value);
}

bool PowerSchemeAccess::WriteSettings(const Guid& plan, const std::vector<SettingWrite>& batch, bool activate,
                                      WriteFailure* failure) {
    WriteFailure record;
    auto fail = [&](const SettingWrite& entry, uint32_t error) {
        record.failed = true;
        record.entry = entry;
        record.error = error;
        if (failure) *failure = record;
        return false;
    };
    if (failure) *failure = record;
    if (batch.empty()) return true;

    // Made visible before the guard is taken: powercfg may take a while, and it changes no value.
    for (const auto& entry : batch) UnhideSetting(entry.setting);
    PlanWriteGuard guard;
    if (guard.TimedOut()) {
        record.busy = true;
        return fail(batch.front(), err::kWaitTimeout);
    }

    struct Old {
        uint32_t value = 0;
        bool read = false;
    };
    std::vector<Old> old(batch.size());
    for (size_t i = 0; i < batch.size(); ++i) {
        old[i].read = ReadSetting(plan, guids::kSubProcessor, batch[i].setting, batch[i].ac, old[i].value);
    }
    for (size_t i = 0; i < batch.size(); ++i) {
        uint32_t error = 0;
        if (WriteSetting(plan, guids::kSubProcessor, batch[i].setting, batch[i].ac, batch[i].value, &error)) continue;
        // Put back what this batch already changed; entries whose old value
        // could not be read keep the new one.
        for (size_t j = 0; j < i; ++j) {
            if (old[j].read) WriteSetting(plan, guids::kSubProcessor, batch[j].setting, batch[j].ac, old[j].value);
        }
        return fail(batch[i], error);
    }
    uint32_t error = 0;
    if (activate && !ActivateCurrentScheme(&error)) {
        record.activationFailed = true;
        return fail(SettingWrite{}, error);
    }
    return true;
}

bool PowerSchemeAccess::ActivateCurrentScheme(uint32_t* error) {
    Processes* processes = Sys().processes;
    uint32_t code = err::kCallNotImplemented;
    const bool started =
        processes && processes->StartDetached(u"\"" + PowercfgPath() + u"\" -setactive scheme_current", code);
    if (error) *error = started ? 0 : code;
    return started;
}

// ---- visibility ------------------------------------------------------------

bool IsProcessorSettingHidden(const Guid& setting) {
    Registry* reg = Sys().registry;
    if (!reg) return true;
    RegValue v;
    uint32_t attributes = 0;
    if (reg->QueryValue(Hive::LocalMachine, ProcessorSettingKey(setting), u"Attributes", v) != 0 || !v.AsDword(attributes))
        return true;
    return attributes != 0 && attributes != 2;
}

bool RunPowercfgAttributes(const Guid& setting, bool hide) {
    Processes* processes = Sys().processes;
    if (!processes) return false;
    std::u16string command = Format(u"\"%s\" -attributes %s %s %s", PowercfgPath(), u"SUB_PROCESSOR",
                                    GuidToText(setting), hide ? u"+ATTRIB_HIDE" : u"-ATTRIB_HIDE");
    command.erase(std::remove_if(command.begin(), command.end(), [](char16_t c) { return c == u'{' || c == u'}'; }),
                  command.end());
    return processes->Run(command, kPowerCfgAttributesTimeoutMs, false).started;
}

bool PowerSchemeAccess::IsSettingHidden(const Guid& setting) { return IsProcessorSettingHidden(setting); }

bool PowerSchemeAccess::UnhideSetting(const Guid& setting) {
    if (!IsSettingHidden(setting)) return true;
    if (!RunPowercfgAttributes(setting, false)) return false;
    std::lock_guard lock(mutex_);
    if (std::find(unhidden_.begin(), unhidden_.end(), setting) == unhidden_.end()) unhidden_.push_back(setting);
    return true;
}

std::vector<Guid> PowerSchemeAccess::UnhiddenSettings() {
    std::lock_guard lock(mutex_);
    return unhidden_;
}

}  // namespace quellora
