#include "ui/dashboard_status.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "model/maker_plan.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/maker_plan_scan.h"
#include "power/power_scheme_access.h"
#include "power/setting_metadata.h"
#include "tray/update_check.h"
#include "ui/message_box_presenter.h"

namespace quellora {

namespace {

// Strings of the language module.
namespace text {
inline constexpr uint32_t kNoName = 419;
inline constexpr uint32_t kRebuildCounters = 673;
inline constexpr uint32_t kVersionLine = 1029;
inline constexpr uint32_t kUpdateFailed = 1035;
inline constexpr uint32_t kRemoveMakerPlan = 1044;
inline constexpr uint32_t kAddMakerPlan = 1045;
inline constexpr uint32_t kBatterySaver = 1337;
inline constexpr uint32_t kMakerPlanFailed = 1382;
inline constexpr uint32_t kUnparked = 1407;
inline constexpr uint32_t kFrequency = 1409;
inline constexpr uint32_t kComposition = 9368;
inline constexpr uint32_t kParkingOff = 9440;
inline constexpr uint32_t kParkingFloor = 9441;
inline constexpr uint32_t kBoostLinkSuffix = 9546;
inline constexpr uint32_t kNominalFrequency = 9549;
inline constexpr uint32_t kKindFrequencies = 9550;
}  // namespace text

std::atomic<bool> countersQuestionDone{false};

bool IsWhite(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0x0B || c == 0x0C; }

std::u16string TrimTrailingWhite(std::u16string text) {
    while (!text.empty() && IsWhite(text.back())) text.pop_back();
    return text;
}

}  // namespace

void ForgetCountersQuestion() { countersQuestionDone = false; }

namespace {

std::function<void()>& CounterRebuild() {
    static std::function<void()> rebuild;
    return rebuild;
}

}  // namespace

void SetCounterRebuild(std::function<void()> rebuildAndRestart) { CounterRebuild() = std::move(rebuildAndRestart); }

void RunCounterRebuild() {
    if (CounterRebuild()) CounterRebuild()();
}

bool SettingsChangedEventSignalled() {
    const KernelHandle event = State().settingsChangedEvent;
    return event != 0 && Sys().kernel && Sys().kernel->Wait(event, 0) == WaitResult::Signalled;
}

bool IsNewerVersionText(std::u16string_view latest, std::u16string_view running) {
    // A text longer than 127 characters is no version at all.
    if (latest.size() > 127 || running.size() > 127) return false;
    ProgramVersion ignored;
    if (!ParseProgramVersion(latest, ignored)) return false;
    return IsNewerVersion(latest, running);
}

Composition ProcessorComposition() {
    ProcessorTopology& topology = MainTopology();
    Composition c;
    for (int g = 0; g < std::max<int>(1, topology.groupCount()); ++g) c.efficient += topology.EfficientCount(g);
    c.performance = topology.logicalCount() > c.efficient ? topology.logicalCount() - c.efficient : 0;
    return c;
}

GraphRect DashboardGraphPlace(const GraphRect& placeholder, int pageWidth, int pageHeight, int dpi, int maxHeight96) {
    auto scale = [dpi](int v) { return static_cast<int>((static_cast<int64_t>(v) * dpi + 48) / 96); };
    GraphRect r{placeholder.x, placeholder.y, 0, 0};
    r.width = std::max(scale(dashboard::kGraphMinWidth), pageWidth - scale(dashboard::kGraphMargin) - r.x);
    r.height = std::max(scale(dashboard::kGraphMinHeight), pageHeight - scale(dashboard::kGraphMargin) - r.y);
    r.height = std::min(r.height, scale(maxHeight96));
    return r;
}

FrequencyReading ReadProcessClock() {
    FrequencySampler& sampler = GetFrequencySampler();
    const FrequencyReading reading = sampler.Read();
    sampler.RequestSample();
    return reading;
}

DashboardStatus::DashboardStatus(DashboardStatusSurface& surface, DashboardHost& host, PowerSchemeAccess& power,
                                 CoreGraph& graph)
    : surface_(surface), host_(host), power_(power), graph_(graph) {}

void DashboardStatus::ResetCache() {
    first_ = true;
    lastPlanName_.clear();
    lastOnBattery_ = lastSaver_ = false;
    firstMakerPlan_ = true;
    lastMakerPlanExists_ = false;
    lastFrequency_ = -1;
    lastUnparked_ = -1;
    versionKnown_ = false;
}

void DashboardStatus::Init() {
    ResetCache();
    FitFonts();

    std::u16string name = TrimTrailingWhite(MainTopology().ProcessorName());
    surface_.SetText(dashboard::kProcessorName, name.empty() ? LoadText(text::kNoName) : name);

    if (IsHeterogeneousProcessor()) {
        const Composition c = ProcessorComposition();
        surface_.SetText(dashboard::kComposition, Format(LoadText(text::kComposition), c.performance, c.efficient));
        surface_.Show(dashboard::kComposition, true);
    } else {
        surface_.Show(dashboard::kComposition, false);
    }

    // The version line shows the running version until the update check answers.
    surface_.SetText(dashboard::kVersionLink, Format(LoadText(text::kVersionLine), kProgramVersion, kProgramVersion));
    surface_.Show(dashboard::kUpdateLink, false);

    surface_.CreateGraph();
    graph_.StartMonitoring();

    ShowMakerPlanLinkText(MakerPlanExists(power_));
    ShowPlanName({});
}

void DashboardStatus::FitFonts() {
    auto measure = [this](std::u16string_view t, double scale, int wrap) { return surface_.Measure(t, scale, wrap); };
    // The plan link and the parking line share one size at which all their texts fit.
    double small = 0.6;
    {
        const std::vector<double> scales = ScaleSteps(1.0, 0.65, 0.05);
        const std::vector<std::u16string> link = {StripLinkTags(LoadText(text::kRemoveMakerPlan)),
                                                  StripLinkTags(LoadText(text::kAddMakerPlan))};
        const std::vector<std::u16string> parking = {Format(LoadText(text::kParkingFloor), 100u),
                                                     LoadText(text::kParkingOff)};
        for (double scale : scales) {
            bool all = true;
            for (const auto& [id, texts] : {std::pair{dashboard::kMakerPlanLink, &link},
                                            std::pair{dashboard::kParkingSummary, &parking}}) {
                if (!surface_.HasControl(id)) continue;
                const TextExtent room = surface_.ClientSize(id);
                if (FitFontScale(*texts, {scale}, 0.0, room.width, room.height, measure) != scale) all = false;
            }
            if (all) {
                small = scale;
                break;
            }
        }
    }
    surface_.SetBoldFont(dashboard::kMakerPlanLink, small);
    surface_.SetBoldFont(dashboard::kParkingSummary, small);

    // The frequency and unparked lines: as large as their widest texts allow.
    double large = 1.0;
    {
        const uint32_t n = MainTopology().logicalCount();
        const std::vector<double> scales = ScaleSteps(2.0, 1.05, 0.05);
        const std::vector<std::u16string> frequency = {Format(LoadText(text::kFrequency), 9.99)};
        const std::vector<std::u16string> unparked = {Format(LoadText(text::kUnparked), n, n)};
        for (double scale : scales) {
            bool all = true;
            for (const auto& [id, texts] : {std::pair{dashboard::kFrequency, &frequency},
                                            std::pair{dashboard::kUnparked, &unparked}}) {
                if (!surface_.HasControl(id)) continue;
                const TextExtent room = surface_.ClientSize(id);
                if (FitFontScale(*texts, {scale}, 0.0, room.width, room.height, measure) != scale) all = false;
            }
            if (all) {
                large = scale;
                break;
            }
        }
    }
    surface_.SetBoldFont(dashboard::kFrequency, large);
    surface_.SetBoldFont(dashboard::kUnparked, large);
}

void DashboardStatus::ShowPlanName(std::u16string_view name) {
    std::u16string shown(name);
    if (shown.empty()) {
        Guid active;
        if (!power_.QueryActivePlan(active) || !power_.ReadPlanName(active, shown)) shown.clear();
    }
    const TextExtent room = surface_.ClientSize(dashboard::kPlanName);
    planName_ = FitPlanName(shown, room.width, room.height,
                            [this](std::u16string_view t, double scale, int wrap) { return surface_.Measure(t, scale, wrap); });
    surface_.SetBoldFont(dashboard::kPlanName, planName_.scale);
    surface_.SetText(dashboard::kPlanName, planName_.text);
    surface_.SetPlanNameTip(shown, planName_.cut);
}

void DashboardStatus::OnActivePlanName(std::u16string_view name) {
    ShowPlanName(name);
    host_.ReloadPlanList();
    AfterPlanListReload();
}

void DashboardStatus::RefreshPlanAndPower() {
    // The name is read afresh every time: another program may rename the
    // active plan, and the new name must show.
    Guid active;
    std::u16string name;
    if (power_.QueryActivePlan(active) && power_.ReadPlanName(active, name) && name != lastPlanName_) {
        lastPlanName_ = name;
        surface_.SendActivePlanName(name);
    }

    PowerStatus status;
    const bool read = Sys().input && Sys().input->GetPowerStatus(status);
    const bool onBattery = read && status.acLineStatus == 0;
    const bool saver = read && status.systemStatusFlag == 1;
    if (first_ || onBattery != lastOnBattery_ || saver != lastSaver_) {
        first_ = false;
        lastOnBattery_ = onBattery;
        lastSaver_ = saver;
        std::u16string line = onBattery ? u"DC" : u"AC";
        if (saver) line += u", " + LoadText(text::kBatterySaver);
        surface_.SetText(dashboard::kPowerSource, line);
    }
}

void DashboardStatus::ShowMakerPlanLinkText(bool exists) {
    firstMakerPlan_ = false;
    lastMakerPlanExists_ = exists;
    surface_.SetText(dashboard::kMakerPlanLink, LoadText(exists ? text::kRemoveMakerPlan : text::kAddMakerPlan));
}

void DashboardStatus::RefreshMakerPlanLink() {
    const bool exists = MakerPlanExists(power_);
    if (firstMakerPlan_ || exists != lastMakerPlanExists_) ShowMakerPlanLinkText(exists);
}

void DashboardStatus::RefreshStatus() {
    graph_.RequestSample();
    if (!State().noTray) ShowUpdateNotice();
    ShowFrequencies();
    graph_.Update();
    ShowUnparked();
    AskAboutCounters();
    if (host_.SettingsChangedSignalled()) surface_.SetCheck(dashboard::kBoostCheck, IsBoostEnabled());
}

bool DashboardStatus::OnTimer(uint32_t id) {
    switch (id) {
        case dashboard::kPlanTimer: RefreshPlanAndPower(); return true;
        case dashboard::kMakerPlanTimer: RefreshMakerPlanLink(); return true;
        case dashboard::kStatusTimer: RefreshStatus(); return true;
        default: return false;
    }
}

void DashboardStatus::ShowUpdateNotice() {
    if (!host_.UpdateCheckFinished()) return;
    const std::u16string latest = host_.LatestVersion();
    const std::u16string running(kProgramVersion);
    if (!versionKnown_ || latest != lastLatest_ || running != lastRunning_) {
        versionKnown_ = true;
        lastLatest_ = latest;
        lastRunning_ = running;
        lastNewer_ = IsNewerVersionText(latest, running);
    }
    surface_.SetText(dashboard::kVersionLink,
                     Format(LoadText(text::kVersionLine), running, lastNewer_ ? latest : running));
    surface_.Show(dashboard::kUpdateLink, lastNewer_);
}

void DashboardStatus::ShowFrequencies() {
    const FrequencyReading reading = host_.ReadClock();
    const double average = reading.valid ? reading.averageMHz : AverageCurrentMhz();
    // A clock that cannot be had leaves the lines as they are.
    if (average <= 0 || average == lastFrequency_) return;
    lastFrequency_ = average;
    surface_.SetText(dashboard::kFrequency, Format(LoadText(text::kFrequency), average / 1000.0));
    surface_.SetText(dashboard::kNominalFrequency,
                     Format(LoadText(text::kNominalFrequency), ProcessorTopology::NominalMhz() / 1000.0));
    if (IsHeterogeneousProcessor() && reading.valid) {
        const Composition c = ProcessorComposition();
        surface_.SetText(dashboard::kComposition,
                         Format(LoadText(text::kKindFrequencies), c.performance, reading.performanceCoreMHz / 1000.0,
                                c.efficient, reading.efficientCoreMHz / 1000.0));
    }
}

void DashboardStatus::ShowUnparked() {
    const int64_t parked = graph_.ParkedCount();
    if (parked < 0) return;
    const int64_t n = MainTopology().logicalCount();
    const int64_t unparked = std::max<int64_t>(0, n - parked);
    if (unparked == lastUnparked_) return;
    lastUnparked_ = unparked;
    surface_.SetText(dashboard::kUnparked, Format(LoadText(text::kUnparked), unparked, n));
}

void DashboardStatus::AskAboutCounters() {
    if (countersQuestionDone || !graph_.HasSample()) return;
    if (countersQuestionDone.exchange(true)) return;
    if (!graph_.CountersBroken() || host_.StartedWithRestart()) return;
    // "Don't ask again" keeps only No: a kept Yes would rebuild the counters
    // and restart at every start while they stay broken.
    const int answer = surface_.Message(LoadText(text::kRebuildCounters),
                                        mb::kYesNo | mb::kIconExclamation | xmb::kDoNotAskAgain, mb::kIdNo);
    if ((answer & 0xFFFF) == mb::kIdYes) host_.RebuildCountersAndRestart();
}

void DashboardStatus::UpdateBoostLink() {
    if (IsBoostEnabled()) {
        const std::u16string line = BoostStatusText() + u" " + LoadText(text::kBoostLinkSuffix);
        if (surface_.Text(dashboard::kBoostLink) != line) surface_.SetText(dashboard::kBoostLink, line);
        surface_.Show(dashboard::kBoostLink, true);
    } else {
        surface_.Show(dashboard::kBoostLink, false);
    }
}

void DashboardStatus::AfterPlanListReload() {
    const bool modes = power_.OverlaysInUse(false) || power_.OnlyBalancedPlan();
    surface_.Show(dashboard::kMakerPlanLink, !modes || UserListsMakerPlan());
}

bool DashboardStatus::OnLink(int id) {
    switch (id) {
        case dashboard::kVersionLink:
            if (Sys().interaction) Sys().interaction->OpenWithShell(dashboard::kProductPage);
            return true;
        case dashboard::kUpdateLink:
            if (host_.InstallUpdate()) host_.Quit(0);
            else surface_.Message(LoadText(text::kUpdateFailed), mb::kOk | mb::kIconError);
            return true;
        case dashboard::kMakerPlanLink:
            MakerPlanLinkClicked();
            return true;
        case dashboard::kBoostLink:
            host_.ShowBoostPage();
            return true;
        default:
            return false;
    }
}

void DashboardStatus::TurnMakerPlanListing(bool on) {
    if (on) {
        Guid plan;
        if (CreateMakerPlan(power_, plan) && !plan.IsNull()) {
            SetUserListsMakerPlan(true);
            power_.ActivatePlan(plan);
        } else {
            surface_.Message(LoadText(text::kMakerPlanFailed), mb::kOk | mb::kIconError);
        }
    } else {
        SetUserListsMakerPlan(false);
        // Where Windows has power modes, the legacy high-performance mode stands in for the plan.
        if (power_.IsOverlay(guids::kOverlay2)) power_.ActivatePlan(guids::kOverlay2);
    }
    host_.SetMakerPlanListedBox(UserListsMakerPlan());
}

void DashboardStatus::MakerPlanLinkClicked() {
    if (MakerPlanExists(power_)) {
        RemoveMakerPlan(power_, true);
        if (UserListsMakerPlan()) TurnMakerPlanListing(false);
    } else if (power_.OverlaysInUse(false) || power_.OnlyBalancedPlan()) {
        // Windows does not list such a plan where it uses power modes: the
        // program lists it itself.
        TurnMakerPlanListing(true);
    } else if (!EnsureMakerPlan(power_, true)) {
        surface_.Message(LoadText(text::kMakerPlanFailed), mb::kOk | mb::kIconError);
    }
    ShowMakerPlanLinkText(MakerPlanExists(power_));
    host_.ReloadPlanList();
    AfterPlanListReload();
    UpdateBoostLink();
    host_.ReloadProfilesPage();
}

}  // namespace quellora
