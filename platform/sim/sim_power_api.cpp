#include "platform/sim/sim_power_api.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/sim/catalogue.h"
#include "platform/sim/sim_event_log.h"
#include "platform/sim/reg_util.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace quellora::sim {

namespace {

constexpr Hive kLm = Hive::LocalMachine;

// The platform's buffer rules: a null buffer asks for the size; a buffer too
// small answers ERROR_MORE_DATA with the size needed.
uint32_t CopyOut(const std::vector<uint8_t>& bytes, uint8_t* buffer, uint32_t* size) {
    if (size == nullptr) return err::kInvalidParameter;
    const uint32_t needed = static_cast<uint32_t>(bytes.size());
    if (buffer == nullptr) {
        *size = needed;
        return err::kSuccess;
    }
    if (*size < needed) {
        *size = needed;
        return err::kMoreData;
    }
    if (needed > 0) std::memcpy(buffer, bytes.data(), needed);
    *size = needed;
    return err::kSuccess;
}

void PutU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// The key of a setting, with or without a subgroup (NO_SUBGROUP_GUID settings sit directly under PowerSettings).
std::u16string SettingKeyOf(const Guid* subgroup, const Guid& setting) {
    return subgroup ? SettingKey(*subgroup, setting) : JoinKey(paths::kPowerSettings, BareGuid(setting));
}

std::vector<Guid> GuidSubkeys(Registry& registry, std::u16string_view key) {
    std::vector<std::u16string> names;
    std::vector<Guid> out;
    if (registry.EnumKeys(kLm, key, names) != err::kSuccess) return out;
    for (const auto& name : names) {
        Guid g;
        if (StringToGuid(name, g)) out.push_back(g);
    }
    return out;
}

}  // namespace

SimPowerApi::SimPowerApi(SimMachine& machine) : machine_(machine) {}

void SimPowerApi::Count(Fn fn) const { calls_[static_cast<size_t>(fn)].fetch_add(1, std::memory_order_relaxed); }

uint64_t SimPowerApi::CallCount(Fn fn) const { return calls_[static_cast<size_t>(fn)].load(std::memory_order_relaxed); }

uint64_t SimPowerApi::TotalCalls() const {
    uint64_t total = 0;
    for (const auto& c : calls_) total += c.load(std::memory_order_relaxed);
    return total;
}

void SimPowerApi::ResetCallCounts() {
    for (auto& c : calls_) c.store(0, std::memory_order_relaxed);
}

bool SimPowerApi::Has(Fn fn) const {
    switch (fn) {
        case Fn::GetActualOverlayScheme:
        case Fn::SetActiveOverlayScheme:
        case Fn::GetEffectiveOverlayScheme:
            return machine_.HasOverlayFunctions();
        case Fn::DuplicateScheme:
        case Fn::WriteFriendlyName:
        case Fn::WriteDescription:
        case Fn::DeleteScheme:
        case Fn::ReadACValueIndex:
        case Fn::ReadDCValueIndex:
        case Fn::WriteACValueIndex:
        case Fn::WriteDCValueIndex:
        case Fn::ReadPossibleValue:
        case Fn::WriteSettingAttributes:
            return !machine_.PowerFunctionsMissing();
        case Fn::kCount:
            return false;
        default:
            return true;
    }
}

uint32_t SimPowerApi::SetActiveScheme(const Guid& scheme) {
    Count(Fn::SetActiveScheme);
    if (!machine_.PlanExists(scheme)) return err::kFileNotFound;
    if (machine_.IsOverlay(scheme)) return err::kInvalidParameter;  // overlays go through SetActiveOverlayScheme
    Guid previous;
    if (!machine_.ActiveScheme(previous)) previous = Guid{};
    machine_.WriteActiveScheme(scheme);
    machine_.ApplyActivePlan();
    // Windows' power service records every activation, a repeated one too.
    RecordPlanChange(machine_, previous, scheme, activator_ ? *activator_ : machine_.CurrentProcess());
    return err::kSuccess;
}

