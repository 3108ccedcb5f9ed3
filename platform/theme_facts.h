// What the windows need to know about the system's look: whether Windows can
// draw the program dark (its unnamed dark-mode functions), whether the user
// chose dark apps, high contrast, animations, the accent colour and the build.
#pragma once

#include <cstdint>

#include "platform/system_info.h"
#include "platform/window_handle.h"

namespace quellora {

// The unnamed exports of the theme library that dark drawing relies on, by
// ordinal: which of them the system's library has.
struct DarkModeExports {
    bool openNcThemeData = false;           // 49: opens the theme data of a window's non-client parts
    bool refreshColorPolicy = false;        // 104: refreshes the immersive colour policy
    bool refreshHighContrast = false;       // 106: refreshes the high-contrast state of the immersive colours
    bool shouldAppsUseDarkMode = false;     // 132
    bool allowDarkModeForWindow = false;    // 133
    bool allowDarkModeForApp = false;       // 135
    bool isDarkModeAllowedForWindow = false;  // 137

    bool All() const {
        return openNcThemeData && refreshColorPolicy && refreshHighContrast && shouldAppsUseDarkMode &&
               allowDarkModeForWindow && allowDarkModeForApp && isDarkModeAllowedForWindow;
    }
};

struct DarkModeSupport {
    bool supported = false;         // the functions may be called at all
    bool preferredAppMode = false;  // 135 takes the preferred-mode form (else the boolean one)
    bool compositionTitleBar = false;  // the title bar is darkened through SetWindowCompositionAttribute
};

// The first build whose theme library has the dark-mode functions.
inline constexpr uint32_t kFirstDarkModeBuild = 17763;
// Builds after this one take 135's preferred-mode form and SetWindowCompositionAttribute.
inline constexpr uint32_t kLastBooleanDarkModeBuild = 18361;

// The functions are called only on Windows 10.0 build 17763 or later and only
// when every one of them is present: a system may export the same ordinals as
// other functions (Wine's 49, 104 and 106 are), and calling one of those
// "by ordinal" would call the wrong function.
DarkModeSupport DecideDarkModeSupport(const OsVersion& version, const DarkModeExports& exports);

// The dark theme is in force: supported, the user chose dark apps, high contrast off.
inline bool DarkThemeInForce(bool supported, bool appsUseDarkMode, bool highContrast) {
    return supported && appsUseDarkMode && !highContrast;
}

class ThemeFacts {
public:
    virtual ~ThemeFacts() = default;

    // Whether the dark-mode functions may be called (looked up once).
    virtual DarkModeSupport DarkMode() = 0;
    // The system's answer whether apps should use dark mode (ordinal 132);
    // false when the functions may not be called.
    virtual bool AppsUseDarkMode() = 0;
    // SPI_GETHIGHCONTRAST with HCF_HIGHCONTRASTON.
    virtual bool HighContrast() = 0;
    // SPI_GETCLIENTAREAANIMATION (true when it cannot be read).
    virtual bool ClientAreaAnimations() = 0;
    // The DWM colorisation colour as a COLORREF (0x00BBGGRR, alpha dropped);
    // false when there is none.
    virtual bool AccentColour(uint32_t& colorref) = 0;
    // The system's build number (RtlGetNtVersionNumbers, top 4 bits cleared); 0 when unknown.
    virtual uint32_t WindowsBuild() = 0;

    // The calls below do nothing unless DarkMode().supported.
    // Allows dark mode for the process (135 with 1) and refreshes the colour policy (104).
    virtual void AllowDarkModeForProcess() = 0;
    // Refreshes the colour policy (104), after an "ImmersiveColorSet" change.
    virtual void RefreshColorPolicy() = 0;
    // Refreshes the high-contrast state of the immersive colours (106 with 1).
    virtual void RefreshHighContrast() = 0;
    // Allows or forbids dark mode for one window (133); false when not done.
    virtual bool AllowDarkModeForWindow(WindowHandle window, bool allow) = 0;
    // Whether dark mode is allowed for a window (137).
    virtual bool IsDarkModeAllowedForWindow(WindowHandle window) = 0;
    // Dark or light title bar: SetWindowCompositionAttribute on builds after
    // 18361, the window property "UseImmersiveDarkModeColors" before.
    virtual void SetDarkTitleBar(WindowHandle window, bool dark) = 0;
    // Redirects the common controls' scroll bars to the dark "Explorer::ScrollBar"
    // style while the dark theme is in force: the import of theme-library
    // ordinal 49 in comctl32 is replaced. True when comctl32 imports it and it
    // was replaced (or was already).
    virtual bool RedirectScrollBars() = 0;
};

}  // namespace quellora
