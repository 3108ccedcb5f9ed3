#include "monitor/counter_sampler.h"

#include <system_error>

#include "platform/platform.h"
#include "platform/text.h"
#include "power/main_topology.h"

namespace quellora {

std::vector<uint32_t> ProcessorsPerNode() {
    const ProcessorTopology& topology = MainTopology();
    std::vector<uint32_t> counts;
    for (uint32_t node = 0; node < topology.NumaNodeCount(); ++node) counts.push_back(topology.NodeProcessorCount(node));
    return counts;
}

CounterSampler::CounterSampler(uint32_t options) : CounterSampler(options, ProcessorsPerNode()) {}

CounterSampler::CounterSampler(uint32_t options, const std::vector<uint32_t>& processorsPerNode) {
    Build(options, processorsPerNode);
    try {
        thread_ = std::thread([this] { ThreadMain(); });
    } catch (const std::system_error&) {
        // Without a thread the sampler still collects when asked to on the caller's thread.
    }
}

CounterSampler::~CounterSampler() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    if (counters_ && query_ != 0) counters_->CloseQuery(query_);
}

void CounterSampler::Build(uint32_t options, const std::vector<uint32_t>& processorsPerNode) {
    counters_ = Sys().counters;
    const bool open = counters_ && counters_->OpenQuery(query_);
    if (!open) query_ = 0;
    const bool utility = (options & kUtility) != 0;
    const bool parking = (options & kParkingStatus) != 0;
    nodes_.resize(processorsPerNode.size());
    for (size_t i = 0; i < nodes_.size(); ++i) {
        Node& node = nodes_[i];
        node.count = processorsPerNode[i];
        auto values = [&] {
            auto array = std::make_unique<std::atomic<int32_t>[]>(node.count);
            for (uint32_t j = 0; j < node.count; ++j) array[j].store(kUnknown, std::memory_order_relaxed);
            return array;
        };
        if (utility) {
            node.utility.assign(node.count, 0);
            node.utilityValues = values();
        }
        if (parking) {
            node.parking.assign(node.count, 0);
            node.parkingValues = values();
        }
        if (query_ == 0) continue;
        const auto node32 = static_cast<uint32_t>(i);
        for (uint32_t j = 0; j < node.count; ++j) {
            if (utility) {
                // "% Processor Utility" where Windows has it (8 and later), else "% Processor Time".
                PerfCounters::Counter counter = 0;
                if (!counters_->AddEnglishCounter(
                        query_, Format(u"\\Processor Information(%u,%u)\\%% Processor %s", node32, j, u"Utility"),
                        counter) &&
                    !counters_->AddEnglishCounter(
                        query_, Format(u"\\Processor Information(%u,%u)\\%% Processor Time", node32, j), counter)) {
                    counter = 0;
                }
                node.utility[j] = counter;
            }
            if (parking) {
                PerfCounters::Counter counter = 0;
                if (!counters_->AddEnglishCounter(
                        query_, Format(u"\\Processor Information(%u,%u)\\Parking Status", node32, j), counter)) {
                    counter = 0;
                }
                node.parking[j] = counter;
            }
        }
    }
}

void CounterSampler::Collect() {
    std::lock_guard lock(collectMutex_);
    if (query_ != 0) counters_->Collect(query_);
    auto read = [&](PerfCounters::Counter counter) {
        int32_t value = kUnknown;
        if (query_ == 0 || counter == 0 || !counters_->ReadLong(counter, value)) return kUnknown;
        return value;
    };
    for (Node& node : nodes_) {
        for (size_t j = 0; j < node.utility.size(); ++j)
            node.utilityValues[j].store(read(node.utility[j]), std::memory_order_relaxed);
        for (size_t j = 0; j < node.parking.size(); ++j)
            node.parkingValues[j].store(read(node.parking[j]), std::memory_order_relaxed);
    }
    hasSample_.store(true, std::memory_order_release);
}

void CounterSampler::ThreadMain() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || sampleRequested_; });
            if (stop_) return;
            sampleRequested_ = false;
        }
        Collect();
    }
}

void CounterSampler::RequestSample() {
    {
        std::lock_guard lock(mutex_);
        sampleRequested_ = true;
    }
    wake_.notify_all();
}

int CounterSampler::SampleNow() {
    Collect();
    int nodes = 0;
    for (const Node& node : nodes_) {
        if (!node.parking.empty()) ++nodes;
    }
    return nodes;
}

int32_t CounterSampler::utility(size_t node, size_t index) const {
    if (node >= nodes_.size() || !nodes_[node].utilityValues || index >= nodes_[node].count) return kUnknown;
    return nodes_[node].utilityValues[index].load(std::memory_order_relaxed);
}

int32_t CounterSampler::parking(size_t node, size_t index) const {
    if (node >= nodes_.size() || !nodes_[node].parkingValues || index >= nodes_[node].count) return kUnknown;
    return nodes_[node].parkingValues[index].load(std::memory_order_relaxed);
}

uint32_t CounterSampler::ParkedCount() const {
    uint32_t parked = 0;
    for (const Node& node : nodes_) {
        if (!node.parkingValues) continue;
        for (uint32_t j = 0; j < node.count; ++j) {
            if (node.parkingValues[j].load(std::memory_order_relaxed) > 0) ++parked;
        }
    }
    return parked;
}

uint32_t CounterSampler::LogicalCount() const {
    uint32_t count = 0;
    for (const Node& node : nodes_) count += node.count;
    return count;
}

}  // namespace quellora
