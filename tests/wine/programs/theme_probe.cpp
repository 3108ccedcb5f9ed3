// theme_probe.exe: themes and paints a page of every kind of control with the
// system's own theme facts (not the simulated machine's stand-in) and prints
// how many unnamed theme functions were called; its exit code is that number.
// Under Wine, whose theme library lacks the dark-mode functions, it must be 0.
#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include <string>

#include "platform/platform.h"
#include "platform/startup_state.h"
#include "platform/win32/win32_platform.h"
#include "ui/theme.h"
#include "ui/win32/theme_windows.h"

namespace {

HWND Child(HWND parent, const wchar_t* cls, DWORD style, int id, const wchar_t* text = L"") {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, 10 + 25 * (id % 10), 200, 22, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

int wmain() {
    using namespace quellora;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    win32::Win32ThemeFacts facts;
    Platform platform;
    platform.theme = &facts;
    SetPlatform(&platform);
    InitialiseTheme();

    HWND page = CreateWindowExW(0, L"STATIC", L"theme probe", WS_POPUP | WS_VISIBLE | WS_CAPTION, 0, 0, 400, 400,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!page) return 255;
    Child(page, L"BUTTON", BS_AUTOCHECKBOX, 1, L"Check");
    Child(page, L"BUTTON", BS_AUTORADIOBUTTON, 2, L"Radio");
    Child(page, WC_LINK, 0, 4, L"<a>Link</a>");
    HWND list = Child(page, WC_LISTVIEW, LVS_REPORT, 5);
    Child(page, WC_COMBOBOX, CBS_DROPDOWNLIST, 6);
    Child(page, L"BUTTON", BS_PUSHBUTTON, 3, L"Apply");
    Child(page, L"STATIC", 0, 9451);
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, page,
                               nullptr, nullptr, nullptr);

    win32::RefreshTheme();
    win32::ThemeTitleBar(page);
    win32::ThemeChildren(page);
    win32::ThemeListView(list);
    win32::ThemeTooltip(tip);
    win32::InstallGlow(page);
    win32::SetGlow(page, true);
    RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    win32::SetGlow(page, false);
    DestroyWindow(page);

    const uint32_t calls = win32::Win32ThemeFacts::DarkModeCalls();
    const std::string line = "dark " + std::to_string(State().darkTheme ? 1 : 0) + " supported " +
                             std::to_string(State().darkModeSupported ? 1 : 0) + " unnamed calls " +
                             std::to_string(calls) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return static_cast<int>(calls);
}
