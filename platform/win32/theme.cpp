// The system's look on Windows: the unnamed dark-mode functions of uxtheme,
// looked up by ordinal and called only when every one of them is there on a
// build that has them; high contrast, animations, the accent colour; and the
// redirection of the common controls' scroll bars to the dark style.
#include "platform/win32/wide.h"
//
#include <uxtheme.h>

#include <atomic>

#include "platform/pe_imports.h"
#include "platform/startup_state.h"
#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

using OpenNcThemeDataFn = HTHEME(WINAPI*)(HWND, LPCWSTR);                 // 49
using RefreshColorPolicyFn = void(WINAPI*)();                            // 104
using RefreshHighContrastFn = void(WINAPI*)(int);                        // 106
using ShouldAppsUseDarkModeFn = bool(WINAPI*)();                         // 132
using AllowDarkModeForWindowFn = bool(WINAPI*)(HWND, bool);              // 133
using AllowDarkModeForAppFn = int(WINAPI*)(int);                         // 135 (bool or preferred mode)
using IsDarkModeAllowedForWindowFn = bool(WINAPI*)(HWND);                // 137
using RtlGetNtVersionNumbersFn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
using DwmGetColorizationColorFn = HRESULT(WINAPI*)(DWORD*, BOOL*);

struct CompositionData {
    DWORD attribute;
    void* data;
    SIZE_T size;
};
using SetWindowCompositionAttributeFn = BOOL(WINAPI*)(HWND, CompositionData*);
constexpr DWORD kUseDarkModeColors = 26;
constexpr int kAllowDark = 1;  // "allow" in both forms of 135

std::atomic<uint32_t> g_calls{0};

struct DarkModeFunctions {
    OsVersion version;
    DarkModeExports exports;
    DarkModeSupport support;
    OpenNcThemeDataFn openNcThemeData = nullptr;
    RefreshColorPolicyFn refreshColorPolicy = nullptr;
    RefreshHighContrastFn refreshHighContrast = nullptr;
    ShouldAppsUseDarkModeFn shouldAppsUseDarkMode = nullptr;
    AllowDarkModeForWindowFn allowDarkModeForWindow = nullptr;
    AllowDarkModeForAppFn allowDarkModeForApp = nullptr;
    IsDarkModeAllowedForWindowFn isDarkModeAllowedForWindow = nullptr;
    SetWindowCompositionAttributeFn setWindowCompositionAttribute = nullptr;
};

template <typename Fn>
Fn ByOrdinal(HMODULE module, WORD ordinal) {
    if (!module) return nullptr;
    FARPROC proc = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
    return proc ? reinterpret_cast<Fn>(reinterpret_cast<void*>(proc)) : nullptr;
}

OsVersion NtVersion() {
    OsVersion v;
    static const auto numbers =
        BindExport<RtlGetNtVersionNumbersFn>(LoadedModule(L"ntdll.dll"), "RtlGetNtVersionNumbers");
    if (numbers) {
        DWORD major = 0, minor = 0, build = 0;
        numbers(&major, &minor, &build);
        v.major = major;
        v.minor = minor;
        v.build = build & 0x0FFFFFFF;
    }
    return v;
}

const DarkModeFunctions& Functions() {
    static const DarkModeFunctions functions = [] {
        DarkModeFunctions f;
        f.version = NtVersion();
        HMODULE uxtheme = SystemLibrary(L"uxtheme.dll");
        f.openNcThemeData = ByOrdinal<OpenNcThemeDataFn>(uxtheme, 49);
        f.refreshColorPolicy = ByOrdinal<RefreshColorPolicyFn>(uxtheme, 104);
        f.refreshHighContrast = ByOrdinal<RefreshHighContrastFn>(uxtheme, 106);
        f.shouldAppsUseDarkMode = ByOrdinal<ShouldAppsUseDarkModeFn>(uxtheme, 132);
        f.allowDarkModeForWindow = ByOrdinal<AllowDarkModeForWindowFn>(uxtheme, 133);
        f.allowDarkModeForApp = ByOrdinal<AllowDarkModeForAppFn>(uxtheme, 135);
        f.isDarkModeAllowedForWindow = ByOrdinal<IsDarkModeAllowedForWindowFn>(uxtheme, 137);
        f.setWindowCompositionAttribute =
            BindExport<SetWindowCompositionAttributeFn>(LoadedModule(L"user32.dll"), "SetWindowCompositionAttribute");
        f.exports = DarkModeExports{f.openNcThemeData != nullptr,       f.refreshColorPolicy != nullptr,
                                    f.refreshHighContrast != nullptr,   f.shouldAppsUseDarkMode != nullptr,
                                    f.allowDarkModeForWindow != nullptr, f.allowDarkModeForApp != nullptr,
                                    f.isDarkModeAllowedForWindow != nullptr};
        f.support = DecideDarkModeSupport(f.version, f.exports);
        return f;
    }();
    return functions;
}

