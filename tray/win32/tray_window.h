// The hidden tray window on Windows: its class, its creation, its window
// procedure (which hands every message to the presenter) and the shell calls
// behind its notification-area icon.
#pragma once

#include "platform/win32/wide.h"
//
#include <functional>

#include "tray/tray_presenter.h"

namespace quellora::win32 {

class TrayWindow : public TraySurface {
public:
    // `openMainWindow` opens the main window or brings it forward.
    explicit TrayWindow(std::function<void()> openMainWindow);
    ~TrayWindow() override;
    TrayWindow(const TrayWindow&) = delete;
    TrayWindow& operator=(const TrayWindow&) = delete;

    // Registers the window class and creates the window, which is never shown.
    bool Create();
    // Destroys the window (its WM_DESTROY ends the terminate watch thread).
    void Destroy();
    HWND handle() const { return hwnd_; }
    // NIM_DELETE of the icon.
    void RemoveIcon();

    bool AddIcon(const TrayIconData& icon) override;
    bool ModifyIcon(const TrayIconData& icon) override;
    bool SetIconVersion(uint32_t version) override;
    bool ShowBalloon(const TrayBalloon& balloon) override;
    uint32_t RegisterTaskbarCreated() override;
    void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void PostQuit() override;
    void LoadTrayMenu() override;
    void DestroyTrayMenu() override;
    void OpenMainWindow() override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool NotifyIcon(DWORD operation, const TrayIconData& icon);
    HICON IconFor(TrayIcon icon);

    HWND hwnd_ = nullptr;
    HMENU menu_ = nullptr;
    HICON normalIcon_ = nullptr;
    HICON parkedIcon_ = nullptr;
    std::function<void()> openMainWindow_;
    TrayPresenter presenter_{*this};
};

}  // namespace quellora::win32
