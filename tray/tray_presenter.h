// The hidden tray window's decisions: what each message it receives does to
// the notification-area icon, its tooltip and balloons, the menu, the quit of
// the message loop and the thread that watches for `/terminate`. The window
// procedure (tray/win32) only hands messages over and executes what the
// surface is asked to do.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/kernel_objects.h"
#include "tray/tray_messages.h"

namespace quellora {

// The shell's notification-icon behaviour after NIM_SETVERSION (3: the
// callback's lParam is the mouse or balloon message itself).
inline constexpr uint32_t kTrayIconVersion = 3;
// Texts in the shell's fields, NUL excluded.
inline constexpr size_t kTooltipMax = 127;
inline constexpr size_t kBalloonTitleMax = 63;
inline constexpr size_t kBalloonTextMax = 255;
inline constexpr uint32_t kUpdatedBalloonMs = 10000;

enum class TrayIcon : uint8_t { Normal, Parked };

// NOTIFYICONDATA of the icon: ID kTrayIconId, NIF_MESSAGE | NIF_ICON | NIF_TIP,
// callback msg::kTrayCallback.
struct TrayIconData {
    TrayIcon icon = TrayIcon::Normal;
    std::u16string tip;
    bool operator==(const TrayIconData&) const = default;
};

// NIF_INFO without a balloon icon.
struct TrayBalloon {
    std::u16string title;
    std::u16string text;
    uint32_t timeoutMs = 0;
    bool operator==(const TrayBalloon&) const = default;
};

// What the window procedure does for the presenter.
class TraySurface {
public:
    virtual ~TraySurface() = default;
    // Shell_NotifyIconW NIM_ADD, NIM_MODIFY, NIM_SETVERSION; true on success.
    virtual bool AddIcon(const TrayIconData& icon) = 0;
    virtual bool ModifyIcon(const TrayIconData& icon) = 0;
    virtual bool SetIconVersion(uint32_t version) = 0;
    virtual bool ShowBalloon(const TrayBalloon& balloon) = 0;
    // RegisterWindowMessageW("TaskbarCreated"); 0 when it fails.
    virtual uint32_t RegisterTaskbarCreated() = 0;
    // PostMessageW to the tray window; safe from any thread.
    virtual void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // PostQuitMessage(0).
    virtual void PostQuit() = 0;
    // Menu 5051 of the language module.
    virtual void LoadTrayMenu() = 0;
    virtual void DestroyTrayMenu() = 0;
    // Opens the main window, or brings the open one forward.
    virtual void OpenMainWindow() = 0;
};

// Fits a text into `max` UTF-16 code units without splitting a surrogate pair.
std::u16string FitText(std::u16string_view text, size_t max);

// "Quellora v<version>", LF, string 1017, and LF and string 9470 while
// Dynamic Boost is on; at most kTooltipMax characters.
std::u16string NormalTooltip();

class TrayPresenter {
public:
    explicit TrayPresenter(TraySurface& surface);
    ~TrayPresenter();
    TrayPresenter(const TrayPresenter&) = delete;
    TrayPresenter& operator=(const TrayPresenter&) = delete;

    // Handles a message of the tray window; false for the messages the
    // default window procedure handles. `result` is the window procedure's answer.
    bool Handle(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t& result);

    bool iconAdded() const { return iconAdded_; }
    uint32_t taskbarCreatedMessage() const { return taskbarCreated_; }
    // The terminate watch thread is running.
    bool watching() const { return watch_.joinable(); }

private:
    void OnCreate();
    void OnDestroy();
    void OnIconNormal();
    void OnTaskbarCreated();
    void OnTrayCallback(intptr_t event);
    void OnBalloonUpdated();
    void OpenMainWindow();
    void StartTerminateWatch();
    void StopTerminateWatch();

    TraySurface& surface_;
    uint32_t taskbarCreated_ = 0;
    bool iconAdded_ = false;
    // Auto-reset; the update check signals it when it found a newer version.
    KernelHandle updateReady_ = 0;
    // A balloon click opens the main window / installs the update.
    bool openMainWindowOnClick_ = false;
    bool updatePending_ = false;
    // Keeps two opens of the main window from overlapping.
    bool opening_ = false;
    std::mutex openMutex_;
    // Waits for the shutdown event (or the stop at destruction) and then
    // closes the window.
    std::thread watch_;
    KernelHandle watchStop_ = 0;
};

}  // namespace quellora
