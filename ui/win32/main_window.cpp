#include "ui/win32/main_window.h"

#include <atomic>
#include <system_error>
#include <thread>

#include "platform/language.h"
#include "platform/platform.h"
#include "platform/startup_state.h"
#include "platform/win32/com_apartment.h"
#include "power/main_topology.h"
#include "tray/update_check.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/win32/dashboard_page.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/editor_pages.h"
#include "ui/win32/theme_windows.h"

namespace quellora::win32 {

std::unique_ptr<PageWindow> MakeEditorPage(MainWindow& owner, int index);
std::unique_ptr<PageWindow> MakeEventsPage(MainWindow& owner, int index);
std::unique_ptr<PageWindow> MakeProfilesPage(MainWindow& owner, int index);
std::unique_ptr<PageWindow> MakeBoostPage(MainWindow& owner, int index);
std::unique_ptr<PageWindow> MakeSettingsPage(MainWindow& owner, int index);

namespace {

using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

constexpr std::wstring_view kTrayClass = L"WndClass-{df0cc042-6f6f-4712-bf25-2b984f3e8777}";
constexpr std::wstring_view kTrayName = L"WndName-{7298c6b8-835f-4234-8054-49925ccd4038}";

std::atomic<HWND> g_published{nullptr};
// Keeps a second main window of this process from opening while one runs.
std::atomic<bool> g_running{false};

// A page that other parts of the program fill; it shows its template as it is.
class PlainPage : public PageWindow {
public:
    using PageWindow::PageWindow;
};

Rect ToRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

Rect WorkArea(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoW(monitor, &info)) {
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        return ToRect(work);
    }
    return ToRect(info.rcWork);
}

// The tray window of this process, found by its class and name.
HWND TrayWindowOfThisProcess() {
    HWND tray = FindWindowW(kTrayClass.data(), kTrayName.data());
    DWORD process = 0;
    if (!tray || !GetWindowThreadProcessId(tray, &process) || process != GetCurrentProcessId()) return nullptr;
    return tray;
}

}  // namespace

// ---- Pages

PageWindow::~PageWindow() {
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        DestroyWindow(hwnd_);
    }
}

bool PageWindow::Create(HWND parent, int dialog) {
    hwnd_ = CreateDialogParamW(owner_.module(), MAKEINTRESOURCEW(dialog), parent, Proc, reinterpret_cast<LPARAM>(this));
    return hwnd_ != nullptr;
}

void PageWindow::Command(int, UINT, HWND) {}
LRESULT PageWindow::Notify(const NMHDR&) { return 0; }
bool PageWindow::Message(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }
void PageWindow::Resized(int, int) {}

INT_PTR CALLBACK PageWindow::Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* page = DialogOwner<PageWindow>(dialog, message, lParam);
    if (message == WM_INITDIALOG) {
        page->hwnd_ = dialog;
        page->Initialise();
        return FALSE;
    }
    if (!page) return FALSE;
    if (INT_PTR colour; AnswerControlColour(message, wParam, lParam, colour)) return colour;
    switch (message) {
        case WM_COMMAND:
            page->Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_NOTIFY:
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, page->Notify(*reinterpret_cast<NMHDR*>(lParam)));
            return TRUE;
        case WM_SIZE:
            page->Resized(LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        default: {
            INT_PTR result = FALSE;
            if (page->Message(message, wParam, lParam, result)) return result;
            return FALSE;
        }
    }
}

std::unique_ptr<PageWindow> MakePage(MainWindow& owner, int index) {
    switch (static_cast<Page>(index)) {
        case Page::Dashboard: return std::make_unique<DashboardPage>(owner, index);
        case Page::Hybrid: return MakeEditorPage(owner, index);
        case Page::Events: return MakeEventsPage(owner, index);
        case Page::Profiles: return MakeProfilesPage(owner, index);
        case Page::Boost: return MakeBoostPage(owner, index);
        case Page::Settings: return MakeSettingsPage(owner, index);
        default: return std::make_unique<PlainPage>(owner, index);
    }
}

// ---- The window

MainWindow::MainWindow()
    : editor_(nullptr), presenter_(*this, IsHeterogeneousProcessor(), std::u16string(kProgramVersion)) {
    editor_ = std::make_unique<EditorPages>(*this);
}

