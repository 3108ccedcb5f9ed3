// The theme carried out on real windows under Wine: with the system's own
// theme facts, whose dark-mode functions Wine lacks, painting and theming the
// controls of a page never calls an unnamed theme function.
#include "platform/win32/wide.h"
//
#include <commctrl.h>
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/startup_state.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/support.h"
#include "ui/theme.h"
#include "ui/win32/theme_windows.h"

namespace quellora {
namespace {

HWND Child(HWND parent, const wchar_t* cls, DWORD style, int id, const wchar_t* text = L"") {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, 10 + 25 * (id % 10), 200, 22, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

TEST(ThemeWindows, UnderWineThemingAndPaintingCallNoUnnamedFunction) {
    if (!wintest::RunningUnderWine()) GTEST_SKIP() << "what Wine's theme library lacks";
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    win32::Win32ThemeFacts facts;
    Platform platform;
    platform.theme = &facts;
    ScopedPlatform scoped(&platform);
    InitialiseTheme();
    EXPECT_FALSE(State().darkModeSupported);
    EXPECT_FALSE(State().darkTheme);

    HWND page = CreateWindowExW(0, L"STATIC", L"page", WS_POPUP | WS_VISIBLE | WS_CAPTION, 0, 0, 400, 400, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(page, nullptr);
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
    EXPECT_TRUE(win32::GlowOn(page));
    RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    LRESULT result = 0;
    EXPECT_FALSE(win32::PaintDarkMenuBar(page, 0x91, 0, 0, result)) << "the light theme leaves the menu bar alone";
    EXPECT_EQ(win32::DarkControlColour(WM_CTLCOLORSTATIC, GetDC(page), nullptr), nullptr);
    win32::SetGlow(page, false);
    DestroyWindow(page);

    EXPECT_EQ(win32::Win32ThemeFacts::DarkModeCalls(), 0u);
}

}  // namespace
}  // namespace quellora
