// Questions and reports shown to the user outside the program's own windows.
#pragma once

#include <cstdint>
#include <string_view>

namespace quellora {

// MessageBoxW styles and answers.
namespace mb {
inline constexpr uint32_t kOk = 0x0;
inline constexpr uint32_t kYesNo = 0x4;
inline constexpr uint32_t kIconError = 0x10;
inline constexpr uint32_t kIconQuestion = 0x20;
inline constexpr uint32_t kIconExclamation = 0x30;
inline constexpr uint32_t kIconInformation = 0x40;
inline constexpr uint32_t kDefButton2 = 0x100;
inline constexpr uint32_t kSystemModal = 0x1000;
inline constexpr uint32_t kSetForeground = 0x10000;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

class Interaction {
public:
    virtual ~Interaction() = default;

    // A message box without an owner; answers the pressed button.
    virtual int MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t style) = 0;
    // Opens a file or web page with the program the shell has for it (ShellExecuteW "open").
    virtual bool OpenWithShell(std::u16string_view target) = 0;
};

}  // namespace quellora
