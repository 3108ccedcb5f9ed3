// A fresh simulated machine for one test, installed as the platform: the
// registry in memory, folders in a temporary folder, console output captured,
// the host build's language modules.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/assembly.h"
#include "platform/platform.h"
#include "platform/host/host_platform.h"
#include "platform/host/host_session_mutexes.h"
#include "platform/sim/memory_registry.h"
#include "platform/sim/sim_event_log.h"
#include "platform/sim/sim_input_and_power.h"
#include "platform/sim/sim_instance_windows.h"
#include "platform/sim/sim_interaction.h"
#include "platform/sim/sim_kernel_objects.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_named_events.h"
#include "platform/sim/sim_perf_counters.h"
#include "platform/sim/sim_power_api.h"
#include "platform/sim/sim_processes.h"
#include "platform/sim/sim_programs.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/sim_session_watch.h"
#include "platform/sim/sim_system_info.h"
#include "platform/sim/sim_task_scheduler.h"
#include "platform/sim/sim_theme.h"
#include "platform/sim/sim_update_endpoint.h"
#include "power/main_topology.h"
#include "tests/support/temp_dir.h"

namespace quellora::testing {

// Keeps what a command writes.
class CapturingConsole : public Console {
public:
    bool AttachForCommand() override { return attached_ = true; }
    bool AttachOrAllocate(bool& own) override {
        own = false;
        return attached_ = true;
    }
    void Detach() override { attached_ = false; }
    bool WriteConsoleText(std::u16string_view) override { return false; }
    bool WriteBytes(std::string_view bytes) override {
        if (!attached_) return false;
        out.append(bytes);
        return true;
    }
    void WriteError(std::u16string_view text) override;
    void DebugOutput(std::u16string_view) override {}
    void IgnoreCtrlC(bool ignore) override { ctrlCIgnored = ignore; }

    std::string out;
    std::string err;
    bool ctrlCIgnored = false;

private:
    bool attached_ = false;
};

// A clock the test moves by hand; Sleep advances it.
class ManualClock : public Clock {
public:
    uint64_t TickCount64() override { return tick; }
    CalendarTime UtcNow() override { return utc; }
    CalendarTime LocalNow() override { return utc; }
    void Sleep(uint32_t ms) override { tick += ms; }
    uint64_t tick = 1000000;
    CalendarTime utc{2026, 12, 4, 10, 9, 30, 0, 0};
};

class SimEnv {
public:
    // This process as the machine's plan-change records name it.
    static constexpr std::u16string_view kProgramPath = u"C:\\Program Files\\Quellora\\quellora.exe";
    static constexpr uint32_t kProgramPid = 4000;

    explicit SimEnv(std::u16string_view layout = u"hybrid-laptop");
    ~SimEnv();
    SimEnv(const SimEnv&) = delete;
    SimEnv& operator=(const SimEnv&) = delete;

    Platform& platform() { return platform_; }
    sim::SimMachine& machine() { return *machine_; }
    sim::SimPowerApi& power() { return *power_; }
    sim::SimProcesses& processes() { return *processes_; }
    sim::SimInteraction& interaction() { return *interaction_; }
    sim::SimThemeFacts& theme() { return *theme_; }
    sim::SimKernelObjects& kernel() { return *kernel_; }
    sim::SimServiceControl& services() { return *services_; }
    sim::MemoryRegistry& registry() { return registry_; }
    CapturingConsole& console() { return console_; }
    const TempDir& dir() const { return dir_; }
    // Switches the processor layout and forgets the program's topology.
    void SetLayout(std::u16string_view layout);
    // Replaces the platform's clock (null: the host's real clock).
    void UseClock(Clock* clock);

private:
    TempDir dir_;
    sim::MemoryRegistry registry_;
    std::unique_ptr<host::HostSessionMutexes> mutexes_;
    std::unique_ptr<sim::SimMachine> machine_;
    std::unique_ptr<sim::SimPowerApi> power_;
    std::unique_ptr<sim::SimSystemInfo> system_;
    std::unique_ptr<sim::SimProcesses> processes_;
    std::unique_ptr<sim::SimInteraction> interaction_;
    std::unique_ptr<sim::SimInputAndPower> input_;
    std::unique_ptr<sim::SimPerfCounters> counters_;
    std::unique_ptr<sim::SimNamedEvents> events_;
    std::unique_ptr<sim::SimSessionWatchFactory> sessionWatches_;
    std::unique_ptr<sim::SimThemeFacts> theme_;
    std::unique_ptr<sim::SimKernelObjects> kernel_;
    std::unique_ptr<sim::SimInstanceWindows> windows_;
    std::unique_ptr<sim::SimServiceControl> services_;
    std::unique_ptr<sim::SimTaskScheduler> scheduler_;
    std::unique_ptr<sim::SimFileVersions> fileVersions_;
    std::unique_ptr<sim::SimEventLog> eventLog_;
    std::unique_ptr<sim::SimHttp> http_;
    std::unique_ptr<sim::SimSignatures> signatures_;
    std::unique_ptr<host::HostFolders> folders_;
    std::unique_ptr<host::HostResourceModules> modules_;
    host::HostClock clock_;
    CapturingConsole console_;
    Platform platform_;
};

// Runs `body` in this process against the simulated machine kept in
// `stateDir` (the built programs' machine there), as the program does.
template <typename Body>
void OnMachine(const std::string& stateDir, Body body) {
    setenv("QUELLORA_SIM_DIR", stateDir.c_str(), 1);
    {
        auto assembly = AssemblePlatform();
        ScopedPlatform scope(&assembly->platform);
        ResetMainTopology();
        body();
        ResetMainTopology();
    }
    unsetenv("QUELLORA_SIM_DIR");
}

}  // namespace quellora::testing
