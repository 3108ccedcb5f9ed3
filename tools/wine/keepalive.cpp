// keepalive.exe: keeps a Wine session (its wineserver and system processes)
// running while a series of Windows programs runs, so that each of them starts
// in a few hundredths of a second and none of them leaves Wine's background
// processes holding the caller's pipes.
//
//   keepalive.exe [seconds]   waits until stopped, at most `seconds` (default 900);
//                             ends at once when another one already runs
//   keepalive.exe --ping      exit code 0 when one runs, 1 otherwise
//   keepalive.exe --stop      ends the running one
#include <windows.h>

#include <cwchar>
#include <cwctype>

namespace {
const wchar_t kEventName[] = L"Local\\QuelloraWineKeepalive";
}

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wcscmp(argv[1], L"--ping") == 0) {
        HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, kEventName);
        if (!event) return 1;
        CloseHandle(event);
        return 0;
    }
    if (argc > 1 && std::wcscmp(argv[1], L"--stop") == 0) {
        HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, kEventName);
        if (!event) return 0;
        SetEvent(event);
        CloseHandle(event);
        return 0;
    }
    DWORD seconds = 900;
    if (argc > 1 && std::iswdigit(argv[1][0])) seconds = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10));
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, kEventName);
    if (!event) return 1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(event);
        return 0;
    }
    WaitForSingleObject(event, seconds * 1000);
    CloseHandle(event);
    return 0;
}