uint32_t SimPowerApi::GetActiveScheme(Guid& scheme) {
    Count(Fn::GetActiveScheme);
    Guid active;
    if (!machine_.ActiveScheme(active)) return err::kFileNotFound;
    scheme = active;
    return err::kSuccess;
}

uint32_t SimPowerApi::Enumerate(const Guid* scheme, const Guid* subgroup, uint32_t accessFlags, uint32_t index,
                                uint8_t* buffer, uint32_t* size) {
    Count(Fn::Enumerate);
    (void)scheme;
    if (size == nullptr) return err::kInvalidParameter;
    std::vector<Guid> items;
    Registry& r = machine_.registry();
    switch (accessFlags) {
        case kAccessScheme:
            for (const Guid& plan : GuidSubkeys(r, paths::kPowerSchemes)) {
                if (machine_.IsOverlay(plan) || machine_.IsPlanHidden(plan)) continue;
                items.push_back(plan);
            }
            break;
        case kAccessSubgroup:
            items = GuidSubkeys(r, paths::kPowerSettings);
            break;
        case kAccessIndividualSetting:
            if (subgroup == nullptr) break;  // no setting lives outside a subgroup here
            for (const Guid& setting : GuidSubkeys(r, SubgroupKey(*subgroup))) {
                if (machine_.SettingPresent(*subgroup, setting)) items.push_back(setting);
            }
            break;
        default:
            return err::kInvalidParameter;
    }
    if (index >= items.size()) return err::kNoMoreItems;
    if (buffer == nullptr && machine_.EnumerateSizeQuerySucceeds()) {
        *size = 16;
        return err::kSuccess;
    }
    if (buffer == nullptr || *size < 16) {
        *size = 16;
        return err::kMoreData;
    }
    auto bytes = GuidBytes(items[index]);
    std::memcpy(buffer, bytes.data(), bytes.size());
    *size = 16;
    return err::kSuccess;
}

uint32_t SimPowerApi::ReadText(const Guid* scheme, const Guid* subgroup, const Guid* setting,
                               std::u16string_view valueName, uint8_t* buffer, uint32_t* size) {
    if (size == nullptr) return err::kInvalidParameter;
    std::u16string key;
    if (setting != nullptr) {
        if (scheme != nullptr && !machine_.PlanExists(*scheme)) return err::kFileNotFound;
        if (subgroup != nullptr ? !machine_.SettingPresent(*subgroup, *setting)
                                : !KeyExists(machine_.registry(), kLm, SettingKeyOf(nullptr, *setting))) {
            return err::kFileNotFound;
        }
        key = SettingKeyOf(subgroup, *setting);
    } else if (subgroup != nullptr) {
        key = SubgroupKey(*subgroup);
    } else if (scheme != nullptr) {
        if (!machine_.PlanExists(*scheme)) return err::kFileNotFound;
        if (valueName == u"FriendlyName" && machine_.IsPlanNameUnreadable(*scheme)) return err::kFileNotFound;
        key = SchemeKey(*scheme);
    } else {
        return err::kInvalidParameter;
    }
    std::u16string text;
    if (!sim::ReadText(machine_.registry(), kLm, key, valueName, text)) return err::kFileNotFound;
    return CopyOut(Utf16Bytes(ResolveIndirectText(text)), buffer, size);
}

uint32_t SimPowerApi::ReadFriendlyName(const Guid* scheme, const Guid* subgroup, const Guid* setting,
                                       uint8_t* buffer, uint32_t* size) {
    Count(Fn::ReadFriendlyName);
    return ReadText(scheme, subgroup, setting, u"FriendlyName", buffer, size);
}

uint32_t SimPowerApi::ReadDescription(const Guid* scheme, const Guid* subgroup, const Guid* setting,
                                      uint8_t* buffer, uint32_t* size) {
    Count(Fn::ReadDescription);
    return ReadText(scheme, subgroup, setting, u"Description", buffer, size);
}

