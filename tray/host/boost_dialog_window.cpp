// The host has no windows: the dialog cannot be shown there.
#include "tray/boost_dialog.h"
#include "tray/boost_dialog_window.h"

namespace quellora {

int RunBoostDialogWindow(WindowHandle) { return boostdlg::kCancel; }

}  // namespace quellora
