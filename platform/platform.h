// The platform the program runs on: one object per platform resource. The
// Windows build binds them to the real APIs, the host build and the tests to
// the simulated machine.
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/file_version.h"
#include "platform/event_log.h"
#include "platform/http.h"
#include "platform/input_and_power.h"
#include "platform/instance_windows.h"
#include "platform/interaction.h"
#include "platform/kernel_objects.h"
#include "platform/known_folders.h"
#include "platform/named_events.h"
#include "platform/perf_counters.h"
#include "platform/power_api.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/resource_modules.h"
#include "platform/services.h"
#include "platform/session_mutexes.h"
#include "platform/session_watch.h"
#include "platform/signatures.h"
#include "platform/system_info.h"
#include "platform/task_scheduler.h"
#include "platform/theme_facts.h"

namespace quellora {

struct Platform {
    Registry* registry = nullptr;
    PowerApi* power = nullptr;
    SystemInfo* system = nullptr;
    KnownFolders* folders = nullptr;
    Clock* clock = nullptr;
    Console* console = nullptr;
    Processes* processes = nullptr;
    ResourceModules* modules = nullptr;
    Interaction* interaction = nullptr;
    InputAndPower* input = nullptr;
    PerfCounters* counters = nullptr;
    NamedEvents* events = nullptr;
    SessionWatchFactory* sessionWatches = nullptr;
    ThemeFacts* theme = nullptr;
    KernelObjects* kernel = nullptr;
    InstanceWindows* windows = nullptr;
    ServiceControl* services = nullptr;
    TaskScheduler* scheduler = nullptr;
    FileVersions* fileVersions = nullptr;
    EventLog* eventLog = nullptr;
    Http* http = nullptr;
    Signatures* signatures = nullptr;
    SessionMutexes* mutexes = nullptr;
};

// The platform of this process. Set once at start, before any other thread
// runs; tests install their own for the length of a test.
Platform& Sys();
void SetPlatform(Platform* platform);

// "%04u-%02u-%02uT%02u:%02u:%02uZ" of the current UTC time by the platform's clock.
std::u16string UtcTimestamp();

// Installs a platform for the lifetime of the object and puts the previous one back.
class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform* platform);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform* previous_;
};

}  // namespace quellora
