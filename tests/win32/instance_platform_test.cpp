// What the interactive instance uses of Windows: its own kernel objects,
// other instances' windows, processes started in a folder and terminated,
// services, the task scheduler and file versions.
#include <gtest/gtest.h>

#include <objbase.h>

#include <atomic>
#include <thread>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/support.h"

namespace quellora {
namespace {

using wintest::ChildCommandLine;
using wintest::ScratchFolder;

std::u16string UniqueName(std::u16string_view stem) {
    return std::u16string(stem) + u"-" + ToDecimal(static_cast<uint32_t>(GetCurrentProcessId())) + u"-" +
           ToDecimal(static_cast<uint32_t>(GetTickCount()));
}

TEST(Win32KernelObjects, ANamedEventIsSharedAndKeepsItsKind) {
    win32::Win32KernelObjects kernel;
    const std::u16string name = u"Local\\" + UniqueName(u"quellora-test-event");
    const KernelHandle first = kernel.OpenOrCreateEvent(name, true, false);
    const KernelHandle second = kernel.OpenOrCreateEvent(name, false, false);  // opened: stays manual-reset
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(kernel.Wait(second, 0), WaitResult::TimedOut);
    EXPECT_TRUE(kernel.Signal(first));
    EXPECT_EQ(kernel.Wait(second, 0), WaitResult::Signalled);
    EXPECT_EQ(kernel.Wait(second, 0), WaitResult::Signalled);  // manual reset: still signalled
    kernel.Close(first);
    kernel.Close(second);

    const KernelHandle autoReset = kernel.OpenOrCreateEvent(u"", false, true);
    EXPECT_EQ(kernel.Wait(autoReset, 0), WaitResult::Signalled);
    EXPECT_EQ(kernel.Wait(autoReset, 0), WaitResult::TimedOut);
    const KernelHandle other = kernel.OpenOrCreateEvent(u"", true, false);
    const KernelHandle both[] = {other, autoReset};
    EXPECT_EQ(kernel.WaitAny(both, 2, 10), KernelObjects::kTimedOut);
    kernel.Signal(autoReset);
    EXPECT_EQ(kernel.WaitAny(both, 2, 1000), 1);
    kernel.Close(autoReset);
    kernel.Close(other);
    EXPECT_EQ(kernel.Wait(0, 0), WaitResult::Failed);
}

TEST(Win32KernelObjects, TheMutexIsTakenByOneThreadAtATime) {
    win32::Win32KernelObjects kernel;
    const KernelHandle mutex = kernel.NewMutex();
    ASSERT_NE(mutex, 0u);
    ASSERT_TRUE(kernel.TryLock(mutex));
    std::atomic<int> other{-1};
    std::thread([&] { other = kernel.TryLock(mutex) ? 1 : 0; }).join();
    EXPECT_EQ(other, 0);
    kernel.Unlock(mutex);
    std::thread([&] {
        other = kernel.TryLock(mutex) ? 1 : 0;
        if (other == 1) kernel.Unlock(mutex);
    }).join();
    EXPECT_EQ(other, 1);
    kernel.Close(mutex);
}

TEST(Win32InstanceWindows, FindsAWindowByClassAndNameAndPostsToIt) {
    const std::wstring className = win32::Wide(UniqueName(u"QuelloraTestClass"));
    const std::wstring windowName = win32::Wide(UniqueName(u"QuelloraTestWindow"));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className.c_str();
    ASSERT_NE(RegisterClassExW(&wc), 0);
    // A message-only window needs no display: FindWindowW does not see those, so a hidden top-level one.
    HWND window = CreateWindowExW(0, className.c_str(), windowName.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    if (!window) GTEST_SKIP() << "no window station with a display";
    win32::Win32InstanceWindows windows;
    const std::u16string cls = win32::FromWide(className.c_str());
    const std::u16string name = win32::FromWide(windowName.c_str());
    EXPECT_EQ(windows.Find(cls, name), window);
    EXPECT_EQ(windows.Find(cls, u"another name"), nullptr);
    EXPECT_EQ(windows.ProcessOf(window), GetCurrentProcessId());
    EXPECT_TRUE(windows.Post(window, WM_USER + 1, 0, WM_LBUTTONUP));
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_USER + 1, WM_USER + 1, PM_REMOVE));
    EXPECT_EQ(msg.lParam, WM_LBUTTONUP);
    DestroyWindow(window);
    EXPECT_FALSE(windows.Post(window, WM_USER + 1, 0, 0));
    EXPECT_EQ(windows.ProcessOf(window), 0u);
    UnregisterClassW(className.c_str(), wc.hInstance);
}

TEST(Win32Processes, LaunchRunsInTheGivenFolderAndWaitsWhenAsked) {
    ScratchFolder dir;
    win32::Win32Processes processes;
    ProcessLaunch launch;
    launch.application = wintest::SelfPath();
    launch.commandLine = ChildCommandLine(u"touch", {u"relative.txt"});
    launch.directory = dir.path();
    launch.waitMs = 30000;
    const ProcessRun run = processes.Launch(launch);
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(FileExists(dir / u"relative.txt"));

    ProcessLaunch missing;
    missing.commandLine = u"\"" + (dir / u"no-such-program.exe") + u"\" /S";
    const ProcessRun failed = processes.Launch(missing);
    EXPECT_FALSE(failed.started);
    EXPECT_NE(failed.error, 0u);
}

TEST(Win32Processes, TerminateEndsAnotherProcessButNeedsToOpenIt) {
    ScratchFolder dir;
    win32::Win32Processes processes;
    ProcessLaunch launch;
    launch.commandLine = ChildCommandLine(u"pid-then-sleep", {dir / u"pid.txt", u"60000"});
    ASSERT_TRUE(processes.Launch(launch).started);
    for (int i = 0; i < 200 && !FileExists(dir / u"pid.txt"); ++i) Sleep(50);
    const uint32_t pid = static_cast<uint32_t>(ParseLeadingInt(Utf8ToUtf16(wintest::FileBytes(dir / u"pid.txt"))));
    ASSERT_NE(pid, 0u);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(processes.Terminate(pid, 1));
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(code, 1u);
    CloseHandle(process);
    EXPECT_FALSE(processes.Terminate(0xFFFFFFF0u, 1));  // no such process
}

TEST(Win32ServiceControl, AMissingServiceAnswersFalseEverywhere) {
    win32::Win32ServiceControl services;
    const std::u16string name = UniqueName(u"QuelloraNoSuchService");
    ServiceState state = ServiceState::Running;
    uint32_t type = 99;
    EXPECT_FALSE(services.QueryState(name, state));
    EXPECT_FALSE(services.SendStop(name));
    EXPECT_FALSE(services.Start(name));
    EXPECT_FALSE(services.QueryStartType(name, type));
    EXPECT_FALSE(services.SetStartType(name, service_start::kDemand));
}

TaskDefinition TestTask(std::u16string_view name, uint32_t triggerType) {
    TaskDefinition d;
    d.name = std::u16string(name);
    d.author = u"Ostrima";
    d.executionTimeLimit = u"PT0S";
    d.disallowStartIfOnBatteries = false;
    d.stopIfGoingOnBatteries = false;
    d.multipleInstances = TaskDefinition::kInstancesParallel;
    d.enabled = true;
    d.runLevel = TaskDefinition::kRunLevelLua;
    d.triggerType = triggerType;
    d.triggerId = u"Trigger1";
    d.actionPath = u"\"C:\\windows\\system32\\notepad.exe\"";
    d.actionArguments = u"/systray";
    d.registrationUserId = u"S-1-5-32-545";
    return d;
}

TEST(Win32TaskScheduler, ALogonTaskCannotBeMadeUnderWineAndSaysSoQuietly) {
    if (!wintest::RunningUnderWine()) GTEST_SKIP() << "registering a logon task needs an administrator on Windows";
    win32::Win32TaskScheduler scheduler;
    const std::u16string name = UniqueName(u"QuelloraTestTask");
    EXPECT_FALSE(scheduler.Register(TestTask(name, TaskDefinition::kTriggerLogon)));  // E_NOTIMPL for the trigger
    EXPECT_EQ(scheduler.Exists(name), 0);
    EXPECT_FALSE(scheduler.Delete(name));
}

TEST(Win32TaskScheduler, LeavesASingleThreadedApartmentAsItFoundIt) {
    std::atomic<HRESULT> again{E_FAIL};
    std::atomic<int> exists{-5};
    std::thread([&] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return;
        win32::Win32TaskScheduler scheduler;
        exists = scheduler.Exists(UniqueName(u"QuelloraNoSuchTask"));
        // Still initialised as before: a second initialisation only counts up.
        again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(again.load())) CoUninitialize();
        CoUninitialize();
    }).join();
    EXPECT_EQ(again.load(), S_FALSE);
    EXPECT_EQ(exists.load(), 0);
}