uint32_t SimPowerApi::WriteText(const Guid& scheme, const Guid* subgroup, const Guid* setting,
                                std::u16string_view valueName, const uint8_t* buffer, uint32_t size) {
    if (buffer == nullptr) return err::kInvalidParameter;
    std::u16string key;
    if (setting != nullptr) {
        key = SettingKeyOf(subgroup, *setting);
    } else if (subgroup != nullptr) {
        key = SubgroupKey(*subgroup);
    } else {
        key = SchemeKey(scheme);
    }
    if (!KeyExists(machine_.registry(), kLm, key)) return err::kFileNotFound;
    return sim::WriteText(machine_.registry(), kLm, key, valueName, Utf16FromBytes(buffer, size));
}

uint32_t SimPowerApi::WriteFriendlyName(const Guid& scheme, const Guid* subgroup, const Guid* setting,
                                        const uint8_t* buffer, uint32_t size) {
    Count(Fn::WriteFriendlyName);
    if (!Has(Fn::WriteFriendlyName)) return err::kCallNotImplemented;
    return WriteText(scheme, subgroup, setting, u"FriendlyName", buffer, size);
}

uint32_t SimPowerApi::WriteDescription(const Guid& scheme, const Guid* subgroup, const Guid* setting,
                                       const uint8_t* buffer, uint32_t size) {
    Count(Fn::WriteDescription);
    if (!Has(Fn::WriteDescription)) return err::kCallNotImplemented;
    return WriteText(scheme, subgroup, setting, u"Description", buffer, size);
}

uint32_t SimPowerApi::DuplicateScheme(const Guid& source, Guid& created) {
    Count(Fn::DuplicateScheme);
    if (!Has(Fn::DuplicateScheme)) return err::kCallNotImplemented;
    if (!machine_.PlanExists(source)) return err::kFileNotFound;
    Registry& r = machine_.registry();
    Guid copy;
    do {
        copy = NewPlanGuid();
    } while (machine_.PlanExists(copy));
    // The copy takes the source's key as it is: its names, the values of its
    // own and its personality. Windows' stored defaults belong to the source
    // only: the copy reads those of its personality where it has no value, and
    // where the source's own defaults differ from them (Ultimate Performance
    // has the personality of High performance), the source's value becomes
    // one of the copy's own, so that the copy starts as the source is.
    const std::u16string to = SchemeKey(copy);
    if (uint32_t result = r.CreateKey(kLm, to); result != err::kSuccess) return result;
    CopyTree(r, kLm, SchemeKey(source), to);
    for (const Guid& subgroup : GuidSubkeys(r, paths::kPowerSettings)) {
        for (const Guid& setting : GuidSubkeys(r, SubgroupKey(subgroup))) {
            for (bool ac : {true, false}) {
                uint32_t value = 0;
                if (machine_.ReadStoredValue(source, subgroup, setting, ac, value) != err::kSuccess) continue;
                uint32_t inherited = 0;
                if (machine_.ReadStoredValue(copy, subgroup, setting, ac, inherited) == err::kSuccess &&
                    inherited == value) {
                    continue;
                }
                machine_.WritePlanValue(copy, subgroup, setting, ac, value);
            }
        }
    }
    created = copy;
    return err::kSuccess;
}

uint32_t SimPowerApi::DeleteScheme(const Guid& scheme) {
    Count(Fn::DeleteScheme);
    if (!Has(Fn::DeleteScheme)) return err::kCallNotImplemented;
    if (!machine_.PlanExists(scheme)) return err::kFileNotFound;
    Guid active;
    if (machine_.ActiveScheme(active) && active == scheme) return err::kAccessDenied;
    return machine_.registry().DeleteTree(kLm, SchemeKey(scheme));
}

uint32_t SimPowerApi::ReadValueIndex(bool ac, const Guid* scheme, const Guid* subgroup, const Guid* setting,
                                     uint32_t& value) {
    Count(ac ? Fn::ReadACValueIndex : Fn::ReadDCValueIndex);
    if (!Has(ac ? Fn::ReadACValueIndex : Fn::ReadDCValueIndex)) return err::kCallNotImplemented;
    if (scheme == nullptr || setting == nullptr) return err::kInvalidParameter;
    if (subgroup == nullptr) return err::kFileNotFound;
    return machine_.ReadPlanValue(*scheme, *subgroup, *setting, ac, value);
}