MainWindow::~MainWindow() {
    if (menu_) DestroyMenu(menu_);
    if (smallIcon_) DestroyIcon(smallIcon_);
    if (largeIcon_) DestroyIcon(largeIcon_);
}

int MainWindow::Run() {
    module_ = reinterpret_cast<HMODULE>(State().resourceModule);
    if (!module_) module_ = GetModuleHandleW(nullptr);
    const INT_PTR result =
        DialogBoxParamW(module_, MAKEINTRESOURCEW(main_window::kDialog), nullptr, Proc, reinterpret_cast<LPARAM>(this));
    return result < 0 ? 1 : static_cast<int>(result);
}

PageWindow* MainWindow::page(int index) const {
    if (index < 0 || index >= kPageCount) return nullptr;
    return pages_[static_cast<size_t>(index)].get();
}

HWND MainWindow::Tooltips(HWND pageWindow) { return CreateBalloonTooltips(pageWindow); }

INT_PTR CALLBACK MainWindow::Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = DialogOwner<MainWindow>(dialog, message, lParam);
    if (message == WM_INITDIALOG) {
        window->hwnd_ = dialog;
        window->Initialise();
        return FALSE;  // the focus is set
    }
    if (!window) return FALSE;
    return window->Handle(message, wParam, lParam);
}

void MainWindow::Initialise() {
    const int dpi = WindowDpi(hwnd_);
    menu_ = LoadMenuW(module_, MAKEINTRESOURCEW(main_window::kMenu));
    if (menu_) SetMenu(hwnd_, menu_);
    smallIcon_ = static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(main_window::kIcon), IMAGE_ICON,
                                               ScaleForDpi(16, dpi), ScaleForDpi(16, dpi), 0));
    largeIcon_ = static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(main_window::kIcon), IMAGE_ICON,
                                               ScaleForDpi(32, dpi), ScaleForDpi(32, dpi), 0));
    if (smallIcon_) SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    if (largeIcon_) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
    SetWindowTextW(hwnd_, Wide(LoadText(main_window::kTitleText)).c_str());

    navigation_ = GetDlgItem(hwnd_, main_window::kNavigationList);
    ListView_SetExtendedListViewStyle(navigation_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = ScaleForDpi(main_layout::kNavigationWidth, dpi);
    ListView_InsertColumn(navigation_, 0, &column);

    RefreshTheme();
    presenter_.Initialise();
    if (navigation_) SetFocus(navigation_);
}

INT_PTR MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (INT_PTR answer; AnswerMenuDialogTheme(hwnd_, message, wParam, lParam, answer)) return answer;
    switch (message) {
        case WM_COMMAND: {
            const auto command = static_cast<uint32_t>(LOWORD(wParam));
            presenter_.OnCommand(command, lParam);
            return TRUE;
        }
        case WM_CLOSE:
            presenter_.OnClose();
            return TRUE;
        case WM_INITMENUPOPUP: {
            auto menu = reinterpret_cast<HMENU>(wParam);
            for (const MainWindowPresenter::MenuCheck& c : MainWindowPresenter::MenuChecks()) {
                CheckMenuItem(menu, c.command, MF_BYCOMMAND | (c.checked ? MF_CHECKED : MF_UNCHECKED));
            }
            return FALSE;
        }
        case WM_DESTROY:
            presenter_.OnDestroy();
            return FALSE;
        case WM_TIMER:
            presenter_.OnTimer(static_cast<uint32_t>(wParam));
            return TRUE;
        case main_window::kPendingEditsChanged:
            presenter_.OnPendingEditsChanged();
            return TRUE;
        case WM_GETMINMAXINFO: {
            const std::optional<Size> size = presenter_.FixedWindowSize();
            if (!size) return FALSE;
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMaxSize = POINT{size->width, size->height};
            info->ptMinTrackSize = info->ptMaxSize;
            info->ptMaxTrackSize = info->ptMaxSize;
            return TRUE;
        }
        case WM_SYSCOMMAND:
            if (MainWindowPresenter::SwallowsSysCommand(static_cast<uint32_t>(wParam))) {
                SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 0);
                return TRUE;
            }
            return FALSE;
        case WM_DPICHANGED:
            presenter_.OnDpiChanged(ToRect(*reinterpret_cast<RECT*>(lParam)));
            return TRUE;
        case WM_SETTINGCHANGE: {
            const auto* area = reinterpret_cast<const wchar_t*>(lParam);
            if (presenter_.OnSettingChange(static_cast<uint32_t>(wParam), area ? FromWide(area) : std::u16string())) {
                SendMessageW(hwnd_, WM_THEMECHANGED, 0, 0);
            }
            return FALSE;
        }
        case WM_THEMECHANGED:
            rethemePages_ = true;
            presenter_.OnThemeChanged();
            return FALSE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->idFrom == main_window::kNavigationList && header->code == LVN_ITEMCHANGED) {
                const auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
                if (change->uChanged & LVIF_STATE) {
                    presenter_.OnNavigationChanged(change->iItem, (change->uNewState & LVIS_SELECTED) != 0,
                                                   (change->uOldState & LVIS_SELECTED) != 0);
                }
            }
            return FALSE;
        }
        case WM_SIZE:
            presenter_.OnSize(wParam == SIZE_MINIMIZED);
            return FALSE;
        default:
            return FALSE;
    }
}

