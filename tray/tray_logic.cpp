#include "tray/tray_logic.h"

#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "model/maker_plan.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "tray/tray_text_ids.h"

namespace quellora {

namespace {

constexpr uint32_t kPlanChangeBalloonMs = 3000;
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

bool UserFlag(std::u16string_view name, bool fallback) {
    return ReadDwordOr(Hive::CurrentUser, kAppKey, name, fallback ? 1 : 0) != 0;
}

// The latest version text the update check left is one the tray compares.
bool PlausibleVersionText(std::u16string_view text) {
    return !text.empty() && text.find(u'.') != std::u16string_view::npos && text.size() < 10;
}

}  // namespace

std::u16string CutText(std::u16string_view text, size_t max) {
    if (text.size() <= max) return std::u16string(text);
    size_t cut = max;
    if (cut > 0 && text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;
    return std::u16string(text.substr(0, cut));
}

std::u16string TrayTooltip(TrayIcon icon, uint32_t parked, uint32_t processors, bool boostOn) {
    std::u16string tip = u"Quellora v" + std::u16string(kProgramVersion) + u"\n";
    tip += icon == TrayIcon::Normal ? LoadText(ids::kTrayNormal) : Format(LoadText(ids::kTrayParked), parked, processors);
    if (boostOn) tip += u"\n" + LoadText(ids::kTrayBoostOn);
    return CutText(tip, kTooltipMax);
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

TrayLogic::TrayLogic(TraySurface& surface, Clock& clock)
    : surface_(surface),
      clock_(clock),
      power_(std::make_unique<PowerSchemeAccess>()),
      updateReady_(std::make_shared<ThreadEvent>(ThreadEvent::Reset::Auto)) {}

TrayLogic::~TrayLogic() = default;

void TrayLogic::OnCreate() {
    // Parking status only: the tray samples it itself each second.
    sampler_.reset();
    sampler_ = std::make_unique<CounterSampler>(CounterSampler::kParkingStatus);
    surface_.SetTimer(traytimer::kTick, traytimer::kTickMs);
    surface_.SetTimer(traytimer::kDrift, traytimer::kDriftMs);
    const uint32_t interval = ReadDwordOr(Hive::LocalMachine, kAppKey, updatevalues::kInterval,
                                          kDefaultUpdateIntervalSeconds);
    if (interval != 0) {
        // Intervals beyond what a window timer takes (about 24.8 days) run at its longest.
        const uint64_t ms = static_cast<uint64_t>(interval) * 1000;
        surface_.SetTimer(traytimer::kUpdateCheck, static_cast<uint32_t>(std::min<uint64_t>(ms, traytimer::kLongestMs)));
        surface_.SetTimer(traytimer::kFirstUpdateCheck, traytimer::kFirstUpdateCheckMs);
    }
}

void TrayLogic::OnTimer(uint32_t id) {
    switch (id) {
        case traytimer::kTick:
            Tick();
            break;
        case traytimer::kDrift:
            DriftTick();
            break;
        case traytimer::kFirstUpdateCheck:
            surface_.KillTimer(traytimer::kFirstUpdateCheck);
            StartUpdateCheck();
            break;
        case traytimer::kUpdateCheck:
            StartUpdateCheck();
            break;
        default:
            break;
    }
}

uint32_t TrayLogic::LogicalProcessors() {
    const uint32_t counted = sampler_ ? sampler_->LogicalCount() : 0;
    return counted ? counted : MainTopology().logicalCount();
}

void TrayLogic::Tick() {
    // 1. A finished update check: a newer version gets its balloon.
    if (updateReady_->TryWait()) {
        const std::u16string latest = LatestVersionText();
        if (PlausibleVersionText(latest) && versions_.IsNewer(latest, kProgramVersion)) {
            surface_.Post(traymsg::kBalloonUpdate, 0, 0);
        }
    }
    // 2. Another instance asked this one to end.
    if (surface_.ShutdownSignalled()) {
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

void TrayLogic::OnIconNormal() {
    const std::u16string tip = TrayTooltip(TrayIcon::Normal, 0, 0, IsBoostEnabled());
    if (!icon_.added && surface_.AddIcon(TrayIcon::Normal, tip)) icon_.added = true;
    surface_.ModifyIcon(TrayIcon::Normal, tip);
    icon_.normal = true;
    icon_.parked = 0;
}

void TrayLogic::OnIconParked(uint32_t processors, uint32_t parked) {
    if (!icon_.added) OnIconNormal();
    surface_.ModifyIcon(TrayIcon::Parked, TrayTooltip(TrayIcon::Parked, parked, processors, IsBoostEnabled()));
    icon_.normal = false;
    icon_.parked = parked;
}

void TrayLogic::RefreshTooltip() {
    if (!icon_.added) return;
    if (icon_.normal) OnIconNormal();
    else OnIconParked(LogicalProcessors(), icon_.parked);
}

void TrayLogic::OnTaskbarCreated() {
    // The new taskbar has no icon of ours: it is added again, as the normal one.
    icon_.added = false;
    icon_.normal = true;
    icon_.parked = 0;
    surface_.Post(traymsg::kIconNormal, 0, 0);
}

void TrayLogic::Balloon(std::u16string_view title, std::u16string_view text, uint32_t timeoutMs) {
    surface_.ShowBalloon(CutText(title, kBalloonTitleMax), CutText(text, kBalloonTextMax), timeoutMs);
}

void TrayLogic::ShowBalloon(std::u16string_view text) { Balloon(State().productName, text, kBalloonMs); }

void TrayLogic::OnBalloonUpdate() {
    Balloon(LoadText(ids::kUpdateAvailableTitle), LoadText(ids::kUpdateAvailableText), kBalloonMs);
    updatePending_ = true;
}

void TrayLogic::OnBalloonUpdated(std::u16string_view version) {
    Balloon(LoadText(ids::kUpdatedTitle), Format(LoadText(ids::kUpdatedText), version), kBalloonMs);
}

void TrayLogic::OnPlanChangesThrottled() {
    Balloon(State().productName, Format(LoadText(ids::kTooManyPlanChanges), State().productName), kBalloonMs);
    updatePending_ = false;
}

void TrayLogic::OnPlanChanged(const PlanChangeRecord* record) {
    if (record == nullptr || !UserFlag(trayvalues::kPlanNotifications, true)) return;
    const uint32_t max = ReadDwordOr(Hive::CurrentUser, kAppKey, trayvalues::kMaxNotifiesPerMinute,
                                     kDefaultMaxNotifiesPerMinute);
    if (!throttle_.Admit(clock_.UtcNow(), max)) {
        surface_.Post(traymsg::kPlanChangesThrottled, 0, 0);
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
    openMainWindow_ = true;
}

void TrayLogic::OnCallback(intptr_t lParam) {
    switch (lParam) {
        case traymsg::kLeftButtonUp:
            surface_.OpenMainWindow();
            break;
        case traymsg::kRightButtonUp:
            ShowMenuAndRun();
            break;
        case traymsg::kBalloonClick:
            BalloonClick();
            break;
        default:
            break;
    }
}

void TrayLogic::BalloonClick() {
    if (updatePending_) {
        if (InstallUpdate()) {
            surface_.PostQuit();
        } else {
            surface_.Message(LoadText(ids::kUpdateInstallFailed), mb::kOk | mb::kIconError);
        }
        updatePending_ = false;
        return;
    }
    if (openMainWindow_) surface_.Post(traymsg::kCallback, 0, traymsg::kLeftButtonUp);
}

TrayMenu TrayLogic::BuildMenu() {
    TrayMenu menu;
    const bool makerListed = ReadDwordOr(Hive::LocalMachine, kAppKey, trayvalues::kMakerPlanListed, 0) != 0;
    const std::vector<Guid> plans = power_->EnumeratePlans(makerListed);
    const Guid active = power_->QueryActivePlanOrNull();
    menuPlanCount_ = plans.size();
    for (size_t i = 0; i < plans.size(); ++i) {
        std::u16string name;
        if (!power_->PlanDisplayName(plans[i], name) || name.empty()) continue;
        menu.plans.push_back({traycmd::kPlanBase + static_cast<uint32_t>(i), name, plans[i] == active});
    }
    menuPlans_ = menu.plans;
    menu.checks = {
        {traycmd::kEfficiencyClassSelection, UserFlag(trayvalues::kEfficiencyClassSelection, false)},
        {traycmd::kMakerPlan, makerListed},
        {traycmd::kStartAtLogon, surface_.LogonTaskExists()},
        {traycmd::kDynamicBoost, IsBoostEnabled()},
        {traycmd::kPlanNotifications, UserFlag(trayvalues::kPlanNotifications, true)},
    };
    const uint32_t timeoutItem = TimeoutMenuItem(GetIdleTimeoutMs());
    for (const TimeoutItem& item : kTimeoutItems) menu.checks.push_back({item.command, item.command == timeoutItem});
    menu.checks.push_back({traycmd::kIdleCustom, timeoutItem == traycmd::kIdleCustom});
    return menu;
}

void TrayLogic::ShowMenuAndRun() {
    const uint32_t command = surface_.ShowMenu(BuildMenu());
    if (command != 0) OnCommand(command);
}

void TrayLogic::SwitchToPlan(size_t index) {
    const uint32_t command = traycmd::kPlanBase + static_cast<uint32_t>(index);
    std::u16string text;
    for (const TrayMenuPlan& item : menuPlans_) {
        if (item.command == command) text = item.text;
    }
    Guid plan;
    if (text.empty() || !power_->FindPlanByName(text, plan)) return;
    // A plan chosen by hand ends Dynamic Boost.
    if (IsBoostEnabled()) {
        SetBoostEnabled(false);
        RefreshTooltip();
    }
    if (!power_->ActivatePlan(plan)) {
        surface_.Message(LoadText(ids::kPlanSwitchFailed), mb::kOk | mb::kIconError | mb::kSetForeground);
    }
}

void TrayLogic::ToggleMakerPlan() {
    if (ReadDwordOr(Hive::LocalMachine, kAppKey, trayvalues::kMakerPlanListed, 0) != 0) {
        WriteDword(Hive::LocalMachine, kAppKey, trayvalues::kMakerPlanListed, 0);
        // The maker's plan is no longer listed: the legacy high-performance
        // overlay stands in for it where Windows has overlays.
        if (power_->IsOverlay(guids::kOverlay2)) power_->ActivatePlan(guids::kOverlay2);
        surface_.ReopenMainWindow();
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
    surface_.ReopenMainWindow();
}

void TrayLogic::OnCommand(uint32_t command) {
    switch (command) {
        case traycmd::kExit:
            surface_.PostQuit();
            return;
        case traycmd::kOpen:
            surface_.Post(traymsg::kCallback, 0, traymsg::kLeftButtonUp);
            return;
        case traycmd::kStartAtLogon:
            surface_.ToggleLogonTask();
            return;
        case traycmd::kDynamicBoost:
            if (IsBoostEnabled()) SetBoostEnabled(false);
            else surface_.RunBoostDialog();
            if (IsBoostEnabled() && !IsBoostRunning()) StartBoost();
            surface_.SignalSettingsChanged();
            RefreshTooltip();
            return;
        case traycmd::kIdleCustom:
        case traycmd::kBoostSettings:
            surface_.RunBoostDialog();
            surface_.SignalSettingsChanged();
            RefreshTooltip();
            return;
        case traycmd::kPlanNotifications:
            WriteDword(Hive::CurrentUser, kAppKey, trayvalues::kPlanNotifications,
                       UserFlag(trayvalues::kPlanNotifications, true) ? 0 : 1);
            return;
        case traycmd::kEfficiencyClassSelection:
            WriteDword(Hive::CurrentUser, kAppKey, trayvalues::kEfficiencyClassSelection,
                       UserFlag(trayvalues::kEfficiencyClassSelection, false) ? 0 : 1);
            if (surface_.MainWindowOpen()) surface_.ReopenMainWindow();
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
    if (command >= traycmd::kPlanBase && command - traycmd::kPlanBase < menuPlanCount_) {
        SwitchToPlan(command - traycmd::kPlanBase);
    }
}

void TrayLogic::DriftTick() {
    if (surface_.MainWindowOpen()) return;
    std::vector<DriftRecord> drifted;
    CheckAllPlans(*power_, DriftMode(), &drifted);
    if (std::optional<DriftNotice> notice = driftNotifier_.OnTick(drifted, clock_.TickCount64())) {
        ShowBalloon(notice->text);
        openMainWindow_ = true;
    }
}

void TrayLogic::StartUpdateCheck() {
    std::shared_ptr<ThreadEvent> ready = updateReady_;
    surface_.RunInBackground([ready] { AutomaticUpdateCheck(*ready); });
}

}  // namespace quellora
