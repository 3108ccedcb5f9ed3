#include "app/counter_rebuild.h"

#include <string>

#include "platform/platform.h"

namespace quellora {

namespace {

constexpr int kStopLooks = 10;
constexpr uint32_t kStopLookMs = 500;
constexpr int kStartLooks = 30;
constexpr uint32_t kStartLookMs = 1000;

void Sleep(uint32_t ms) {
    if (Sys().clock) Sys().clock->Sleep(ms);
}

// Runs a tool and waits for its end; its exit code is not used.
void RunAndWait(std::u16string_view folder, std::u16string_view tool, std::u16string_view arguments) {
    if (folder.empty() || !Sys().processes) return;
    Sys().processes->Run(u"\"" + std::u16string(folder) + u"\\" + std::u16string(tool) + u"\" " + std::u16string(arguments),
                         Processes::kInfinite, false);
}

bool StateIs(ServiceControl& services, std::u16string_view name, ServiceState wanted) {
    ServiceState state = ServiceState::Stopped;
    return services.QueryState(name, state) && state == wanted;
}

void RestartService(ServiceControl& services, std::u16string_view name) {
    ServiceState state = ServiceState::Stopped;
    // A service this system does not have (Wine has no "pla") is not waited
    // for: its state can never be read, and the user would wait half a
    // minute with nothing to show for it.
    if (!services.QueryState(name, state)) return;
    if (state != ServiceState::Stopped && state != ServiceState::StopPending) services.SendStop(name);
    // Looks at the state until it is the wanted one, `looks` times at most,
    // `pauseMs` apart (no pause after the last look).
    auto waitFor = [&](ServiceState wanted, int looks, uint32_t pauseMs) {
        for (int look = 0; look < looks; ++look) {
            if (look > 0) Sleep(pauseMs);
            if (StateIs(services, name, wanted)) return;
        }
    };
    waitFor(ServiceState::Stopped, kStopLooks, kStopLookMs);
    uint32_t startType = 0;
    if (services.QueryStartType(name, startType) && startType == service_start::kDisabled) {
        services.SetStartType(name, service_start::kDemand);
    }
    if (!services.QueryState(name, state) || (state != ServiceState::Running && state != ServiceState::StartPending)) {
        // A refused start (no rights, a service that will not run) never reaches running.
        if (!services.Start(name)) return;
    }
    Sleep(kStartLookMs);
    waitFor(ServiceState::Running, kStartLooks, kStartLookMs);
}

}  // namespace

void RebuildPerformanceCounters() {
    SystemInfo* system = Sys().system;
    const std::u16string systemFolder = system ? system->SystemDirectory() : std::u16string();
    RunAndWait(systemFolder, u"lodctr.exe", u"/R");
    RunAndWait(system ? system->SystemWow64Directory() : std::u16string(), u"lodctr.exe", u"/R");
    if (!systemFolder.empty()) RunAndWait(systemFolder + u"\\wbem", u"winmgmt.exe", u"/RESYNCPERF");
    if (ServiceControl* services = Sys().services) {
        for (std::u16string_view name : {u"pla", u"winmgmt"}) RestartService(*services, name);
    }
}

}  // namespace quellora
