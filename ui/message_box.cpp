#include "ui/message_box.h"

#include "platform/platform.h"
#include "platform/startup_state.h"

namespace quellora {

int ShowMessage(WindowHandle, std::u16string_view text, uint32_t style) {
    if (!Sys().interaction) return (style & mb::kYesNo) ? mb::kIdNo : mb::kIdOk;
    return Sys().interaction->MessageBox(text, State().productName, style);
}

}  // namespace quellora
