// The host build's platform: the simulated machine kept in its state folder
// (QUELLORA_SIM_DIR, else ~/.local/state/quellora-sim), with the host's own
// clock, standard output and language modules.
#include "platform/assembly.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "platform/host/host_platform.h"
#include "platform/host/host_session_mutexes.h"
#include "platform/host/journal_registry.h"
#include "platform/sim/sim_event_log.h"
#include "platform/sim/sim_input_and_power.h"
#include "platform/sim/sim_instance_windows.h"
#include "platform/sim/sim_interaction.h"
#include "platform/sim/sim_kernel_objects.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_named_events.h"
#include "platform/sim/sim_perf_counters.h"
#include "platform/sim/sim_power_api.h"
#include "platform/sim/sim_powercfg.h"
#include "platform/sim/sim_processes.h"
#include "platform/sim/sim_programs.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/sim_session_watch.h"
#include "platform/sim/sim_system_info.h"
#include "platform/sim/sim_task_scheduler.h"
#include "platform/sim/sim_theme.h"
#include "platform/sim/sim_update_endpoint.h"
#include "platform/text.h"

namespace quellora {

namespace {

class HostAssembly : public PlatformAssembly {
public:
    explicit HostAssembly(const std::u16string& stateDir)
        : registry_((CreateDirectories(stateDir), Utf16ToUtf8(JoinPath(stateDir, u"registry.journal")))),
          mutexes_(stateDir),
          machine_(registry_, true, &mutexes_),
          power_(machine_),
          system_(machine_),
          folders_(stateDir),
          processes_(machine_, nullptr),
          interaction_(machine_),
          input_(machine_),
          counters_(machine_, &clock_),
          events_(machine_),
          sessionWatches_(machine_),
          theme_(machine_),
          windows_(machine_),
          services_(machine_),
          scheduler_(machine_),
          fileVersions_(machine_, nullptr),
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
        // Windows would name this program by its path on a drive: the host's
        // path on Wine's drive for the root, Z:.
        std::u16string path = u"Z:" + host::HostExecutablePath();
        std::replace(path.begin(), path.end(), u'/', u'\\');
        machine_.SetCurrentProcess({path, static_cast<uint32_t>(::getpid())});
        if (machine_.FileWritesFail()) testing::FailWritesAfter(0);
    }

    // With QUELLORA_SIM_STATS set, the power API calls and the processes the
    // whole process started go to standard error at its end (for benchmarks).
    ~HostAssembly() override {
        const char* stats = std::getenv("QUELLORA_SIM_STATS");
        if (!stats || !*stats) return;
        size_t powercfg = 0;
        const std::vector<std::u16string> started = processes_.StartedCommandLines();
        for (const std::u16string& line : started) powercfg += sim::IsPowercfgCommand(line) ? 1 : 0;
        std::string line = "processes started: " + std::to_string(started.size()) + " (powercfg " +
                           std::to_string(powercfg) + "), power API calls: " + std::to_string(power_.TotalCalls()) +
                           "\n";
        (void)!::write(2, line.data(), line.size());
    }

private:
    JournalRegistry registry_;
    // Lock files beside the journal: the machine's lock and the program's own mutexes.
    host::HostSessionMutexes mutexes_;
    sim::SimMachine machine_;
    sim::SimPowerApi power_;
    sim::SimSystemInfo system_;
    host::HostClock clock_;
    host::HostFolders folders_;
    host::HostConsole console_;
    sim::SimProcesses processes_;
    host::HostResourceModules modules_;
    sim::SimInteraction interaction_;
    sim::SimInputAndPower input_;
    sim::SimPerfCounters counters_;
    sim::SimNamedEvents events_;
    sim::SimSessionWatchFactory sessionWatches_;
    sim::SimThemeFacts theme_;
    sim::SimKernelObjects kernel_;
    sim::SimInstanceWindows windows_;
    sim::SimServiceControl services_;
    sim::SimTaskScheduler scheduler_;
    sim::SimFileVersions fileVersions_;
    sim::SimEventLog eventLog_;
    sim::SimHttp http_;
    sim::SimSignatures signatures_;
};

}  // namespace

std::unique_ptr<PlatformAssembly> AssemblePlatform() {
    return std::make_unique<HostAssembly>(Utf8ToUtf16(host::DefaultStateDir()));
}

}  // namespace quellora
