#include "ui/win32/graph_theme.h"

#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "ui/win32/resource_module.h"

namespace quellora {

namespace {

constexpr int kEmblemLight = 0x1421;
constexpr int kEmblemDark = 0x1422;

HBITMAP Emblem(bool dark) {
    static HBITMAP light = nullptr, darkEmblem = nullptr;
    static bool lightTried = false, darkTried = false;
    HBITMAP& bitmap = dark ? darkEmblem : light;
    bool& tried = dark ? darkTried : lightTried;
    if (!tried) {
        tried = true;
        const int id = dark ? kEmblemDark : kEmblemLight;
        if (HINSTANCE module = win32::ResourceModuleFor(RT_BITMAP, id)) {
            bitmap = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
        }
    }
    return bitmap;
}

}  // namespace

CoreGraphColours GraphColoursFor(bool dark) {
    // Palette entries 3, 5, 6, 4, 2 and 7: text, bar fill, bar background, frame, background, parked fill.
    if (dark) return CoreGraphColours{0x00FFFFFF, 0x0030CC30, 0x00303030, 0x00444444, 0x00221D19, 0x00ACACAC};
    return CoreGraphColours{GetSysColor(COLOR_WINDOWTEXT), 0x00198232, 0x00DCDCDC, 0x00CCCCCC, GetSysColor(COLOR_MENU),
                            0x00ACACAC};
}

void ApplyGraphTheme() {
    const bool dark = State().darkTheme;
    SetCoreGraphColours(GraphColoursFor(dark));
    SetCoreGraphEmblem(Emblem(dark), !dark);
    const bool unthemedBars = ReadDwordOr(Hive::CurrentUser, kAppKey, u"no_themed_progressbars", 0) != 0;
    SetCoreGraphTheme(dark, unthemedBars);
    ApplyCoreGraphColors();
}

}  // namespace quellora
