#include "ui/win32/graph_theme.h"

#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "ui/theme.h"
#include "ui/win32/resource_module.h"

namespace quellora {

namespace {


HBITMAP Emblem(bool dark) {
    static HBITMAP light = nullptr, darkEmblem = nullptr;
    static bool lightTried = false, darkTried = false;
    HBITMAP& bitmap = dark ? darkEmblem : light;
    bool& tried = dark ? darkTried : lightTried;
    if (!tried) {
        tried = true;
        const int id = dark ? kGraphBitmapDark : kGraphBitmapLight;
        if (HINSTANCE module = win32::ResourceModuleFor(RT_BITMAP, id)) {
            bitmap = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
        }
    }
    return bitmap;
}

}  // namespace

CoreGraphColours GraphColoursFor(bool dark) {
    const Palette palette =
        MakePalette(dark, SystemColours{GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_MENU)});
    const std::array<uint32_t, 6> c = GraphColours(palette);
    return CoreGraphColours{c[0], c[1], c[2], c[3], c[4], c[5]};
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
