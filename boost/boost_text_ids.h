// Numbers of the language module's strings that Dynamic Boost shows.
#pragma once

#include <cstdint>

namespace quellora::ids {
inline constexpr uint32_t kUnnamedPlan = 419;
inline constexpr uint32_t kBoostRestwellActive = 695;
inline constexpr uint32_t kBoostIdleTimeInvalid = 1336;
// The status line.
inline constexpr uint32_t kBoostOff = 9472;           // (in-use plan, idle plan)
inline constexpr uint32_t kBoostInUse = 9473;         // (in-use plan, duration, idle plan)
inline constexpr uint32_t kBoostIdle = 9474;          // (idle plan, in-use plan)
inline constexpr uint32_t kBoostDisplayOff = 9475;    // (idle plan, in-use plan)
inline constexpr uint32_t kBoostLidClosed = 9476;     // (idle plan, in-use plan)
inline constexpr uint32_t kBoostLocked = 9477;        // (idle plan, in-use plan)
inline constexpr uint32_t kBoostPausedBattery = 9478;
inline constexpr uint32_t kBoostPausedSaver = 9479;
inline constexpr uint32_t kBoostStarting = 9480;      // (in-use plan, idle plan, duration)
// Durations.
inline constexpr uint32_t kSeconds = 9481;  // (%u)
inline constexpr uint32_t kOneSecond = 9482;
inline constexpr uint32_t kMinutes = 9483;  // (%u)
inline constexpr uint32_t kOneMinute = 9484;
inline constexpr uint32_t kHours = 9508;  // (%u)
inline constexpr uint32_t kOneHour = 9509;
// Log entries: 9497 for reason 1, 9497 + reason - 1 for reasons 2 to 8 (plan name).
inline constexpr uint32_t kBoostSwitchedInUse = 9497;
}  // namespace quellora::ids
