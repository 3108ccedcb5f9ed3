#include "power/setting_metadata.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {

constexpr Guid kHeteroDecreaseTime = GuidLiteral("7f2492b6-60b1-45e5-ae55-773f8cd5caec");
constexpr Guid kHeteroIncreaseTime = GuidLiteral("4009efa7-e72d-4cba-9edf-91084ea8cbc3");
constexpr uint32_t kDescriptionHeteroDecreaseTime = 9989;
constexpr uint32_t kDescriptionHeteroIncreaseTime = 9990;

// A size query without a buffer answers success or ERROR_MORE_DATA with the size.
bool SizeQueryAnswered(uint32_t result) { return result == 0 || result == err::kMoreData; }


bool ReadSmallDword(std::u16string_view key, std::u16string_view name, uint32_t& value) {
    RegValue v;
    if (!Sys().registry || Sys().registry->QueryValue(Hive::LocalMachine, key, name, v) != 0) return false;
    if (v.data.empty() || v.data.size() > 4) return false;
    uint8_t bytes[4] = {0, 0, 0, 0};
    std::copy(v.data.begin(), v.data.end(), bytes);
    value = LittleEndian32(bytes);
    return true;
}

std::u16string DefaultsKey(const Guid& plan, const Guid& setting) {
    return ProcessorSettingKey(setting) + u"\\DefaultPowerSchemeValues\\" + GuidToBareText(plan);
}

}  // namespace

std::vector<Guid> EnumerateProcessorSettings() {
    std::vector<Guid> settings;
    PowerApi* api = Sys().power;
    if (!api) return settings;
    for (uint32_t index = 0; index < 1024; ++index) {
        uint8_t buffer[16] = {};
        uint32_t size = sizeof buffer;
        if (api->Enumerate(nullptr, &guids::kSubProcessor, PowerApi::kAccessIndividualSetting, index, buffer, &size) != 0)
            break;
        Guid g;
        GuidFromBytes(buffer, sizeof buffer, g);
        settings.push_back(g);
    }
    return settings;
}

SettingInfo ReadSettingInfo(const Guid& setting) {
    SettingInfo info;
    info.setting = setting;
    PowerApi* api = Sys().power;
    if (!api) return info;
    const Guid* sub = &guids::kSubProcessor;

    uint32_t size = 0;
    if (SizeQueryAnswered(api->ReadFriendlyName(nullptr, sub, &setting, nullptr, &size)) && size > 0) {
        std::vector<uint8_t> buffer(size + 2, 0);
        uint32_t bufferSize = static_cast<uint32_t>(buffer.size());
        if (api->ReadFriendlyName(nullptr, sub, &setting, buffer.data(), &bufferSize) == 0) info.name = Utf16FromBytes(buffer.data(), buffer.size());
    }
    info.attributes = api->ReadSettingAttributes(sub, &setting);

    uint32_t min = 0, max = 0;
    if (api->ReadValueMin(sub, &setting, min) == 0 && api->ReadValueMax(sub, &setting, max) == 0) {
        info.hasRange = true;
        info.min = min;
        info.max = max;
        uint32_t increment = 0;
        if (api->ReadValueIncrement(sub, &setting, increment) == 0) info.increment = increment;
        std::vector<uint8_t> units(256, 0);
        uint32_t unitsSize = 254;
        if (api->ReadValueUnitsSpecifier(sub, &setting, units.data(), &unitsSize) == 0) info.units = Utf16FromBytes(units.data(), units.size());
        return info;
    }
    for (uint32_t index = 0; index < 64; ++index) {
        uint32_t type = 0;
        uint32_t valueSize = 0;
        if (!SizeQueryAnswered(api->ReadPossibleValue(sub, &setting, &type, index, nullptr, &valueSize))) break;
        std::vector<uint8_t> buffer(valueSize + 6, 0);
        uint32_t bufferSize = valueSize + 6;
        if (api->ReadPossibleValue(sub, &setting, &type, index, buffer.data(), &bufferSize) != 0) break;
        uint32_t value = (type == regtype::kDword && bufferSize >= 4) ? LittleEndian32(buffer.data()) : index;
        std::vector<uint8_t> name(512, 0);
        uint32_t nameSize = 510;
        std::u16string text;
        if (api->ReadPossibleFriendlyName(sub, &setting, index, name.data(), &nameSize) == 0) text = Utf16FromBytes(name.data(), name.size());
        info.possibleValues.emplace_back(value, std::move(text));
    }
    return info;
}

