#include "tests/support/sim_env.h"

#include "platform/instance_events.h"
#include "platform/language.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "tests/support/run_program.h"

namespace quellora::testing {

void CapturingConsole::WriteError(std::u16string_view text) {
    err += Utf16ToUtf8(text);
    err += "\n";
}

SimEnv::SimEnv(std::u16string_view layout) {
    mutexes_ = std::make_unique<host::HostSessionMutexes>(dir_.path16());
    machine_ = std::make_unique<sim::SimMachine>(registry_, true, mutexes_.get());
    if (layout != sim::kDefaultLayout) machine_->SetLayout(layout);
    power_ = std::make_unique<sim::SimPowerApi>(*machine_);
    system_ = std::make_unique<sim::SimSystemInfo>(*machine_);
    processes_ = std::make_unique<sim::SimProcesses>(*machine_, nullptr);
    interaction_ = std::make_unique<sim::SimInteraction>(*machine_);
    input_ = std::make_unique<sim::SimInputAndPower>(*machine_);
    counters_ = std::make_unique<sim::SimPerfCounters>(*machine_, &clock_);
    events_ = std::make_unique<sim::SimNamedEvents>(*machine_);
    sessionWatches_ = std::make_unique<sim::SimSessionWatchFactory>(*machine_);
    theme_ = std::make_unique<sim::SimThemeFacts>(*machine_);
    kernel_ = std::make_unique<sim::SimKernelObjects>();
    windows_ = std::make_unique<sim::SimInstanceWindows>(*machine_);
    services_ = std::make_unique<sim::SimServiceControl>(*machine_);
    scheduler_ = std::make_unique<sim::SimTaskScheduler>(*machine_);
    fileVersions_ = std::make_unique<sim::SimFileVersions>(*machine_, nullptr);
    eventLog_ = std::make_unique<sim::SimEventLog>(*machine_);
    http_ = std::make_unique<sim::SimHttp>(*machine_);
    signatures_ = std::make_unique<sim::SimSignatures>(*machine_);
    // This process, as the machine's records name it.
    machine_->SetCurrentProcess({std::u16string(kProgramPath), kProgramPid});
    machine_->SetClock(&clock_);
    folders_ = std::make_unique<host::HostFolders>(dir_.path16());
    modules_ = std::make_unique<host::HostResourceModules>();
    platform_.registry = &registry_;
    platform_.power = power_.get();
    platform_.system = system_.get();
    platform_.folders = folders_.get();
    platform_.clock = &clock_;
    platform_.console = &console_;
    platform_.processes = processes_.get();
    platform_.modules = modules_.get();
    platform_.interaction = interaction_.get();
    platform_.input = input_.get();
    platform_.counters = counters_.get();
    platform_.events = events_.get();
    platform_.sessionWatches = sessionWatches_.get();
    platform_.theme = theme_.get();
    platform_.kernel = kernel_.get();
    platform_.windows = windows_.get();
    platform_.services = services_.get();
    platform_.scheduler = scheduler_.get();
    platform_.fileVersions = fileVersions_.get();
    platform_.eventLog = eventLog_.get();
    platform_.http = http_.get();
    platform_.signatures = signatures_.get();
    platform_.mutexes = mutexes_.get();
    SetPlatform(&platform_);
    ForgetShutdownEvent();
    // A new process: no language chosen yet, the English module beside the program.
    State() = StartupState{};
    State().executablePath = Utf8ToUtf16(BuildDir() + "/quellora");
    LoadEnglishModuleOnly();
    ResetMainTopology();
}

SimEnv::~SimEnv() {
    ForgetShutdownEvent();
    ResetMainTopology();
    State() = StartupState{};
    SetPlatform(nullptr);
}

void SimEnv::SetLayout(std::u16string_view layout) {
    machine_->SetLayout(layout);
    ResetMainTopology();
}

void SimEnv::UseClock(Clock* clock) {
    platform_.clock = clock ? clock : &clock_;
    machine_->SetClock(platform_.clock);
    counters_->SetClock(platform_.clock);
}

}  // namespace quellora::testing
