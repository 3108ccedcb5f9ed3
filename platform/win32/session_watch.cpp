// The Dynamic Boost worker's waits on Windows: a hidden window of its own
// receives the display and lid power-setting notifications and the session's
// lock and unlock; the worker waits for its stop and reload events and for the
// window's messages together.
#include "platform/win32/win32_platform.h"
#include "platform/win32/wide.h"

#include <cstring>

namespace quellora::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"QuelloraDynamicBoostNotify";

// GUID_CONSOLE_DISPLAY_STATE {6FE69556-704A-47A0-8F24-C28D936FDA47}: 0 off, 1 on, 2 dimmed.
constexpr GUID kConsoleDisplayState = {0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};
// GUID_LIDSWITCH_STATE_CHANGE {BA3E0F4D-B817-4094-A2D1-D56379E6A0F3}: 0 closed, 1 open.
constexpr GUID kLidSwitchStateChange = {0xBA3E0F4D, 0xB817, 0x4094, {0xA2, 0xD1, 0xD5, 0x63, 0x79, 0xE6, 0xA0, 0xF3}};

constexpr UINT kWmPowerBroadcast = 0x0218;      // WM_POWERBROADCAST
constexpr WPARAM kPowerSettingChange = 0x8013;  // PBT_POWERSETTINGCHANGE
constexpr UINT kWmSessionChange = 0x02B1;       // WM_WTSSESSION_CHANGE
constexpr WPARAM kSessionLock = 0x7;            // WTS_SESSION_LOCK
constexpr WPARAM kSessionUnlock = 0x8;          // WTS_SESSION_UNLOCK
constexpr DWORD kNotifyForThisSession = 0;      // NOTIFY_FOR_THIS_SESSION
constexpr DWORD kDeviceNotifyWindowHandle = 0;  // DEVICE_NOTIFY_WINDOW_HANDLE

// POWERBROADCAST_SETTING: the setting, the length of its data, the data.
struct PowerSettingData {
    GUID setting;
    DWORD length;
    UCHAR data[1];
};

// Bound at run time: systems before Vista and Wine may lack them.
using RegisterPowerNotify = HANDLE(WINAPI*)(HANDLE, const GUID*, DWORD);
using UnregisterPowerNotify = BOOL(WINAPI*)(HANDLE);
using RegisterSessionNotify = BOOL(WINAPI*)(HWND, DWORD);
using UnregisterSessionNotify = BOOL(WINAPI*)(HWND);

struct NotificationFunctions {
    RegisterPowerNotify registerPower = nullptr;
    UnregisterPowerNotify unregisterPower = nullptr;
    RegisterSessionNotify registerSession = nullptr;
    UnregisterSessionNotify unregisterSession = nullptr;
};

const NotificationFunctions& Notifications() {
    static const NotificationFunctions fns = [] {
        NotificationFunctions f;
        HMODULE user32 = LoadedModule(L"user32.dll");
        f.registerPower = BindExport<RegisterPowerNotify>(user32, "RegisterPowerSettingNotification");
        f.unregisterPower = BindExport<UnregisterPowerNotify>(user32, "UnregisterPowerSettingNotification");
        HMODULE wts = SystemLibrary(L"wtsapi32.dll");
        f.registerSession = BindExport<RegisterSessionNotify>(wts, "WTSRegisterSessionNotification");
        f.unregisterSession = BindExport<UnregisterSessionNotify>(wts, "WTSUnRegisterSessionNotification");
        return f;
    }();
    return fns;
}

