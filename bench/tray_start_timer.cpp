// tray_start_timer.exe: starts a program and measures, inside the same Wine
// session, how long it takes until its hidden tray window exists and until a
// new notification-area icon shows on the desktop's taskbar (under Wine each
// icon is a child window of class "__wine_tray_icon" of "Shell_TrayWnd").
// Wine only: on Windows the icons are not windows.
//
//   tray_start_timer <program.exe> [arguments...]
//
// Prints "tray-window <ms>" and "icon <ms>" (or "timeout"), then "pid <id>";
// the program is left running. Exit codes: 0 done, 1 bad usage, 2 the program
// could not be started or nothing appeared within 30 s.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr wchar_t kTrayClass[] = L"WndClass-{df0cc042-6f6f-4712-bf25-2b984f3e8777}";
constexpr wchar_t kTrayName[] = L"WndName-{7298c6b8-835f-4234-8054-49925ccd4038}";

int VisibleIcons() {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!taskbar) return 0;
    int count = 0;
    for (HWND child = FindWindowExW(taskbar, nullptr, L"__wine_tray_icon", nullptr); child;
         child = FindWindowExW(taskbar, child, L"__wine_tray_icon", nullptr)) {
        if (IsWindowVisible(child)) ++count;
    }
    return count;
}

std::wstring Quoted(const wchar_t* argument) {
    std::wstring a = argument;
    return a.find(L' ') == std::wstring::npos ? a : L"\"" + a + L"\"";
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& frequency) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tray_start_timer <program.exe> [arguments...]\n");
        return 1;
    }
    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
    for (int i = 2; i < argc; ++i) commandLine += L" " + Quoted(argv[i]);
    const int iconsBefore = VisibleIcons();

    LARGE_INTEGER frequency, start;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "tray_start_timer: cannot start the program (error %lu)\n", GetLastError());
        return 2;
    }
    double window = -1;
    double icon = -1;
    while (Milliseconds(start, frequency) < 30000 && (window < 0 || icon < 0)) {
        if (window < 0 && FindWindowW(kTrayClass, kTrayName)) window = Milliseconds(start, frequency);
        if (icon < 0 && VisibleIcons() > iconsBefore) icon = Milliseconds(start, frequency);
        Sleep(1);
    }
    if (window < 0) std::printf("tray-window timeout\n");
    else std::printf("tray-window %.0f\n", window);
    if (icon < 0) std::printf("icon timeout\n");
    else std::printf("icon %.0f\n", icon);
    std::printf("pid %lu\n", pi.dwProcessId);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return window < 0 || icon < 0 ? 2 : 0;
}
