// What the tray window decides: the icon and its tooltip from the parked
// cores, the menu (power plans, Dynamic Boost, idle timeouts, options) and its
// commands, the balloons about plan switches by other programs (at most so
// many a calendar minute), about drifted settings and about updates, and the
// update-check timers. The window procedure hands every message to it and
// carries out what it asks through a TraySurface; time comes from the clock
// it is given, so tests drive it without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/drift.h"
#include "monitor/counter_sampler.h"
#include "monitor/plan_change.h"
#include "platform/clock.h"
#include "platform/thread_event.h"
#include "tray/update_check.h"

namespace quellora {

class PowerSchemeAccess;

// The tray window's messages.
namespace traymsg {
inline constexpr uint32_t kCallback = 1025;               // WMU_TRAY_CALLBACK: lParam is the mouse or balloon message
inline constexpr uint32_t kIconNormal = 1028;             // WMU_ICON_NORMAL
inline constexpr uint32_t kIconParked = 1029;             // WMU_ICON_PARKED: wParam processors, lParam parked
inline constexpr uint32_t kBalloonUpdate = 1030;          // WMU_BALLOON_UPDATE
inline constexpr uint32_t kBalloonUpdated = 1031;         // WMU_BALLOON_UPDATED
inline constexpr uint32_t kPlanChanged = 1074;            // WMU_PLAN_CHANGED: lParam a PlanChangeRecord or 0
inline constexpr uint32_t kPlanChangesThrottled = 1075;   // WMU_PLAN_CHANGES_THROTTLED
// What the callback's lParam holds.
inline constexpr intptr_t kLeftButtonUp = 514;            // WM_LBUTTONUP
inline constexpr intptr_t kRightButtonUp = 517;           // WM_RBUTTONUP
inline constexpr intptr_t kBalloonClick = 1029;           // NIN_BALLOONUSERCLICK
}  // namespace traymsg

// The menu's commands (menu 5051 of the language module).
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

namespace traytimer {
inline constexpr uint32_t kTick = 1936;
inline constexpr uint32_t kDrift = 20496;
inline constexpr uint32_t kUpdateCheck = 1941;
inline constexpr uint32_t kFirstUpdateCheck = 1943;
inline constexpr uint32_t kTickMs = 1000;
inline constexpr uint32_t kDriftMs = 30000;
inline constexpr uint32_t kFirstUpdateCheckMs = 60000;
// The longest period a window timer takes (USER_TIMER_MAXIMUM).
inline constexpr uint32_t kLongestMs = 0x7FFFFFFF;
}  // namespace traytimer

// Resources of the language module and the icon's identity.
inline constexpr uint32_t kTrayMenuResource = 5051;
inline constexpr uint32_t kTrayIconParkedResource = 5052;
inline constexpr uint32_t kTrayIconNormalResource = 5053;
inline constexpr uint32_t kTrayIconId = 38937;

// Text limits of the notification area (NOTIFYICONDATA's buffers, without their NUL).
inline constexpr size_t kTooltipMax = 127;
inline constexpr size_t kBalloonTitleMax = 63;
inline constexpr size_t kBalloonTextMax = 255;

// Registry values (HKCU\Software\Quellora).
namespace trayvalues {
inline constexpr std::u16string_view kPlanNotifications = u"ShowPowerPlanNotifications";       // on when missing
inline constexpr std::u16string_view kMaxNotifiesPerMinute = u"PowerChangeMaxNotifiesPerMinute";  // 10 when missing
inline constexpr std::u16string_view kEfficiencyClassSelection = u"AlwaysShowEfficiencyClassSelection";
inline constexpr std::u16string_view kMakerPlanListed = u"AlwaysShowOstrimaHighestPerformance";  // HKLM
}  // namespace trayvalues

enum class TrayIcon { Normal, Parked };

// `text` cut to `max` UTF-16 code units, never between the halves of a surrogate pair.
std::u16string CutText(std::u16string_view text, size_t max);

// "Quellora v6.0.2.18\n<1017>[\n<9470>]" and "...\n<1019 (parked, processors)>[\n<9470>]", within kTooltipMax.
std::u16string TrayTooltip(TrayIcon icon, uint32_t parked, uint32_t processors, bool boostOn);

// The idle timeout item checked for a timeout in milliseconds: each preset
// within its first second, else the custom item.
uint32_t TimeoutMenuItem(int32_t idleTimeoutMs);

// Counts plan-change reports per calendar minute (UTC).
class PlanChangeThrottle {
public:
    // Counts one report at `utc`; false when `maxPerMinute` is reached (the
    // report is throttled): at most maxPerMinute − 1 pass in one minute.
    bool Admit(const CalendarTime& utc, uint32_t maxPerMinute);

private:
    uint16_t day_ = 0, hour_ = 0, minute_ = 0;
    bool started_ = false;
    uint32_t count_ = 0;
};

// Whether the icon must be changed: what is shown, and the tick's decision.
struct IconState {
    bool added = false;   // the icon is in the notification area
    bool normal = true;   // the normal icon is shown (else the parked one)
    uint32_t parked = 0;  // the parked count the parked icon's tooltip shows
};
enum class IconChange { None, ShowNormal, ShowParked };
IconChange DecideIcon(const IconState& shown, uint32_t parked);

// The menu as built for one showing.
struct TrayMenuPlan {
    uint32_t command = 0;
    std::u16string text;
    bool checked = false;
};
struct TrayMenuCheck {
    uint32_t command = 0;
    bool checked = false;
};
struct TrayMenu {
    std::vector<TrayMenuPlan> plans;   // the plan submenu (position 2 of the first popup)
    std::vector<TrayMenuCheck> checks;  // every other item with a check mark
};

// What the tray window does for the logic, and what other parts of the
// program offer it.
class TraySurface {
public:
    virtual ~TraySurface() = default;