// The apartment the calling thread is in; APTTYPE_CURRENT (-1) when COM is not initialised on it.
APTTYPE ApartmentOfThisThread() {
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    if (FAILED(CoGetApartmentType(&type, &qualifier))) return APTTYPE_CURRENT;
    return type;
}

TEST(Win32ComApartments, TheMainThreadMovesToASingleThreadedApartmentToHostTheMainWindow) {
    std::atomic<int> before{-5};
    std::atomic<bool> moved{false};
    std::atomic<int> after{-5};
    std::atomic<int> afterScheduler{-5};
    std::thread([&] {
        win32::JoinMainThreadToMultithreadedApartment();  // as the process starts
        before = ApartmentOfThisThread();
        moved = win32::MoveMainThreadToSingleThreadedApartment();  // "/nosystray"
        after = ApartmentOfThisThread();
        win32::Win32TaskScheduler scheduler;  // COM's users leave the apartment as it is
        scheduler.Exists(UniqueName(u"QuelloraNoSuchTask"));
        afterScheduler = ApartmentOfThisThread();
        CoUninitialize();
    }).join();
    EXPECT_EQ(before.load(), APTTYPE_MTA);
    EXPECT_TRUE(moved.load());
    EXPECT_TRUE(after.load() == APTTYPE_STA || after.load() == APTTYPE_MAINSTA) << after.load();
    EXPECT_EQ(afterScheduler.load(), after.load());
}

