// Numbers of the language module's strings that the tray, the update check
// and the plan-change notices show (with those of platform/string_ids.h).
#pragma once

#include <cstdint>

namespace quellora::ids {
inline constexpr uint32_t kUpdateNotNewer = 469;         // manual check: the running version is the latest
inline constexpr uint32_t kVendor = 470;                 // the vendor name the version service is told
inline constexpr uint32_t kPlanSwitchFailed = 851;       // a plan chosen from the menu could not be made active
inline constexpr uint32_t kTrayParked = 1019;            // tooltip line: (parked count, logical processor count)
inline constexpr uint32_t kUpdateAvailableText = 1021;
inline constexpr uint32_t kUpdateAvailableTitle = 1022;
inline constexpr uint32_t kUpdateInstallFailed = 1035;
inline constexpr uint32_t kPlanChangedTitle = 1106;      // (process name)
inline constexpr uint32_t kNoPlanName = 1107;
inline constexpr uint32_t kPlanChangedText = 1108;       // (old plan, new plan)
inline constexpr uint32_t kTooManyPlanChanges = 1110;    // (product name)
inline constexpr uint32_t kPlanChangedUnnamed = 1212;
inline constexpr uint32_t kInstallerNotTrusted = 1233;   // (error description)
inline constexpr uint32_t kMakerPlanFailed = 1382;
inline constexpr uint32_t kUpdateAsk = 1404;             // (latest, running)
}  // namespace quellora::ids
