// How every window of the program asks and reports: the program's own message
// box, with the caption "Quellora", the system's style bits and answers, and
// the dark look while the dark theme is in force.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window_handle.h"

namespace quellora {

// Shows `text` with the caption "Quellora"; answers the pressed button's
// identifier (mb::kIdOk, mb::kIdYes, ...). `owner` may be null.
int ShowMessage(WindowHandle owner, std::u16string_view text, uint32_t style);

}  // namespace quellora
