#include "platform/sim/sim_theme.h"

#include "platform/sim/sim_machine.h"

namespace quellora::sim {

namespace {
constexpr std::u16string_view kDarkFunctions = u"ThemeDarkFunctions";
constexpr std::u16string_view kAppsUseDark = u"ThemeAppsUseDark";
constexpr std::u16string_view kHighContrast = u"ThemeHighContrast";
constexpr std::u16string_view kAnimations = u"ThemeAnimations";
constexpr std::u16string_view kAccent = u"ThemeAccent";  // COLORREF; 0xFFFFFFFF: none
constexpr uint32_t kNoAccent = 0xFFFFFFFF;
}  // namespace

ThemeState ReadThemeState(SimMachine& m) {
    ThemeState s;
    s.darkFunctions = m.FactDword(kDarkFunctions, s.darkFunctions) != 0;
    s.appsUseDark = m.FactDword(kAppsUseDark, s.appsUseDark) != 0;
    s.highContrast = m.FactDword(kHighContrast, s.highContrast) != 0;
    s.animations = m.FactDword(kAnimations, s.animations) != 0;
    const uint32_t accent = m.FactDword(kAccent, s.accent);
    s.accentPresent = accent != kNoAccent;
    if (s.accentPresent) s.accent = accent & 0x00FFFFFF;
    return s;
}

void WriteThemeState(SimMachine& m, const ThemeState& s) {
    m.SetFactDword(kDarkFunctions, s.darkFunctions);
    m.SetFactDword(kAppsUseDark, s.appsUseDark);
    m.SetFactDword(kHighContrast, s.highContrast);
    m.SetFactDword(kAnimations, s.animations);
    m.SetFactDword(kAccent, s.accentPresent ? (s.accent & 0x00FFFFFF) : kNoAccent);
}

SimThemeFacts::SimThemeFacts(SimMachine& machine) : machine_(machine) {}

DarkModeSupport SimThemeFacts::DarkMode() {
    const WindowsVersion v = machine_.Windows();
    DarkModeExports exports;
    if (ReadThemeState(machine_).darkFunctions) {
        exports = DarkModeExports{true, true, true, true, true, true, true};
    } else {
        // What Wine has: the same ordinals as other functions, the newer ones missing.
        exports.openNcThemeData = exports.refreshColorPolicy = exports.refreshHighContrast = true;
    }
    return DecideDarkModeSupport(OsVersion{v.major, v.minor, v.build}, exports);
}

bool SimThemeFacts::Supported() { return DarkMode().supported; }

bool SimThemeFacts::AppsUseDarkMode() {
    if (!Supported()) return false;
    ++calls_;
    return ReadThemeState(machine_).appsUseDark;
}

bool SimThemeFacts::HighContrast() { return ReadThemeState(machine_).highContrast; }

bool SimThemeFacts::ClientAreaAnimations() { return ReadThemeState(machine_).animations; }

bool SimThemeFacts::AccentColour(uint32_t& colorref) {
    const ThemeState s = ReadThemeState(machine_);
    if (!s.accentPresent) return false;
    colorref = s.accent;
    return true;
}

uint32_t SimThemeFacts::WindowsBuild() { return machine_.Windows().build; }

void SimThemeFacts::AllowDarkModeForProcess() {
    if (!Supported()) return;
    calls_ += 2;
    processAllowed_ = true;
}

void SimThemeFacts::RefreshColorPolicy() {
    if (Supported()) ++calls_;
}

void SimThemeFacts::RefreshHighContrast() {
    if (Supported()) ++calls_;
}

bool SimThemeFacts::AllowDarkModeForWindow(WindowHandle, bool) {
    if (!Supported()) return false;
    ++calls_;
    return true;
}

bool SimThemeFacts::IsDarkModeAllowedForWindow(WindowHandle) {
    if (!Supported()) return false;
    ++calls_;
    return true;
}

void SimThemeFacts::SetDarkTitleBar(WindowHandle, bool) {}

bool SimThemeFacts::RedirectScrollBars() { return false; }

}  // namespace quellora::sim
