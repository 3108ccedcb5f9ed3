// The window theme at the interactive start: whether the program can be drawn
// dark, and whether it is, kept in the start-up state for every window.
#pragma once

namespace quellora {

// Allows dark mode for the process (when the system can draw it), redirects
// the common controls' scroll bars, and sets the dark-theme flag: the system's
// dark-mode query is available and answers that apps use dark, and high
// contrast is off. Answers the flag.
bool InitialiseTheme();

// Recomputes the dark-theme flag (after the system's colours changed). Answers it.
bool RefreshDarkTheme();

}  // namespace quellora
