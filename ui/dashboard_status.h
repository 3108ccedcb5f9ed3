// The dashboard's status area, without its window: the active plan's name,
// the power source, the processor and its composition, the frequency lines,
// the count of unparked processors under the core utilisation graph, the
// version and update links, the Dynamic Boost link, and the link that
// installs or removes the maker's highest-performance plan. The dashboard's
// timers call the refresh operations here; the classic dialog, whose window
// carries the same control identifiers, calls the same ones.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "monitor/core_graph.h"
#include "monitor/frequency_sampler.h"
#include "ui/text_fit.h"

namespace quellora {

class PowerSchemeAccess;

namespace dashboard {
// Controls (the contract with the dialog templates).
inline constexpr int kPlanName = 3148;
inline constexpr int kPowerSource = 3269;
inline constexpr int kProcessorName = 3049;
inline constexpr int kComposition = 9401;
inline constexpr int kFrequency = 3152;
inline constexpr int kNominalFrequency = 3155;
inline constexpr int kUnparked = 3159;
inline constexpr int kGraphPlace = 9409;
inline constexpr int kMakerPlanLink = 3195;
inline constexpr int kBoostLink = 9457;
inline constexpr int kVersionLink = 3153;
inline constexpr int kUpdateLink = 3160;
inline constexpr int kBoostCheck = 3204;
inline constexpr int kParkingSummary = 9437;  // the plan editor's line, sized with the plan link

// The main window's timers that call the refresh operations.
inline constexpr uint32_t kPlanTimer = 37267;
inline constexpr uint32_t kPlanTimerMs = 750;
inline constexpr uint32_t kMakerPlanTimer = 37269;
inline constexpr uint32_t kMakerPlanTimerMs = 5000;
inline constexpr uint32_t kStatusTimer = 16385;
inline constexpr uint32_t kStatusTimerMs = 1000;

// WM_USER + 8: lParam the active plan's name, valid during the call.
inline constexpr uint32_t kActivePlanNameMessage = 0x0400 + 8;

// The window property that keeps the plan name's tooltip.
inline constexpr std::u16string_view kPlanNameTipProperty = u"Quellora.PlanNameTip";
inline constexpr int kPlanNameTipWidthDlu = 220;
inline constexpr uint32_t kTipShowMs = 30000;

// The product's web page (the version link opens it).
inline constexpr std::u16string_view kProductPage = u"https://www.ostrima.com/quellora/";

// Layout, at 96 dpi: the graph fills the page to this margin, is at least
// this large, and the links at the bottom keep their distance from the edge.
inline constexpr int kGraphMargin = 8;
inline constexpr int kGraphMinWidth = 50;
inline constexpr int kGraphMinHeight = 40;
}  // namespace dashboard

// What the dashboard's window does for the status area.
class DashboardStatusSurface {
public:
    virtual ~DashboardStatusSurface() = default;
    virtual bool HasControl(int id) = 0;
    virtual void SetText(int id, std::u16string_view text) = 0;
    virtual std::u16string Text(int id) = 0;
    virtual void Show(int id, bool show) = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    // The control's client area, pixels.
    virtual TextExtent ClientSize(int id) = 0;
    // A text's extent in the bold variant of the page's font scaled (see MeasureText).
    virtual TextExtent Measure(std::u16string_view text, double scale, int wrapWidth) = 0;
    // Gives the control the bold variant of the page's font at that scale
    // (kept until the page goes).
    virtual void SetBoldFont(int id, double scale) = 0;
    // The plan name's tooltip: the whole name, shown only when `active`.
    virtual void SetPlanNameTip(std::u16string_view whole, bool active) = 0;
    // Creates the core utilisation graph in the placeholder's place, coloured for the theme, and shows it.
    virtual void CreateGraph() = 0;
    // Sends kActivePlanNameMessage with the name to the page.
    virtual void SendActivePlanName(std::u16string_view name) = 0;
    // The program's message box, owned by the page. `rememberOnly`, when not
    // 0, is the one answer a ticked "don't ask again" keeps.
    virtual int Message(std::u16string_view text, uint32_t style, int rememberOnly = 0) = 0;
};

// What the rest of the program offers the status area.
class DashboardHost {
public:
    virtual ~DashboardHost() = default;
    // The update check that the main window started has finished (its event
    // was signalled, and is then closed).
    virtual bool UpdateCheckFinished() = 0;
    // The latest version text of the last successful check (empty before one).
    virtual std::u16string LatestVersion() = 0;
    // The last clock reading; the sampler is then asked for the next one
    // (ReadProcessClock does both with the process's frequency sampler).
    virtual FrequencyReading ReadClock() = 0;
    // The settings-changed event was signalled.
    virtual bool SettingsChangedSignalled() = 0;
    // The process was started with "/restart".
    virtual bool StartedWithRestart() = 0;
    // Rebuilds the system's performance counters, then restarts the program.
    virtual void RebuildCountersAndRestart() = 0;
    // Downloads and starts the installer; true when it started.
    virtual bool InstallUpdate() = 0;
    // Ends the program (its message loop) with the code.
    virtual void Quit(int code) = 0;
    // Shows the Dynamic Boost page, selects its navigation row and stores it as the last page.
    virtual void ShowBoostPage() = 0;
    // The plan editor's plan list is filled anew (after which the status area
    // decides whether the plan link shows).
    virtual void ReloadPlanList() = 0;
    // The profiles page reloads its list (when it exists).
    virtual void ReloadProfilesPage() = 0;
    // The settings page's check box for listing the maker's plan (when it exists).
    virtual void SetMakerPlanListedBox(bool checked) = 0;
};

// The processor composition line: logical processors outside the most
// efficient class, and in it.
struct Composition {
    uint32_t performance = 0;
    uint32_t efficient = 0;
};

class DashboardStatus {
public:
    DashboardStatus(DashboardStatusSurface& surface, DashboardHost& host, PowerSchemeAccess& power, CoreGraph& graph);

