// Runs the message box's dialog for a presenter and answers the pressed
// button (with the "again" bit when ticked). The Windows build shows the
// dialog (ui/win32/); the host build, which has no windows, asks the
// platform's message box (the simulated machine answers).
#pragma once

#include "platform/window_handle.h"
#include "ui/message_box_presenter.h"

namespace quellora {

int RunMessageBoxDialog(WindowHandle owner, MessageBoxPresenter& presenter);

}  // namespace quellora
