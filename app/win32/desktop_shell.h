// The interactive program's windows on Windows: the tray window, the message
// loop of the main thread, and the main window on the main thread in no-tray mode.
#pragma once

#include "app/interactive_shell.h"

namespace quellora::win32 {

// The process's shell; it lives as long as the process.
InteractiveShell& DesktopShell();

}  // namespace quellora::win32
