#include "ui/message_box_dialog.h"

#include "platform/platform.h"

namespace quellora {

int RunMessageBoxDialog(WindowHandle, MessageBoxPresenter& presenter) {
    if (!Sys().interaction) return presenter.DefaultButton();
    // The platform's box knows the system's style bits only.
    const uint32_t systemStyle = presenter.Style() & ~(xmb::kAgainBits | xmb::kNoSound);
    return Sys().interaction->MessageBox(presenter.Text(), presenter.Caption(), systemStyle);
}

}  // namespace quellora