// ---- MainWindowSurface

bool MainWindow::CreatePage(int index, Size& size) {
    auto created = MakePage(*this, index);
    if (!created->Create(hwnd_, PageTable()[static_cast<size_t>(index)].dialog)) return false;
    RECT r{};
    GetWindowRect(created->hwnd(), &r);
    size = Size{r.right - r.left, r.bottom - r.top};
    ThemeChildren(created->hwnd());
    created->Rethemed();
    pagesDark_ = DarkThemeNow();
    pages_[static_cast<size_t>(index)] = std::move(created);
    auto hwndOf = [this](Page p) {
        PageWindow* w = page(static_cast<int>(p));
        return w ? w->hwnd() : nullptr;
    };
    editor_->Attach(hwndOf(Page::Dashboard), hwndOf(Page::Hybrid));
    return true;
}

void MainWindow::DestroyPages() {
    editor_->Attach(nullptr, nullptr);
    for (auto& p : pages_) p.reset();
}

void MainWindow::ShowPage(int index, bool visible) {
    if (PageWindow* p = page(index)) ShowWindow(p->hwnd(), visible ? SW_SHOW : SW_HIDE);
}

void MainWindow::RefreshPage(int index) {
    if (PageWindow* p = page(index)) p->Refresh();
}

void MainWindow::SendPageCommand(int index, int command) {
    if (PageWindow* p = page(index)) {
        SendMessageW(p->hwnd(), WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(p->hwnd(), command)));
    }
}

void MainWindow::SetPageCheck(int index, int control, bool checked) {
    if (PageWindow* p = page(index)) CheckDlgButton(p->hwnd(), control, checked ? BST_CHECKED : BST_UNCHECKED);
}

void MainWindow::SendPendingEditsChanged(int index) {
    if (PageWindow* p = page(index)) SendMessageW(p->hwnd(), main_window::kPendingEditsChanged, 0, 0);
}

namespace {

DashboardStatusWindow* DashboardStatusOf(MainWindow& window) {
    auto* dashboard = dynamic_cast<DashboardPage*>(window.page(static_cast<int>(Page::Dashboard)));
    return dashboard ? dashboard->status() : nullptr;
}

}  // namespace

void MainWindow::ResetDashboardStatus() {
    if (DashboardStatusWindow* status = DashboardStatusOf(*this)) status->status().ResetCache();
}

void MainWindow::DashboardTimer(uint32_t timer) {
    if (DashboardStatusWindow* status = DashboardStatusOf(*this)) status->status().OnTimer(timer);
}

void MainWindow::TurnMakerPlanListing(bool on) {
    if (DashboardStatusWindow* status = DashboardStatusOf(*this)) status->status().TurnMakerPlanListing(on);
}

void MainWindow::UpdateDashboardBoostLink() {
    if (DashboardStatusWindow* status = DashboardStatusOf(*this)) status->status().UpdateBoostLink();
}

void MainWindow::DashboardCreated() {
    editor_->presenter().Initialise();
    if (auto* dashboard = dynamic_cast<DashboardPage*>(page(static_cast<int>(Page::Dashboard)))) dashboard->Ready();
}

