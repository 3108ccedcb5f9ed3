// The hidden tray window on Windows: its class, its creation, its window
// procedure (which hands every message to the presenter) and the shell calls
// behind its notification-area icon.
#pragma once

#include "platform/win32/wide.h"
//
#include <functional>

#include "tray/tray_presenter.h"

namespace quellora::win32 {

// The main window as the tray reaches it.
struct MainWindowHooks {
    std::function<void()> open;         // opens it, or brings it forward
    std::function<bool()> isOpen;
    std::function<void()> close;        // asks it to close
};

class TrayWindow : public TraySurface {
public:
    explicit TrayWindow(MainWindowHooks mainWindow);
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
    void SetTimer(uint32_t id, uint32_t periodMs) override;
    void KillTimer(uint32_t id) override;
    void LoadTrayMenu() override;
    void DestroyTrayMenu() override;
    uint32_t ShowMenu(const TrayMenu& menu) override;
    int Message(std::u16string_view text, uint32_t style) override;
    void RunInBackground(std::function<void()> work) override;
    void OpenMainWindow() override;
    bool MainWindowOpen() override;
    bool MainWindowParkedCount(uint32_t& parked) override;
    void CloseMainWindow() override;
    void RunBoostDialog() override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool NotifyIcon(DWORD operation, const TrayIconData& icon);
    HICON IconFor(TrayIcon icon);

    HWND hwnd_ = nullptr;
    HMENU menu_ = nullptr;
    HICON normalIcon_ = nullptr;
    HICON parkedIcon_ = nullptr;
    MainWindowHooks mainWindow_;
    TrayPresenter presenter_{*this};
};

}  // namespace quellora::win32
