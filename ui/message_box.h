// How every window of the program asks and reports: the program's own message
// box, with the caption "Quellora", the system's style bits and answers, and
// the dark look while the dark theme is in force.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window_handle.h"
#include "ui/message_box_presenter.h"

namespace quellora {

// Shows `text` with the caption "Quellora"; answers the pressed button's
// identifier (mb::kIdOk, mb::kIdYes, ...). `owner` may be null: the active
// window's last active pop-up then owns the box. With one of the "again" bits
// (xmb::kDoNotAskAgain, ...) the box offers a check box; when it was ticked
// the answer carries that bit (AnswerOf takes it off) and is remembered, and
// later calls with the same text answer it at once without a box. An error
// that is also system-modal (MB_ICONERROR | MB_SYSTEMMODAL) is the system's box.
int ShowMessage(WindowHandle owner, std::u16string_view text, uint32_t style);

// The same box with another caption, for the rare question asked on behalf
// of another of the maker's programs.
int ShowMessage(WindowHandle owner, std::u16string_view text, std::u16string_view caption, uint32_t style);

// The same box for a question whose "don't ask again" may keep only one
// answer: a ticked answer of another button is not remembered (and asks
// again next time). `remembered` is a button identifier (mb::kIdNo, ...).
int ShowMessageRememberingOnly(WindowHandle owner, std::u16string_view text, uint32_t style, int remembered);

// The button of an answer, without the "again" bits.
inline int AnswerOf(int answer) { return answer & 0xFFFF; }

// ShowMessage without an owner, answering the button only: what lower layers
// are handed to ask the user with (they cannot reach this box themselves).
int AskWithMessageBox(std::u16string_view text, uint32_t style);

// The box's process-wide parameters (company and module name of the
// remembered answers, options, timeouts), set up by the entry.
MessageBoxParameters& BoxParameters();

// The same box with every parameter given: the caption, and the options as
// they are (ShowMessage adds the dark option while the dark theme is in force).
// `remembered` (when not 0) is the one button whose ticked answer is kept.
int ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption, uint32_t style,
                   const MessageBoxParameters& parameters, int remembered = 0);

}  // namespace quellora
