// The effective processor clock, overall and per kind of core on machines
// with two kinds, from "% Processor Performance" (raw values, so that each
// sample covers the time since the last) and "Processor Frequency". One
// sampler per process, collecting on its own thread when asked. When it has no
// valid reading, AverageCurrentMhz() (power/setting_metadata.h) stands in.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/perf_counters.h"

namespace quellora {

struct FrequencyReading {
    bool valid = false;
    double averageMHz = 0;
    double performanceCoreMHz = 0;  // hybrid processors only
    double efficientCoreMHz = 0;    // hybrid processors only
};

struct RawPair {
    int64_t first = 0;
    int64_t second = 0;
};

// The arithmetic of one sample: per processor instance ("node,index"; totals
// are left out) that has a previous raw value and a frequency, d1 and d2 are
// the raw values' advances; a processor whose d1 went backwards or whose d2
// did not advance is left out. The average clock is Σd1 × base / Σd2 / 100,
// the base being `nominalMhz`, or without one the frequency-weighted mean
// Σ(d1 × f) / Σd1; on a hybrid processor each kind's clock is Σ(d1 × f) / Σd2 /
// 100 over its processors. Invalid (all 0) when no time passed.
FrequencyReading ComputeFrequencyReading(const std::map<std::u16string, RawPair>& previous,
                                         const std::vector<RawCounterItem>& current,
                                         const std::map<std::u16string, double>& frequencies,
                                         const std::set<std::u16string>& efficientInstances, bool heterogeneous,
                                         uint32_t nominalMhz);

class FrequencySampler {
public:
    // Builds the counters from the machine's topology; without them the
    // sampler never becomes valid and runs no thread.
    FrequencySampler();
    ~FrequencySampler();
    FrequencySampler(const FrequencySampler&) = delete;
    FrequencySampler& operator=(const FrequencySampler&) = delete;

    // The last reading.
    FrequencyReading Read();
    // The thread takes a new sample (the next reading is ready about a second later).
    void RequestSample();
    // Collects on the caller's thread (tests, and the sampler's own thread).
    void SampleNow();
    bool hasCounters() const { return query_ != 0; }

private:
    void ThreadMain();

    PerfCounters* counters_ = nullptr;
    PerfCounters::Query query_ = 0;
    PerfCounters::Counter performance_ = 0;
    PerfCounters::Counter frequency_ = 0;
    bool heterogeneous_ = false;
    uint32_t nominalMhz_ = 0;
    std::set<std::u16string> efficient_;  // instance names of the efficient processors
    std::mutex sampleMutex_;  // one sample at a time
    std::map<std::u16string, RawPair> previous_;

    std::mutex readingMutex_;
    FrequencyReading reading_;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool sampleRequested_ = false;
    std::thread thread_;
};

// The process-wide sampler, made on first use.
FrequencySampler& GetFrequencySampler();

// Instance names ("node,index") of the logical processors whose efficiency
// class is below the highest: the counters name processors by NUMA node and
// index in the node, which the topology maps to group and index.
std::set<std::u16string> EfficientInstances();

}  // namespace quellora