    // The notification-area icon (ID 38937): NIM_ADD followed by version 3
    // behaviour; NIM_MODIFY. False when the shell refused.
    virtual bool AddIcon(TrayIcon icon, std::u16string_view tooltip) = 0;
    virtual bool ModifyIcon(TrayIcon icon, std::u16string_view tooltip) = 0;
    virtual void ShowBalloon(std::u16string_view title, std::u16string_view text, uint32_t timeoutMs) = 0;
    // PostMessage to the tray window.
    virtual void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    virtual void PostQuit() = 0;
    virtual void SetTimer(uint32_t id, uint32_t periodMs) = 0;
    virtual void KillTimer(uint32_t id) = 0;
    // Shows the menu at the cursor; answers the chosen command, 0 for none.
    virtual uint32_t ShowMenu(const TrayMenu& menu) = 0;
    // A message box of the tray (in the foreground); answers the button.
    virtual int Message(std::u16string_view text, uint32_t style) = 0;
    // Runs `work` on a short-lived thread of its own.
    virtual void RunInBackground(std::function<void()> work) = 0;

    // The process's shutdown event is signalled.
    virtual bool ShutdownSignalled() = 0;
    // The main window: whether it is open, the parked count its own sampler
    // last published (false when it has none), opening it (the callback's
    // left click) and closing and opening it again.
    virtual bool MainWindowOpen() = 0;
    virtual bool MainWindowParkedCount(uint32_t& parked) = 0;
    virtual void OpenMainWindow() = 0;
    virtual void ReopenMainWindow() = 0;
    // The Dynamic Boost dialog, modal.
    virtual void RunBoostDialog() = 0;
    // Signals the settings-changed event (other instances and windows re-read).
    virtual void SignalSettingsChanged() = 0;
    // The start-at-logon task: whether it exists, and switching it.
    virtual bool LogonTaskExists() = 0;
    virtual void ToggleLogonTask() = 0;
};

class TrayLogic {
public:
    TrayLogic(TraySurface& surface, Clock& clock);
    ~TrayLogic();
    TrayLogic(const TrayLogic&) = delete;
    TrayLogic& operator=(const TrayLogic&) = delete;

    // WM_CREATE: the sampler, the timers (the update timers unless the
    // interval is 0).
    void OnCreate();
    void OnTimer(uint32_t id);
    // WMU_TRAY_CALLBACK.
    void OnCallback(intptr_t lParam);
    void OnCommand(uint32_t command);
    void OnIconNormal();
    void OnIconParked(uint32_t processors, uint32_t parked);
    void OnBalloonUpdate();
    // WMU_BALLOON_UPDATED: the program was updated to `version`.
    void OnBalloonUpdated(std::u16string_view version);
    // WMU_PLAN_CHANGED; `record` may be null. The record stays the sender's.
    void OnPlanChanged(const PlanChangeRecord* record);
    void OnPlanChangesThrottled();
    // The "TaskbarCreated" message: Explorer started again.
    void OnTaskbarCreated();
    // A balloon with the title "Quellora", shown for 10 seconds.
    void ShowBalloon(std::u16string_view text);

    // For the window and the tests.
    const IconState& icon() const { return icon_; }
    bool updatePending() const { return updatePending_; }
    bool openMainWindowOnClick() const { return openMainWindow_; }
    ThreadEvent& updateReady() { return *updateReady_; }
    // Builds the menu as OnCallback(517) shows it.
    TrayMenu BuildMenu();
    CounterSampler* sampler() { return sampler_.get(); }

private:
    void Tick();
    void DriftTick();
    void StartUpdateCheck();
    void ShowMenuAndRun();
    void SwitchToPlan(size_t index);
    void ToggleMakerPlan();
    void BalloonClick();
    void Balloon(std::u16string_view title, std::u16string_view text, uint32_t timeoutMs);
    void RefreshTooltip();
    uint32_t LogicalProcessors();

    TraySurface& surface_;
    Clock& clock_;
    std::unique_ptr<PowerSchemeAccess> power_;
    std::unique_ptr<CounterSampler> sampler_;
    IconState icon_;
    std::shared_ptr<ThreadEvent> updateReady_;
    VersionComparison versions_;
    bool updatePending_ = false;
    bool openMainWindow_ = false;
    PlanChangeThrottle throttle_;
    DriftNotifier driftNotifier_;
    std::vector<TrayMenuPlan> menuPlans_;  // the plan items of the menu last shown
    size_t menuPlanCount_ = 0;             // the plans the last menu listed, named or not
};

}  // namespace quellora