uint32_t SimPowerApi::WriteValueIndex(bool ac, const Guid& scheme, const Guid* subgroup, const Guid* setting,
                                      uint32_t value) {
    Count(ac ? Fn::WriteACValueIndex : Fn::WriteDCValueIndex);
    if (!Has(ac ? Fn::WriteACValueIndex : Fn::WriteDCValueIndex)) return err::kCallNotImplemented;
    if (setting == nullptr) return err::kInvalidParameter;
    if (!machine_.PlanExists(scheme)) return err::kFileNotFound;
    if (subgroup == nullptr || !machine_.SettingPresent(*subgroup, *setting)) return err::kFileNotFound;
    uint32_t refusal = 0;
    if (machine_.WriteRefusal(*setting, ac, refusal)) return refusal;
    // The range as the registry holds it now.
    Registry& r = machine_.registry();
    const std::u16string key = SettingKey(*subgroup, *setting);
    uint32_t min = 0;
    uint32_t max = 0;
    if (ReadDword(r, kLm, key, u"ValueMin", min) && ReadDword(r, kLm, key, u"ValueMax", max) &&
        (value < min || value > max)) {
        return err::kInvalidParameter;
    }
    return machine_.WritePlanValue(scheme, *subgroup, *setting, ac, value);
}

uint32_t SimPowerApi::ReadPossibleValue(const Guid* subgroup, const Guid* setting, uint32_t* type, uint32_t index,
                                        uint8_t* buffer, uint32_t* size) {
    Count(Fn::ReadPossibleValue);
    if (!Has(Fn::ReadPossibleValue)) return err::kCallNotImplemented;
    if (setting == nullptr || size == nullptr) return err::kInvalidParameter;
    if (subgroup == nullptr || !machine_.SettingPresent(*subgroup, *setting)) return err::kFileNotFound;
    RegValue value;
    if (machine_.registry().QueryValue(kLm, JoinKey(SettingKey(*subgroup, *setting), ToDecimal(index)),
                                       u"SettingValue", value) != err::kSuccess) {
        return err::kFileNotFound;
    }
    if (type != nullptr) *type = value.type;
    return CopyOut(value.data, buffer, size);
}

uint32_t SimPowerApi::ReadPossibleFriendlyName(const Guid* subgroup, const Guid* setting, uint32_t index,
                                               uint8_t* buffer, uint32_t* size) {
    Count(Fn::ReadPossibleFriendlyName);
    if (setting == nullptr || size == nullptr) return err::kInvalidParameter;
    if (subgroup == nullptr || !machine_.SettingPresent(*subgroup, *setting)) return err::kFileNotFound;
    std::u16string text;
    if (!sim::ReadText(machine_.registry(), kLm, JoinKey(SettingKey(*subgroup, *setting), ToDecimal(index)),
                       u"FriendlyName", text)) {
        return err::kFileNotFound;
    }
    return CopyOut(Utf16Bytes(ResolveIndirectText(text)), buffer, size);
}

uint32_t SimPowerApi::ReadSettingAttributes(const Guid* subgroup, const Guid* setting) {
    Count(Fn::ReadSettingAttributes);
    std::u16string key;
    if (setting != nullptr) {
        if (subgroup == nullptr || !machine_.SettingPresent(*subgroup, *setting)) return 0;
        key = SettingKey(*subgroup, *setting);
    } else if (subgroup != nullptr) {
        key = SubgroupKey(*subgroup);
    } else {
        return 0;
    }
    return DwordOr(machine_.registry(), kLm, key, u"Attributes", 0);
}