bool MainWindow::PendingEdits() { return editor_->presenter().pendingEdits(); }
void MainWindow::ClearPendingEdits() { editor_->presenter().ClearPending(); }
void MainWindow::ApplyDashboard() { editor_->presenter().Apply(); }

void MainWindow::SetNavigationRows(const std::vector<std::u16string>& labels) {
    ListView_DeleteAllItems(navigation_);
    int row = 0;
    for (const std::u16string& label : labels) {
        std::wstring text = Wide(label);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row++;
        item.pszText = text.data();
        ListView_InsertItem(navigation_, &item);
    }
}

bool MainWindow::NavigationRowSelected(int row) {
    return (ListView_GetItemState(navigation_, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void MainWindow::SelectNavigationRow(int row) {
    ListView_SetItemState(navigation_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int MainWindow::Dpi() { return WindowDpi(hwnd_); }

Size MainWindow::ClientSize() {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return Size{r.right, r.bottom};
}

Size MainWindow::WindowSizeForClient(Size client) {
    RECT r{0, 0, client.width, client.height};
    const auto style = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE));
    static const auto forDpi =
        BindExport<AdjustWindowRectExForDpiFn>(LoadedModule(L"user32.dll"), "AdjustWindowRectExForDpi");
    if (!forDpi || !forDpi(&r, style, GetMenu(hwnd_) != nullptr, exStyle, static_cast<UINT>(Dpi()))) {
        AdjustWindowRectEx(&r, style, GetMenu(hwnd_) != nullptr, exStyle);
    }
    return Size{r.right - r.left, r.bottom - r.top};
}

Rect MainWindow::WindowRect() {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return ToRect(r);
}

Rect MainWindow::WorkAreaNear(Point point) {
    return WorkArea(MonitorFromPoint(POINT{point.x, point.y}, MONITOR_DEFAULTTONEAREST));
}

Rect MainWindow::WorkAreaOfWindow() { return WorkArea(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST)); }

bool MainWindow::OnAMonitor(const Rect& rect) {
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    return MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr;
}

void MainWindow::MoveWindow(const Rect& rect) {
    SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.width(), rect.height(), SWP_NOACTIVATE | SWP_NOZORDER);
}

void MainWindow::PlaceChildren(const MainWindowLayout& layout) {
    const Rect& n = layout.navigation;
    SetWindowPos(navigation_, nullptr, n.left, n.top, n.width(), n.height(), SWP_NOACTIVATE | SWP_NOZORDER);
    ListView_SetColumnWidth(navigation_, 0, layout.navigationColumn);
    const Rect& p = layout.page;
    for (auto& pageWindow : pages_) {
        if (pageWindow) {
            SetWindowPos(pageWindow->hwnd(), nullptr, p.left, p.top, p.width(), p.height(), SWP_NOACTIVATE | SWP_NOZORDER);
        }
    }
}

bool MainWindow::Minimised() { return IsIconic(hwnd_) != FALSE; }

std::vector<uint8_t> MainWindow::Placement() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(hwnd_, &placement)) return {};
    const auto* bytes = reinterpret_cast<const uint8_t*>(&placement);
    return std::vector<uint8_t>(bytes, bytes + sizeof placement);
}

