// The main window's decisions: its six pages and their navigation rows, which
// page opens and how every page change is remembered, where the window
// stands and how large it is at the window's dpi, what each menu command
// does, the three timers of the dashboard, the rebuild after a dpi or metrics
// change, and closing with the offer to apply unwritten edits. The dialog
// procedure (ui/win32) hands every message to it and carries out what it
// asks through a MainWindowSurface; the pages themselves are presenters of
// their own.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/geometry.h"
#include "ui/main_window_layout.h"

namespace quellora {

namespace main_window {
// Resources of the language module.
inline constexpr int kDialog = 0x143e;
inline constexpr int kMenu = 0x1446;
inline constexpr int kIcon = 0x13c0;
inline constexpr int kAboutDialog = 0x141d;
inline constexpr int kNavigationList = 9400;
inline constexpr uint32_t kTitleText = 829;
inline constexpr uint32_t kApplyQuestion = 211;

// Messages between the main window and its pages.
inline constexpr uint32_t kPendingEditsChanged = 0x0400 + 20;  // WM_PENDING_EDITS_CHANGED
inline constexpr uint32_t kActivePlanName = 0x0400 + 8;        // WM_ACTIVE_PLAN_NAME

// Timers of the dashboard.
inline constexpr uint32_t kPlanNameTimer = 37267;  // active plan and power source
inline constexpr uint32_t kPlanNameMs = 750;
inline constexpr uint32_t kMakerLinkTimer = 37269;  // the highest-performance plan link
inline constexpr uint32_t kMakerLinkMs = 5000;
inline constexpr uint32_t kStatusTimer = 16385;  // the once-a-second status
inline constexpr uint32_t kStatusMs = 1000;

// Menu commands (menu 0x1446).
inline constexpr uint32_t kExit = 105;
inline constexpr uint32_t kStartAtLogon = 34679;
inline constexpr uint32_t kUpdateChecks = 34680;
inline constexpr uint32_t kBoostOnOff = 34735;
inline constexpr uint32_t kIdle10s = 34747;
inline constexpr uint32_t kIdle30min = 34752;
inline constexpr uint32_t kIdleCustom = 34754;
inline constexpr uint32_t kBoostPage = 34755;
inline constexpr uint32_t kPlanNotifications = 34765;
inline constexpr uint32_t kBetaUpdates = 34912;
inline constexpr uint32_t kCheckForUpdates = 34914;
inline constexpr uint32_t kEfficiencyClassSelection = 34937;
inline constexpr uint32_t kEventsPage = 34966;
inline constexpr uint32_t kMakerPlan = 34967;
inline constexpr uint32_t kAbout = 34976;
inline constexpr uint32_t kClose = 40072;
inline constexpr uint32_t kProfilesPage = 40994;

// Controls of other pages the window reaches.
inline constexpr int kBoostOnOffControl = 3204;      // Dynamic Boost page
inline constexpr int kNotificationsControl = 3205;   // settings page
inline constexpr int kRefreshCommand = 3255;         // events page

// HKCU\Software\Quellora.
inline constexpr std::u16string_view kPageValue = u"MainWindowPage";
inline constexpr std::u16string_view kPageVersionValue = u"MainWindowPageVersion";
inline constexpr std::u16string_view kPlacementValue = u"MainWindowPlacement";
inline constexpr size_t kStoredTextMax = 64;  // characters read of the page key and version
}  // namespace main_window

enum class Page : int { Dashboard = 0, Hybrid = 1, Profiles = 2, Boost = 3, Events = 4, Settings = 5 };
inline constexpr int kPageCount = 6;

struct PageRow {
    Page page;
    std::u16string_view key;  // stored in MainWindowPage
    int dialog;               // the page's dialog resource
    uint32_t label;           // its navigation row's text
    bool hybridOnly;          // created only when the processor has more than one efficiency class
};
const std::array<PageRow, kPageCount>& PageTable();
// The page of a stored key: the table's keys exactly, and "overview" and
// "plan" (never written) for the dashboard; none for anything else.
std::optional<int> PageForKey(std::u16string_view key);

// What the dialog procedure does for the presenter.
class MainWindowSurface {
public:
    virtual ~MainWindowSurface() = default;

    // ---- The pages.
    // Creates page `index` as a hidden modeless child; false when its dialog
    // could not be created. `size` is its size in pixels.
    virtual bool CreatePage(int index, Size& size) = 0;
    virtual void DestroyPages() = 0;
    virtual void ShowPage(int index, bool visible) = 0;
    // The page's own refresh when it is shown (the profiles list, the Dynamic
    // Boost settings, the events list) or told to re-read.
    virtual void RefreshPage(int index) = 0;
    virtual void SendPageCommand(int index, int command) = 0;
    virtual void SetPageCheck(int index, int control, bool checked) = 0;
    // Sends WM_PENDING_EDITS_CHANGED to the page.
    virtual void SendPendingEditsChanged(int index) = 0;

    // ---- The dashboard's editor and status area.
    virtual void ResetDashboardStatus() = 0;
    // After the pages were created: the plan list and the Dynamic Boost link.
    virtual void DashboardCreated() = 0;
    virtual void DashboardTimer(uint32_t timer) = 0;
    virtual void UpdateDashboardBoostLink() = 0;
    virtual bool PendingEdits() = 0;
    virtual void ClearPendingEdits() = 0;  // the flag and the staged preset
    virtual void ApplyDashboard() = 0;

