// Windows error codes that the portable code and the simulated machine use.
#pragma once

#include <cstdint>

namespace quellora::err {
inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kFileNotFound = 2;
inline constexpr uint32_t kPathNotFound = 3;
inline constexpr uint32_t kAccessDenied = 5;
inline constexpr uint32_t kInvalidHandle = 6;
inline constexpr uint32_t kNotEnoughMemory = 8;
inline constexpr uint32_t kInvalidData = 13;
inline constexpr uint32_t kWriteFault = 29;
inline constexpr uint32_t kFileExists = 80;
inline constexpr uint32_t kInvalidParameter = 87;
inline constexpr uint32_t kCallNotImplemented = 120;
inline constexpr uint32_t kInsufficientBuffer = 122;
inline constexpr uint32_t kProcNotFound = 127;
inline constexpr uint32_t kAlreadyExists = 183;
inline constexpr uint32_t kMoreData = 234;
inline constexpr uint32_t kWaitTimeout = 258;
inline constexpr uint32_t kNoMoreItems = 259;
inline constexpr uint32_t kKeyDeleted = 1018;
inline constexpr uint32_t kNotFound = 1168;
}  // namespace quellora::err