void MainWindow::ApplyTheme() {
    RefreshTheme();
    ThemeTitleBar(hwnd_);
    if (navigation_) ThemeListView(navigation_);
    if (rethemePages_ || pagesDark_ != DarkThemeNow()) {
        for (auto& p : pages_) {
            if (!p) continue;
            ThemeChildren(p->hwnd());
            p->Rethemed();
        }
        pagesDark_ = DarkThemeNow();
        rethemePages_ = false;
    }
    RethemeTooltips();
    DrawMenuBar(hwnd_);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void MainWindow::BringToForeground() { SetForegroundWindow(hwnd_); }

void MainWindow::Publish(bool open) { PublishMainWindow(open ? hwnd_ : nullptr); }

void MainWindow::StartTimer(uint32_t id, uint32_t ms) { SetTimer(hwnd_, id, ms, nullptr); }
void MainWindow::KillTimer(uint32_t id) { ::KillTimer(hwnd_, id); }
void MainWindow::PostTimer(uint32_t id) { PostMessageW(hwnd_, WM_TIMER, id, 0); }
void MainWindow::PostPendingEditsChanged() { PostMessageW(hwnd_, main_window::kPendingEditsChanged, 0, 0); }

bool MainWindow::ShutdownSignalled() { return Sys().events && Sys().events->IsSignalled(kShutdownEventName); }

void MainWindow::PostQuit() { PostQuitMessage(0); }

int MainWindow::Ask(std::u16string_view text, uint32_t style) { return ShowMessage(hwnd_, text, style); }

void MainWindow::SendClose() { SendMessageW(hwnd_, WM_CLOSE, 0, 0); }

void MainWindow::EndDialog() {
    if (ended_) return;
    ended_ = true;
    ::EndDialog(hwnd_, 0);
}

bool MainWindow::ForwardToTray(uint32_t command, intptr_t lParam) {
    HWND tray = TrayWindowOfThisProcess();
    if (!tray) return false;
    SendMessageW(tray, WM_COMMAND, command, lParam);
    return true;
}

void MainWindow::OpenAbout() {
    RunAboutDialog(hwnd_, module_, [this] { ManualUpdateCheck(); });
}

void MainWindow::ManualUpdateCheck() {
    // The installer was started: it replaces the program, which ends now.
    if (!quellora::ManualUpdateCheck(hwnd_)) return;
    if (!ForwardToTray(main_window::kExit, 0)) SendClose();
}

void MainWindow::StartUpdateCheck() { updateCheck_.Start(); }

void MainWindow::StopUpdateCheck() { updateCheck_.Stop(); }

bool MainWindow::UpdateCheckFinished() { return updateCheck_.Finished(); }

// The check runs on a thread of its own and signals the event when it is
// done; the thread keeps the event alive for as long as it needs it.
void WindowUpdateCheck::Start() {
    auto ready = std::make_shared<ThreadEvent>(ThreadEvent::Reset::Auto);
    try {
        std::thread([ready] { AutomaticUpdateCheck(*ready); }).detach();
        ready_ = std::move(ready);
    } catch (const std::system_error&) {
        // No thread: no check until the window opens again.
    }
}

void WindowUpdateCheck::Stop() { ready_.reset(); }

bool WindowUpdateCheck::Finished() {
    if (!ready_ || !ready_->TryWait()) return false;
    ready_.reset();
    return true;
}

}  // namespace quellora::win32

namespace quellora {

WindowHandle MainWindowHandle() { return win32::g_published.load(); }

void PublishMainWindow(WindowHandle window) { win32::g_published = static_cast<HWND>(window); }

int RunMainWindow(bool classic) {
    // The pages' lists and links, whoever started the process.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_LINK_CLASS;
    InitCommonControlsEx(&controls);
    // One at a time in this process, whoever opens it.
    bool expected = false;
    if (!win32::g_running.compare_exchange_strong(expected, true)) return 0;
    int result = 0;
    // The classic dialog takes the main window's place: never both at once.
    if (classic) {
        result = win32::RunClassicDialog();
    } else {
        win32::MainWindow window;
        result = window.Run();
    }
    win32::g_running = false;
    return result;
}

void OpenMainWindow() {
    if (HWND open = win32::g_published.load()) {
        ShowWindow(open, SW_SHOWNORMAL);
        SetForegroundWindow(open);
        return;
    }
    KernelObjects* kernel = Sys().kernel;
    const KernelHandle mutex = State().mainWindowMutex;
    try {
        std::thread([kernel, mutex] {
            // At most one main window: a thread that cannot take the mutex at once leaves it.
            if (kernel && mutex && !kernel->TryLock(mutex)) return;
            {
                // The pages host the shell's file dialogs: a single-threaded apartment.
                const win32::SingleThreadedApartment apartment;
                RunMainWindow(State().classic);
            }
            if (kernel && mutex) kernel->Unlock(mutex);
        }).detach();
    } catch (const std::system_error&) {
        // No thread, no window; the next click tries again.
    }
}

bool CloseMainWindow() {
    HWND open = win32::g_published.load();
    if (!open) return false;
    SendMessageW(open, WM_CLOSE, 0, 0);
    return true;
}

}  // namespace quellora