    // ---- The navigation list (its notifications are the window's own while it fills or selects).
    virtual void SetNavigationRows(const std::vector<std::u16string>& labels) = 0;
    virtual bool NavigationRowSelected(int row) = 0;
    virtual void SelectNavigationRow(int row) = 0;  // selected and focused

    // ---- The window.
    virtual int Dpi() = 0;
    virtual Size ClientSize() = 0;
    // AdjustWindowRectEx for the window's style, extended style and menu.
    virtual Size WindowSizeForClient(Size client) = 0;
    virtual Rect WindowRect() = 0;
    // The work area of the monitor nearest to a point, or to the window.
    virtual Rect WorkAreaNear(Point point) = 0;
    virtual Rect WorkAreaOfWindow() = 0;
    // MonitorFromRect with MONITOR_DEFAULTTONULL found one.
    virtual bool OnAMonitor(const Rect& rect) = 0;
    // Moves and sizes without activating or changing the Z order.
    virtual void MoveWindow(const Rect& rect) = 0;
    virtual void PlaceChildren(const MainWindowLayout& layout) = 0;
    virtual bool Minimised() = 0;
    virtual std::vector<uint8_t> Placement() = 0;  // GetWindowPlacement
    virtual void ApplyTheme() = 0;
    virtual void BringToForeground() = 0;
    virtual void Publish(bool open) = 0;

    virtual void StartTimer(uint32_t id, uint32_t ms) = 0;
    virtual void KillTimer(uint32_t id) = 0;
    virtual void PostTimer(uint32_t id) = 0;
    virtual void PostPendingEditsChanged() = 0;
    virtual bool ShutdownSignalled() = 0;
    // PostQuitMessage(0): ends the dialog's modal loop.
    virtual void PostQuit() = 0;
    // A message box owned by the window.
    virtual int Ask(std::u16string_view text, uint32_t style) = 0;
    // Sends WM_CLOSE to the window.
    virtual void SendClose() = 0;
    // Ends the modal dialog with result 0.
    virtual void EndDialog() = 0;

    // ---- Other parts of the program.
    // Sends the command to the tray window; false when there is none.
    virtual bool ForwardToTray(uint32_t command, intptr_t lParam) = 0;
    virtual void OpenAbout() = 0;
    virtual void ManualUpdateCheck() = 0;
    virtual void StartUpdateCheck() = 0;
    virtual void StopUpdateCheck() = 0;
};

class MainWindowPresenter {
public:
    // `heterogeneous`: the processor has more than one efficiency class (the
    // hybrid page exists). `version`: the running program's version text.
    MainWindowPresenter(MainWindowSurface& surface, bool heterogeneous, std::u16string version);

    // WM_INITDIALOG, after the window attached its menu, icons and title and
    // set up the navigation list.
    void Initialise();
    // Shows a page; an index above 5 or of a page that does not exist is ignored.
    void ShowPage(int index);
    // LVN_ITEMCHANGED of the navigation list.
    void OnNavigationChanged(int row, bool nowSelected, bool wasSelected);
    // WM_COMMAND from a button or the menu; lParam as given.
    void OnCommand(uint32_t command, intptr_t lParam);
    void OnClose();    // WM_CLOSE
    void OnDestroy();  // WM_DESTROY
    void OnTimer(uint32_t id);
    void OnPendingEditsChanged();  // WM_PENDING_EDITS_CHANGED
    // WM_DPICHANGED: the window is moved to `suggested`, then rebuilt.
    void OnDpiChanged(const Rect& suggested);
    // WM_SETTINGCHANGE. True when the window must re-theme itself (WM_THEMECHANGED).
    bool OnSettingChange(uint32_t wParam, std::u16string_view area);
    void OnThemeChanged();
    void OnSize(bool minimised);
    // The fixed window size WM_GETMINMAXINFO reports; none before the pages were measured.
    std::optional<Size> FixedWindowSize();
    // SC_SIZE and SC_MAXIMIZE are swallowed.
    static bool SwallowsSysCommand(uint32_t command);
    // The menu's check marks as the settings stand (when a menu opens).
    struct MenuCheck {
        uint32_t command;
        bool checked;
        bool operator==(const MenuCheck&) const = default;
    };
    static std::vector<MenuCheck> MenuChecks();

    // Destroys the pages and creates them again at the window's dpi, keeping
    // the page shown and the window's corner.
    void Rebuild();
    void LayOut();

    int currentPage() const { return current_; }
    bool pageExists(int index) const;
    // The page each navigation row shows.
    const std::vector<int>& rows() const { return rows_; }
    Size largestPage() const { return largest_; }
    // The navigation list's change notifications are the window's own.
    bool selecting() const { return selecting_; }

private:
    void CreatePages();
    void FillNavigation();
    void Place(const std::optional<Point>& corner);
    std::optional<Point> StoredCorner();
    int StartPage();
    void AskToApplyAndClose();
    bool Forward(uint32_t command, intptr_t lParam);

    MainWindowSurface& surface_;
    bool heterogeneous_;
    std::u16string version_;
    std::array<bool, kPageCount> exists_{};
    std::vector<int> rows_;
    int current_ = 0;
    Size largest_;
    bool measured_ = false;
    bool selecting_ = false;
};

}  // namespace quellora
