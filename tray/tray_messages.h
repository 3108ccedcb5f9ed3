// The identity of a running interactive instance (its hidden tray window's
// class and name) and the messages the tray window takes. The numbers are
// shared with other instances of the program and with the program's threads.
#pragma once

#include <cstdint>
#include <string_view>

namespace quellora {

inline constexpr std::u16string_view kTrayWindowClass = u"WndClass-{df0cc042-6f6f-4712-bf25-2b984f3e8777}";
inline constexpr std::u16string_view kTrayWindowName = u"WndName-{7298c6b8-835f-4234-8054-49925ccd4038}";

// The notification-area icon of an instance.
inline constexpr uint32_t kTrayIconId = 38937;

namespace msg {
inline constexpr uint32_t kNull = 0x0000;              // WM_NULL
inline constexpr uint32_t kCreate = 0x0001;            // WM_CREATE
inline constexpr uint32_t kDestroy = 0x0002;           // WM_DESTROY
inline constexpr uint32_t kClose = 0x0010;             // WM_CLOSE
inline constexpr uint32_t kQueryEndSession = 0x0011;   // WM_QUERYENDSESSION
inline constexpr uint32_t kEndSession = 0x0016;        // WM_ENDSESSION
inline constexpr uint32_t kCommand = 0x0111;           // WM_COMMAND: wParam's low word is the command
inline constexpr uint32_t kTimer = 0x0113;             // WM_TIMER: wParam is the timer
inline constexpr uint32_t kLeftButtonUp = 0x0202;      // WM_LBUTTONUP (514)
inline constexpr uint32_t kRightButtonUp = 0x0205;     // WM_RBUTTONUP (517)
inline constexpr uint32_t kBalloonUserClick = 0x0405;  // NIN_BALLOONUSERCLICK (1029)

inline constexpr uint32_t kTrayCallback = 0x0400 + 1;        // WMU_TRAY_CALLBACK: the icon's callback
inline constexpr uint32_t kIconNormal = 0x0400 + 4;          // WMU_ICON_NORMAL
inline constexpr uint32_t kIconParked = 0x0400 + 5;          // WMU_ICON_PARKED
inline constexpr uint32_t kBalloonUpdate = 0x0400 + 6;       // WMU_BALLOON_UPDATE
inline constexpr uint32_t kBalloonUpdated = 0x0400 + 7;      // WMU_BALLOON_UPDATED
inline constexpr uint32_t kPlanChanged = 0x0400 + 50;        // WMU_PLAN_CHANGED
inline constexpr uint32_t kPlanChangesThrottled = 0x0400 + 51;  // WMU_PLAN_CHANGES_THROTTLED
}  // namespace msg

// Timers of the tray window.
namespace tray_timer {
inline constexpr uint32_t kTick = 1936;
inline constexpr uint32_t kDrift = 20496;
inline constexpr uint32_t kUpdateCheck = 1941;
inline constexpr uint32_t kFirstUpdateCheck = 1943;
inline constexpr uint32_t kReopenMain = 1944;
inline constexpr uint32_t kTickMs = 1000;
inline constexpr uint32_t kDriftMs = 30000;
inline constexpr uint32_t kFirstUpdateCheckMs = 60000;
inline constexpr uint32_t kReopenMainMs = 1000;
// The longest period a window timer takes (USER_TIMER_MAXIMUM).
inline constexpr uint32_t kLongestMs = 0x7FFFFFFF;
}  // namespace tray_timer

// The commands of the tray menu (menu 5051 of the language module).
namespace traycmd {
inline constexpr uint32_t kExit = 105;
inline constexpr uint32_t kOpen = 34668;
inline constexpr uint32_t kStartAtLogon = 34679;
inline constexpr uint32_t kDynamicBoost = 34735;
inline constexpr uint32_t kIdle10s = 34747;
inline constexpr uint32_t kIdle30s = 34748;
inline constexpr uint32_t kIdle60s = 34749;
inline constexpr uint32_t kIdle5min = 34750;
inline constexpr uint32_t kIdle15min = 34751;
inline constexpr uint32_t kIdle30min = 34752;
inline constexpr uint32_t kIdleCustom = 34754;
inline constexpr uint32_t kBoostSettings = 34755;
inline constexpr uint32_t kPlanNotifications = 34765;
inline constexpr uint32_t kEfficiencyClassSelection = 34937;
inline constexpr uint32_t kMakerPlan = 34967;
inline constexpr uint32_t kPlanBase = 37000;  // + the plan's place in the list
}  // namespace traycmd

}  // namespace quellora
