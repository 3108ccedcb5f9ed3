#include "app/single_instance.h"

#include <string>
#include <vector>

#include "platform/instance_events.h"
#include "platform/platform.h"
#include "platform/startup_state.h"
#include "tray/tray_messages.h"

namespace quellora {

namespace {

constexpr int kRestartLooks = 50;
constexpr uint32_t kRestartLookMs = 100;
constexpr int kTerminatePasses = 4;
constexpr uint32_t kTerminateGraceMs = 1000;

WindowHandle FindInstanceWindow() {
    InstanceWindows* windows = Sys().windows;
    return windows ? windows->Find(kTrayWindowClass, kTrayWindowName) : nullptr;
}

void Sleep(uint32_t ms) {
    if (Sys().clock) Sys().clock->Sleep(ms);
}

}  // namespace

bool HandOverToRunningInstance(bool restartRequested) {
    WindowHandle window = FindInstanceWindow();
    if (!window) return false;
    if (restartRequested) {
        // The old instance is on its way out: give it time to close.
        for (int look = 0; look < kRestartLooks; ++look) {
            Sleep(kRestartLookMs);
            window = FindInstanceWindow();
            if (!window) return false;
        }
    }
    InstanceWindows& windows = *Sys().windows;
    windows.AllowForeground(windows.ProcessOf(window));
    windows.Post(window, msg::kTrayCallback, 0, msg::kLeftButtonUp);
    return true;
}

bool StartProgram(std::u16string_view executable, std::u16string_view arguments, std::u16string_view directory) {
    if (!Sys().processes) return false;
    ProcessLaunch launch;
    launch.application = std::u16string(executable);
    launch.commandLine = u"\"" + std::u16string(executable) + u"\"";
    if (!arguments.empty()) launch.commandLine += u" " + std::u16string(arguments);
    launch.directory = std::u16string(directory);
    return Sys().processes->Launch(launch).started;
}

void RestartProgram() {
    if (WindowHandle window = FindInstanceWindow()) {
        Sys().windows->RemoveNotifyIcon(window, kTrayIconId, msg::kTrayCallback);
    }
    const std::u16string directory = Sys().folders ? Sys().folders->CurrentDirectory() : std::u16string();
    StartProgram(State().executablePath, u"/restart", directory);
    // A restarted process that could not be created still ends this one.
    if (Sys().processes) Sys().processes->EndCurrentProcess(1);
}

int TerminateAllInstances() {
    // Running instances see the event and quit; their background threads end their waits.
    if (const KernelHandle event = ShutdownEvent()) Sys().kernel->Signal(event);
    Processes* processes = Sys().processes;
    if (!processes) return 0;
    const uint32_t self = processes->CurrentProcessId();
    std::vector<uint32_t> running;
    for (int pass = 0; pass < kTerminatePasses; ++pass) {
        running = processes->ListByImageName(State().executableName);
        bool others = false;
        for (uint32_t id : running) others = others || id != self;
        if (others) Sleep(kTerminateGraceMs);
    }
    for (uint32_t id : running) {
        if (id != self) processes->Terminate(id, 1);
    }
    return 0;
}

}  // namespace quellora