    // The page's initialisation, after the plan editor's controls are set up.
    void Init();
    // Forgets the values shown, so that the next ticks show everything again
    // (the main window opens or rebuilds its pages).
    void ResetCache();

    // Every 750 ms: the active plan's name and the power source.
    void RefreshPlanAndPower();
    // Every 5000 ms: the text of the maker plan link.
    void RefreshMakerPlanLink();
    // Every 1000 ms: the graph, the update notice, the frequencies, the
    // unparked line, the counters question, the Dynamic Boost check box.
    void RefreshStatus();
    // Dispatches one of the three timers; false for another timer.
    bool OnTimer(uint32_t id);
    // The Dynamic Boost link: the status text while Dynamic Boost is on, hidden otherwise.
    void UpdateBoostLink();

    // kActivePlanNameMessage: shows the name and reloads the plan list.
    void OnActivePlanName(std::u16string_view name);
    // Shows a plan name in 3148 (the active plan's when empty), as large as fits.
    void ShowPlanName(std::u16string_view name);
    // After every reload of the plan list: the plan link shows, except where
    // Windows uses power modes (or has only Balanced) and the user does not list the plan.
    void AfterPlanListReload();
    // A click (or Enter) on a link; false when the id is not one of the status area's.
    bool OnLink(int id);

    // Lists the maker's highest-performance plan or stops listing it (the
    // settings page's box does the same as the link).
    void TurnMakerPlanListing(bool on);

    // For the window's layout and the tests.
    const PlanNameFit& planName() const { return planName_; }

private:
    void FitFonts();
    void MakerPlanLinkClicked();
    void ShowMakerPlanLinkText(bool exists);
    void ShowUpdateNotice();
    void ShowFrequencies();
    void ShowUnparked();
    void AskAboutCounters();

    DashboardStatusSurface& surface_;
    DashboardHost& host_;
    PowerSchemeAccess& power_;
    CoreGraph& graph_;
    PlanNameFit planName_;

    // What was shown last (reset with ResetCache).
    bool first_ = true;
    std::u16string lastPlanName_;
    bool lastOnBattery_ = false;
    bool lastSaver_ = false;
    bool firstMakerPlan_ = true;
    bool lastMakerPlanExists_ = false;
    double lastFrequency_ = -1;
    int64_t lastUnparked_ = -1;
    bool versionKnown_ = false;
    std::u16string lastLatest_;
    std::u16string lastRunning_;
    bool lastNewer_ = false;
};

// The composition of the main topology.
Composition ProcessorComposition();
// "6.1.0.2" is newer than "6.0.2.18": each text (at most 127 characters)
// read as four numbers, compared from the first; a longer text is never newer.
bool IsNewerVersionText(std::u16string_view latest, std::u16string_view running);
// Where the graph stands: the placeholder's left and top, filling the page to
// the margin from the right and bottom edges, at least the minimum size,
// and no taller than `maxHeight96` (all given at 96 dpi, scaled to `dpi`).
GraphRect DashboardGraphPlace(const GraphRect& placeholder, int pageWidth, int pageHeight, int dpi, int maxHeight96);
// The process's frequency sampler's last reading; it then takes the next.
FrequencyReading ReadProcessClock();

// The counters question is asked once per process; a test starts over.
void ForgetCountersQuestion();

// What rebuilding the counters does (set by the interactive start: the
// system's counters are rebuilt and the program restarts); nothing until set.
void SetCounterRebuild(std::function<void()> rebuildAndRestart);
void RunCounterRebuild();
// The process's settings-changed event was signalled (it resets itself).
bool SettingsChangedEventSignalled();

}  // namespace quellora
