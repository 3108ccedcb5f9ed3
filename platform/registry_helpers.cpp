#include "platform/registry_helpers.h"

#include "platform/platform.h"
#include "platform/text.h"

namespace quellora {

bool ReadDword(Hive hive, std::u16string_view key, std::u16string_view name, uint32_t& value) {
    Registry* reg = Sys().registry;
    if (!reg) return false;
    RegValue v;
    if (reg->QueryValue(hive, key, name, v) != 0 || v.data.size() > 4) return false;
    uint32_t result = value;
    for (size_t i = 0; i < v.data.size(); ++i) {
        result &= ~(0xFFu << (8 * i));
        result |= uint32_t(v.data[i]) << (8 * i);
    }
    value = result;
    return true;
}

bool ReadDwordUserThenMachine(std::u16string_view key, std::u16string_view name, uint32_t& value) {
    return ReadDword(Hive::CurrentUser, key, name, value) || ReadDword(Hive::LocalMachine, key, name, value);
}

uint32_t ReadDwordOr(Hive hive, std::u16string_view key, std::u16string_view name, uint32_t fallback) {
    uint32_t v = fallback;
    ReadDword(hive, key, name, v);
    return v;
}

bool WriteDword(Hive hive, std::u16string_view key, std::u16string_view name, uint32_t value) {
    Registry* reg = Sys().registry;
    return reg && reg->SetValue(hive, key, name, RegValue::Dword(value)) == 0;
}

bool DeleteValueIfPresent(Hive hive, std::u16string_view key, std::u16string_view name) {
    Registry* reg = Sys().registry;
    if (!reg) return false;
    RegValue v;
    if (reg->QueryValue(hive, key, name, v) != 0) return true;
    return reg->DeleteValue(hive, key, name) == 0;
}

bool ReadString(Hive hive, std::u16string_view key, std::u16string_view name, std::u16string& text, size_t maxBytes,
                RegView view) {
    Registry* reg = Sys().registry;
    if (!reg) return false;
    RegValue v;
    if (reg->QueryValue(hive, key, name, v, view) != 0) return false;
    if (v.type != regtype::kSz && v.type != regtype::kExpandSz) return false;
    if (v.data.size() > maxBytes) return false;
    std::u16string out;
    for (size_t i = 0; i + 1 < v.data.size(); i += 2) {
        char16_t c = static_cast<char16_t>(v.data[i] | v.data[i + 1] << 8);
        if (c == 0) break;
        out.push_back(c);
    }
    text = std::move(out);
    return true;
}

bool WriteString(Hive hive, std::u16string_view key, std::u16string_view name, std::u16string_view text) {
    Registry* reg = Sys().registry;
    return reg && reg->SetValue(hive, key, name, RegValue::String(text)) == 0;
}

bool ReadBinary(Hive hive, std::u16string_view key, std::u16string_view name, std::vector<uint8_t>& bytes) {
    Registry* reg = Sys().registry;
    if (!reg) return false;
    RegValue v;
    if (reg->QueryValue(hive, key, name, v) != 0) return false;
    bytes = std::move(v.data);
    return true;
}

bool WriteBinary(Hive hive, std::u16string_view key, std::u16string_view name, const void* bytes, size_t length) {
    Registry* reg = Sys().registry;
    return reg && reg->SetValue(hive, key, name, RegValue::Binary(bytes, length)) == 0;
}

bool ReadGuidValue(Hive hive, std::u16string_view key, std::u16string_view name, Guid& guid) {
    std::vector<uint8_t> bytes;
    if (!ReadBinary(hive, key, name, bytes) || bytes.size() != 16) return false;
    return GuidFromBytes(bytes.data(), bytes.size(), guid);
}

bool WriteGuidValue(Hive hive, std::u16string_view key, std::u16string_view name, const Guid& guid) {
    auto bytes = GuidBytes(guid);
    return WriteBinary(hive, key, name, bytes.data(), bytes.size());
}

bool DeleteGuardedKeyTree(Hive hive, std::u16string_view key) {
    static const std::u16string_view kGuardWords[] = {u"warden", u"zub", u"quel", u"ostrima", u"kef"};
    std::u16string lowered = LowerAscii(key);
    bool guarded = false;
    for (auto word : kGuardWords) {
        if (lowered.find(word) != std::u16string::npos) guarded = true;
    }
    Registry* reg = Sys().registry;
    if (!guarded || !reg) return false;
    return reg->DeleteTree(hive, key) == 0;
}

uint32_t RegistrySettings::GetDword(std::u16string_view name, uint32_t fallback) {
    std::lock_guard lock(mutex_);
    std::u16string n(name);
    auto it = cache_.find(n);
    if (it == cache_.end()) {
        uint32_t v = 0;
        std::optional<uint32_t> stored;
        if (ReadDword(hive_, key_, name, v)) stored = v;
        it = cache_.emplace(n, stored).first;
    }
    return it->second.value_or(fallback);
}

bool RegistrySettings::SetDword(std::u16string_view name, uint32_t value) {
    std::lock_guard lock(mutex_);
    cache_.erase(std::u16string(name));
    return WriteDword(hive_, key_, name, value);
}

void RegistrySettings::Forget() {
    std::lock_guard lock(mutex_);
    cache_.clear();
}

}  // namespace quellora
