#include "platform/sim/sim_perf_counters.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#endif

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/guid.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace quellora::sim {

namespace {

constexpr std::u16string_view kObject = u"\\Processor Information(";

struct CounterName {
    std::u16string_view name;
    CounterKind kind;
};
constexpr CounterName kCounterNames[] = {
    {u"% Processor Performance", CounterKind::Performance},
    {u"Processor Frequency", CounterKind::Frequency},
    {u"% Processor Utility", CounterKind::Utility},
    {u"% Processor Time", CounterKind::ProcessorTime},
    {u"Parking Status", CounterKind::ParkingStatus},
};

// "<digits>" as a number; false for anything else.
bool ParseNumber(std::u16string_view text, uint32_t& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + static_cast<uint32_t>(c - u'0');
    }
    return true;
}

double RealSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A busy share below this counts as idle; from this share on, the processor
// runs at its maximum state (low, so that a host busy with other work still
// shows a loaded processor).
constexpr double kIdleShare = 0.02;
constexpr double kFullShare = 0.1;

}  // namespace

bool ParseCounterPath(std::u16string_view path, CounterPath& out) {
    if (path.size() < kObject.size() || !EqualsIgnoreAsciiCase(path.substr(0, kObject.size()), kObject)) return false;
    path.remove_prefix(kObject.size());
    const size_t close = path.find(u")\\");
    if (close == std::u16string_view::npos) return false;
    const std::u16string_view instance = path.substr(0, close);
    const std::u16string_view counter = path.substr(close + 2);

    CounterPath parsed;
    bool known = false;
    for (const auto& row : kCounterNames) {
        if (EqualsIgnoreAsciiCase(counter, row.name)) {
            parsed.kind = row.kind;
            known = true;
            break;
        }
    }
    if (!known) return false;

    if (EqualsIgnoreAsciiCase(instance, u"_Total")) {
        parsed.instance = CounterPath::Instance::Total;
    } else if (instance == u"*") {
        parsed.instance = CounterPath::Instance::All;
    } else {
        const size_t comma = instance.find(u',');
        if (comma == std::u16string_view::npos || !ParseNumber(instance.substr(0, comma), parsed.node) ||
            !ParseNumber(instance.substr(comma + 1), parsed.index)) {
            return false;
        }
        parsed.instance = CounterPath::Instance::One;
    }
    out = parsed;
    return true;
}

bool IsRateCounter(CounterKind kind) {
    return kind == CounterKind::Performance || kind == CounterKind::Utility || kind == CounterKind::ProcessorTime;
}

double ModelPerformance(uint32_t minStatePercent, uint32_t maxStatePercent, double busyShare) {
    const double maxState = std::min<uint32_t>(maxStatePercent, 100);
    // The maximum state caps the minimum one, as Windows does.
    const double minState = std::min<double>(std::min<uint32_t>(minStatePercent, 100), maxState);
    const double demand = std::clamp((busyShare - kIdleShare) / (kFullShare - kIdleShare), 0.0, 1.0);
    return std::max(kIdleFloorPercent, minState + (maxState - minState) * demand);
}

#ifndef _WIN32
// The threads of this process, other than the caller, that are running or
// waiting for a processor right now ('R' in /proc/self/task/*/stat); -1 when
// that cannot be read.
int OtherRunnableThreads() {
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return -1;
    const long self = syscall(SYS_gettid);
    int runnable = 0;
    while (struct dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.' || std::atol(entry->d_name) == self) continue;
        char path[300];
        std::snprintf(path, sizeof path, "/proc/self/task/%s/stat", entry->d_name);
        FILE* file = std::fopen(path, "r");
        if (!file) continue;
        char buffer[512] = {};
        size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
        std::fclose(file);
        // The state follows the command name's closing parenthesis.
        const char* close = nullptr;
        for (size_t i = 0; i < n; ++i) {
            if (buffer[i] == ')') close = buffer + i;
        }
        if (close && close[1] == ' ' && close[2] == 'R') ++runnable;
    }
    closedir(tasks);
    return runnable;
}
#endif

