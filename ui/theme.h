// The program's look: whether it is drawn dark (found at the interactive start
// and again on every colour change of the system), the colours of its pages,
// which visual style each kind of control gets, how the program paints dark
// check boxes and radio buttons, how links are recoloured on a dark
// background, and the pulsing glow behind an Apply button with unwritten
// edits. The windows (ui/win32) only carry these decisions out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ui/geometry.h"

namespace quellora {

// Allows dark mode for the process (when the system can draw it), redirects
// the common controls' scroll bars, and sets the dark-theme flag: the system's
// dark-mode query is available and answers that apps use dark, and high
// contrast is off. Answers the flag.
bool InitialiseTheme();

// Recomputes the dark-theme flag (after the system's colours changed).
// Answers the flag.
bool RefreshDarkTheme();

// A WM_SETTINGCHANGE: when its text is "ImmersiveColorSet" (compared
// ordinally without regard to case) the colour policy is refreshed and the
// answer is true: the window re-themes itself (WM_THEMECHANGED). The
// high-contrast state of the immersive colours is refreshed in every case.
bool ThemeSettingChanged(std::u16string_view area);
bool IsImmersiveColorSet(std::u16string_view area);

// ---- Colours (COLORREF, 0x00BBGGRR)

namespace palette {
inline constexpr size_t kListText = 0;
inline constexpr size_t kListBackground = 1;
inline constexpr size_t kDialogBackground = 2;
inline constexpr size_t kDialogText = 3;
inline constexpr size_t kGraph4 = 4;
inline constexpr size_t kGraph5 = 5;
inline constexpr size_t kGraph6 = 6;
inline constexpr size_t kGraph7 = 7;
}  // namespace palette

// The system colours the light palette takes.
struct SystemColours {
    uint32_t windowText = 0x00000000;
    uint32_t window = 0x00FFFFFF;
    uint32_t menu = 0x00F0F0F0;
};

using Palette = std::array<uint32_t, 8>;
Palette MakePalette(bool dark, const SystemColours& system);
// The palette in force: set by the windows from the dark-theme flag and the
// system's colours on every theme change (Windows' defaults until then).
Palette CurrentPalette();
void SetPalette(bool dark, const SystemColours& system);

// The core utilisation graph's six colours in the order the graph takes them
// (palette entries 3, 5, 6, 4, 2 and 7), and its bitmap resource.
std::array<uint32_t, 6> GraphColours(const Palette& palette);
inline constexpr int kGraphBitmapDark = 0x1422;
inline constexpr int kGraphBitmapLight = 0x1421;

// Dark colours of the windows.
inline constexpr uint32_t kDarkDialogText = 0x00FFFFFF;
inline constexpr uint32_t kDarkDialogBackground = 0x00221D19;
inline constexpr uint32_t kDarkDisabledText = 0x00808080;

// ---- Visual styles by control

// What a control of a page gets on creation and on every theme change.
struct ControlTheme {
    enum class Style : uint8_t {
        Keep,      // left alone (the list view's header: its list does it)
        None,      // no visual style: empty application and class names
        Explorer,  // "Explorer" (push buttons)
        ItemsView, // "ItemsView" on the list and its header, then WM_THEMECHANGED
        DarkCombo, // "DarkMode_CFD"; its drop-down list gets no style and dark allowed by the flag
    };
    Style style = Style::None;
    bool allowDark = false;      // dark mode allowed for the window (the flag)
    bool recolourLink = false;   // SysLink: recoloured on a dark background
    bool paintedInDark = false;  // check boxes and radio buttons the program paints in the dark theme
    bool operator==(const ControlTheme&) const = default;
};

namespace button_kind {
inline constexpr uint32_t kMask = 0x0F;
inline constexpr uint32_t kPushLike = 0x1000;  // BS_PUSHLIKE
}  // namespace button_kind

// By window class and style (the button kind is the style's low four bits).
ControlTheme ThemeForControl(std::u16string_view windowClass, uint32_t style, bool dark);
// A check box, 3-state box or radio button (kinds 2 to 6 and 9), not push-like.
bool IsCheckOrRadio(uint32_t style);
bool IsRadio(uint32_t style);

// ---- Dark check boxes and radio buttons

struct CheckPaint {
    int part = 3;   // "DarkMode_Explorer::Button": 3 check box, 2 radio button
    int state = 1;  // the part's state from check state, enabled, pressed and hot
    Rect glyph;     // 13 x 13 at 96 dpi, vertically centred at the left
    Rect text;      // 4 pixels (at 96 dpi) right of the glyph
    uint32_t textColour = kDarkDialogText;
    bool focusRect = false;
};

struct CheckState {
    bool radio = false;
    int check = 0;  // 0 unchecked, 1 checked, 2 indeterminate
    bool enabled = true;
    bool pressed = false;
    bool hot = false;
    bool focused = false;
    bool focusCues = true;
};
CheckPaint PlanCheckPaint(Rect client, int dpi, const CheckState& state);

// ---- Links on a dark background

// Luminance (299 R + 587 G + 114 B) / 1000 below 128.
bool IsDarkColour(uint32_t colorref);
// RGB(108, 180, 255) and, for a disabled link, RGB(122, 144, 173), as COLORREF.
inline constexpr uint32_t kLinkColour = 0x00FFB46C;
inline constexpr uint32_t kDisabledLinkColour = 0x00AD907A;

// Two pictures of the same link (32-bit pixels 0x00RRGGBB, as a DIB holds
// them): `normal` as the link paints itself, `plainHidden` with its plain text
// drawn in the background colour. Pixels equal in both and unlike the
// background are the link's; the one farthest from the background is full
// strength, and every link pixel is moved onto the line from the background
// to the target by its share of that distance. Writes the result into
// `normal`. Colours are COLORREF.
void RecolourLink(uint32_t* normal, const uint32_t* plainHidden, size_t count, uint32_t backgroundColorref,
                  uint32_t targetColorref);

uint32_t ColorrefToPixel(uint32_t colorref);
uint32_t PixelToColorref(uint32_t pixel);

// ---- The glow behind Apply

namespace glow {
inline constexpr int kFrameId = 9451;
inline constexpr int kButtonId = 3;
inline constexpr uint32_t kTimer = 27153;
inline constexpr uint32_t kTimerMs = 33;
inline constexpr uint32_t kPeriodMs = 1600;
inline constexpr uint32_t kFallbackAccent = 0x00F07F2F;
inline constexpr std::u16string_view kButtonProperty = u"QlApplyGlowButton";
}  // namespace glow

// (0.5 − cos(2π p) · 0.5) · 0.5 + 0.5 with p the fractional part of
// (now − start) / 1600 ms; 1 when animations are off.
double GlowIntensity(uint64_t nowMs, uint64_t startMs, bool animations);
// The accent (the colorisation colour, or the fallback) lightened by 15 %
// towards white in the dark theme, darkened by 10 % in the light one.
uint32_t GlowAccent(bool haveColorisation, uint32_t colorisation, bool dark);
// The animation timer runs only while on, with animations and without high contrast.
inline bool GlowAnimates(bool on, bool animations, bool highContrast) { return on && animations && !highContrast; }

struct GlowRing {
    Rect rect;
    int corner = 0;
    uint32_t colour = 0;
    bool operator==(const GlowRing&) const = default;
};
// The rounded rectangles painted outermost first; n = the smaller of the gaps
// between the frame's and the button's left and top edges (at least 1).
std::vector<GlowRing> GlowRings(const Rect& frame, const Rect& button, uint32_t base, uint32_t accent, double intensity);

// ---- The dark menu bar

// The "Menu" style's item state: 3 disabled or grey, 2 selected or hot, 1 otherwise.
int MenuBarItemState(bool disabled, bool grey, bool selected, bool hot);
inline constexpr int kMenuBarPart = 14;

}  // namespace quellora
