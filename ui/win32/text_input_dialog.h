// The windows the profiles page asks through: the text input dialog of the
// language module and the open and save dialogs for profile files.
#pragma once

#include "platform/win32/wide.h"
//
#include <string>
#include <string_view>

namespace quellora::win32 {

namespace text_input {
inline constexpr int kDialog = 0x141e;
inline constexpr int kPrompt = 1001;
inline constexpr int kField = 1002;
inline constexpr int kMaxCharacters = 1023;
}  // namespace text_input

// The text input dialog, modal, owned by `owner`: the caption "Quellora", the
// prompt, and a field holding `text` (at most 1023 characters), all of it
// selected. True with the field's text in `text` when OK was pressed.
bool AskText(HWND owner, std::u16string_view prompt, std::u16string& text);

// The open or save dialog (explorer style) for files of one pattern: the
// filter's text and pattern, the default extension, the proposed file name
// (save). Opening needs an existing file and path; saving an existing path
// and confirms replacing a file. The dialog runs on a single-threaded
// apartment: the calling thread's when it is one, else a thread of its own
// while the caller keeps its windows answering. True with the chosen path.
bool ChooseFile(HWND owner, bool save, std::u16string_view filterText, std::u16string_view pattern,
                std::u16string_view extension, std::u16string_view proposedName, std::u16string& path);

}  // namespace quellora::win32
