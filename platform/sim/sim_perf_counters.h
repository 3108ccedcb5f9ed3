// Performance counters of the simulated machine: the "Processor Information"
// counters follow the processor states Windows put in force at the last
// activation, the machine's parked cores, the load set per logical processor
// and the load this process really puts on the processor, so that a program
// that measures whether the states take effect sees them take effect (or not,
// when the machine is told to ignore them). As on Windows, rate counters have
// no value before their second collection, "Processor Frequency" is the
// nominal clock, and the raw "% Processor Performance" pairs advance with the
// clock. With the machine's counters disabled no counter can be added; without
// "% Processor Utility" (Windows before 8) that counter cannot.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/perf_counters.h"

namespace quellora::sim {

class SimMachine;

// The counters of the "Processor Information" object the machine answers.
enum class CounterKind : uint8_t {
    Performance,    // "% Processor Performance": percent of the nominal clock
    Frequency,      // "Processor Frequency": MHz
    Utility,        // "% Processor Utility"
    ProcessorTime,  // "% Processor Time"
    ParkingStatus,  // "Parking Status": 1 parked, 0 not
};

// "\Processor Information(<instance>)\<counter>" taken apart. Instances:
// "_Total", "*" (every instance, for ReadArray) and "<node>,<index in node>".
struct CounterPath {
    enum class Instance : uint8_t { Total, All, One };
    CounterKind kind = CounterKind::Performance;
    Instance instance = Instance::Total;
    uint32_t node = 0;
    uint32_t index = 0;
};
// False for any other object, counter or instance form (object and counter
// names compare without regard to case, as PDH does).
bool ParseCounterPath(std::u16string_view path, CounterPath& out);

// Rate counters need two collections before they have a value.
bool IsRateCounter(CounterKind kind);

// The processor's performance in percent of its nominal clock for the states
// in force and the share of the processor that is busy (0 to 1): an idle
// processor runs at its minimum state (never below kIdleFloorPercent), a
// tenth busy or more at its maximum state, in between in proportion.
inline constexpr double kIdleFloorPercent = 5.0;
double ModelPerformance(uint32_t minStatePercent, uint32_t maxStatePercent, double busyShare);

// CPU time this process has used, in seconds (all of its threads).
double ProcessCpuSeconds();

class SimPerfCounters : public PerfCounters {
public:
    // `clock` (optional) is the time base of the raw values; without one the
    // system's monotonic clock is.
    explicit SimPerfCounters(SimMachine& machine, Clock* clock = nullptr) : machine_(machine), clock_(clock) {}
    void SetClock(Clock* clock) { clock_ = clock; }
    bool OpenQuery(Query& query) override;
    // Unknown paths are missing counters (false).
    bool AddEnglishCounter(Query query, std::u16string_view path, Counter& counter) override;
    // Measures how busy this process kept the processor since the last
    // collection and takes the machine's state at this moment.
    bool Collect(Query query) override;
    bool ReadDouble(Counter counter, double& value) override;
    bool ReadLong(Counter counter, int32_t& value) override;
    bool ReadArray(Counter counter, std::vector<std::pair<std::u16string, double>>& values) override;
    bool ReadRawArray(Counter counter, std::vector<RawCounterItem>& values) override;
    void CloseQuery(Query query) override;

private:
    // One logical processor at a collection.
    struct Processor {
        uint32_t node = 0;
        uint32_t indexInNode = 0;
        double performance = 0;  // percent
        double utility = 0;      // percent
        bool parked = false;
        // Raw "% Processor Performance": performance × time, and the time (100 ns units).
        int64_t rawPerformance = 0;
        int64_t rawTime = 0;
    };
    struct QueryState {
        uint32_t collections = 0;
        double cpuSeconds = 0;   // at the last collection (or the opening)
        double realSeconds = 0;
        uint64_t baseTicks = 0;  // the clock at the last collection (or the opening), ms
        uint32_t nominalMhz = 0;
        std::vector<Processor> processors;
    };
    struct CounterState {
        Query query = 0;
        CounterPath path;
    };

    std::vector<Processor> Snapshot(double busyShare, uint32_t& nominalMhz);
    static double ValueOf(const Processor& p, CounterKind kind, uint32_t nominalMhz);
    static double TotalOf(const std::vector<Processor>& processors, CounterKind kind, uint32_t nominalMhz);
    // The state of a counter's query when its value can be read (the query
    // exists and was collected often enough); null otherwise.
    const QueryState* Readable(Counter counter, CounterPath& path);
    uint64_t Ticks();

    SimMachine& machine_;
    Clock* clock_ = nullptr;
    std::mutex mutex_;
    uintptr_t nextHandle_ = 1;
    std::map<Query, QueryState> queries_;
    std::map<Counter, CounterState> counters_;
};

}  // namespace quellora::sim