uint32_t SimPowerApi::WriteSettingAttributes(const Guid* subgroup, const Guid* setting, uint32_t attributes) {
    Count(Fn::WriteSettingAttributes);
    if (!Has(Fn::WriteSettingAttributes)) return err::kCallNotImplemented;
    std::u16string key;
    if (setting != nullptr) {
        if (subgroup == nullptr || !machine_.SettingPresent(*subgroup, *setting)) return err::kFileNotFound;
        key = SettingKey(*subgroup, *setting);
    } else if (subgroup != nullptr) {
        key = SubgroupKey(*subgroup);
        if (!KeyExists(machine_.registry(), kLm, key)) return err::kFileNotFound;
    } else {
        return err::kInvalidParameter;
    }
    return WriteDword(machine_.registry(), kLm, key, u"Attributes", attributes);
}

uint32_t SimPowerApi::ReadRangeValue(const Guid* subgroup, const Guid* setting, std::u16string_view valueName,
                                     uint32_t& value) {
    if (setting == nullptr) return err::kInvalidParameter;
    if (subgroup == nullptr || !machine_.SettingPresent(*subgroup, *setting)) return err::kFileNotFound;
    return ReadDword(machine_.registry(), kLm, SettingKey(*subgroup, *setting), valueName, value)
               ? err::kSuccess
               : err::kFileNotFound;
}

uint32_t SimPowerApi::ReadValueMin(const Guid* subgroup, const Guid* setting, uint32_t& value) {
    Count(Fn::ReadValueMin);
    return ReadRangeValue(subgroup, setting, u"ValueMin", value);
}

uint32_t SimPowerApi::ReadValueMax(const Guid* subgroup, const Guid* setting, uint32_t& value) {
    Count(Fn::ReadValueMax);
    return ReadRangeValue(subgroup, setting, u"ValueMax", value);
}

uint32_t SimPowerApi::ReadValueIncrement(const Guid* subgroup, const Guid* setting, uint32_t& value) {
    Count(Fn::ReadValueIncrement);
    return ReadRangeValue(subgroup, setting, u"ValueIncrement", value);
}

uint32_t SimPowerApi::ReadValueUnitsSpecifier(const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                                              uint32_t* size) {
    Count(Fn::ReadValueUnitsSpecifier);
    if (setting == nullptr || size == nullptr) return err::kInvalidParameter;
    if (subgroup == nullptr || !machine_.SettingPresent(*subgroup, *setting)) return err::kFileNotFound;
    std::u16string text;
    if (!sim::ReadText(machine_.registry(), kLm, SettingKey(*subgroup, *setting), u"ValueUnits", text)) {
        return err::kFileNotFound;
    }
    return CopyOut(Utf16Bytes(ResolveIndirectText(text)), buffer, size);
}

uint32_t SimPowerApi::GetActualOverlayScheme(Guid& overlay) {
    Count(Fn::GetActualOverlayScheme);
    if (!Has(Fn::GetActualOverlayScheme)) return err::kCallNotImplemented;
    Guid current;
    overlay = machine_.ActiveOverlay(machine_.OnAcPower(), current) ? current : Guid{};
    return err::kSuccess;
}

uint32_t SimPowerApi::GetEffectiveOverlayScheme(Guid& overlay) {
    Count(Fn::GetEffectiveOverlayScheme);
    if (!Has(Fn::GetEffectiveOverlayScheme)) return err::kCallNotImplemented;
    // An overlay is in effect only over Balanced.
    Guid active;
    Guid current;
    if (machine_.ActiveScheme(active) && active == guids::kBalanced &&
        machine_.ActiveOverlay(machine_.OnAcPower(), current) && machine_.PlanExists(current)) {
        overlay = current;
    } else {
        overlay = Guid{};
    }
    return err::kSuccess;
}

uint32_t SimPowerApi::SetActiveOverlayScheme(const Guid& overlay) {
    Count(Fn::SetActiveOverlayScheme);
    if (!Has(Fn::SetActiveOverlayScheme)) return err::kCallNotImplemented;
    if (!overlay.IsNull()) {
        if (!machine_.IsOverlay(overlay)) return err::kInvalidParameter;
        if (!machine_.PlanExists(overlay)) return err::kFileNotFound;
    }
    // The overlay of the power source in use.
    machine_.WriteActiveOverlay(machine_.OnAcPower(), overlay);
    machine_.ApplyActivePlan();
    return err::kSuccess;
}

