// A window of the platform as portable code passes it around without looking
// inside (an HWND on Windows; null for none).
#pragma once

namespace quellora {

using WindowHandle = void*;

}  // namespace quellora
