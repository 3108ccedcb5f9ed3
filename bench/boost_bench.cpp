// quellora-boost-bench: what the Dynamic Boost worker costs while the user is
// away and nothing changes, measured with the real wait on the host.
//
//   quellora-boost-bench [seconds]      (default 20)
//
// The worker runs on the host program's own platform (the simulated machine
// kept in a registry journal in a fresh state folder) with the simulated
// machine's session watch, which looks at the display, lid and lock facts
// every 250 ms of a wait. Printed: the worker's wake-ups (returns from its
// wait, each followed by an evaluation) per minute, the thread's context
// switches per minute (those wake-ups and the 250 ms looks), its CPU time
// extrapolated to an hour, and the cost of one evaluation.
#include <pthread.h>
#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "boost/boost_log.h"
#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "platform/assembly.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

using namespace quellora;

namespace {

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Voluntary and involuntary context switches of the calling thread.
long ThreadContextSwitches() {
    std::ifstream status("/proc/thread-self/status");
    std::string line;
    long total = 0;
    while (std::getline(status, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
            total += std::atol(line.c_str() + line.find(':') + 1);
        }
    }
    return total;
}

// What the worker's watch saw; kept by the factory, since the watch goes with the worker.
struct WatchCounts {
    std::atomic<long> timeouts{0};
    std::atomic<long> reports{0};
    std::atomic<long> reloads{0};
    double cpuAtBegin = 0, cpuAtEnd = 0;
    long switchesAtBegin = 0, switchesAtEnd = 0;
    std::chrono::steady_clock::time_point begin, end;
};

// Counts around the real watch; Begin and End run on the worker's thread.
class CountingWatch : public SessionWatch {
public:
    CountingWatch(std::unique_ptr<SessionWatch> inner, WatchCounts& counts) : inner_(std::move(inner)), counts_(counts) {}
    bool Begin() override {
        counts_.cpuAtBegin = ThreadCpuSeconds();
        counts_.switchesAtBegin = ThreadContextSwitches();
        counts_.begin = std::chrono::steady_clock::now();
        return inner_->Begin();
    }
    void End() override {
        inner_->End();
        counts_.cpuAtEnd = ThreadCpuSeconds();
        counts_.switchesAtEnd = ThreadContextSwitches();
        counts_.end = std::chrono::steady_clock::now();
    }
    Wake Wait(uint32_t timeoutMs) override {
        const Wake wake = inner_->Wait(timeoutMs);
        if (wake == Wake::Timeout) ++counts_.timeouts;
        else if (wake == Wake::Report) ++counts_.reports;
        else if (wake == Wake::Reload) ++counts_.reloads;
        return wake;
    }
    void SignalStop() override { inner_->SignalStop(); }
    void SignalReload() override { inner_->SignalReload(); }
    void TakeReports(bool& displayOff, bool& lidClosed, bool& locked) override {
        inner_->TakeReports(displayOff, lidClosed, locked);
    }

private:
    std::unique_ptr<SessionWatch> inner_;
    WatchCounts& counts_;
};

class CountingFactory : public SessionWatchFactory {
public:
    explicit CountingFactory(SessionWatchFactory* inner) : inner_(inner) {}
    std::unique_ptr<SessionWatch> Create() override { return std::make_unique<CountingWatch>(inner_->Create(), counts); }
    WatchCounts counts;

private:
    SessionWatchFactory* inner_;
};

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    testing::TempDir state;
    setenv("QUELLORA_SIM_DIR", state.path().c_str(), 1);
    std::unique_ptr<PlatformAssembly> assembly = AssemblePlatform();
    SetPlatform(&assembly->platform);
    sim::SimMachine& machine = *assembly->machine;

    SetActivePlan(guids::kHighPerformance);
    SetIdlePlan(guids::kPowerSaver);
    machine.SetLastInputTick(0);  // the user has been away since the machine started

    // One evaluation, timed in this thread over the same platform.
    double evaluationUs = 0;
    {
        BoostRun run;
        BeginBoostRun(run);
        EvaluateBoost(run, true);
        constexpr int kRuns = 2000;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kRuns; ++i) EvaluateBoost(run, false);
        evaluationUs = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / kRuns;
    }

    CountingFactory factory(assembly->platform.sessionWatches);
    assembly->platform.sessionWatches = &factory;
    const double processCpuBefore = ProcessCpuSeconds();
    if (!StartBoost()) {
        std::fprintf(stderr, "the worker did not start\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    StopBoost();
    const double processCpu = ProcessCpuSeconds() - processCpuBefore;

    const WatchCounts& w = factory.counts;
    const double ran = std::chrono::duration<double>(w.end - w.begin).count();
    const double perMinute = 60.0 / ran;
    const double perHour = 3600.0 / ran;
    const long wakes = w.timeouts + w.reports + w.reloads;
    std::printf("Dynamic Boost worker, idle user, host (registry journal), %.1f s with the real wait\n", ran);
    std::printf("  wake-ups (wait returns)     %ld  = %.1f per minute (time-outs %ld, reports %ld)\n", wakes,
                wakes * perMinute, w.timeouts.load(), w.reports.load());
    std::printf("  thread context switches     %ld  = %.1f per minute (wake-ups and the 250 ms fact looks)\n",
                w.switchesAtEnd - w.switchesAtBegin, double(w.switchesAtEnd - w.switchesAtBegin) * perMinute);
    std::printf("  worker CPU time             %.3f ms  = %.1f ms per hour\n", (w.cpuAtEnd - w.cpuAtBegin) * 1e3,
                (w.cpuAtEnd - w.cpuAtBegin) * 1e3 * perHour);
    std::printf("  process CPU time            %.3f ms  = %.1f ms per hour\n", processCpu * 1e3,
                processCpu * 1e3 * perHour);
    std::printf("  one evaluation              %.1f us\n", evaluationUs);
    std::printf("  allowed by the once-a-second poll: 60 wake-ups per minute\n");
    assembly->platform.sessionWatches = nullptr;
    SetPlatform(nullptr);
    return 0;
}