std::u16string ReadSettingDescription(const Guid& setting) {
    if (setting == kHeteroDecreaseTime) return LoadText(kDescriptionHeteroDecreaseTime);
    if (setting == kHeteroIncreaseTime) return LoadText(kDescriptionHeteroIncreaseTime);
    PowerApi* api = Sys().power;
    if (!api || !api->Has(PowerApi::Fn::ReadDescription)) return {};
    uint32_t size = 0;
    api->ReadDescription(nullptr, &guids::kSubProcessor, &setting, nullptr, &size);
    if (size <= 1) return {};
    std::vector<uint8_t> buffer((size & ~1u) + 2, 0);
    uint32_t bufferSize = static_cast<uint32_t>(buffer.size());
    if (api->ReadDescription(nullptr, &guids::kSubProcessor, &setting, buffer.data(), &bufferSize) != 0) return {};
    return Utf16FromBytes(buffer.data(), buffer.size());
}

std::vector<std::pair<uint32_t, uint32_t>> ReadRegisteredValues(const Guid& setting) {
    std::vector<std::pair<uint32_t, uint32_t>> values;
    Registry* reg = Sys().registry;
    if (!reg) return values;
    std::u16string key = ProcessorSettingKey(setting);
    std::vector<std::u16string> subkeys;
    if (reg->EnumKeys(Hive::LocalMachine, key, subkeys, RegView::Force64) != 0) return values;
    for (const auto& name : subkeys) {
        if (name.empty() || name.size() > 9 ||
            !std::all_of(name.begin(), name.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }))
            continue;
        RegValue v;
        if (reg->QueryValue(Hive::LocalMachine, key + u"\\" + name, u"SettingValue", v, RegView::Force64) != 0 ||
            v.type != regtype::kDword || v.data.size() != 4)
            continue;
        values.emplace_back(static_cast<uint32_t>(ParseLeadingInt(name)), LittleEndian32(v.data.data()));
    }
    std::sort(values.begin(), values.end());
    return values;
}

bool ReadWindowsDefault(const Guid& plan, const Guid& setting, bool ac, uint32_t& value) {
    std::u16string key = DefaultsKey(plan, setting);
    return ReadSmallDword(key, ac ? u"ProvAcSettingIndex" : u"ProvDcSettingIndex", value) ||
           ReadSmallDword(key, ac ? u"ACSettingIndex" : u"DCSettingIndex", value);
}

bool HasProvisionedDefault(const Guid& plan, const Guid& setting) {
    std::u16string key = DefaultsKey(plan, setting);
    uint32_t v = 0;
    return ReadSmallDword(key, u"ProvAcSettingIndex", v) || ReadSmallDword(key, u"ProvDcSettingIndex", v);
}

std::u16string SettingValueText(const Guid* plan, const Guid& setting) {
    if (!plan) return u"-";
    PowerApi* api = Sys().power;
    auto side = [&](bool ac) -> std::u16string {
        uint32_t value = 0;
        if (!api || api->ReadValueIndex(ac, plan, &guids::kSubProcessor, &setting, value) != 0) return u"-";
        return ToDecimal(value);
    };
    return side(true) + u"/" + side(false);
}

std::vector<ProcessorPowerInfo> ReadProcessorPowerInfo() {
    std::vector<ProcessorPowerInfo> list;
    PowerApi* api = Sys().power;
    SystemInfo* system = Sys().system;
    if (!api || !system) return list;
    uint32_t count = std::max(system->SystemInfoProcessorCount(), system->ActiveProcessorCount(SystemInfo::kAllProcessorGroups));
    if (count == 0) return list;
    constexpr uint32_t kRecord = 24;
    std::vector<uint8_t> buffer(size_t(count) * kRecord, 0);
    if (api->CallNtPowerInformation(PowerApi::kProcessorInformation, nullptr, 0, buffer.data(),
                                    static_cast<uint32_t>(buffer.size())) != 0)
        return list;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* r = buffer.data() + size_t(i) * kRecord;
        list.push_back({LittleEndian32(r), LittleEndian32(r + 4), LittleEndian32(r + 8), LittleEndian32(r + 12), LittleEndian32(r + 16), LittleEndian32(r + 20)});
    }
    return list;
}

double AverageCurrentMhz() {
    const std::vector<ProcessorPowerInfo> list = ReadProcessorPowerInfo();
    if (list.empty()) return 0;
    double sum = 0;
    for (const ProcessorPowerInfo& p : list) sum += p.currentMhz;
    return sum / static_cast<double>(list.size());
}

bool SetSettingHidden(bool hide, int32_t efficiencyClass) {
    if (efficiencyClass == 0) return RunPowercfgAttributes(guids::kCoreParkingMin0, hide);
    if (efficiencyClass == 1) return RunPowercfgAttributes(guids::kCoreParkingMin1, hide);
    return true;
}

bool IsCoreParkingHidden() { return IsProcessorSettingHidden(guids::kCoreParkingMin0); }

}  // namespace quellora