TEST(Win32ComApartments, TheMainWindowsThreadIsASingleThreadedApartmentWhileItRuns) {
    std::atomic<int> inside{-5};
    std::atomic<bool> joined{false};
    std::atomic<int> outside{-5};
    std::thread([&] {
        {
            const win32::SingleThreadedApartment apartment;
            joined = apartment.joined();
            inside = ApartmentOfThisThread();
        }
        outside = ApartmentOfThisThread();
    }).join();
    EXPECT_TRUE(joined.load());
    EXPECT_TRUE(inside.load() == APTTYPE_STA || inside.load() == APTTYPE_MAINSTA) << inside.load();
    EXPECT_EQ(outside.load(), APTTYPE_CURRENT);  // given back when it ends
}

TEST(Win32FileVersions, ReadsTheFixedVersionOfTheProgram) {
    win32::Win32FileVersions versions;
    FileVersion v;
    const std::u16string exe = Utf8ToUtf16(QUELLORA_WINE_EXE_PATH);
    if (!FileExists(exe)) GTEST_SKIP() << "quellora.exe is not built beside the tests";
    ASSERT_TRUE(versions.FixedFileVersion(exe, v));
    FileVersion expected;
    ASSERT_TRUE(ParseVersion(u"" QUELLORA_VERSION_TEXT, expected));
    EXPECT_EQ(v, expected);
    EXPECT_FALSE(versions.FixedFileVersion(u"C:\\no\\such\\file.exe", v));
}

TEST(Win32Folders, ProgramFilesExists) {
    win32::Win32Folders folders;
    const std::u16string programFiles = folders.ProgramFiles();
    ASSERT_FALSE(programFiles.empty());
    EXPECT_TRUE(DirectoryExists(programFiles));
}

}  // namespace
}  // namespace quellora
