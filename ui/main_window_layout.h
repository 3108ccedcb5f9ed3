// Where the main window's navigation list and pages stand, how large the
// window is, where it opens and whether a remembered placement can be used:
// all distances given at 96 dpi and scaled by the window's dpi.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ui/geometry.h"

namespace quellora {

namespace main_layout {
inline constexpr int kMargin = 8;
inline constexpr int kNavigationWidth = 150;
inline constexpr int kColumnInset = 6;  // the navigation column is this much narrower than the list
}  // namespace main_layout

struct MainWindowLayout {
    Rect navigation;
    int navigationColumn = 0;
    Rect page;  // every page stands here
};

// The client size the window is fixed at: room for the largest page beside
// the navigation list, with the margins.
Size MainClientSize(Size largestPage, int dpi);
// The navigation list and the page area in a client area of `client`.
MainWindowLayout LayOutMainWindow(Size client, Size largestPage, int dpi);

// Where a window of `size` opens: at the remembered corner, or centred in the
// work area (an offset that would be negative becomes 0); then kept inside the
// work area, the left and top edges winning when it is larger.
Rect PlaceWindow(Size size, const std::optional<Point>& corner, const Rect& workArea);

// The WINDOWPLACEMENT record kept in MainWindowPlacement (44 bytes, its
// length field 44): the normal-position rectangle, or nothing when the bytes
// are not such a record.
inline constexpr size_t kPlacementBytes = 44;
std::optional<Rect> ParsePlacement(const std::vector<uint8_t>& bytes);
// The record for a window whose normal position is `normal` (shown normally).
std::vector<uint8_t> MakePlacement(const Rect& normal, uint32_t showCommand, uint32_t flags);

}  // namespace quellora
