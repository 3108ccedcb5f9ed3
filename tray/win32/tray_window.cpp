#include "tray/win32/tray_window.h"

#include <shellapi.h>

#include <cwchar>

#include <system_error>
#include <thread>

#include "platform/startup_state.h"
#include "tray/boost_dialog_window.h"
#include "tray/tray_messages.h"
#include "ui/message_box.h"

namespace quellora::win32 {

namespace {

constexpr int kExecutableIcon = 140;
constexpr int kTrayMenu = 5051;
constexpr int kNormalIcon = 5053;
constexpr int kParkedIcon = 5052;

HINSTANCE ResourceModule() { return reinterpret_cast<HINSTANCE>(State().resourceModule); }

// Copies a text into a fixed field, NUL-terminated (the presenter has fitted it already).
template <size_t N>
void CopyField(wchar_t (&field)[N], std::u16string_view text) {
    const size_t length = text.size() < N ? text.size() : N - 1;
    std::wmemcpy(field, reinterpret_cast<const wchar_t*>(text.data()), length);
    field[length] = L'\0';
}

NOTIFYICONDATAW IconData(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = kTrayIconId;
    data.uCallbackMessage = msg::kTrayCallback;
    return data;
}

}  // namespace

TrayWindow::TrayWindow(MainWindowHooks mainWindow) : mainWindow_(std::move(mainWindow)) {}

TrayWindow::~TrayWindow() {
    Destroy();
    if (normalIcon_) DestroyIcon(normalIcon_);
    if (parkedIcon_) DestroyIcon(parkedIcon_);
}

bool TrayWindow::Create() {
    const std::wstring className = Wide(kTrayWindowClass);
    const std::wstring windowName = Wide(kTrayWindowName);
    HINSTANCE module = ResourceModule();
    HINSTANCE executable = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = module;
    wc.hIcon = LoadIconW(executable, MAKEINTRESOURCEW(kExecutableIcon));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEW(kTrayMenu);
    wc.lpszClassName = className.c_str();
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    hwnd_ = CreateWindowExW(0, className.c_str(), windowName.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, module, this);
    return hwnd_ != nullptr;
}

void TrayWindow::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

LRESULT CALLBACK TrayWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TrayWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<TrayWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    intptr_t result = 0;
    if (self && self->presenter_.Handle(message, wParam, lParam, result)) return result;
    if (message == WM_NCDESTROY && self) self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HICON TrayWindow::IconFor(TrayIcon icon) {
    // Loaded once, at the size of the notification area.
    HICON& slot = icon == TrayIcon::Normal ? normalIcon_ : parkedIcon_;
    if (!slot) {
        slot = static_cast<HICON>(LoadImageW(ResourceModule(),
                                             MAKEINTRESOURCEW(icon == TrayIcon::Normal ? kNormalIcon : kParkedIcon),
                                             IMAGE_ICON, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    }
    return slot;
}

bool TrayWindow::NotifyIcon(DWORD operation, const TrayIconData& icon) {
    NOTIFYICONDATAW data = IconData(hwnd_);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.hIcon = IconFor(icon.icon);
    CopyField(data.szTip, icon.tip);
    return Shell_NotifyIconW(operation, &data) != FALSE;
}

bool TrayWindow::AddIcon(const TrayIconData& icon) { return NotifyIcon(NIM_ADD, icon); }

bool TrayWindow::ModifyIcon(const TrayIconData& icon) { return NotifyIcon(NIM_MODIFY, icon); }

bool TrayWindow::SetIconVersion(uint32_t version) {
    NOTIFYICONDATAW data = IconData(hwnd_);
    data.uVersion = version;
    return Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
}

bool TrayWindow::ShowBalloon(const TrayBalloon& balloon) {
    NOTIFYICONDATAW data = IconData(hwnd_);
    data.uFlags = NIF_INFO;
    CopyField(data.szInfoTitle, balloon.title);
    CopyField(data.szInfo, balloon.text);
    data.uTimeout = balloon.timeoutMs;
    data.dwInfoFlags = NIIF_NONE;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void TrayWindow::RemoveIcon() {
    if (!hwnd_) return;
    NOTIFYICONDATAW data = IconData(hwnd_);
    data.uFlags = NIF_MESSAGE;
    Shell_NotifyIconW(NIM_DELETE, &data);
}

uint32_t TrayWindow::RegisterTaskbarCreated() { return RegisterWindowMessageW(L"TaskbarCreated"); }

void TrayWindow::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (hwnd_) PostMessageW(hwnd_, message, wParam, lParam);
}

void TrayWindow::PostQuit() { PostQuitMessage(0); }

void TrayWindow::LoadTrayMenu() {
    if (!menu_) menu_ = LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(kTrayMenu));
}

void TrayWindow::DestroyTrayMenu() {
    if (menu_) ::DestroyMenu(menu_);
    menu_ = nullptr;
}

void TrayWindow::SetTimer(uint32_t id, uint32_t periodMs) {
    if (hwnd_) ::SetTimer(hwnd_, id, periodMs, nullptr);
}

void TrayWindow::KillTimer(uint32_t id) {
    if (hwnd_) ::KillTimer(hwnd_, id);
}

uint32_t TrayWindow::ShowMenu(const TrayMenu& menu) {
    HMENU popup = menu_ ? GetSubMenu(menu_, 0) : nullptr;
    if (!popup) return 0;
    // The plan submenu: its items replaced by the plans of this showing.
    if (HMENU plans = GetSubMenu(popup, 2)) {
        while (GetMenuItemCount(plans) > 0) DeleteMenu(plans, 0, MF_BYPOSITION);
        for (const TrayMenuPlan& plan : menu.plans) {
            const std::wstring text = Wide(plan.text);
            AppendMenuW(plans, MF_STRING | (plan.checked ? MF_CHECKED : MF_UNCHECKED), plan.command, text.c_str());
        }
    }
    for (const TrayMenuCheck& check : menu.checks) {
        CheckMenuItem(popup, check.command, MF_BYCOMMAND | (check.checked ? MF_CHECKED : MF_UNCHECKED));
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    // In the foreground, so that a click elsewhere closes the menu.
    SetForegroundWindow(hwnd_);
    const UINT command = static_cast<UINT>(
        TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hwnd_, nullptr));
    PostMessageW(hwnd_, msg::kNull, 0, 0);
    return command;
}

int TrayWindow::Message(std::u16string_view text, uint32_t style) { return AnswerOf(ShowMessage(hwnd_, text, style)); }

void TrayWindow::RunInBackground(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
    } catch (const std::system_error&) {
        // No thread: the work is left undone (an update check waits for the next timer).
    }
}

void TrayWindow::OpenMainWindow() {
    if (mainWindow_.open) mainWindow_.open();
}

bool TrayWindow::MainWindowOpen() { return mainWindow_.isOpen && mainWindow_.isOpen(); }

bool TrayWindow::MainWindowParkedCount(uint32_t&) { return false; }  // the main window has no sampler of its own yet

void TrayWindow::CloseMainWindow() {
    if (mainWindow_.close) mainWindow_.close();
}

void TrayWindow::RunBoostDialog() { RunBoostDialogWindow(nullptr); }

}  // namespace quellora::win32
