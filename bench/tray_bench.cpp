// quellora-tray-bench: what the tray's one-second tick costs: reading the
// processors' parking status, counting the parked ones and deciding the icon.
//
//   quellora-tray-bench [ticks]      (default 20000)
//
// First with a stand-in for PDH that answers from memory (so the figures are
// the tray's own work) for 8, 64 and 256 logical processors (256 as four
// nodes of 64, as Windows groups them); then the whole tick of the tray
// logic on the simulated machine (which reads its state from its registry at
// each collection) for the hybrid laptop (24) and the workstation (96).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "monitor/counter_sampler.h"
#include "platform/platform.h"
#include "tests/support/sim_env.h"
#include "tray/tray_presenter.h"

using namespace quellora;

namespace {

// PDH from memory: every counter exists; a processor is parked when its index is odd.
class MemoryCounters : public PerfCounters {
public:
    bool OpenQuery(Query& query) override {
        query = 1;
        return true;
    }
    bool AddEnglishCounter(Query, std::u16string_view, Counter& counter) override {
        counter = ++added_;
        return true;
    }
    bool Collect(Query) override {
        ++collections_;
        return true;
    }
    bool ReadDouble(Counter counter, double& value) override {
        value = double(counter % 2);
        return true;
    }
    bool ReadLong(Counter counter, int32_t& value) override {
        value = int32_t((counter + collections_) % 2);
        return true;
    }
    bool ReadArray(Counter, std::vector<std::pair<std::u16string, double>>&) override { return false; }
    bool ReadRawArray(Counter, std::vector<RawCounterItem>&) override { return false; }
    void CloseQuery(Query) override {}

private:
    uintptr_t added_ = 0;
    uint64_t collections_ = 0;
};

class QuietSurface : public TraySurface {
public:
    bool AddIcon(const TrayIconData&) override { return true; }
    bool ModifyIcon(const TrayIconData&) override { return true; }
    bool SetIconVersion(uint32_t) override { return true; }
    bool ShowBalloon(const TrayBalloon&) override { return true; }
    uint32_t RegisterTaskbarCreated() override { return 0; }
    void Post(uint32_t, uintptr_t, intptr_t) override {}
    void PostQuit() override {}
    void SetTimer(uint32_t, uint32_t) override {}
    void KillTimer(uint32_t) override {}
    void LoadTrayMenu() override {}
    void DestroyTrayMenu() override {}
    uint32_t ShowMenu(const TrayMenu&) override { return 0; }
    int Message(std::u16string_view, uint32_t) override { return 1; }
    void RunInBackground(std::function<void()>) override {}
    void OpenMainWindow() override {}
    bool MainWindowOpen() override { return false; }
    bool MainWindowParkedCount(uint32_t&) override { return false; }
    void CloseMainWindow() override {}
    void RunBoostDialog() override {}
};

double MicrosecondsPer(int count, const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) work();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / count;
}

}  // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    testing::SimEnv env;
    MemoryCounters memory;
    PerfCounters* simulated = env.platform().counters;

    std::printf("tray tick, PDH answered from memory (%d ticks each)\n", ticks);
    for (const std::vector<uint32_t>& nodes :
         {std::vector<uint32_t>{8}, std::vector<uint32_t>{64}, std::vector<uint32_t>{64, 64, 64, 64}}) {
        env.platform().counters = &memory;
        CounterSampler sampler(CounterSampler::kParkingStatus, nodes);
        IconState shown{true, true, 0};
        uint32_t changes = 0;
        const double us = MicrosecondsPer(ticks, [&] {
            sampler.SampleNow();
            const uint32_t parked = sampler.ParkedCount();
            const IconChange change = DecideIcon(shown, parked);
            if (change != IconChange::None) {
                ++changes;
                shown.normal = change == IconChange::ShowNormal;
                shown.parked = shown.normal ? 0 : parked;
            }
        });
        std::printf("  %3u logical processors: %8.2f us per tick (%u icon changes)\n", sampler.LogicalCount(), us,
                    changes);
    }

    env.platform().counters = simulated;
    const int simTicks = std::max(1, ticks / 20);
    std::printf("whole tray tick on the simulated machine (%d ticks each)\n", simTicks);
    for (const char16_t* layout : {u"hybrid-laptop", u"workstation"}) {
        env.SetLayout(layout);
        QuietSurface surface;
        testing::ManualClock clock;
        TrayPresenter tray(surface, &clock);
        tray.OnCreate();
        tray.OnIconNormal();
        const double us = MicrosecondsPer(simTicks, [&] { tray.OnTimer(tray_timer::kTick); });
        std::printf("  %3u logical processors: %8.2f us per tick\n", tray.sampler()->LogicalCount(), us);
    }
    return 0;
}
