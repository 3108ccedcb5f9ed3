// Small helpers shared by the Win32 implementations: UTF-16 text in and out of
// the wide-character calls, and functions bound at run time.
#pragma once

#include <windows.h>

// The platform interfaces have methods of these names; windows.h's macros
// would rename them in this file and not in the portable code.
#undef MessageBox
#undef LoadString

#include <string>
#include <string_view>

namespace quellora::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

// A NUL-terminated copy of the text for a wide-character call.
inline std::wstring Wide(std::u16string_view text) {
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

inline std::u16string FromWide(const wchar_t* text, size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

inline std::u16string FromWide(const wchar_t* text) {
    return text ? FromWide(text, wcslen(text)) : std::u16string();
}

// GetProcAddress typed as the function it names; null when the module or the
// export is missing.
template <typename Fn>
Fn BindExport(HMODULE module, const char* name) {
    if (!module) return nullptr;
    FARPROC proc = GetProcAddress(module, name);
    return proc ? reinterpret_cast<Fn>(reinterpret_cast<void*>(proc)) : nullptr;
}

// A module every process has loaded (kernel32, ntdll, advapi32): no reference is taken.
inline HMODULE LoadedModule(const wchar_t* name) { return GetModuleHandleW(name); }

// A system library, loaded from the system folder only and kept for the life of the process.
inline HMODULE SystemLibrary(const wchar_t* name) {
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Only a system that does not know the flag (before the KB2533623 update of
    // Windows 7) gets the plain search; a library that failed to load from
    // the system folder is never looked for elsewhere.
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER) module = LoadLibraryW(name);
    return module;
}

}  // namespace quellora::win32