class WindowWatch : public SessionWatch {
public:
    WindowWatch()
        : stop_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), reload_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

    ~WindowWatch() override {
        if (stop_) CloseHandle(stop_);
        if (reload_) CloseHandle(reload_);
    }

    bool Begin() override {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW wc{};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kWindowClass;
        RegisterClassW(&wc);  // fails harmlessly when an earlier run registered it
        window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                                  nullptr);
        if (!window_) return false;
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        const NotificationFunctions& fns = Notifications();
        if (fns.registerPower) {
            display_ = fns.registerPower(window_, &kConsoleDisplayState, kDeviceNotifyWindowHandle);
            lid_ = fns.registerPower(window_, &kLidSwitchStateChange, kDeviceNotifyWindowHandle);
        }
        if (fns.registerSession) sessionRegistered_ = fns.registerSession(window_, kNotifyForThisSession) != FALSE;
        // Windows sends the current display and lid states at registration.
        DispatchQueued();
        return true;
    }

    void End() override {
        const NotificationFunctions& fns = Notifications();
        if (fns.unregisterPower) {
            if (display_) fns.unregisterPower(display_);
            if (lid_) fns.unregisterPower(lid_);
        }
        display_ = lid_ = nullptr;
        if (sessionRegistered_ && fns.unregisterSession) fns.unregisterSession(window_);
        sessionRegistered_ = false;
        if (window_) {
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
            window_ = nullptr;
        }
    }

    Wake Wait(uint32_t timeoutMs) override {
        HANDLE handles[2] = {stop_, reload_};
        if (!stop_ || !reload_) return Wake::Failed;
        const DWORD result = MsgWaitForMultipleObjects(2, handles, FALSE, timeoutMs, QS_ALLINPUT);
        switch (result) {
            case WAIT_OBJECT_0:
                return Wake::Stop;
            case WAIT_OBJECT_0 + 1:
                return Wake::Reload;
            case WAIT_OBJECT_0 + 2:
                DispatchQueued();
                return Wake::Report;
            case WAIT_TIMEOUT:
                return Wake::Timeout;
            default:
                return Wake::Failed;
        }
    }

    void SignalStop() override {
        if (stop_) SetEvent(stop_);
    }

    void SignalReload() override {
        if (reload_) SetEvent(reload_);
    }

    void TakeReports(bool& displayOff, bool& lidClosed, bool& locked) override {
        if (displayReported_) displayOff = displayOff_;
        if (lidReported_) lidClosed = lidClosed_;
        if (lockReported_) locked = locked_;
        displayReported_ = lidReported_ = lockReported_ = false;
    }

private:
    static void DispatchQueued() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<WindowWatch*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == kWmPowerBroadcast) {
            if (self && wParam == kPowerSettingChange && lParam) {
                const auto* setting = reinterpret_cast<const PowerSettingData*>(lParam);
                if (setting->length >= sizeof(DWORD)) {
                    DWORD state = 0;
                    memcpy(&state, setting->data, sizeof state);
                    if (IsEqualGUID(setting->setting, kConsoleDisplayState)) {
                        self->displayOff_ = state == 0;  // a dimmed display (2) counts as on
                        self->displayReported_ = true;
                    } else if (IsEqualGUID(setting->setting, kLidSwitchStateChange)) {
                        self->lidClosed_ = state == 0;
                        self->lidReported_ = true;
                    }
                }
            }
            return TRUE;
        }
        if (message == kWmSessionChange) {
            if (self && (wParam == kSessionLock || wParam == kSessionUnlock)) {
                self->locked_ = wParam == kSessionLock;
                self->lockReported_ = true;
            }
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HANDLE stop_ = nullptr;
    HANDLE reload_ = nullptr;
    HWND window_ = nullptr;
    HANDLE display_ = nullptr;
    HANDLE lid_ = nullptr;
    bool sessionRegistered_ = false;
    // Reports since the last TakeReports (the window procedure runs on the worker's thread).
    bool displayOff_ = false;
    bool lidClosed_ = false;
    bool locked_ = false;
    bool displayReported_ = false;
    bool lidReported_ = false;
    bool lockReported_ = false;
};

}  // namespace

std::unique_ptr<SessionWatch> Win32SessionWatchFactory::Create() { return std::make_unique<WindowWatch>(); }

}  // namespace quellora::win32
