// The platform of quellora.exe: Windows' own APIs throughout, or, in the
// simulated-machine build, the simulated power configuration kept inside
// Windows' own registry (for running where the power API is missing, as under
// Wine) with files, folders, console, clock, language modules and message
// boxes still Windows' own.
#include "platform/assembly.h"

#include "platform/win32/win32_platform.h"

#ifdef QUELLORA_SIMULATED_MACHINE
#include "platform/files.h"
#include "platform/sim/sim_event_log.h"
#include "platform/sim/sim_input_and_power.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_named_events.h"
#include "platform/sim/sim_perf_counters.h"
#include "platform/sim/sim_power_api.h"
#include "platform/sim/sim_session_watch.h"
#include "platform/sim/sim_processes.h"
#include "platform/sim/sim_programs.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/sim_task_scheduler.h"
#include "platform/sim/sim_system_info.h"
#include "platform/sim/sim_theme.h"
#include "platform/sim/sim_update_endpoint.h"
#endif

namespace quellora {

namespace {

#ifndef QUELLORA_SIMULATED_MACHINE

class Win32Assembly : public PlatformAssembly {
public:
    Win32Assembly() {
        platform.registry = &registry_;
        platform.power = &power_;
        platform.system = &system_;
        platform.folders = &folders_;
        platform.clock = &clock_;
        platform.console = &console_;
        platform.processes = &processes_;
        platform.modules = &modules_;
        platform.interaction = &interaction_;
        platform.input = &input_;
        platform.counters = &counters_;
        platform.events = &events_;
        platform.sessionWatches = &sessionWatches_;
        platform.theme = &theme_;
        platform.kernel = &kernel_;
        platform.windows = &windows_;
        platform.services = &services_;
        platform.scheduler = &scheduler_;
        platform.fileVersions = &fileVersions_;
        platform.eventLog = &eventLog_;
        platform.http = &http_;
        platform.signatures = &signatures_;
        platform.mutexes = &mutexes_;
    }

private:
    win32::Win32Registry registry_;
    win32::Win32SessionMutexes mutexes_;
    win32::Win32PowerApi power_;
    win32::Win32SystemInfo system_;
    win32::Win32Folders folders_;
    win32::Win32Clock clock_;
    win32::Win32Console console_;
    win32::Win32Processes processes_;
    win32::Win32ResourceModules modules_;
    win32::Win32Interaction interaction_;
    win32::Win32InputAndPower input_;
    win32::Win32PerfCounters counters_;
    win32::Win32NamedEvents events_;
    win32::Win32SessionWatchFactory sessionWatches_;
    win32::Win32ThemeFacts theme_;
    win32::Win32KernelObjects kernel_;
    win32::Win32InstanceWindows windows_;
    win32::Win32ServiceControl services_;
    win32::Win32TaskScheduler scheduler_;
    win32::Win32FileVersions fileVersions_;
    win32::Win32EventLog eventLog_;
    win32::Win32Http http_;
    win32::Win32Signatures signatures_;
};

#else

class Win32Assembly : public PlatformAssembly {
public:
    Win32Assembly()
        : machine_(registry_, false, &mutexes_),
          power_(machine_),
          system_(machine_),
          processes_(machine_, &windowsProcesses_),
          input_(machine_),
          counters_(machine_, &clock_),
          events_(machine_),
          sessionWatches_(machine_),
          theme_(machine_),
          services_(machine_),
          scheduler_(machine_),
          fileVersions_(machine_, &windowsFileVersions_),
          eventLog_(machine_),
          http_(machine_),
          signatures_(machine_) {
        platform.registry = &registry_;
        platform.power = &power_;
        platform.system = &system_;
        platform.folders = &folders_;
        platform.clock = &clock_;
        platform.console = &console_;
        platform.processes = &processes_;
        platform.modules = &modules_;
        platform.interaction = &interaction_;
        platform.input = &input_;
        platform.counters = &counters_;
        platform.events = &events_;
        platform.sessionWatches = &sessionWatches_;
        platform.theme = &theme_;
        platform.kernel = &kernel_;
        platform.windows = &windows_;
        platform.services = &services_;
        platform.scheduler = &scheduler_;
        platform.fileVersions = &fileVersions_;
        platform.eventLog = &eventLog_;
        platform.http = &http_;
        platform.signatures = &signatures_;
        platform.mutexes = &mutexes_;
        machine = &machine_;
        machine_.SetCurrentProcess({folders_.ExecutablePath(), windowsProcesses_.CurrentProcessId()});
        if (machine_.FileWritesFail()) testing::FailWritesAfter(0);
    }

private:
    // The machine lives in Windows' registry, which it shares with Windows;
    // its lock is a mutex of the session, as the program's own are.
    win32::Win32Registry registry_;
    win32::Win32SessionMutexes mutexes_;
    sim::SimMachine machine_;
    sim::SimPowerApi power_;
    sim::SimSystemInfo system_;
    // powercfg runs on the simulated machine; any other program is started for real.
    win32::Win32Processes windowsProcesses_;
    sim::SimProcesses processes_;
    win32::Win32Folders folders_;
    win32::Win32Clock clock_;
    win32::Win32Console console_;
    win32::Win32ResourceModules modules_;
    win32::Win32Interaction interaction_;
    // Input, power source, sessions, counters, other programs' events, the
    // System log, the maker's update endpoints and signatures are the simulated machine's.
    sim::SimInputAndPower input_;
    sim::SimPerfCounters counters_;
    sim::SimNamedEvents events_;
    sim::SimSessionWatchFactory sessionWatches_;
    // The system's look is the simulated machine's: the theme stand-in.
    sim::SimThemeFacts theme_;
    // The program's own events and the windows of other instances are Windows' own.
    win32::Win32KernelObjects kernel_;
    win32::Win32InstanceWindows windows_;
    // Services, the task scheduler and the simulated programs' versions are the machine's.
    sim::SimServiceControl services_;
    sim::SimTaskScheduler scheduler_;
    win32::Win32FileVersions windowsFileVersions_;
    sim::SimFileVersions fileVersions_;
    sim::SimEventLog eventLog_;
    sim::SimHttp http_;
    sim::SimSignatures signatures_;
};

#endif

}  // namespace

std::unique_ptr<PlatformAssembly> AssemblePlatform() { return std::make_unique<Win32Assembly>(); }

}  // namespace quellora
