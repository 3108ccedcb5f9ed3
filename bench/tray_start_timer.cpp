// tray_start_timer.exe: starts a program and measures, inside the same Wine
// session, how long it takes until its hidden tray window exists and until
// its notification-area icon shows on the desktop's taskbar. Wine 8 draws the
// icons itself at the right end of the taskbar: the icon is there when the
// place of its first core (top left, lit in both of the program's icons)
// shows that core's colour on the screen. Wine's desktop only.
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

constexpr COLORREF kLitCore = RGB(0x52, 0xD6, 0xFF);

// The first icon from the right: 20 pixels wide, its first core 5 pixels in
// from the icon's corner, which sits 2 pixels inside its place.
bool IconShown() {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    RECT client{};
    if (!taskbar || !GetClientRect(taskbar, &client)) return false;
    POINT p{client.right - 13, 7};
    ClientToScreen(taskbar, &p);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c == kLitCore;
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
    if (IconShown()) {
        std::fprintf(stderr, "tray_start_timer: an icon is shown already\n");
        return 2;
    }

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
        if (icon < 0 && IconShown()) icon = Milliseconds(start, frequency);
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
