// The program's theme carried out on its windows: the dark title bar, the
// visual style of each control by the theme's table, dark control colours,
// check boxes and radio buttons painted by the program in the dark theme,
// recoloured links, list colours, the dark menu bar, themed tooltips, and the
// glow behind Apply. Every window of the program uses these.
#pragma once

#include "platform/win32/wide.h"
//
#include <initializer_list>

namespace quellora::win32 {

// Recomputes the dark-theme flag and the palette from the system.
void RefreshTheme();
bool DarkThemeNow();

// The window's dpi (GetDpiForWindow where the system has it, else the screen's).
int WindowDpi(HWND window);

// Dark or light title bar of a top-level window, as the theme allows it.
void ThemeTitleBar(HWND window);
// Every child of a page by its class (and the page redrawn with its children).
void ThemeChildren(HWND page);
// A list view with a header: its style, colours and header text.
void ThemeListView(HWND list);
// A tooltip window: remembered, and themed again on every theme change.
void ThemeTooltip(HWND tip);
void RethemeTooltips();

// WM_CTLCOLOR* of a dialog in the dark theme: white text on the dialog
// colour; null in the light theme (the dialog's default then answers).
HBRUSH DarkControlColour(UINT message, HDC dc, HWND control);
// A dialog procedure's answer to the control colours of its dialog, its
// buttons, texts, edit fields and lists: true for those messages, with the
// brush to return (null, so FALSE, in the light theme).
bool AnswerControlColour(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer);
// A dialog subclass that answers the control colours in the dark theme and
// re-themes the listed controls on WM_THEMECHANGED.
void SubclassDialogColours(HWND dialog, std::initializer_list<int> controls);

// The dark menu bar of a window with a menu (main window, classic dialog):
// answers true when it handled the message.
bool PaintDarkMenuBar(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
// Both of the above for a dialog with a menu bar (main window, classic
// dialog): true when its dialog procedure is to return `answer`.
bool AnswerMenuDialogTheme(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer);

// The glow behind Apply: the frame (control 9451) of a page gets it, and it
// is switched on and off with the pending edits.
void InstallGlow(HWND page);
void SetGlow(HWND page, bool on);
bool GlowOn(HWND page);

}  // namespace quellora::win32