uint32_t SimPowerApi::DeterminePlatformRoleEx(uint32_t version) {
    Count(Fn::DeterminePlatformRoleEx);
    if (version != 1 && version != 2) return 0;
    return machine_.Layout().platformRole;
}

int32_t SimPowerApi::CallNtPowerInformation(uint32_t level, const void* input, uint32_t inputSize, void* output,
                                            uint32_t outputSize) {
    Count(Fn::CallNtPowerInformation);
    (void)input;
    (void)inputSize;
    auto* out = static_cast<uint8_t*>(output);
    if (level == kProcessorInformation) {
        const Topology topology = machine_.CurrentTopology();
        const uint32_t count = topology.LogicalCount();
        if (out == nullptr || outputSize < count * kProcessorPowerInformationSize) return kStatusBufferTooSmall;
        const std::vector<bool> parked = machine_.ParkedCores();
        const bool ac = machine_.OnAcPower();
        const bool ignoresMax = machine_.IgnoresMaxState();
        const uint32_t mhz = topology.layout->mhz;
        uint32_t number = 0;
        for (size_t i = 0; i < topology.cores.size(); ++i) {
            const CoreInfo& core = topology.cores[i];
            const bool classZero = core.efficiencyClass == 0;
            uint32_t maxState = 100;
            uint32_t minState = 5;
            machine_.AppliedValue(classZero ? guids::kMaxProcessorState0 : guids::kMaxProcessorState1, ac, maxState);
            machine_.AppliedValue(classZero ? guids::kMinProcessorState0 : guids::kMinProcessorState1, ac, minState);
            maxState = std::min<uint32_t>(maxState, 100);
            minState = std::min<uint32_t>(minState, 100);
            const uint32_t limit = ignoresMax ? mhz : mhz * maxState / 100;
            // An idle processor runs at its floor, or at a light load's clock.
            const uint32_t current = std::min(limit, mhz * std::max<uint32_t>(minState, 40) / 100);
            for (uint32_t t = 0; t < core.threads; ++t, ++number) {
                uint8_t* record = out + number * kProcessorPowerInformationSize;
                PutU32(record + 0, number);
                PutU32(record + 4, mhz);
                PutU32(record + 8, current);
                PutU32(record + 12, limit);
                PutU32(record + 16, 2);
                PutU32(record + 20, parked[i] ? 2 : 0);
            }
        }
        return kStatusSuccess;
    }
    if (level == kSystemPowerCapabilities) {
        if (out == nullptr || outputSize < spc::kSize) return kStatusBufferTooSmall;
        const LayoutDef& layout = machine_.Layout();
        const bool laptop = layout.platformRole == 2;
        std::memset(out, 0, spc::kSize);
        out[spc::kPowerButtonPresent] = 1;
        out[spc::kSleepButtonPresent] = laptop ? 1 : 0;
        out[spc::kLidPresent] = laptop ? 1 : 0;
        out[spc::kSystemS3] = layout.modernStandby ? 0 : 1;  // modern standby replaces S3
        out[spc::kSystemS4] = 1;
        out[spc::kSystemS5] = 1;
        out[spc::kHiberFilePresent] = 1;
        out[spc::kThermalControl] = 1;
        out[spc::kProcessorThrottle] = 1;
        out[spc::kProcessorMinThrottle] = 5;
        out[spc::kProcessorMaxThrottle] = 100;
        out[spc::kFastSystemS4] = 1;
        out[spc::kHiberboot] = 1;
        out[spc::kAoAc] = layout.modernStandby ? 1 : 0;
        out[spc::kSystemBatteriesPresent] = machine_.HasBattery() ? 1 : 0;
        return kStatusSuccess;
    }
    return kStatusInvalidParameter;
}

}  // namespace quellora::sim
