// Until the paged main window is built, this small window stands in for it
// wherever the program opens its main window: at a start without "/systray",
// on a click of the tray icon, when a second start hands over, and as the
// whole application with "/nosystray". It shows the program's name and
// version and closes with its button.
#pragma once

namespace quellora::win32 {

// Runs the stand-in as a modal dialog without an owner on this thread; answers 0.
int RunMainWindowStandIn();

// Opens the stand-in on a thread of its own, at most one at a time (the
// main-window mutex, taken without waiting); an open one is brought forward.
void OpenMainWindowStandIn();
// Whether it is open; asks an open one to close.
bool MainWindowStandInOpen();
void CloseMainWindowStandIn();

}  // namespace quellora::win32
