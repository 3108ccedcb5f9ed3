// Opening the main window: at most one exists at a time (the main-window
// mutex), on a thread of its own when the tray opens it, or on the calling
// thread as the whole application in no-tray mode. Its handle is published
// for the tray, which brings it forward, closes it and keeps quiet about
// drift while it is open.
#pragma once

#include "platform/window_handle.h"

namespace quellora {

// The open main window (or classic dialog); null when none is open. Any thread.
WindowHandle MainWindowHandle();
inline bool MainWindowOpen() { return MainWindowHandle() != nullptr; }
// Set by the main window (and the classic dialog) when it opens, cleared when it closes.
void PublishMainWindow(WindowHandle window);

// The tray's click: brings the open main window forward, or starts a thread
// that opens it (and ends at once when the main-window mutex is held elsewhere).
void OpenMainWindow();
// Asks the open main window to close (WM_CLOSE, sent); false when none is open.
bool CloseMainWindow();
// Runs the main window (the classic dialog when `classic` is set) as a modal
// dialog without an owner on this thread; answers the dialog's result.
int RunMainWindow(bool classic);

}  // namespace quellora
