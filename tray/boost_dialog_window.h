// The Dynamic Boost dialog as a window: resource 5073 of the language module,
// run modally (the tray menu passes no owner).
#pragma once

#include "platform/window_handle.h"

namespace quellora {

// Runs the dialog until it ends; answers boostdlg::kOk when it saved,
// boostdlg::kCancel otherwise (also when it could not be shown).
int RunBoostDialogWindow(WindowHandle owner);

}  // namespace quellora
