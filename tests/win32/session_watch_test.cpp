// The Dynamic Boost worker's watch on Windows: its hidden window, the reports
// its window procedure takes from the notifications, and its waits.
#include <gtest/gtest.h>

#include <thread>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wide.h"
#include "tests/win32/support.h"

namespace quellora::win32 {
namespace {

using wintest::RunningUnderWine;

using Wake = SessionWatch::Wake;

constexpr wchar_t kWindowClass[] = L"QuelloraDynamicBoostNotify";
constexpr GUID kConsoleDisplayState = {0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};
constexpr GUID kLidSwitchStateChange = {0xBA3E0F4D, 0xB817, 0x4094, {0xA2, 0xD1, 0xD5, 0x63, 0x79, 0xE6, 0xA0, 0xF3}};
constexpr UINT kWmPowerBroadcast = 0x0218;
constexpr WPARAM kPowerSettingChange = 0x8013;
constexpr UINT kWmSessionChange = 0x02B1;

// POWERBROADCAST_SETTING with a four-byte state.
struct Setting {
    GUID setting;
    DWORD length;
    DWORD state;
};

// Sends a power-setting notification from another thread, as Windows does,
// and waits for the watch to take it; answers what the window procedure returned.
LRESULT SendSetting(HWND window, SessionWatch& watch, const GUID& guid, DWORD state, Wake& wake) {
    Setting setting{guid, sizeof(DWORD), state};
    LRESULT result = 0;
    std::thread sender([&] {
        result = SendMessageW(window, kWmPowerBroadcast, kPowerSettingChange, reinterpret_cast<LPARAM>(&setting));
    });
    wake = watch.Wait(5000);
    sender.join();
    return result;
}

// Wine without a display (as the tests run) can make no windows; with one
// (under Xvfb) it can, as Windows always can.
bool NoDisplayUnderWine() { return RunningUnderWine() && GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0; }

// Without its window the watch still waits for stop and reload.
TEST(SessionWatch, WaitsForStopAndReloadWithOrWithoutItsWindow) {
    Win32SessionWatchFactory factory;
    std::unique_ptr<SessionWatch> watch = factory.Create();
    const bool window = watch->Begin();
    if (!NoDisplayUnderWine()) {
        EXPECT_TRUE(window);
    }
    EXPECT_EQ(watch->Wait(30), Wake::Timeout);
    watch->SignalReload();
    EXPECT_EQ(watch->Wait(5000), Wake::Reload);
    EXPECT_EQ(watch->Wait(30), Wake::Timeout);  // an auto-reset event
    const ULONGLONG start = GetTickCount64();
    std::thread stopper([&] {
        Sleep(100);
        watch->SignalStop();
    });
    EXPECT_EQ(watch->Wait(20000), Wake::Stop);
    stopper.join();
    EXPECT_LT(GetTickCount64() - start, 5000u);
    bool displayOff = false;
    bool lidClosed = false;
    bool locked = false;
    if (!window) {
        watch->TakeReports(displayOff, lidClosed, locked);
        EXPECT_FALSE(displayOff || lidClosed || locked);
    }
    watch->End();
}

TEST(SessionWatch, CreatesItsHiddenWindowTakesReportsAndWakesOnStop) {
    if (NoDisplayUnderWine()) GTEST_SKIP() << "Wine has no display here; run under Xvfb with DISPLAY set";
    Win32SessionWatchFactory factory;
    std::unique_ptr<SessionWatch> watch = factory.Create();
    ASSERT_TRUE(watch->Begin());
    HWND window = FindWindowW(kWindowClass, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & WS_POPUP, static_cast<DWORD>(WS_POPUP));
    EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());

    bool displayOff = false;
    bool lidClosed = false;
    bool locked = false;
    watch->TakeReports(displayOff, lidClosed, locked);  // whatever Windows reported at registration

    // Nothing signalled: the time-out.
    EXPECT_EQ(watch->Wait(30), Wake::Timeout);
    // Reload wakes once (an auto-reset event).
    watch->SignalReload();
    EXPECT_EQ(watch->Wait(5000), Wake::Reload);
    EXPECT_EQ(watch->Wait(30), Wake::Timeout);

    // The session's lock and unlock.
    displayOff = lidClosed = false;
    ASSERT_TRUE(PostMessageW(window, kWmSessionChange, 0x7 /* WTS_SESSION_LOCK */, 0));
    EXPECT_EQ(watch->Wait(5000), Wake::Report);
    watch->TakeReports(displayOff, lidClosed, locked);
    EXPECT_TRUE(locked);
    EXPECT_FALSE(displayOff);
    EXPECT_FALSE(lidClosed);
    ASSERT_TRUE(PostMessageW(window, kWmSessionChange, 0x8 /* WTS_SESSION_UNLOCK */, 0));
    EXPECT_EQ(watch->Wait(5000), Wake::Report);
    watch->TakeReports(displayOff, lidClosed, locked);
    EXPECT_FALSE(locked);
    // Other session codes change nothing.
    ASSERT_TRUE(PostMessageW(window, kWmSessionChange, 0x5 /* WTS_SESSION_LOGON */, 0));
    EXPECT_EQ(watch->Wait(5000), Wake::Report);
    locked = true;
    watch->TakeReports(displayOff, lidClosed, locked);
    EXPECT_TRUE(locked);
    locked = false;

    // Display off, dimmed (counts as on), and the lid.
    Wake wake = Wake::Failed;
    EXPECT_EQ(SendSetting(window, *watch, kConsoleDisplayState, 0, wake), TRUE);
    EXPECT_EQ(wake, Wake::Report);
    watch->TakeReports(displayOff, lidClosed, locked);
    EXPECT_TRUE(displayOff);
    EXPECT_FALSE(lidClosed);
    EXPECT_EQ(SendSetting(window, *watch, kConsoleDisplayState, 2, wake), TRUE);
    watch->TakeReports(displayOff, lidClosed, locked);
    EXPECT_FALSE(displayOff);
    EXPECT_EQ(SendSetting(window, *watch, kLidSwitchStateChange, 0, wake), TRUE);
    watch->TakeReports(displayOff, lidClosed, locked);
    EXPECT_TRUE(lidClosed);
    EXPECT_EQ(SendSetting(window, *watch, kLidSwitchStateChange, 1, wake), TRUE);
    watch->TakeReports(displayOff, lidClosed, locked);
    EXPECT_FALSE(lidClosed);

    // Stop, signalled from another thread, ends a long wait at once.
    const ULONGLONG start = GetTickCount64();
    std::thread stopper([&] {
        Sleep(100);
        watch->SignalStop();
    });
    EXPECT_EQ(watch->Wait(20000), Wake::Stop);
    stopper.join();
    EXPECT_LT(GetTickCount64() - start, 5000u);

    watch->End();
    EXPECT_EQ(FindWindowW(kWindowClass, nullptr), nullptr);
}

TEST(SessionWatch, ASecondRunMakesItsWindowAgain) {
    if (NoDisplayUnderWine()) GTEST_SKIP() << "Wine has no display here; run under Xvfb with DISPLAY set";
    Win32SessionWatchFactory factory;
    for (int run = 0; run < 2; ++run) {
        std::unique_ptr<SessionWatch> watch = factory.Create();
        ASSERT_TRUE(watch->Begin());
        EXPECT_NE(FindWindowW(kWindowClass, nullptr), nullptr);
        watch->SignalStop();
        EXPECT_EQ(watch->Wait(5000), Wake::Stop);
        watch->End();
        EXPECT_EQ(FindWindowW(kWindowClass, nullptr), nullptr);
    }
}

}  // namespace
}  // namespace quellora::win32