// Every call of an unnamed function goes through here, and only when supported.
const DarkModeFunctions* Callable() {
    const DarkModeFunctions& f = Functions();
    if (!f.support.supported) return nullptr;
    ++g_calls;
    return &f;
}

// Stands in comctl32's import of ordinal 49: scroll bars open the dark
// Explorer style, for no window, while the dark theme is in force.
HTHEME WINAPI OpenNcThemeDataRedirected(HWND window, LPCWSTR classList) {
    const DarkModeFunctions& f = Functions();
    if (State().darkTheme && classList && lstrcmpW(classList, L"ScrollBar") == 0) {
        return f.openNcThemeData(nullptr, L"Explorer::ScrollBar");
    }
    return f.openNcThemeData(window, classList);
}

}  // namespace

DarkModeExports Win32ThemeFacts::Exports() { return Functions().exports; }

uint32_t Win32ThemeFacts::DarkModeCalls() { return g_calls; }

DarkModeSupport Win32ThemeFacts::DarkMode() { return Functions().support; }

bool Win32ThemeFacts::AppsUseDarkMode() {
    const DarkModeFunctions* f = Callable();
    return f && f->shouldAppsUseDarkMode();
}

bool Win32ThemeFacts::HighContrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)) return false;
    return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

bool Win32ThemeFacts::ClientAreaAnimations() {
    BOOL on = TRUE;
    if (!SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &on, 0)) return true;
    return on != FALSE;
}

bool Win32ThemeFacts::AccentColour(uint32_t& colorref) {
    static const auto get = BindExport<DwmGetColorizationColorFn>(SystemLibrary(L"dwmapi.dll"), "DwmGetColorizationColor");
    if (!get) return false;
    DWORD argb = 0;
    BOOL opaque = FALSE;
    if (FAILED(get(&argb, &opaque))) return false;
    // 0xAARRGGBB to 0x00BBGGRR.
    colorref = (argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16;
    return true;
}

uint32_t Win32ThemeFacts::WindowsBuild() { return Functions().version.build; }

void Win32ThemeFacts::AllowDarkModeForProcess() {
    if (const DarkModeFunctions* f = Callable()) {
        // The preferred-mode form's "allow dark" and the boolean form's "true" are both 1.
        f->allowDarkModeForApp(kAllowDark);
        f->refreshColorPolicy();
    }
}

void Win32ThemeFacts::RefreshColorPolicy() {
    if (const DarkModeFunctions* f = Callable()) f->refreshColorPolicy();
}

void Win32ThemeFacts::RefreshHighContrast() {
    if (const DarkModeFunctions* f = Callable()) f->refreshHighContrast(1);
}

bool Win32ThemeFacts::AllowDarkModeForWindow(WindowHandle window, bool allow) {
    const DarkModeFunctions* f = Callable();
    return f && f->allowDarkModeForWindow(static_cast<HWND>(window), allow);
}

bool Win32ThemeFacts::IsDarkModeAllowedForWindow(WindowHandle window) {
    const DarkModeFunctions* f = Callable();
    return f && f->isDarkModeAllowedForWindow(static_cast<HWND>(window));
}

void Win32ThemeFacts::SetDarkTitleBar(WindowHandle window, bool dark) {
    const DarkModeFunctions& f = Functions();
    if (!f.support.supported || !window) return;
    HWND hwnd = static_cast<HWND>(window);
    BOOL value = dark ? TRUE : FALSE;
    if (f.support.compositionTitleBar && f.setWindowCompositionAttribute) {
        CompositionData data{kUseDarkModeColors, &value, sizeof value};
        f.setWindowCompositionAttribute(hwnd, &data);
    } else {
        SetPropW(hwnd, L"UseImmersiveDarkModeColors", reinterpret_cast<HANDLE>(static_cast<INT_PTR>(value)));
    }
}

bool Win32ThemeFacts::RedirectScrollBars() {
    static std::atomic<bool> done{false};
    const DarkModeFunctions& f = Functions();
    if (!f.support.supported) return false;
    if (done) return true;
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    if (!comctl) comctl = SystemLibrary(L"comctl32.dll");
    if (!comctl) return false;
    const auto* base = reinterpret_cast<const uint8_t*>(comctl);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const uint32_t slot = FindOrdinalImportSlot(base, nt->OptionalHeader.SizeOfImage, "uxtheme.dll", 49);
    if (slot == 0) return false;
    auto* entry = reinterpret_cast<void**>(const_cast<uint8_t*>(base) + slot);
    DWORD old = 0;
    if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old)) return false;
    *entry = reinterpret_cast<void*>(&OpenNcThemeDataRedirected);
    VirtualProtect(entry, sizeof *entry, old, &old);
    done = true;
    return true;
}

}  // namespace quellora::win32
