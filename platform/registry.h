// The Windows registry, addressed by hive and key path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quellora {

enum class Hive : uint8_t { LocalMachine, CurrentUser, ClassesRoot };

// Which view of the registry a call uses on 64-bit Windows (KEY_WOW64_64KEY / KEY_WOW64_32KEY).
enum class RegView : uint8_t { Default, Force64, Force32 };

namespace regtype {
inline constexpr uint32_t kNone = 0;
inline constexpr uint32_t kSz = 1;
inline constexpr uint32_t kExpandSz = 2;
inline constexpr uint32_t kBinary = 3;
inline constexpr uint32_t kDword = 4;
inline constexpr uint32_t kMultiSz = 7;
inline constexpr uint32_t kQword = 11;
}  // namespace regtype

// The four bytes at `bytes` as a little-endian number.
uint32_t LittleEndian32(const uint8_t* bytes);

struct RegValue {
    uint32_t type = regtype::kNone;
    std::vector<uint8_t> data;  // raw bytes; strings are UTF-16LE with their terminating NUL

    // A REG_DWORD of exactly four bytes; false for anything else.
    bool AsDword(uint32_t& value) const;

    static RegValue Dword(uint32_t v);
    static RegValue Qword(uint64_t v);
    static RegValue String(std::u16string_view text, uint32_t type = regtype::kSz);
    static RegValue Binary(const void* bytes, size_t length);
};

struct RegEntry {
    std::u16string name;
    RegValue value;
};

// Key paths are relative to the hive and use backslashes ("SOFTWARE\\Quellora").
// Every call answers a Windows error code: 0 on success, 2 when the key or value
// does not exist, 5 when access is denied.
class Registry {
public:
    virtual ~Registry() = default;

    virtual uint32_t QueryValue(Hive hive, std::u16string_view key, std::u16string_view name, RegValue& out,
                                RegView view = RegView::Default) = 0;
    // Creates the key (and its parents) when missing.
    virtual uint32_t SetValue(Hive hive, std::u16string_view key, std::u16string_view name, const RegValue& value,
                              RegView view = RegView::Default) = 0;
    virtual uint32_t DeleteValue(Hive hive, std::u16string_view key, std::u16string_view name,
                                 RegView view = RegView::Default) = 0;
    virtual uint32_t CreateKey(Hive hive, std::u16string_view key, RegView view = RegView::Default) = 0;
    // 0 when the key exists and can be opened for reading.
    virtual uint32_t OpenKey(Hive hive, std::u16string_view key, RegView view = RegView::Default) = 0;
    // Deletes a key that has no subkeys (RegDeleteKeyW): a key with subkeys stays and the call fails.
    virtual uint32_t DeleteKey(Hive hive, std::u16string_view key, RegView view = RegView::Default) = 0;
    // Deletes the key with everything under it.
    virtual uint32_t DeleteTree(Hive hive, std::u16string_view key, RegView view = RegView::Default) = 0;
    // Subkey names in the registry's own order.
    virtual uint32_t EnumKeys(Hive hive, std::u16string_view key, std::vector<std::u16string>& names,
                              RegView view = RegView::Default) = 0;
    // Values in the registry's own order.
    virtual uint32_t EnumValues(Hive hive, std::u16string_view key, std::vector<RegEntry>& values,
                                RegView view = RegView::Default) = 0;
};

}  // namespace quellora
