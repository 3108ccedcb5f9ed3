// Per logical processor, how busy it is and whether Windows has parked it,
// from the performance counters of the "Processor Information" object (by
// their English names, so that every display language works). A sampler
// collects on a thread of its own when asked, or on the caller's thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/perf_counters.h"

namespace quellora {

class CounterSampler {
public:
    // What to collect (the tray asks for parking status, the utilisation graph for both).
    static constexpr uint32_t kUtility = 4;
    static constexpr uint32_t kParkingStatus = 8;
    // A value that could not be read.
    static constexpr int32_t kUnknown = -1;

    // One node per NUMA node of the machine (0 to the highest node number),
    // each with as many processors as its group affinity masks hold.
    explicit CounterSampler(uint32_t options);
    // Nodes with the given processor counts.
    CounterSampler(uint32_t options, const std::vector<uint32_t>& processorsPerNode);
    // Stops the thread and waits for it; removes the counters. Never call it
    // on the sampler's own thread.
    ~CounterSampler();
    CounterSampler(const CounterSampler&) = delete;
    CounterSampler& operator=(const CounterSampler&) = delete;

    // The sampler's thread collects and stores new values.
    void RequestSample();
    // Collects and stores on the caller's thread; answers the number of nodes
    // with parking status counters.
    int SampleNow();

    // Set after the first sample.
    bool hasSample() const { return hasSample_.load(std::memory_order_acquire); }
    size_t nodeCount() const { return nodes_.size(); }
    size_t processorCount(size_t node) const { return node < nodes_.size() ? nodes_[node].count : 0; }
    // Percent, or kUnknown (rate counters read kUnknown at their first sample).
    int32_t utility(size_t node, size_t index) const;
    // 0 unparked, above 0 parked, kUnknown.
    int32_t parking(size_t node, size_t index) const;
    // The logical processors whose parking status is above 0 (unknown ones are not parked).
    uint32_t ParkedCount() const;
    uint32_t LogicalCount() const;
    // Whether the sampler's thread runs (it could not be started when false;
    // SampleNow still works).
    bool threadRunning() const { return thread_.joinable(); }

private:
    struct Node {
        uint32_t count = 0;
        std::vector<PerfCounters::Counter> utility;  // empty when not requested; 0 where missing
        std::vector<PerfCounters::Counter> parking;
        std::unique_ptr<std::atomic<int32_t>[]> utilityValues;
        std::unique_ptr<std::atomic<int32_t>[]> parkingValues;
    };

    void Build(uint32_t options, const std::vector<uint32_t>& processorsPerNode);
    void Collect();
    void ThreadMain();

    PerfCounters* counters_ = nullptr;
    PerfCounters::Query query_ = 0;
    std::vector<Node> nodes_;
    std::atomic<bool> hasSample_{false};

    std::mutex collectMutex_;  // one collection at a time (the thread and SampleNow)
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool sampleRequested_ = true;  // the thread takes a first sample at once
    std::thread thread_;
};

// The processors of each NUMA node of the machine, nodes 0 to the highest node number.
std::vector<uint32_t> ProcessorsPerNode();

}  // namespace quellora
