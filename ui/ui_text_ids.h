// Numbers of the language module's strings that the shared parts of the
// windows show.
#pragma once

#include <cstdint>

namespace quellora::ids {
// The message box's buttons and check boxes.
inline constexpr uint32_t kBoxOk = 9700;
inline constexpr uint32_t kBoxCancel = 9701;
inline constexpr uint32_t kBoxAbort = 9702;
inline constexpr uint32_t kBoxRetry = 9703;
inline constexpr uint32_t kBoxIgnore = 9704;
inline constexpr uint32_t kBoxYes = 9705;
inline constexpr uint32_t kBoxNo = 9706;
inline constexpr uint32_t kBoxTryAgain = 9707;
inline constexpr uint32_t kBoxContinue = 9708;
inline constexpr uint32_t kBoxHelp = 9709;
inline constexpr uint32_t kBoxDontAskAgain = 9710;
inline constexpr uint32_t kBoxDontTellAgain = 9711;
inline constexpr uint32_t kBoxDontShowAgain = 9712;
}  // namespace quellora::ids
