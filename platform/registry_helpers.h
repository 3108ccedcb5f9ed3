// Small registry helpers used across the program.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/guid.h"
#include "platform/registry.h"

namespace quellora {

// The program's own key under HKCU and HKLM.
inline constexpr std::u16string_view kAppKey = u"Software\\Quellora";

// Reads at most four bytes whatever the value's type, as a four-byte
// RegQueryValueEx does: a longer value fails, a shorter one replaces only the
// low bytes of `value`. A failed read leaves `value` as it was.
bool ReadDword(Hive hive, std::u16string_view key, std::u16string_view name, uint32_t& value);
// HKCU first, then HKLM.
bool ReadDwordUserThenMachine(std::u16string_view key, std::u16string_view name, uint32_t& value);
uint32_t ReadDwordOr(Hive hive, std::u16string_view key, std::u16string_view name, uint32_t fallback);
// Creates the key when missing.
bool WriteDword(Hive hive, std::u16string_view key, std::u16string_view name, uint32_t value);
// Deletes a value after checking that it exists; true when it is gone.
bool DeleteValueIfPresent(Hive hive, std::u16string_view key, std::u16string_view name);

// REG_SZ or REG_EXPAND_SZ of at most `maxBytes` bytes (the NUL included); the
// text up to its first NUL.
bool ReadString(Hive hive, std::u16string_view key, std::u16string_view name, std::u16string& text,
                size_t maxBytes = 8192, RegView view = RegView::Default);
bool WriteString(Hive hive, std::u16string_view key, std::u16string_view name, std::u16string_view text);
bool ReadBinary(Hive hive, std::u16string_view key, std::u16string_view name, std::vector<uint8_t>& bytes);
bool WriteBinary(Hive hive, std::u16string_view key, std::u16string_view name, const void* bytes, size_t length);
// A GUID kept as 16 bytes of REG_BINARY in its in-memory layout.
bool ReadGuidValue(Hive hive, std::u16string_view key, std::u16string_view name, Guid& guid);
bool WriteGuidValue(Hive hive, std::u16string_view key, std::u16string_view name, const Guid& guid);

// Deletes a key tree only when its lowered path holds one of the program's
// guard words ("warden", "zub", "quel", "ostrima", "kef"), so that a wrong path
// can never remove someone else's settings.
bool DeleteGuardedKeyTree(Hive hive, std::u16string_view key);

// Booleans and numbers under Software\<name> of one hive, read lazily and kept
// after the first read; a write drops the kept entry.
class RegistrySettings {
public:
    RegistrySettings(Hive hive, std::u16string key) : hive_(hive), key_(std::move(key)) {}
    uint32_t GetDword(std::u16string_view name, uint32_t fallback);
    bool GetBool(std::u16string_view name, bool fallback) { return GetDword(name, fallback ? 1 : 0) != 0; }
    bool SetDword(std::u16string_view name, uint32_t value);
    bool SetBool(std::u16string_view name, bool value) { return SetDword(name, value ? 1 : 0); }
    void Forget();

private:
    Hive hive_;
    std::u16string key_;
    std::mutex mutex_;
    std::map<std::u16string, std::optional<uint32_t>> cache_;
};

}  // namespace quellora
