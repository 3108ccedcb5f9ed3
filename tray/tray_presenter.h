// The hidden tray window's decisions: the notification-area icon and its
// tooltip from the parked cores, the menu (power plans, Dynamic Boost, idle
// timeouts, options) and its commands, the balloons about plan switches by
// other programs (at most so many a calendar minute), about drifted settings
// and about updates, the timers, the quit of the message loop and the thread
// that watches for `/terminate`. The window procedure (tray/win32) only hands
// messages over and executes what the surface is asked to do; time comes
// from the clock the presenter is given.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/drift.h"
#include "monitor/counter_sampler.h"
#include "monitor/plan_change.h"
#include "platform/clock.h"
#include "platform/kernel_objects.h"
#include "platform/thread_event.h"
#include "tray/tray_messages.h"
#include "tray/update_check.h"

namespace quellora {

class PowerSchemeAccess;

// The shell's notification-icon behaviour after NIM_SETVERSION (3: the
// callback's lParam is the mouse or balloon message itself).
inline constexpr uint32_t kTrayIconVersion = 3;
// Texts in the shell's fields, NUL excluded.
inline constexpr size_t kTooltipMax = 127;
inline constexpr size_t kBalloonTitleMax = 63;
inline constexpr size_t kBalloonTextMax = 255;
inline constexpr uint32_t kUpdatedBalloonMs = 10000;
inline constexpr uint32_t kPlanChangeBalloonMs = 3000;

// Registry values (HKCU\Software\Quellora, the last HKLM).
namespace trayvalues {
inline constexpr std::u16string_view kPlanNotifications = u"ShowPowerPlanNotifications";       // on when missing
inline constexpr std::u16string_view kMaxNotifiesPerMinute = u"PowerChangeMaxNotifiesPerMinute";  // 10 when missing
inline constexpr std::u16string_view kEfficiencyClassSelection = u"AlwaysShowEfficiencyClassSelection";
inline constexpr std::u16string_view kMakerPlanListed = u"AlwaysShowOstrimaHighestPerformance";
}  // namespace trayvalues

enum class TrayIcon : uint8_t { Normal, Parked };

// NOTIFYICONDATA of the icon: ID kTrayIconId, NIF_MESSAGE | NIF_ICON | NIF_TIP,
// callback msg::kTrayCallback.
struct TrayIconData {
    TrayIcon icon = TrayIcon::Normal;
    std::u16string tip;
    bool operator==(const TrayIconData&) const = default;
};

// NIF_INFO without a balloon icon.
struct TrayBalloon {
    std::u16string title;
    std::u16string text;
    uint32_t timeoutMs = 0;
    bool operator==(const TrayBalloon&) const = default;
};

// The menu as built for one showing: the plan submenu (position 2 of the
// first popup) and the check mark of every other item that has one.
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
    std::vector<TrayMenuPlan> plans;
    std::vector<TrayMenuCheck> checks;
};

// What the window procedure does for the presenter.
class TraySurface {
public:
    virtual ~TraySurface() = default;
    // Shell_NotifyIconW NIM_ADD, NIM_MODIFY, NIM_SETVERSION; true on success.
    virtual bool AddIcon(const TrayIconData& icon) = 0;
    virtual bool ModifyIcon(const TrayIconData& icon) = 0;
    virtual bool SetIconVersion(uint32_t version) = 0;
    virtual bool ShowBalloon(const TrayBalloon& balloon) = 0;
    // RegisterWindowMessageW("TaskbarCreated"); 0 when it fails.
    virtual uint32_t RegisterTaskbarCreated() = 0;
    // PostMessageW to the tray window; safe from any thread.
    virtual void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // PostQuitMessage(0).
    virtual void PostQuit() = 0;
    // SetTimer / KillTimer on the tray window.
    virtual void SetTimer(uint32_t id, uint32_t periodMs) = 0;
    virtual void KillTimer(uint32_t id) = 0;
    // Menu 5051 of the language module.
    virtual void LoadTrayMenu() = 0;
    virtual void DestroyTrayMenu() = 0;
    // Fills the menu's plan submenu and check marks, brings the window to the
    // foreground and shows the first popup at the cursor; answers the chosen
    // command, 0 for none.
    virtual uint32_t ShowMenu(const TrayMenu& menu) = 0;
    // The program's message box, owned by the tray window; answers the button.
    virtual int Message(std::u16string_view text, uint32_t style) = 0;
    // Runs `work` on a short-lived thread of its own.
    virtual void RunInBackground(std::function<void()> work) = 0;
    // The main window: opening it (or bringing the open one forward), whether
    // it is open, the parked count its own sampler last published (false when
    // it has none), and asking it to close.
    virtual void OpenMainWindow() = 0;
    virtual bool MainWindowOpen() = 0;
    virtual bool MainWindowParkedCount(uint32_t& parked) = 0;
    virtual void CloseMainWindow() = 0;
    // The Dynamic Boost dialog, modal.
    virtual void RunBoostDialog() = 0;
};

