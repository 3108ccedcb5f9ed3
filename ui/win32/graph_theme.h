// The core utilisation graph in the program's look: its six colours from the
// theme's palette and the emblem bitmap of the light or the dark theme from
// the language module (each loaded once per process).
#pragma once

#include "monitor/win32/core_graph_window.h"

namespace quellora {

// The graph's colours for the light or the dark theme.
CoreGraphColours GraphColoursFor(bool dark);
// Colours, emblem and theme of the graph for the theme in force, applied.
void ApplyGraphTheme();

}  // namespace quellora
