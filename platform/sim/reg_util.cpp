#include "platform/sim/reg_util.h"
#include "platform/text.h"

#include <array>
#include <vector>

#include "platform/errors.h"

namespace quellora::sim {

uint32_t DwordFromBytes(const uint8_t* data, size_t size) {
    uint32_t v = 0;
    for (size_t i = 0; i < size && i < 4; ++i) v |= uint32_t(data[i]) << (8 * i);
    return v;
}

bool ReadDword(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name, uint32_t& out) {
    RegValue value;
    if (registry.QueryValue(hive, key, name, value) != err::kSuccess) return false;
    out = DwordFromBytes(value.data.data(), value.data.size());
    return true;
}

uint32_t DwordOr(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name,
                 uint32_t fallback) {
    uint32_t v = fallback;
    return ReadDword(registry, hive, key, name, v) ? v : fallback;
}

bool ReadQword(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name, uint64_t& out) {
    RegValue value;
    if (registry.QueryValue(hive, key, name, value) != err::kSuccess) return false;
    uint64_t v = 0;
    for (size_t i = 0; i < value.data.size() && i < 8; ++i) v |= uint64_t(value.data[i]) << (8 * i);
    out = v;
    return true;
}

bool ReadText(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name,
              std::u16string& out) {
    RegValue value;
    if (registry.QueryValue(hive, key, name, value) != err::kSuccess) return false;
    if (value.type != regtype::kSz && value.type != regtype::kExpandSz) return false;
    out = Utf16FromBytes(value.data.data(), value.data.size());
    return true;
}

std::u16string TextOr(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name,
                      std::u16string_view fallback) {
    std::u16string text;
    return ReadText(registry, hive, key, name, text) ? text : std::u16string(fallback);
}

uint32_t WriteDword(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name,
                    uint32_t value) {
    return registry.SetValue(hive, key, name, RegValue::Dword(value));
}

uint32_t WriteQword(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name,
                    uint64_t value) {
    return registry.SetValue(hive, key, name, RegValue::Qword(value));
}

uint32_t WriteText(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view name,
                   std::u16string_view value) {
    return registry.SetValue(hive, key, name, RegValue::String(value));
}

bool KeyExists(Registry& registry, Hive hive, std::u16string_view key) {
    return registry.OpenKey(hive, key) == err::kSuccess;
}

void CopyTree(Registry& registry, Hive hive, std::u16string_view from, std::u16string_view to) {
    registry.CreateKey(hive, to);
    std::vector<RegEntry> values;
    registry.EnumValues(hive, from, values);
    for (const auto& v : values) registry.SetValue(hive, to, v.name, v.value);
    std::vector<std::u16string> subkeys;
    registry.EnumKeys(hive, from, subkeys);
    for (const auto& name : subkeys) CopyTree(registry, hive, JoinKey(from, name), JoinKey(to, name));
}

std::u16string BareGuid(const Guid& guid) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    const std::array<uint8_t, 16> b = GuidBytes(guid);
    // The first three fields are little-endian in memory.
    static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::u16string out;
    out.reserve(36);
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back(u'-');
        const uint8_t byte = b[kOrder[i]];
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 15]);
    }
    return out;
}

std::u16string JoinKey(std::u16string_view a, std::u16string_view b) {
    std::u16string out(a);
    if (!out.empty() && !b.empty()) out.push_back(u'\\');
    out.append(b);
    return out;
}

std::u16string JoinKey(std::u16string_view a, std::u16string_view b, std::u16string_view c) {
    return JoinKey(JoinKey(a, b), c);
}

void AppendLine(Registry& registry, Hive hive, std::u16string_view key, std::u16string_view line) {
    std::vector<RegEntry> entries;
    registry.EnumValues(hive, key, entries);
    WriteText(registry, hive, key, ToDecimal(static_cast<uint32_t>(entries.size())), line);
}

std::vector<std::u16string> ReadLines(Registry& registry, Hive hive, std::u16string_view key) {
    std::vector<RegEntry> entries;
    registry.EnumValues(hive, key, entries);
    std::vector<std::u16string> lines(entries.size());
    for (const auto& e : entries) {
        const size_t i = static_cast<size_t>(ParseLeadingInt(e.name));
        if (i < lines.size()) lines[i] = Utf16FromBytes(e.value.data.data(), e.value.data.size());
    }
    return lines;
}

}  // namespace quellora::sim
