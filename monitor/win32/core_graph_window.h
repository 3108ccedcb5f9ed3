// The core utilisation graph's window: the control of the class
// "Ostrima_CPUCoreUtilizationGraph" with a group box per NUMA node and a
// vertical bar per logical processor, painted by the program. One graph per
// process; its decisions are the process-wide CoreGraph's (monitor/core_graph.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace quellora {

// The graph's six colours (COLORREF), in this order.
struct CoreGraphColours {
    COLORREF text = 0x00FFFFFF;
    COLORREF barFill = 0x00FFFFFF;
    COLORREF barBackground = 0x00FFFFFF;
    COLORREF frame = 0x00FFFFFF;
    COLORREF background = 0x00FFFFFF;
    COLORREF parkedFill = 0x00FFFFFF;
};

// Stores the label texts (empty ones keep the current) and registers the class once.
bool RegisterCoreGraph(std::u16string_view singleNode, std::u16string_view nodeFormat, std::u16string_view parked,
                       std::u16string_view efficient);
// Creates the control and its groups and bars in the parent's client area;
// false when the class is not registered or the window cannot be made.
bool CreateCoreGraph(HWND parent, int x, int y, int width, int height);
void LayoutCoreGraph(int x, int y, int width, int height);
// The colours and the emblem (a bitmap for a light or a dark background; the
// graph does not own it). Take effect with ApplyCoreGraphColors.
void SetCoreGraphColours(const CoreGraphColours& colours);
void SetCoreGraphEmblem(HBITMAP emblem, bool forLightBackground);
// The theme of the control and its bars: dark allowed or not, and bars with
// the "Explorer" style or none (the option no_themed_progressbars).
void SetCoreGraphTheme(bool dark, bool unthemedBars);
// Recreates the brushes from the colours and hands them, and the emblem, to every group.
void ApplyCoreGraphColors();
// Shows every group box, every bar the layout shows, and the control.
void ShowCoreGraph();
// Destroys the window, the groups, the brushes and the font.
void DestroyCoreGraph();
HWND CoreGraphWindow();
// The bar of a processor (null when out of range), for tests and tooltips.
HWND CoreGraphBar(size_t node, size_t index);

// Control identifiers of the graph's children: group box of node i, and bar
// n of all bars counted over the nodes in order.
inline constexpr int kGraphGroupIdBase = 900;
inline constexpr int kGraphBarIdBase = 1000;

}  // namespace quellora
