// The user's presence and the power source on Windows.
#include "platform/win32/win32_platform.h"
#include "platform/win32/wide.h"

#include <wtsapi32.h>

#include <cstring>

namespace quellora::win32 {

namespace {

// WTSQuerySessionInformationW's WTSSessionInfoEx class and the layout of its
// answer (WTSINFOEXW: Level, then WTSINFOEX_LEVEL1_W at offset 8 with its
// SessionFlags at offset 16), which older headers lack.
constexpr int kWtsSessionInfoEx = 25;
constexpr size_t kLevelOffset = 0;
constexpr size_t kSessionFlagsOffset = 16;
constexpr DWORD kMinimumAnswer = 232;
constexpr LONG kSessionStateLock = 0;  // WTS_SESSIONSTATE_LOCK

using QuerySessionInformation = BOOL(WINAPI*)(HANDLE, DWORD, WTS_INFO_CLASS, LPWSTR*, DWORD*);
using FreeMemory = void(WINAPI*)(PVOID);

}  // namespace

bool Win32InputAndPower::LastInputTick(uint32_t& tick) {
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    if (!GetLastInputInfo(&info)) return false;
    tick = info.dwTime;
    return true;
}

bool Win32InputAndPower::GetPowerStatus(PowerStatus& status) {
    SYSTEM_POWER_STATUS s{};
    if (!GetSystemPowerStatus(&s)) return false;
    status.acLineStatus = s.ACLineStatus;
    status.batteryFlag = s.BatteryFlag;
    status.batteryLifePercent = s.BatteryLifePercent;
    // The fourth byte is SystemStatusFlag (older headers call it Reserved1).
    status.systemStatusFlag = reinterpret_cast<const BYTE*>(&s)[3];
    return true;
}

bool Win32InputAndPower::IsRemoteSession() { return GetSystemMetrics(SM_REMOTESESSION) != 0; }

bool Win32InputAndPower::QuerySessionLocked(bool& locked) {
    // Windows 8 and later answer the lock state of a session.
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    auto rtlGetVersion = BindExport<RtlGetVersionFn>(LoadedModule(L"ntdll.dll"), "RtlGetVersion");
    if (!rtlGetVersion || rtlGetVersion(&version) != 0 ||
        (version.dwMajorVersion == 6 && version.dwMinorVersion < 2) || version.dwMajorVersion < 6) {
        locked = false;
        return false;
    }
    static HMODULE wts = SystemLibrary(L"wtsapi32.dll");
    auto query = BindExport<QuerySessionInformation>(wts, "WTSQuerySessionInformationW");
    auto release = BindExport<FreeMemory>(wts, "WTSFreeMemory");
    bool answered = false;
    if (query && release) {
        LPWSTR buffer = nullptr;
        DWORD bytes = 0;
        if (query(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, static_cast<WTS_INFO_CLASS>(kWtsSessionInfoEx), &buffer,
                  &bytes) &&
            buffer) {
            const auto* bytesIn = reinterpret_cast<const BYTE*>(buffer);
            DWORD level = 0;
            LONG flags = 0;
            memcpy(&level, bytesIn + kLevelOffset, sizeof level);
            memcpy(&flags, bytesIn + kSessionFlagsOffset, sizeof flags);
            if (bytes >= kMinimumAnswer && level == 1) {
                locked = flags == kSessionStateLock;
                answered = true;
            }
            release(buffer);
        }
    }
    return answered;
}

}  // namespace quellora::win32
