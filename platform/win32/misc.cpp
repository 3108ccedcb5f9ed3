// Known folders, the clock, the language resource modules and message boxes.
#include "platform/win32/wide.h"

#include <shellapi.h>
//
#include <knownfolders.h>
#include <shlobj.h>

#include <vector>

#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

std::u16string ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return FromWide(path);
}

// Calls that answer the length they need when the buffer is too small
// (GetTempPathW, GetCurrentDirectoryW, GetFullPathNameW).
template <typename Call>
std::u16string GrowingCall(Call call, bool& ok) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) break;
        if (length < buffer.size()) {
            ok = true;
            return FromWide(buffer.data(), length);
        }
        buffer.resize(length + 1);
    }
    ok = false;
    return {};
}

CalendarTime FromSystemTime(const SYSTEMTIME& t) {
    CalendarTime c;
    c.year = t.wYear;
    c.month = t.wMonth;
    c.dayOfWeek = t.wDayOfWeek;
    c.day = t.wDay;
    c.hour = t.wHour;
    c.minute = t.wMinute;
    c.second = t.wSecond;
    c.milliseconds = t.wMilliseconds;
    return c;
}

}  // namespace

// Known folders.

std::u16string Win32Folders::LocalAppData() { return ShellFolder(CSIDL_LOCAL_APPDATA); }

std::u16string Win32Folders::CommonAppData() { return ShellFolder(CSIDL_COMMON_APPDATA); }

std::u16string Win32Folders::ProgramFiles() {
    PWSTR path = nullptr;
    std::u16string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &path)) && path) folder = FromWide(path);
    CoTaskMemFree(path);
    return folder;
}

std::u16string Win32Folders::TempPath() {
    bool ok = false;
    return GrowingCall([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); }, ok);
}

std::u16string Win32Folders::ExecutablePath() {
    // GetModuleFileNameW cuts a long path to the buffer and says nothing but
    // the length: grow the buffer until the path fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    while (buffer.size() <= 32768) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return FromWide(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

std::u16string Win32Folders::CurrentDirectory() {
    bool ok = false;
    return GrowingCall([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); }, ok);
}

bool Win32Folders::FullPath(std::u16string_view path, std::u16string& out) {
    if (path.empty()) return false;
    std::wstring in = Wide(path);
    bool ok = false;
    std::u16string full =
        GrowingCall([&in](wchar_t* b, DWORD n) { return GetFullPathNameW(in.c_str(), n, b, nullptr); }, ok);
    if (!ok) return false;
    out = std::move(full);
    return true;
}

// Clock.

uint64_t Win32Clock::TickCount64() { return GetTickCount64(); }

CalendarTime Win32Clock::UtcNow() {
    SYSTEMTIME t{};
    GetSystemTime(&t);
    return FromSystemTime(t);
}

CalendarTime Win32Clock::LocalNow() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return FromSystemTime(t);
}

bool Win32Clock::UtcToLocal(const CalendarTime& utc, CalendarTime& local) {
    const SYSTEMTIME in{utc.year, utc.month, utc.dayOfWeek, utc.day, utc.hour, utc.minute, utc.second, utc.milliseconds};
    SYSTEMTIME out{};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &in, &out)) return false;
    local = FromSystemTime(out);
    return true;
}

void Win32Clock::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

// Language resource modules.

ModuleHandle Win32ResourceModules::LoadByPath(std::u16string_view path) {
    // A bare name would be looked for along the search path.
    if (path.find_first_of(u"\\/") == std::u16string_view::npos) return 0;
    std::wstring full = Wide(path);
    return reinterpret_cast<ModuleHandle>(
        LoadLibraryExW(full.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE));
}

void Win32ResourceModules::Unload(ModuleHandle module) {
    if (module) FreeLibrary(reinterpret_cast<HMODULE>(module));
}

std::u16string Win32ResourceModules::LoadString(ModuleHandle module, uint32_t id, size_t maxChars) {
    if (!module || maxChars == 0) return {};
    std::vector<wchar_t> buffer(maxChars + 1);
    int length = LoadStringW(reinterpret_cast<HINSTANCE>(module), id, buffer.data(), static_cast<int>(maxChars));
    if (length <= 0) return {};
    return FromWide(buffer.data(), static_cast<size_t>(length));
}

// Message boxes.

int Win32Interaction::MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t style) {
    std::wstring t = Wide(text);
    std::wstring c = Wide(caption);
    return MessageBoxW(nullptr, t.c_str(), c.c_str(), style);
}

bool Win32Interaction::OpenWithShell(std::u16string_view target) {
    std::wstring t = Wide(target);
    auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", t.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) return true;
    // The browser registered for https, started with the target in quotes.
    wchar_t command[2048] = {};
    LONG size = sizeof command - sizeof(wchar_t);
    if (RegQueryValueW(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", command, &size) == ERROR_SUCCESS) {
        std::wstring line = command;
        size_t cut = line.find(L"\"%1\"");
        if (cut == std::wstring::npos) cut = line.find(L"%1");
        if (cut != std::wstring::npos) line.resize(cut);
        line += L" \"" + t + L"\"";
        std::string narrow(line.begin(), line.end());
        if (WinExec(narrow.c_str(), SW_SHOWNORMAL) > 31) return true;
    }
    std::wstring fallback = L"iexplore.exe \"" + t + L"\"";
    std::string narrow(fallback.begin(), fallback.end());
    return WinExec(narrow.c_str(), SW_SHOWNORMAL) > 31;
}

bool Win32NamedEvents::IsSignalled(std::u16string_view name) {
    std::wstring n = Wide(name);
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, n.c_str());
    if (!event) return false;
    bool signalled = WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
    CloseHandle(event);
    return signalled;
}

}  // namespace quellora::win32
