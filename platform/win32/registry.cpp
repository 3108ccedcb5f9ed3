// The registry through advapi32.
#include "platform/win32/wide.h"
//
#include <shlwapi.h>

#include "platform/errors.h"
#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

HKEY RootOf(Hive hive) {
    switch (hive) {
        case Hive::LocalMachine: return HKEY_LOCAL_MACHINE;
        case Hive::CurrentUser: return HKEY_CURRENT_USER;
        case Hive::ClassesRoot: return HKEY_CLASSES_ROOT;
    }
    return HKEY_CURRENT_USER;
}

REGSAM ViewFlag(RegView view) {
    switch (view) {
        case RegView::Force64: return KEY_WOW64_64KEY;
        case RegView::Force32: return KEY_WOW64_32KEY;
        case RegView::Default: break;
    }
    return 0;
}

// One open key, closed when it goes out of scope.
class OpenedKey {
public:
    OpenedKey() = default;
    ~OpenedKey() {
        if (key_) RegCloseKey(key_);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

    uint32_t Open(Hive hive, std::u16string_view path, REGSAM access, RegView view) {
        std::wstring sub = Wide(path);
        return static_cast<uint32_t>(RegOpenKeyExW(RootOf(hive), sub.c_str(), 0, access | ViewFlag(view), &key_));
    }
    uint32_t Create(Hive hive, std::u16string_view path, REGSAM access, RegView view) {
        std::wstring sub = Wide(path);
        return static_cast<uint32_t>(RegCreateKeyExW(RootOf(hive), sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                     access | ViewFlag(view), nullptr, &key_, nullptr));
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

using RegDeleteTreeWFn = LONG(WINAPI*)(HKEY, LPCWSTR);
using SHDeleteKeyWFn = LSTATUS(WINAPI*)(HKEY, LPCWSTR);

// RegDeleteTreeW came with Vista; before it shlwapi's SHDeleteKeyW did the same.
RegDeleteTreeWFn BoundRegDeleteTree() {
    static const RegDeleteTreeWFn fn = BindExport<RegDeleteTreeWFn>(LoadedModule(L"advapi32.dll"), "RegDeleteTreeW");
    return fn;
}

SHDeleteKeyWFn BoundSHDeleteKey() {
    static const SHDeleteKeyWFn fn = BindExport<SHDeleteKeyWFn>(SystemLibrary(L"shlwapi.dll"), "SHDeleteKeyW");
    return fn;
}

}  // namespace

uint32_t Win32Registry::QueryValue(Hive hive, std::u16string_view key, std::u16string_view name, RegValue& out,
                                   RegView view) {
    OpenedKey k;
    if (uint32_t e = k.Open(hive, key, KEY_QUERY_VALUE, view)) return e;
    std::wstring valueName = Wide(name);
    std::vector<uint8_t> data(256);
    for (;;) {
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(data.size());
        LONG e = RegQueryValueExW(k.get(), valueName.c_str(), nullptr, &type, data.data(), &size);
        if (e == ERROR_MORE_DATA) {
            // The value grew or was larger than the first guess: ask again with its size.
            data.resize(size > data.size() ? size : data.size() * 2);
            continue;
        }
        if (e != ERROR_SUCCESS) return static_cast<uint32_t>(e);
        data.resize(size);
        out.type = type;
        out.data = std::move(data);
        return err::kSuccess;
    }
}

uint32_t Win32Registry::SetValue(Hive hive, std::u16string_view key, std::u16string_view name, const RegValue& value,
                                 RegView view) {
    OpenedKey k;
    if (uint32_t e = k.Create(hive, key, KEY_SET_VALUE, view)) return e;
    std::wstring valueName = Wide(name);
    return static_cast<uint32_t>(RegSetValueExW(k.get(), valueName.c_str(), 0, value.type,
                                                value.data.empty() ? nullptr : value.data.data(),
                                                static_cast<DWORD>(value.data.size())));
}

uint32_t Win32Registry::DeleteValue(Hive hive, std::u16string_view key, std::u16string_view name, RegView view) {
    OpenedKey k;
    if (uint32_t e = k.Open(hive, key, KEY_SET_VALUE, view)) return e;
    std::wstring valueName = Wide(name);
    return static_cast<uint32_t>(RegDeleteValueW(k.get(), valueName.c_str()));
}

uint32_t Win32Registry::CreateKey(Hive hive, std::u16string_view key, RegView view) {
    OpenedKey k;
    return k.Create(hive, key, KEY_READ, view);
}

uint32_t Win32Registry::OpenKey(Hive hive, std::u16string_view key, RegView view) {
    OpenedKey k;
    return k.Open(hive, key, KEY_READ, view);
}

uint32_t Win32Registry::DeleteKey(Hive hive, std::u16string_view key, RegView view) {
    std::wstring sub = Wide(key);
    return static_cast<uint32_t>(RegDeleteKeyExW(RootOf(hive), sub.c_str(), ViewFlag(view), 0));
}

uint32_t Win32Registry::DeleteTree(Hive hive, std::u16string_view key, RegView view) {
    if (key.empty()) return err::kInvalidParameter;  // never a whole hive
    if (RegDeleteTreeWFn deleteTree = BoundRegDeleteTree()) {
        // Empty the key in the asked view, then delete the key itself in that view.
        OpenedKey k;
        if (uint32_t e = k.Open(hive, key, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE, view))
            return e;
        if (LONG e = deleteTree(k.get(), nullptr); e != ERROR_SUCCESS) return static_cast<uint32_t>(e);
        return DeleteKey(hive, key, view);
    }
    if (SHDeleteKeyWFn shDeleteKey = BoundSHDeleteKey()) {
        std::wstring sub = Wide(key);
        return static_cast<uint32_t>(shDeleteKey(RootOf(hive), sub.c_str()));
    }
    return err::kCallNotImplemented;
}

uint32_t Win32Registry::EnumKeys(Hive hive, std::u16string_view key, std::vector<std::u16string>& names,
                                 RegView view) {
    names.clear();
    OpenedKey k;
    if (uint32_t e = k.Open(hive, key, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, view)) return e;
    std::vector<wchar_t> name(256);  // key names have at most 255 characters
    for (DWORD index = 0;;) {
        DWORD length = static_cast<DWORD>(name.size());
        LONG e = RegEnumKeyExW(k.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (e == ERROR_NO_MORE_ITEMS) return err::kSuccess;
        if (e == ERROR_MORE_DATA && name.size() < 32768) {
            name.resize(name.size() * 4);  // read the same entry again
            continue;
        }
        if (e != ERROR_SUCCESS) return static_cast<uint32_t>(e);
        names.push_back(FromWide(name.data(), length));
        ++index;
    }
}

uint32_t Win32Registry::EnumValues(Hive hive, std::u16string_view key, std::vector<RegEntry>& values, RegView view) {
    values.clear();
    OpenedKey k;
    if (uint32_t e = k.Open(hive, key, KEY_QUERY_VALUE, view)) return e;
    DWORD maxName = 0;
    DWORD maxData = 0;
    if (LONG e = RegQueryInfoKeyW(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                                  &maxData, nullptr, nullptr);
        e != ERROR_SUCCESS)
        return static_cast<uint32_t>(e);
    std::vector<wchar_t> name(maxName + 2);
    std::vector<uint8_t> data(maxData + 2);
    int retries = 0;
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG e = RegEnumValueW(k.get(), index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
        if (e == ERROR_NO_MORE_ITEMS) return err::kSuccess;
        if (e == ERROR_MORE_DATA && retries < 8) {
            // A value changed while the list was read: make room and read the same entry again.
            ++retries;
            name.resize(name.size() < 16384 ? 16386 : name.size());
            data.resize(dataSize > data.size() ? dataSize + 2 : data.size() * 2);
            continue;
        }
        if (e != ERROR_SUCCESS) return static_cast<uint32_t>(e);
        RegEntry entry;
        entry.name = FromWide(name.data(), nameLength);
        entry.value.type = type;
        entry.value.data.assign(data.begin(), data.begin() + dataSize);
        values.push_back(std::move(entry));
        retries = 0;
        ++index;
    }
}

}  // namespace quellora::win32
