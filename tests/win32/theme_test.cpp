// The theme facts on the system the tests run on. Under Wine the theme
// library exports ordinals 49, 104 and 106 as other functions and lacks the
// rest: the program must find dark mode unsupported and call none of them.
#include <gtest/gtest.h>

#include "platform/pe_imports.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/support.h"

namespace quellora {
namespace {

TEST(ThemeFacts, UnderWineNoUnnamedFunctionIsEverCalled) {
    win32::Win32ThemeFacts facts;
    const DarkModeExports exports = win32::Win32ThemeFacts::Exports();
    if (!wintest::RunningUnderWine()) GTEST_SKIP() << "what Wine's theme library lacks";
    // The trap is there: the same ordinals exist as other functions.
    EXPECT_TRUE(exports.openNcThemeData);
    EXPECT_TRUE(exports.refreshColorPolicy);
    EXPECT_TRUE(exports.refreshHighContrast);
    EXPECT_FALSE(exports.shouldAppsUseDarkMode);
    EXPECT_FALSE(exports.allowDarkModeForApp);
    EXPECT_GE(facts.WindowsBuild(), kFirstDarkModeBuild);  // the prefix says Windows 10

    EXPECT_FALSE(facts.DarkMode().supported);
    EXPECT_FALSE(facts.AppsUseDarkMode());
    facts.AllowDarkModeForProcess();
    facts.RefreshColorPolicy();
    facts.RefreshHighContrast();
    EXPECT_FALSE(facts.AllowDarkModeForWindow(GetDesktopWindow(), true));
    EXPECT_FALSE(facts.IsDarkModeAllowedForWindow(GetDesktopWindow()));
    EXPECT_FALSE(facts.RedirectScrollBars());
    EXPECT_EQ(win32::Win32ThemeFacts::DarkModeCalls(), 0u);
}

TEST(ThemeFacts, ComctlImportsOrdinal49OnlyWhereItReallyDoes) {
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    const auto* base = reinterpret_cast<const uint8_t*>(comctl);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const uint32_t slot = FindOrdinalImportSlot(base, nt->OptionalHeader.SizeOfImage, "uxtheme.dll", 49);
    if (wintest::RunningUnderWine()) {
        // Wine's comctl32 takes its uxtheme functions by name.
        EXPECT_EQ(slot, 0u);
    } else if (slot != 0) {
        // Where it does, the slot holds the function uxtheme exports as 49.
        const auto target = *reinterpret_cast<void* const*>(base + slot);
        EXPECT_NE(target, nullptr);
    }
}

TEST(ThemeFacts, HighContrastAnimationsAndAccentAnswer) {
    win32::Win32ThemeFacts facts;
    uint32_t accent = 0;
    facts.AccentColour(accent);  // any answer; must not fail the process
    EXPECT_EQ(accent & 0xFF000000u, 0u);
    (void)facts.HighContrast();
    (void)facts.ClientAreaAnimations();
}

}  // namespace
}  // namespace quellora
