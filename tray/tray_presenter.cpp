#include "tray/tray_presenter.h"

#include <system_error>

#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "model/maker_plan.h"
#include "platform/instance_events.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "platform/string_ids.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "tray/logon_task.h"
#include "tray/tray_text_ids.h"

namespace quellora {

namespace {

constexpr uint32_t kBalloonMs = 10000;
constexpr uint32_t kDefaultMaxNotifiesPerMinute = 10;
constexpr std::u16string_view kUnknownProcess = u"Unknown";

struct TimeoutItem {
    uint32_t command;
    int32_t ms;
};
constexpr TimeoutItem kTimeoutItems[] = {
    {traycmd::kIdle10s, 10000},    {traycmd::kIdle30s, 30000},    {traycmd::kIdle60s, 60000},
    {traycmd::kIdle5min, 300000},  {traycmd::kIdle15min, 900000}, {traycmd::kIdle30min, 1800000},
};

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

std::u16string VersionLine() { return u"Quellora v" + std::u16string(kProgramVersion); }

std::u16string WithBoostLine(std::u16string tip) {
    if (IsBoostEnabled()) tip += u"\n" + LoadText(ids::kTrayBoostOn);
    return FitText(tip, kTooltipMax);
}

bool UserFlag(std::u16string_view name, bool fallback) {
    return ReadDwordOr(Hive::CurrentUser, kAppKey, name, fallback ? 1 : 0) != 0;
}

bool MakerPlanListed() { return ReadDwordOr(Hive::LocalMachine, kAppKey, trayvalues::kMakerPlanListed, 0) != 0; }

// The latest version text the update check left is one the tray compares.
bool PlausibleVersionText(std::u16string_view text) {
    return !text.empty() && text.find(u'.') != std::u16string_view::npos && text.size() < 10;
}

}  // namespace

std::vector<TrayMenuPlan> PlanMenuItems(PowerSchemeAccess& power, uint32_t firstCommand, size_t& listed) {
    std::vector<TrayMenuPlan> items;
    const std::vector<Guid> plans = power.EnumeratePlans(MakerPlanListed());
    const Guid active = power.QueryActivePlanOrNull();
    listed = plans.size();
    for (size_t i = 0; i < plans.size(); ++i) {
        std::u16string name;
        if (!power.PlanDisplayName(plans[i], name) || name.empty()) continue;
        items.push_back({firstCommand + static_cast<uint32_t>(i), name, plans[i] == active});
    }
    return items;
}

PlanMenuSwitch SwitchToMenuPlan(PowerSchemeAccess& power, const std::vector<TrayMenuPlan>& items, uint32_t command) {
    std::u16string text;
    for (const TrayMenuPlan& item : items) {
        if (item.command == command) text = item.text;
    }
    Guid plan;
    if (text.empty() || !power.FindPlanByName(text, plan)) return PlanMenuSwitch::NotListed;
    // A plan chosen by hand ends Dynamic Boost.
    if (IsBoostEnabled()) SetBoostEnabled(false);
    return power.ActivatePlan(plan) ? PlanMenuSwitch::Switched : PlanMenuSwitch::Failed;
}

std::u16string FitText(std::u16string_view text, size_t max) {
    if (text.size() <= max) return std::u16string(text);
    size_t length = max;
    if (length > 0 && IsHighSurrogate(text[length - 1])) --length;  // its low half would be cut off
    return std::u16string(text.substr(0, length));
}

std::u16string NormalTooltip() { return WithBoostLine(VersionLine() + u"\n" + LoadText(ids::kTrayNoCoresParked)); }

std::u16string ParkedTooltip(uint32_t parked, uint32_t processors) {
    return WithBoostLine(VersionLine() + u"\n" + Format(LoadText(ids::kTrayParked), parked, processors));
}

uint32_t TimeoutMenuItem(int32_t ms) {
    for (const TimeoutItem& item : kTimeoutItems) {
        if (ms >= item.ms && ms < item.ms + 1000) return item.command;
    }
    return traycmd::kIdleCustom;
}

bool PlanChangeThrottle::Admit(const CalendarTime& utc, uint32_t maxPerMinute) {
    if (!started_ || utc.day != day_ || utc.hour != hour_ || utc.minute != minute_) {
        started_ = true;
        day_ = utc.day;
        hour_ = utc.hour;
        minute_ = utc.minute;
        count_ = 0;
    }
    ++count_;
    return count_ < maxPerMinute;
}

IconChange DecideIcon(const IconState& shown, uint32_t parked) {
    if (parked > 0) {
        if (!shown.normal && shown.parked == parked && shown.added) return IconChange::None;
        return IconChange::ShowParked;
    }
    if (shown.normal && shown.added) return IconChange::None;
    return IconChange::ShowNormal;
}

TrayPresenter::TrayPresenter(TraySurface& surface, Clock* clock)
    : surface_(surface),
      clock_(clock ? clock : Sys().clock),
      power_(std::make_unique<PowerSchemeAccess>()),
      updateReady_(std::make_shared<ThreadEvent>(ThreadEvent::Reset::Auto)) {}

TrayPresenter::~TrayPresenter() { StopTerminateWatch(); }

bool TrayPresenter::Handle(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t& result) {
    result = 0;
    switch (message) {
        case msg::kCreate:
            OnCreate();
            return true;
        case msg::kDestroy:
            OnDestroy();
            return true;
        case msg::kClose:
        case msg::kEndSession:
            surface_.PostQuit();
            return true;
        case msg::kQueryEndSession:
            result = 1;  // the session may end
            return true;
        case msg::kCommand:
            OnCommand(static_cast<uint32_t>(wParam & 0xFFFF));
            return true;
        case msg::kTimer:
            OnTimer(static_cast<uint32_t>(wParam));
            return true;
        case msg::kTrayCallback:
            OnTrayCallback(lParam);
            return true;
        case msg::kIconNormal:
            OnIconNormal();
            return true;
        case msg::kIconParked:
            OnIconParked(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
            return true;
        case msg::kBalloonUpdate:
            OnBalloonUpdate();
            return true;
        case msg::kBalloonUpdated:
            OnBalloonUpdated();
            return true;
        case msg::kPlanChanged:
            OnPlanChanged(reinterpret_cast<const PlanChangeRecord*>(lParam));
            return true;
        case msg::kPlanChangesThrottled:
            OnPlanChangesThrottled();
            return true;
        default:
            break;
    }
    if (taskbarCreated_ != 0 && message == taskbarCreated_) {
        OnTaskbarCreated();
        return true;
    }
    return false;
}

void TrayPresenter::OnCreate() {
    surface_.LoadTrayMenu();
    // Parking status only: the tray samples it itself each second.
    sampler_.reset();
    sampler_ = std::make_unique<CounterSampler>(CounterSampler::kParkingStatus);
    taskbarCreated_ = surface_.RegisterTaskbarCreated();
    surface_.SetTimer(tray_timer::kTick, tray_timer::kTickMs);
    surface_.SetTimer(tray_timer::kDrift, tray_timer::kDriftMs);
    const uint32_t interval = ReadDwordOr(Hive::LocalMachine, kAppKey, updatevalues::kInterval,
                                          kDefaultUpdateIntervalSeconds);
    if (interval != 0) {
        // Intervals beyond what a window timer takes (about 24.8 days) run at its longest.
        const uint64_t ms = static_cast<uint64_t>(interval) * 1000;
        surface_.SetTimer(tray_timer::kUpdateCheck, static_cast<uint32_t>(std::min<uint64_t>(ms, tray_timer::kLongestMs)));
        surface_.SetTimer(tray_timer::kFirstUpdateCheck, tray_timer::kFirstUpdateCheckMs);
    }
    StartTerminateWatch();
    if (State().showMainWindowAtStart) surface_.Post(msg::kTrayCallback, 0, msg::kLeftButtonUp);
}

void TrayPresenter::OnDestroy() {
    StopTerminateWatch();
    surface_.DestroyTrayMenu();
    surface_.PostQuit();
}

void TrayPresenter::OnTimer(uint32_t id) {
    switch (id) {
        case tray_timer::kTick:
            Tick();
            break;
        case tray_timer::kDrift:
            DriftTick();
            break;
        case tray_timer::kFirstUpdateCheck:
            surface_.KillTimer(tray_timer::kFirstUpdateCheck);
            StartUpdateCheck();
            break;
        case tray_timer::kUpdateCheck:
            StartUpdateCheck();
            break;
        case tray_timer::kReopenMain: {
            // The main window is gone once its mutex can be taken.
            KernelObjects* kernel = Sys().kernel;
            const KernelHandle mutex = State().mainWindowMutex;
            if (kernel && mutex) {
                if (!kernel->TryLock(mutex)) break;
                kernel->Unlock(mutex);
            }
            surface_.KillTimer(tray_timer::kReopenMain);
            surface_.Post(msg::kTrayCallback, 0, msg::kLeftButtonUp);
            break;
        }
        default:
            break;
    }
}

uint32_t TrayPresenter::LogicalProcessors() {
    const uint32_t counted = sampler_ ? sampler_->LogicalCount() : 0;
    return counted ? counted : MainTopology().logicalCount();
}

void TrayPresenter::Tick() {
    // 1. A finished update check: a newer version gets its balloon.
    if (updateReady_->TryWait()) {
        const std::u16string latest = LatestVersionText();
        if (PlausibleVersionText(latest) && versions_.IsNewer(latest, kProgramVersion)) {
            surface_.Post(msg::kBalloonUpdate, 0, 0);
        }
    }
    // 2. `/terminate` asked this instance to end.
    if (ShutdownSignalled()) {
        surface_.PostQuit();
        return;
    }
    // 3. The parked processors: the main window's own count while it has one, else the tray's.
    uint32_t parked = 0;
    if (!surface_.MainWindowParkedCount(parked)) {
        parked = 0;
        if (sampler_) {
            sampler_->SampleNow();
            parked = sampler_->ParkedCount();
        }
    }
    // 4. The icon follows.
    switch (DecideIcon(icon_, parked)) {
        case IconChange::ShowParked:
            OnIconParked(LogicalProcessors(), parked);
            break;
        case IconChange::ShowNormal:
            OnIconNormal();
            break;
        case IconChange::None:
            break;
    }
}

void TrayPresenter::OnIconNormal() {
    const TrayIconData icon{TrayIcon::Normal, NormalTooltip()};
    if (!icon_.added && surface_.AddIcon(icon)) {
        icon_.added = true;
        surface_.SetIconVersion(kTrayIconVersion);
        if (taskbarCreated_ == 0) taskbarCreated_ = surface_.RegisterTaskbarCreated();
    }
    // A failed add leaves the icon to the next icon message.
    surface_.ModifyIcon(icon);
    icon_.normal = true;
    icon_.parked = 0;
}

void TrayPresenter::OnIconParked(uint32_t processors, uint32_t parked) {
    if (!icon_.added) OnIconNormal();
    surface_.ModifyIcon(TrayIconData{TrayIcon::Parked, ParkedTooltip(parked, processors)});
    icon_.normal = false;
    icon_.parked = parked;
}

void TrayPresenter::RefreshTooltip() {
    if (!icon_.added) return;
    if (icon_.normal) OnIconNormal();
    else OnIconParked(LogicalProcessors(), icon_.parked);
}

void TrayPresenter::OnTaskbarCreated() {
    // Explorer started again: the icon is gone with the old taskbar, and
    // comes back as the normal one (the next tick shows parked cores again).
    icon_.added = false;
    icon_.normal = true;
    icon_.parked = 0;
    surface_.Post(msg::kIconNormal, 0, 0);
}

void TrayPresenter::Balloon(std::u16string_view title, std::u16string_view text, uint32_t timeoutMs) {
    surface_.ShowBalloon(TrayBalloon{FitText(title, kBalloonTitleMax), FitText(text, kBalloonTextMax), timeoutMs});
}

void TrayPresenter::ShowBalloon(std::u16string_view text) { Balloon(State().productName, text, kBalloonMs); }

void TrayPresenter::OnBalloonUpdate() {
    Balloon(LoadText(ids::kUpdateAvailableTitle), LoadText(ids::kUpdateAvailableText), kBalloonMs);
    updatePending_ = true;
}

void TrayPresenter::OnBalloonUpdated() {
    Balloon(LoadText(ids::kUpdatedTitle), Format(LoadText(ids::kUpdatedText), kProgramVersion), kUpdatedBalloonMs);
}

void TrayPresenter::OnPlanChangesThrottled() {
    Balloon(State().productName, Format(LoadText(ids::kTooManyPlanChanges), State().productName), kBalloonMs);
    updatePending_ = false;
}

void TrayPresenter::OnPlanChanged(const PlanChangeRecord* record) {
    if (record == nullptr || !UserFlag(trayvalues::kPlanNotifications, true)) return;
    const uint32_t max = ReadDwordOr(Hive::CurrentUser, kAppKey, trayvalues::kMaxNotifiesPerMinute,
                                     kDefaultMaxNotifiesPerMinute);
    if (!throttle_.Admit(clock_->UtcNow(), max)) {
        surface_.Post(msg::kPlanChangesThrottled, 0, 0);
        return;
    }
    if (record->oldPlan == record->newPlan) return;
    bool complete = true;
    auto name = [&](const Guid& plan) {
        std::u16string text;
        if (power_->ReadPlanName(plan, text) && !text.empty()) return text;
        complete = false;
        return LoadText(ids::kNoPlanName);
    };
    const std::u16string newName = name(record->newPlan);
    const std::u16string oldName = name(record->oldPlan);
    const std::u16string process = record->processName.empty() ? std::u16string(kUnknownProcess) : record->processName;
    Balloon(Format(LoadText(ids::kPlanChangedTitle), process),
            complete ? Format(LoadText(ids::kPlanChangedText), oldName, newName) : LoadText(ids::kPlanChangedUnnamed),
            kPlanChangeBalloonMs);
    updatePending_ = false;
    openMainWindowOnClick_ = true;
}

void TrayPresenter::OnTrayCallback(intptr_t event) {
    switch (event) {
        case msg::kLeftButtonUp:
            OpenMainWindow();
            break;
        case msg::kRightButtonUp:
            ShowMenuAndRun();
            break;
        case msg::kBalloonUserClick:
            BalloonClick();
            break;
        default:
            break;
    }
}

void TrayPresenter::BalloonClick() {
    if (updatePending_) {
        if (InstallUpdate()) {
            surface_.PostQuit();
        } else {
            surface_.Message(LoadText(ids::kUpdateInstallFailed), mb::kOk | mb::kIconError);
        }
        updatePending_ = false;
        return;
    }
    if (openMainWindowOnClick_) surface_.Post(msg::kTrayCallback, 0, msg::kLeftButtonUp);
}

void TrayPresenter::OpenMainWindow() {
    if (opening_) return;  // a message pumped while opening asked again
    std::unique_lock lock(openMutex_, std::try_to_lock);
    if (!lock.owns_lock()) return;
    opening_ = true;
    surface_.OpenMainWindow();
    opening_ = false;
}

void TrayPresenter::ReopenMainWindow() {
    if (!surface_.MainWindowOpen()) {
        surface_.Post(msg::kTrayCallback, 0, msg::kLeftButtonUp);
        return;
    }
    surface_.CloseMainWindow();
    surface_.SetTimer(tray_timer::kReopenMain, tray_timer::kReopenMainMs);
}

TrayMenu TrayPresenter::BuildMenu() {
    TrayMenu menu;
    const bool makerListed = MakerPlanListed();
    menu.plans = PlanMenuItems(*power_, traycmd::kPlanBase, menuPlanCount_);
    menuPlans_ = menu.plans;
    menu.checks = {
        {traycmd::kEfficiencyClassSelection, UserFlag(trayvalues::kEfficiencyClassSelection, false)},
        {traycmd::kMakerPlan, makerListed},
        {traycmd::kStartAtLogon, LogonTaskExists(kLogonTaskName) >= 1},
        {traycmd::kDynamicBoost, IsBoostEnabled()},
        {traycmd::kPlanNotifications, UserFlag(trayvalues::kPlanNotifications, true)},
    };
    const uint32_t timeoutItem = TimeoutMenuItem(GetIdleTimeoutMs());
    for (const TimeoutItem& item : kTimeoutItems) menu.checks.push_back({item.command, item.command == timeoutItem});
    menu.checks.push_back({traycmd::kIdleCustom, timeoutItem == traycmd::kIdleCustom});
    return menu;
}

void TrayPresenter::ShowMenuAndRun() {
    const uint32_t command = surface_.ShowMenu(BuildMenu());
    if (command != 0) OnCommand(command);
}

void TrayPresenter::SwitchToPlan(uint32_t command) {
    const bool boostWasOn = IsBoostEnabled();
    const PlanMenuSwitch result = SwitchToMenuPlan(*power_, menuPlans_, command);
    if (result == PlanMenuSwitch::NotListed) return;
    if (boostWasOn && !IsBoostEnabled()) RefreshTooltip();
    if (result == PlanMenuSwitch::Failed) {
        surface_.Message(LoadText(ids::kPlanSwitchFailed), mb::kOk | mb::kIconError | mb::kSetForeground);
    }
}

void TrayPresenter::ToggleMakerPlan() {
    if (MakerPlanListed()) {
        WriteDword(Hive::LocalMachine, kAppKey, trayvalues::kMakerPlanListed, 0);
        // The maker's plan is no longer listed: the legacy high-performance
        // overlay stands in for it where Windows has overlays.
        if (power_->IsOverlay(guids::kOverlay2)) power_->ActivatePlan(guids::kOverlay2);
        ReopenMainWindow();
        return;
    }
    // Create the plan or write its settings again. Where Windows uses power
    // modes instead of plans, the plan is made directly: Windows does not
    // list it, which is what this option is for.
    Guid plan;
    if (power_->OverlaysInUse(true) || power_->OnlyBalancedPlan()) {
        if (CreateMakerPlan(*power_, plan)) WriteMakerPlanSettings(*power_, plan);
    } else if (!RefreshMakerPlan(*power_) || !FindMakerPlan(*power_, plan)) {
        plan = Guid{};
    }
    if (plan.IsNull()) {
        surface_.Message(LoadText(ids::kMakerPlanFailed), mb::kOk | mb::kIconError);
        return;
    }
    WriteDword(Hive::LocalMachine, kAppKey, trayvalues::kMakerPlanListed, 1);
    power_->ActivatePlan(plan);
    ReopenMainWindow();
}

void TrayPresenter::ToggleLogonTask() {
    if (LogonTaskExists(kLogonTaskName) < 1) {
        DeleteLogonTask(kLogonTaskName);  // a half-registered leftover
        CreateLogonTask(kLogonTaskName, State().executablePath, kLogonTaskArguments, true);
    } else {
        DeleteLogonTask(kLogonTaskName);
    }
}

void TrayPresenter::SignalSettingsChanged() {
    if (Sys().kernel && State().settingsChangedEvent) Sys().kernel->Signal(State().settingsChangedEvent);
}

void TrayPresenter::OnCommand(uint32_t command) {
    switch (command) {
        case traycmd::kExit:
            surface_.PostQuit();
            return;
        case traycmd::kOpen:
            surface_.Post(msg::kTrayCallback, 0, msg::kLeftButtonUp);
            return;
        case traycmd::kStartAtLogon:
            ToggleLogonTask();
            return;
        case traycmd::kDynamicBoost:
            if (IsBoostEnabled()) SetBoostEnabled(false);
            else surface_.RunBoostDialog();
            if (IsBoostEnabled() && !IsBoostRunning()) StartBoost();
            SignalSettingsChanged();
            RefreshTooltip();
            return;
        case traycmd::kIdleCustom:
        case traycmd::kBoostSettings:
            surface_.RunBoostDialog();
            SignalSettingsChanged();
            RefreshTooltip();
            return;
        case traycmd::kPlanNotifications:
            WriteDword(Hive::CurrentUser, kAppKey, trayvalues::kPlanNotifications,
                       UserFlag(trayvalues::kPlanNotifications, true) ? 0 : 1);
            return;
        case traycmd::kEfficiencyClassSelection:
            WriteDword(Hive::CurrentUser, kAppKey, trayvalues::kEfficiencyClassSelection,
                       UserFlag(trayvalues::kEfficiencyClassSelection, false) ? 0 : 1);
            if (surface_.MainWindowOpen()) ReopenMainWindow();
            return;
        case traycmd::kMakerPlan:
            ToggleMakerPlan();
            return;
        default:
            break;
    }
    for (const TimeoutItem& item : kTimeoutItems) {
        if (command == item.command) {
            SetIdleTimeoutMs(item.ms);
            ReloadBoost();
            return;
        }
    }
    if (command >= traycmd::kPlanBase && command - traycmd::kPlanBase < menuPlanCount_) SwitchToPlan(command);
}

void TrayPresenter::DriftTick() {
    if (surface_.MainWindowOpen()) return;
    std::vector<DriftRecord> drifted;
    CheckAllPlans(*power_, DriftMode(), &drifted);
    if (std::optional<DriftNotice> notice = driftNotifier_.OnTick(drifted, clock_->TickCount64())) {
        ShowBalloon(notice->text);
        openMainWindowOnClick_ = true;
    }
}

void TrayPresenter::StartUpdateCheck() {
    std::shared_ptr<ThreadEvent> ready = updateReady_;
    surface_.RunInBackground([ready] { AutomaticUpdateCheck(*ready); });
}

void TrayPresenter::StartTerminateWatch() {
    KernelObjects* kernel = Sys().kernel;
    const KernelHandle shutdown = ShutdownEvent();
    if (!kernel || !shutdown || watch_.joinable()) return;
    watchStop_ = kernel->OpenOrCreateEvent(u"", true, false);
    if (!watchStop_) return;
    try {
        watch_ = std::thread([this, kernel, shutdown, stop = watchStop_] {
            const KernelHandle handles[] = {shutdown, stop};
            // `/terminate` signalled the shutdown event: the window closes and the loop ends.
            if (kernel->WaitAny(handles, 2, KernelObjects::kInfinite) == 0) surface_.Post(msg::kClose, 0, 0);
        });
    } catch (const std::system_error&) {
        kernel->Close(watchStop_);
        watchStop_ = 0;
    }
}

void TrayPresenter::StopTerminateWatch() {
    KernelObjects* kernel = Sys().kernel;
    if (watch_.joinable()) {
        if (kernel) kernel->Signal(watchStop_);
        watch_.join();
    }
    if (watchStop_ && kernel) kernel->Close(watchStop_);
    watchStop_ = 0;
}

}  // namespace quellora