double ProcessCpuSeconds() {
#ifdef _WIN32
    FILETIME creation{}, exit{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;  // 100 ns units
#else
    struct timespec ts {};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0) return 0;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
#endif
}

bool SimPerfCounters::OpenQuery(Query& query) {
    std::lock_guard lock(mutex_);
    query = nextHandle_++;
    QueryState& state = queries_[query];
    state.cpuSeconds = ProcessCpuSeconds();
    state.realSeconds = RealSeconds();
    state.baseTicks = Ticks();
    return true;
}

uint64_t SimPerfCounters::Ticks() {
    if (clock_ != nullptr) return clock_->TickCount64();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

bool SimPerfCounters::AddEnglishCounter(Query query, std::u16string_view path, Counter& counter) {
    CounterPath parsed;
    if (!ParseCounterPath(path, parsed)) return false;
    if (machine_.CountersDisabled()) return false;
    if (parsed.kind == CounterKind::Utility && machine_.UtilityCounterMissing()) return false;
    std::lock_guard lock(mutex_);
    if (!queries_.contains(query)) return false;
    counter = nextHandle_++;
    counters_[counter] = CounterState{query, parsed};
    return true;
}

std::vector<SimPerfCounters::Processor> SimPerfCounters::Snapshot(double busyShare, uint32_t& nominalMhz) {
    const Topology topology = machine_.CurrentTopology();
    nominalMhz = topology.layout ? topology.layout->mhz : 0;
    const std::vector<bool> parked = machine_.ParkedCores();
    const bool ac = machine_.OnAcPower();
    const bool ignoresMaxState = machine_.IgnoresMaxState();

    // The states in force per class; classes above 1 follow class 1, as the settings do.
    struct States {
        uint32_t min = 5;
        uint32_t max = 100;
    } states[2];
    for (int c = 0; c < 2; ++c) {
        machine_.AppliedValue(c == 0 ? guids::kMinProcessorState0 : guids::kMinProcessorState1, ac, states[c].min);
        machine_.AppliedValue(c == 0 ? guids::kMaxProcessorState0 : guids::kMaxProcessorState1, ac, states[c].max);
        if (ignoresMaxState) states[c].max = 100;
    }

    // Each logical processor is as busy as this process keeps the machine, or
    // as the load set for it, whichever is more.
    const std::vector<uint32_t> loads = machine_.ProcessorLoads();
    std::vector<Processor> processors;
    std::map<uint32_t, uint32_t> nextInNode;
    size_t lp = 0;
    for (size_t i = 0; i < topology.cores.size(); ++i) {
        const CoreInfo& core = topology.cores[i];
        const States& s = states[core.efficiencyClass == 0 ? 0 : 1];
        const bool isParked = i < parked.size() && parked[i];
        for (uint32_t t = 0; t < core.threads; ++t, ++lp) {
            const double share = std::max(busyShare, lp < loads.size() ? loads[lp] / 100.0 : 0.0);
            Processor p;
            p.node = core.node;
            p.indexInNode = nextInNode[core.node]++;
            p.performance = ModelPerformance(s.min, s.max, share);
            p.utility = isParked ? 0.0 : std::clamp(share * 100.0, 0.0, 100.0);
            p.parked = isParked;
            processors.push_back(p);
        }
    }
    return processors;
}

bool SimPerfCounters::Collect(Query query) {
    std::lock_guard lock(mutex_);
    auto it = queries_.find(query);
    if (it == queries_.end()) return false;
    QueryState& state = it->second;

    // How busy this process kept the processors it could use: at most as many
    // as the host has, and no more than the simulated machine has.
    const double cpu = ProcessCpuSeconds();
    const double real = RealSeconds();
    const uint32_t simulated = std::max<uint32_t>(machine_.CurrentTopology().LogicalCount(), 1);
    const uint32_t host = std::max<uint32_t>(std::thread::hardware_concurrency(), 1);
    const double capacity = std::min(simulated, host);
    const double elapsed = real - state.realSeconds;
    double busyShare = elapsed > 0 ? std::clamp((cpu - state.cpuSeconds) / (elapsed * capacity), 0.0, 1.0) : 0.0;
#ifndef _WIN32
    // Where the threads' states can be read, the load is the other threads of
    // this process that are running or waiting for a processor: busy threads
    // are runnable whether or not the host, shared with other work, gave them a
    // processor during the interval, and the collecting thread's own work does
    // not count, so the reading does not depend on what else the host runs.
    if (const int runnable = OtherRunnableThreads(); runnable >= 0)
        busyShare = std::clamp(runnable / capacity, 0.0, 1.0);
#endif
    state.cpuSeconds = cpu;
    state.realSeconds = real;

    // The raw performance pairs go on from the last collection: the processor
    // ran at its new performance for the time since then.
    const uint64_t ticks = Ticks();
    const int64_t interval = static_cast<int64_t>(ticks - std::min(ticks, state.baseTicks)) * 10000;  // 100 ns
    state.baseTicks = ticks;
    std::vector<Processor> processors = Snapshot(busyShare, state.nominalMhz);
    for (size_t i = 0; i < processors.size(); ++i) {
        Processor& p = processors[i];
        if (i < state.processors.size()) {
            p.rawPerformance = state.processors[i].rawPerformance;
            p.rawTime = state.processors[i].rawTime;
        }
        p.rawPerformance += static_cast<int64_t>(p.performance * static_cast<double>(interval));
        p.rawTime += interval;
    }
    state.processors = std::move(processors);
    ++state.collections;
    return true;
}

double SimPerfCounters::ValueOf(const Processor& p, CounterKind kind, uint32_t nominalMhz) {
    switch (kind) {
        case CounterKind::Performance:
            return p.performance;
        case CounterKind::Frequency:
            return nominalMhz;  // the processor's nominal clock, as on processors that set their own clock
        case CounterKind::Utility:
        case CounterKind::ProcessorTime:
            return p.utility;
        case CounterKind::ParkingStatus:
            return p.parked ? 1.0 : 0.0;
    }
    return 0;
}

double SimPerfCounters::TotalOf(const std::vector<Processor>& processors, CounterKind kind, uint32_t nominalMhz) {
    if (processors.empty()) return 0;
    double sum = 0;
    for (const Processor& p : processors) sum += ValueOf(p, kind, nominalMhz);
    // "_Total" of the parking status counts the parked processors; the others average.
    return kind == CounterKind::ParkingStatus ? sum : sum / static_cast<double>(processors.size());
}

const SimPerfCounters::QueryState* SimPerfCounters::Readable(Counter counter, CounterPath& path) {
    auto c = counters_.find(counter);
    if (c == counters_.end()) return nullptr;
    auto q = queries_.find(c->second.query);
    if (q == queries_.end()) return nullptr;
    path = c->second.path;
    // A rate counter has its first value at the second collection.
    if (q->second.collections < (IsRateCounter(path.kind) ? 2u : 1u) || q->second.processors.empty()) return nullptr;
    return &q->second;
}

bool SimPerfCounters::ReadDouble(Counter counter, double& value) {
    std::lock_guard lock(mutex_);
    CounterPath path;
    const QueryState* state = Readable(counter, path);
    if (state == nullptr) return false;
    switch (path.instance) {
        case CounterPath::Instance::Total:
            value = TotalOf(state->processors, path.kind, state->nominalMhz);
            return true;
        case CounterPath::Instance::One:
            for (const Processor& p : state->processors) {
                if (p.node == path.node && p.indexInNode == path.index) {
                    value = ValueOf(p, path.kind, state->nominalMhz);
                    return true;
                }
            }
            return false;  // no such instance
        case CounterPath::Instance::All:
            return false;  // a wildcard has no single value
    }
    return false;
}

bool SimPerfCounters::ReadLong(Counter counter, int32_t& value) {
    double d = 0;
    if (!ReadDouble(counter, d)) return false;
    CounterPath path;
    {
        std::lock_guard lock(mutex_);
        auto c = counters_.find(counter);
        if (c == counters_.end()) return false;
        path = c->second.path;
    }
    // PDH caps percentages at 100 unless told not to, and rounds to the nearest whole number.
    if (path.kind != CounterKind::Frequency && path.kind != CounterKind::ParkingStatus) d = std::min(d, 100.0);
    value = static_cast<int32_t>(std::lround(d));
    return true;
}

bool SimPerfCounters::ReadArray(Counter counter, std::vector<std::pair<std::u16string, double>>& values) {
    std::lock_guard lock(mutex_);
    values.clear();
    CounterPath path;
    const QueryState* state = Readable(counter, path);
    if (state == nullptr) return false;
    const std::vector<Processor>& processors = state->processors;
    auto name = [](const Processor& p) { return ToDecimal(p.node) + u"," + ToDecimal(p.indexInNode); };
    switch (path.instance) {
        case CounterPath::Instance::Total:
            values.emplace_back(u"_Total", TotalOf(processors, path.kind, state->nominalMhz));
            return true;
        case CounterPath::Instance::One:
            for (const Processor& p : processors) {
                if (p.node == path.node && p.indexInNode == path.index) {
                    values.emplace_back(name(p), ValueOf(p, path.kind, state->nominalMhz));
                    return true;
                }
            }
            return false;
        case CounterPath::Instance::All: {
            // Every processor, each node's total, then the machine's total, as Windows lists them.
            std::map<uint32_t, std::vector<Processor>> byNode;
            for (const Processor& p : processors) {
                values.emplace_back(name(p), ValueOf(p, path.kind, state->nominalMhz));
                byNode[p.node].push_back(p);
            }
            for (const auto& [node, list] : byNode) {
                values.emplace_back(ToDecimal(node) + u",_Total", TotalOf(list, path.kind, state->nominalMhz));
            }
            values.emplace_back(u"_Total", TotalOf(processors, path.kind, state->nominalMhz));
            return true;
        }
    }
    return false;
}

bool SimPerfCounters::ReadRawArray(Counter counter, std::vector<RawCounterItem>& values) {
    std::lock_guard lock(mutex_);
    values.clear();
    auto c = counters_.find(counter);
    if (c == counters_.end()) return false;
    auto q = queries_.find(c->second.query);
    if (q == queries_.end() || q->second.collections == 0) return false;
    const CounterPath& path = c->second.path;
    const QueryState& state = q->second;
    // Raw values are there from the first collection; only "% Processor
    // Performance" keeps a time base, the others answer their value.
    auto raw = [&](const Processor& p) {
        RawCounterItem item;
        item.name = ToDecimal(p.node) + u"," + ToDecimal(p.indexInNode);
        if (path.kind == CounterKind::Performance) {
            item.first = p.rawPerformance;
            item.second = p.rawTime;
        } else {
            item.first = static_cast<int64_t>(ValueOf(p, path.kind, state.nominalMhz));
        }
        return item;
    };
    auto total = [&](const std::vector<const Processor*>& list, std::u16string name) {
        RawCounterItem item;
        item.name = std::move(name);
        for (const Processor* p : list) {
            const RawCounterItem one = raw(*p);
            item.first += one.first;
            item.second += one.second;
        }
        return item;
    };
    std::vector<const Processor*> everyone;
    std::map<uint32_t, std::vector<const Processor*>> byNode;
    for (const Processor& p : state.processors) {
        const bool wanted = path.instance != CounterPath::Instance::One ||
                            (p.node == path.node && p.indexInNode == path.index);
        if (!wanted) continue;
        if (path.instance != CounterPath::Instance::Total) values.push_back(raw(p));
        everyone.push_back(&p);
        byNode[p.node].push_back(&p);
    }
    if (path.instance == CounterPath::Instance::All) {
        for (const auto& [node, list] : byNode) values.push_back(total(list, ToDecimal(node) + u",_Total"));
    }
    if (path.instance != CounterPath::Instance::One) values.push_back(total(everyone, u"_Total"));
    return !values.empty();
}

void SimPerfCounters::CloseQuery(Query query) {
    std::lock_guard lock(mutex_);
    queries_.erase(query);
    std::erase_if(counters_, [&](const auto& entry) { return entry.second.query == query; });
}

}  // namespace quellora::sim
