// Numbers of the language modules' strings that the code uses. The numbers are
// the contract between the program and every language module.
#pragma once

#include <cstdint>

namespace quellora::ids {
// Console command frame.
inline constexpr uint32_t kOperationFailed = 9383;
inline constexpr uint32_t kUsageError = 9609;
inline constexpr uint32_t kHelpHeader = 9615;
inline constexpr uint32_t kHelpStatus = 9616;
inline constexpr uint32_t kHelpPlans = 9617;
inline constexpr uint32_t kHelpProfiles = 9618;
inline constexpr uint32_t kHelpSaveProfile = 9619;
inline constexpr uint32_t kHelpApplyProfile = 9620;
inline constexpr uint32_t kHelpExportProfile = 9621;
inline constexpr uint32_t kHelpImportProfile = 9622;
inline constexpr uint32_t kHelpFooter = 9623;
inline constexpr uint32_t kPowerApiMissing = 9624;
// Console profile commands.
inline constexpr uint32_t kProfileApplied = 9379;
inline constexpr uint32_t kProfileApplyFailed = 9380;
inline constexpr uint32_t kProfileSaved = 9381;
inline constexpr uint32_t kProfileImported = 9382;
inline constexpr uint32_t kProfileNameInvalid = 9384;
inline constexpr uint32_t kNoSuchPlan = 9610;
inline constexpr uint32_t kNoSuchProfile = 9611;
inline constexpr uint32_t kProfileExists = 9612;
inline constexpr uint32_t kProfileExported = 9613;
inline constexpr uint32_t kPlanUnreadable = 9614;
// Interactive start.
inline constexpr uint32_t kWindowsTooOld = 726;
inline constexpr uint32_t kSwitcherMoved = 9092;
inline constexpr uint32_t kThreadmarkOutdated = 9093;
// Tray icon and balloons.
inline constexpr uint32_t kTrayNoCoresParked = 1017;
inline constexpr uint32_t kTrayBoostOn = 9470;
inline constexpr uint32_t kUpdatedTitle = 1037;
inline constexpr uint32_t kUpdatedText = 1038;
}  // namespace quellora::ids