// Fits a text into `max` UTF-16 code units without splitting a surrogate pair.
std::u16string FitText(std::u16string_view text, size_t max);

// The plan submenu of the tray's menu and of the classic dialog's: every
// listed plan that has a name, command `firstCommand` + its place in the
// list, the active one checked. `listed` is the number of plans listed,
// named or not (the commands accepted).
std::vector<TrayMenuPlan> PlanMenuItems(PowerSchemeAccess& power, uint32_t firstCommand, size_t& listed);
// A plan chosen from such a submenu, by its item's name: Dynamic Boost ends
// (the user chose by hand) and the plan is made active.
enum class PlanMenuSwitch : uint8_t { NotListed, Switched, Failed };
PlanMenuSwitch SwitchToMenuPlan(PowerSchemeAccess& power, const std::vector<TrayMenuPlan>& items, uint32_t command);

// "Quellora v<version>", LF, string 1017, and LF and string 9470 while
// Dynamic Boost is on; at most kTooltipMax characters.
std::u16string NormalTooltip();
// The same with string 1019 (parked, processors) in place of 1017.
std::u16string ParkedTooltip(uint32_t parked, uint32_t processors);

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

// What the icon shows, and the tick's decision.
struct IconState {
    bool added = false;   // the icon is in the notification area
    bool normal = true;   // the normal icon is shown (else the parked one)
    uint32_t parked = 0;  // the parked count the parked icon's tooltip shows
};
enum class IconChange { None, ShowNormal, ShowParked };
IconChange DecideIcon(const IconState& shown, uint32_t parked);

class TrayPresenter {
public:
    // `clock` (optional) gives the tick count and the time; the platform's by default.
    explicit TrayPresenter(TraySurface& surface, Clock* clock = nullptr);
    ~TrayPresenter();
    TrayPresenter(const TrayPresenter&) = delete;
    TrayPresenter& operator=(const TrayPresenter&) = delete;

    // Handles a message of the tray window; false for the messages the
    // default window procedure handles. `result` is the window procedure's answer.
    bool Handle(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t& result);

    // The handlers, as Handle calls them.
    void OnCreate();
    void OnDestroy();
    void OnTimer(uint32_t id);
    void OnTrayCallback(intptr_t event);
    void OnCommand(uint32_t command);
    void OnIconNormal();
    void OnIconParked(uint32_t processors, uint32_t parked);
    void OnBalloonUpdate();
    void OnBalloonUpdated();
    // WMU_PLAN_CHANGED; `record` may be null. The record stays the sender's.
    void OnPlanChanged(const PlanChangeRecord* record);
    void OnPlanChangesThrottled();
    void OnTaskbarCreated();

    // A balloon with the title "Quellora", shown for 10 seconds.
    void ShowBalloon(std::u16string_view text);
    // The main window closes and opens again (its options changed); opens it when none is open.
    void ReopenMainWindow();
    // Builds the menu as a right click shows it.
    TrayMenu BuildMenu();

    bool iconAdded() const { return icon_.added; }
    const IconState& icon() const { return icon_; }
    uint32_t taskbarCreatedMessage() const { return taskbarCreated_; }
    // The terminate watch thread is running.
    bool watching() const { return watch_.joinable(); }
    bool updatePending() const { return updatePending_; }
    bool openMainWindowOnClick() const { return openMainWindowOnClick_; }
    // Auto-reset; the update check signals it when it is done.
    ThreadEvent& updateReady() { return *updateReady_; }
    CounterSampler* sampler() { return sampler_.get(); }

private:
    void Tick();
    void DriftTick();
    void StartUpdateCheck();
    void ShowMenuAndRun();
    void SwitchToPlan(uint32_t command);
    void ToggleMakerPlan();
    void ToggleLogonTask();
    void SignalSettingsChanged();
    void BalloonClick();
    void Balloon(std::u16string_view title, std::u16string_view text, uint32_t timeoutMs);
    void RefreshTooltip();
    uint32_t LogicalProcessors();
    void OpenMainWindow();
    void StartTerminateWatch();
    void StopTerminateWatch();

    TraySurface& surface_;
    Clock* clock_;
    std::unique_ptr<PowerSchemeAccess> power_;
    std::unique_ptr<CounterSampler> sampler_;
    uint32_t taskbarCreated_ = 0;
    IconState icon_;
    std::shared_ptr<ThreadEvent> updateReady_;
    VersionComparison versions_;
    // A balloon click opens the main window / installs the update.
    bool openMainWindowOnClick_ = false;
    bool updatePending_ = false;
    PlanChangeThrottle throttle_;
    DriftNotifier driftNotifier_;
    std::vector<TrayMenuPlan> menuPlans_;  // the plan items of the menu last shown
    size_t menuPlanCount_ = 0;             // the plans that menu listed, named or not
    // Keeps two opens of the main window from overlapping.
    bool opening_ = false;
    std::mutex openMutex_;
    // Waits for the shutdown event (or the stop at destruction) and then
    // closes the window.
    std::thread watch_;
    KernelHandle watchStop_ = 0;
};

}  // namespace quellora
