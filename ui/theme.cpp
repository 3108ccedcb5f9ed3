#include "ui/theme.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

#include "platform/platform.h"
#include "platform/startup_state.h"
#include "platform/text.h"

namespace quellora {

namespace {

std::mutex g_paletteMutex;
Palette g_palette = MakePalette(false, SystemColours{});

int Red(uint32_t c) { return static_cast<int>(c & 0xFF); }
int Green(uint32_t c) { return static_cast<int>(c >> 8 & 0xFF); }
int Blue(uint32_t c) { return static_cast<int>(c >> 16 & 0xFF); }
uint32_t Rgb(int r, int g, int b) {
    auto clamp = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
    return clamp(r) | clamp(g) << 8 | clamp(b) << 16;
}
int Round(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

bool InitialiseTheme() {
    StartupState& state = State();
    ThemeFacts* theme = Sys().theme;
    state.darkModeSupported = theme && theme->DarkMode().supported;
    if (state.darkModeSupported) {
        theme->AllowDarkModeForProcess();
        theme->RedirectScrollBars();
    }
    return RefreshDarkTheme();
}

bool RefreshDarkTheme() {
    StartupState& state = State();
    ThemeFacts* theme = Sys().theme;
    state.darkTheme = theme && DarkThemeInForce(state.darkModeSupported, state.darkModeSupported && theme->AppsUseDarkMode(),
                                                theme->HighContrast());
    return state.darkTheme;
}

bool IsImmersiveColorSet(std::u16string_view area) { return EqualsIgnoreAsciiCase(area, u"ImmersiveColorSet"); }

bool ThemeSettingChanged(std::u16string_view area) {
    ThemeFacts* theme = Sys().theme;
    const bool colours = IsImmersiveColorSet(area);
    if (theme && colours) theme->RefreshColorPolicy();
    if (theme) theme->RefreshHighContrast();
    return colours && State().darkModeSupported;
}

// ---- Colours

Palette MakePalette(bool dark, const SystemColours& system) {
    if (dark) return {0x00C8C8C8, 0x001E1E1E, kDarkDialogBackground, kDarkDialogText, 0x00444444, 0x0030CC30, 0x00303030,
                      0x00ACACAC};
    return {system.windowText, system.window, system.menu, system.windowText, 0x00CCCCCC, 0x00198232, 0x00DCDCDC,
            0x00ACACAC};
}

Palette CurrentPalette() {
    std::lock_guard lock(g_paletteMutex);
    return g_palette;
}

void SetPalette(bool dark, const SystemColours& system) {
    std::lock_guard lock(g_paletteMutex);
    g_palette = MakePalette(dark, system);
}

std::array<uint32_t, 6> GraphColours(const Palette& p) {
    return {p[palette::kDialogText], p[palette::kGraph5], p[palette::kGraph6],
            p[palette::kGraph4],     p[palette::kDialogBackground], p[palette::kGraph7]};
}

// ---- Visual styles by control

bool IsCheckOrRadio(uint32_t style) {
    if (style & button_kind::kPushLike) return false;
    const uint32_t kind = style & button_kind::kMask;
    return (kind >= 2 && kind <= 6) || kind == 9;
}

bool IsRadio(uint32_t style) {
    const uint32_t kind = style & button_kind::kMask;
    return kind == 4 || kind == 9;
}

ControlTheme ThemeForControl(std::u16string_view windowClass, uint32_t style, bool dark) {
    using S = ControlTheme::Style;
    ControlTheme t;
    if (EqualsIgnoreAsciiCase(windowClass, u"SysHeader32")) {
        t.style = S::Keep;
    } else if (EqualsIgnoreAsciiCase(windowClass, u"SysListView32")) {
        t.style = S::ItemsView;
        t.allowDark = dark;
    } else if (EqualsIgnoreAsciiCase(windowClass, u"Button")) {
        const uint32_t kind = style & button_kind::kMask;
        const bool push = kind == 0 || kind == 1 || (style & button_kind::kPushLike);
        t.style = push ? S::Explorer : S::None;
        t.allowDark = dark;
        t.paintedInDark = IsCheckOrRadio(style);
    } else if (EqualsIgnoreAsciiCase(windowClass, u"ComboBox")) {
        t.style = dark ? S::DarkCombo : S::None;
        t.allowDark = dark;
    } else {
        t.style = S::None;
        t.allowDark = dark;
        t.recolourLink = EqualsIgnoreAsciiCase(windowClass, u"SysLink");
    }
    return t;
}

// ---- Dark check boxes and radio buttons

CheckPaint PlanCheckPaint(Rect client, int dpi, const CheckState& s) {
    CheckPaint p;
    p.part = s.radio ? 2 : 3;
    // Check boxes: unchecked 1-4, checked 5-8, mixed 9-12; radio buttons: 1-4, 5-8.
    // Within each: normal, hot, pressed, disabled.
    const int check = s.radio ? std::min(s.check, 1) : std::clamp(s.check, 0, 2);
    const int offset = !s.enabled ? 3 : s.pressed ? 2 : s.hot ? 1 : 0;
    p.state = 1 + 4 * check + offset;
    const int glyph = ScaleForDpi(13, dpi);
    const int top = client.top + (client.height() - glyph) / 2;
    p.glyph = Rect{client.left, top, client.left + glyph, top + glyph};
    p.text = Rect{p.glyph.right + ScaleForDpi(4, dpi), client.top, client.right, client.bottom};
    p.textColour = s.enabled ? kDarkDialogText : kDarkDisabledText;
    p.focusRect = s.focused && s.focusCues;
    return p;
}

// ---- Links on a dark background

bool IsDarkColour(uint32_t c) { return (299 * Red(c) + 587 * Green(c) + 114 * Blue(c)) / 1000 < 128; }

uint32_t ColorrefToPixel(uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }
uint32_t PixelToColorref(uint32_t p) { return ColorrefToPixel(p & 0x00FFFFFF); }

void RecolourLink(uint32_t* normal, const uint32_t* plainHidden, size_t count, uint32_t background, uint32_t target) {
    const uint32_t bg = ColorrefToPixel(background);
    auto channel = [](uint32_t pixel, int shift) { return static_cast<int>(pixel >> shift & 0xFF); };
    auto isLink = [&](size_t i) {
        const uint32_t a = normal[i] & 0x00FFFFFF;
        return a == (plainHidden[i] & 0x00FFFFFF) && a != bg;
    };
    // The link pixel farthest from the background defines full strength.
    int64_t farthest = 0;
    uint32_t strongest = bg;
    for (size_t i = 0; i < count; ++i) {
        if (!isLink(i)) continue;
        int64_t d = 0;
        for (int shift : {16, 8, 0}) {
            const int64_t c = channel(normal[i], shift) - channel(bg, shift);
            d += c * c;
        }
        if (d > farthest) {
            farthest = d;
            strongest = normal[i];
        }
    }
    if (farthest == 0) return;
    const uint32_t to = ColorrefToPixel(target);
    for (size_t i = 0; i < count; ++i) {
        if (!isLink(i)) continue;
        int64_t dot = 0;
        for (int shift : {16, 8, 0}) {
            dot += static_cast<int64_t>(channel(normal[i], shift) - channel(bg, shift)) *
                   (channel(strongest, shift) - channel(bg, shift));
        }
        const double t = std::clamp(static_cast<double>(dot) / static_cast<double>(farthest), 0.0, 1.0);
        uint32_t out = normal[i] & 0xFF000000;
        for (int shift : {16, 8, 0}) {
            const int b = channel(bg, shift);
            out |= static_cast<uint32_t>(std::clamp(Round(b + (channel(to, shift) - b) * t), 0, 255)) << shift;
        }
        normal[i] = out;
    }
}

// ---- The glow behind Apply

double GlowIntensity(uint64_t now, uint64_t start, bool animations) {
    if (!animations) return 1.0;
    const uint64_t elapsed = now >= start ? now - start : 0;
    const double p = static_cast<double>(elapsed % glow::kPeriodMs) / glow::kPeriodMs;
    constexpr double kPi = 3.14159265358979323846;
    return (0.5 - std::cos(2 * kPi * p) * 0.5) * 0.5 + 0.5;
}

uint32_t GlowAccent(bool haveColorisation, uint32_t colorisation, bool dark) {
    const uint32_t c = haveColorisation ? colorisation & 0x00FFFFFF : glow::kFallbackAccent;
    auto adjust = [dark](int v) { return dark ? Round(v + (255 - v) * 0.15) : Round(v * 0.9); };
    return Rgb(adjust(Red(c)), adjust(Green(c)), adjust(Blue(c)));
}

std::vector<GlowRing> GlowRings(const Rect& frame, const Rect& button, uint32_t base, uint32_t accent, double a) {
    const int n = std::max(1, std::min(button.left - frame.left, button.top - frame.top));
    std::vector<GlowRing> rings;
    rings.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = i < n - 2 ? ((static_cast<double>(i + 1) / n) * 0.8 + 0.2) * a : a;
        auto mix = [t](int from, int to) { return Round(from + (to - from) * t); };
        GlowRing ring;
        ring.rect = Rect{button.left - n + i, button.top - n + i, button.right + n - i, button.bottom + n - i};
        ring.corner = 2 * n + 4 - 2 * i;
        ring.colour = Rgb(mix(Red(base), Red(accent)), mix(Green(base), Green(accent)), mix(Blue(base), Blue(accent)));
        rings.push_back(ring);
    }
    return rings;
}

int MenuBarItemState(bool disabled, bool grey, bool selected, bool hot) {
    if (disabled || grey) return 3;
    if (selected || hot) return 2;
    return 1;
}

}  // namespace quellora
