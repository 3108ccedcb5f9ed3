#include "app/win32/desktop_shell.h"

#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include <memory>

#include "monitor/plan_change.h"
#include "platform/win32/com_apartment.h"
#include "tray/tray_messages.h"
#include "tray/win32/tray_window.h"
#include "ui/main_window.h"

namespace quellora::win32 {

namespace {

class Win32DesktopShell : public InteractiveShell {
public:
    void InitCommonControls() override {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES;
        InitCommonControlsEx(&controls);
    }

    int RunMainWindowAlone(bool classic) override {
        // The main window hosts the file dialogs of its pages: the main thread
        // becomes a single-threaded apartment for it.
        MoveMainThreadToSingleThreadedApartment();
        return RunMainWindow(classic);
    }

    bool CreateTrayWindow() override {
        tray_ = std::make_unique<win32::TrayWindow>(
            MainWindowHooks{OpenMainWindow, MainWindowOpen, [] { CloseMainWindow(); }});
        if (tray_->Create()) return true;
        tray_.reset();
        return false;
    }

    WindowHandle TrayWindow() override { return tray_ ? tray_->handle() : nullptr; }

    void SendIconNormal() override {
        if (tray_) SendMessageW(tray_->handle(), msg::kIconNormal, 0, 0);
    }

    void PostUpdatedBalloon() override {
        if (tray_) PostMessageW(tray_->handle(), msg::kBalloonUpdated, 0, 0);
    }

    void StartPlanWatcher() override {
        if (!tray_) return;
        HWND window = tray_->handle();
        quellora::StartPlanWatcher([window](const PlanChangeRecord& record) {
            SendMessageW(window, msg::kPlanChanged, 0, reinterpret_cast<LPARAM>(&record));
        });
    }

    void RunMessageLoop() override {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    void RemoveTrayIcon() override {
        if (!tray_) return;
        tray_->RemoveIcon();
        // Its WM_DESTROY ends the terminate watch thread and releases the menu.
        tray_->Destroy();
    }

private:
    std::unique_ptr<win32::TrayWindow> tray_;
};

}  // namespace

InteractiveShell& DesktopShell() {
    static Win32DesktopShell* shell = new Win32DesktopShell();  // lives as long as the process
    return *shell;
}

}  // namespace quellora::win32
