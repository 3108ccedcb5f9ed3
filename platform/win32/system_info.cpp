// Facts about the machine and the system.
#include "platform/win32/wide.h"
//
#include <vector>

#include "platform/errors.h"
#include "platform/system_info.h"
#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

// RTL_OSVERSIONINFOW: RtlGetVersion tells the true version, whatever the
// executable's manifest declares.
struct OsVersionInfo {
    ULONG size;
    ULONG major;
    ULONG minor;
    ULONG build;
    ULONG platformId;
    WCHAR servicePack[128];
};

using RtlGetVersionFn = LONG(WINAPI*)(OsVersionInfo*);
using GetSystemCpuSetInformationFn = BOOL(WINAPI*)(void*, ULONG, ULONG*, HANDLE, ULONG);
using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);

}  // namespace

bool Win32SystemInfo::GetOsVersion(OsVersion& out) {
    static const auto rtlGetVersion = BindExport<RtlGetVersionFn>(LoadedModule(L"ntdll.dll"), "RtlGetVersion");
    if (!rtlGetVersion) return false;
    OsVersionInfo info{};
    info.size = sizeof info;
    if (rtlGetVersion(&info) != 0) return false;
    out.major = info.major;
    out.minor = info.minor;
    out.build = info.build;
    return true;
}

uint32_t Win32SystemInfo::LogicalProcessorInformationEx(uint32_t relation, uint8_t* buffer, uint32_t* size) {
    if (!size) return err::kInvalidParameter;
    DWORD length = buffer ? *size : 0;
    BOOL ok = GetLogicalProcessorInformationEx(static_cast<LOGICAL_PROCESSOR_RELATIONSHIP>(relation),
                                               reinterpret_cast<PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX>(buffer),
                                               &length);
    uint32_t error = ok ? err::kSuccess : static_cast<uint32_t>(GetLastError());
    *size = length;
    return error;
}

uint32_t Win32SystemInfo::ActiveProcessorCount(uint16_t group) { return GetActiveProcessorCount(group); }

uint16_t Win32SystemInfo::ActiveProcessorGroupCount() { return GetActiveProcessorGroupCount(); }

bool Win32SystemInfo::NumaHighestNodeNumber(uint32_t& node) {
    ULONG highest = 0;
    if (!GetNumaHighestNodeNumber(&highest)) return false;
    node = highest;
    return true;
}

bool Win32SystemInfo::SystemCpuSetInformation(uint8_t* buffer, uint32_t length, uint32_t* returned, uint32_t& error) {
    // Windows 10 and later only.
    static const auto fn = BindExport<GetSystemCpuSetInformationFn>(LoadedModule(L"kernel32.dll"),
                                                                      "GetSystemCpuSetInformation");
    if (!fn) {
        error = err::kCallNotImplemented;
        return false;
    }
    ULONG needed = 0;
    BOOL ok = fn(buffer, buffer ? length : 0, &needed, GetCurrentProcess(), 0);
    error = ok ? err::kSuccess : static_cast<uint32_t>(GetLastError());
    if (returned) *returned = needed;
    return ok != FALSE;
}

uint32_t Win32SystemInfo::SystemInfoProcessorCount() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

std::u16string Win32SystemInfo::ComputerName() {
    std::vector<wchar_t> name(MAX_COMPUTERNAME_LENGTH + 1);
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD length = static_cast<DWORD>(name.size());
        if (GetComputerNameW(name.data(), &length)) return FromWide(name.data(), length);
        if (GetLastError() != ERROR_BUFFER_OVERFLOW || length <= name.size()) break;
        name.resize(length + 1);
    }
    return {};
}

uint16_t Win32SystemInfo::NativeMachine() {
    static const auto isWow64Process2 = BindExport<IsWow64Process2Fn>(LoadedModule(L"kernel32.dll"),
                                                                       "IsWow64Process2");
    if (isWow64Process2) {
        USHORT processMachine = 0;
        USHORT nativeMachine = 0;
        if (isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine) && nativeMachine != 0)
            return nativeMachine;
    }
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    switch (info.wProcessorArchitecture) {
        case PROCESSOR_ARCHITECTURE_AMD64: return machine::kX64;
        case PROCESSOR_ARCHITECTURE_INTEL: return machine::kX86;
        case PROCESSOR_ARCHITECTURE_ARM64: return machine::kArm64;
        default: return machine::kUnknown;
    }
}

namespace {
// GetSystemDirectoryW and GetSystemWow64DirectoryW: the folder without a trailing separator.
std::u16string SystemFolder(UINT (WINAPI *call)(LPWSTR, UINT)) {
    std::vector<wchar_t> path(MAX_PATH);
    UINT length = call(path.data(), static_cast<UINT>(path.size()));
    if (length >= path.size()) {
        path.resize(length + 1);
        length = call(path.data(), static_cast<UINT>(path.size()));
    }
    if (length == 0 || length >= path.size()) return {};
    while (length > 3 && (path[length - 1] == L'\\' || path[length - 1] == L'/')) --length;
    return FromWide(path.data(), length);
}
}  // namespace

std::u16string Win32SystemInfo::SystemDirectory() { return SystemFolder(GetSystemDirectoryW); }

std::u16string Win32SystemInfo::SystemWow64Directory() { return SystemFolder(GetSystemWow64DirectoryW); }

uint16_t Win32SystemInfo::UserDefaultUILanguage() { return GetUserDefaultUILanguage(); }

}  // namespace quellora::win32
