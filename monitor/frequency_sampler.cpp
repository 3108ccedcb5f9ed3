#include "monitor/frequency_sampler.h"

#include <system_error>

#include "platform/platform.h"
#include "platform/text.h"
#include "power/main_topology.h"

namespace quellora {

namespace {

constexpr std::u16string_view kPerformanceCounter = u"\\Processor Information(*)\\% Processor Performance";
constexpr std::u16string_view kFrequencyCounter = u"\\Processor Information(*)\\Processor Frequency";

// "<digits>,<digits>": a processor instance (totals such as "0,_Total" and "_Total" are not).
bool IsProcessorInstance(std::u16string_view name) {
    const size_t comma = name.find(u',');
    if (comma == 0 || comma == std::u16string_view::npos || comma + 1 >= name.size()) return false;
    auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    for (size_t i = 0; i < comma; ++i) {
        if (!digit(name[i])) return false;
    }
    return digit(name[comma + 1]);
}

}  // namespace

FrequencyReading ComputeFrequencyReading(const std::map<std::u16string, RawPair>& previous,
                                         const std::vector<RawCounterItem>& current,
                                         const std::map<std::u16string, double>& frequencies,
                                         const std::set<std::u16string>& efficientInstances, bool heterogeneous,
                                         uint32_t nominalMhz) {
    struct Sums {
        double d1 = 0, d1f = 0, d2 = 0;
        void Add(double a, double af, double b) {
            d1 += a;
            d1f += af;
            d2 += b;
        }
    } all, performance, efficient;
    for (const RawCounterItem& item : current) {
        if (!IsProcessorInstance(item.name)) continue;
        const auto before = previous.find(item.name);
        const auto frequency = frequencies.find(item.name);
        if (before == previous.end() || frequency == frequencies.end()) continue;
        const double d1 = static_cast<double>(item.first - before->second.first);
        const double d2 = static_cast<double>(item.second - before->second.second);
        if (d1 < 0 || d2 <= 0) continue;
        const double d1f = d1 * frequency->second;
        all.Add(d1, d1f, d2);
        (efficientInstances.contains(item.name) ? efficient : performance).Add(d1, d1f, d2);
    }
    FrequencyReading reading;
    if (all.d2 <= 0) return reading;
    reading.valid = true;
    double base = nominalMhz;
    if (base == 0) base = all.d1 > 0 ? all.d1f / all.d1 : 0;
    reading.averageMHz = all.d1 * base / all.d2 / 100;
    if (heterogeneous) {
        if (performance.d2 > 0) reading.performanceCoreMHz = performance.d1f / performance.d2 / 100;
        if (efficient.d2 > 0) reading.efficientCoreMHz = efficient.d1f / efficient.d2 / 100;
    }
    return reading;
}

std::set<std::u16string> EfficientInstances() {
    std::set<std::u16string> instances;
    const ProcessorTopology& topology = MainTopology();
    if (!topology.IsHeterogeneous()) return instances;
    for (uint32_t node = 0; node < topology.NumaNodeCount(); ++node) {
        for (uint32_t n = 0; n < topology.NodeProcessorCount(node); ++n) {
            uint16_t group = 0;
            uint32_t index = 0;
            if (!topology.NodeProcessor(node, n, group, index)) continue;
            const auto efficiencyClass = topology.LogicalProcessorClass(group, index);
            if (efficiencyClass && *efficiencyClass < topology.maxClass()) {
                instances.insert(ToDecimal(node) + u"," + ToDecimal(n));
            }
        }
    }
    return instances;
}

FrequencySampler::FrequencySampler() {
    heterogeneous_ = IsHeterogeneousProcessor();
    if (heterogeneous_) efficient_ = EfficientInstances();
    nominalMhz_ = ProcessorTopology::NominalMhz();
    counters_ = Sys().counters;
    if (!counters_ || !counters_->OpenQuery(query_)) {
        query_ = 0;
        return;
    }
    if (!counters_->AddEnglishCounter(query_, kPerformanceCounter, performance_) ||
        !counters_->AddEnglishCounter(query_, kFrequencyCounter, frequency_)) {
        counters_->CloseQuery(query_);
        query_ = 0;
        return;
    }
    // The first raw values: the first sample's advances start here.
    counters_->Collect(query_);
    std::vector<RawCounterItem> raw;
    if (counters_->ReadRawArray(performance_, raw)) {
        for (const RawCounterItem& item : raw) previous_[item.name] = {item.first, item.second};
    }
    try {
        thread_ = std::thread([this] { ThreadMain(); });
    } catch (const std::system_error&) {
        // No thread: readings come only from SampleNow.
    }
}

FrequencySampler::~FrequencySampler() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    if (counters_ && query_ != 0) counters_->CloseQuery(query_);
}

FrequencyReading FrequencySampler::Read() {
    std::lock_guard lock(readingMutex_);
    return reading_;
}

void FrequencySampler::RequestSample() {
    {
        std::lock_guard lock(mutex_);
        sampleRequested_ = true;
    }
    wake_.notify_all();
}

void FrequencySampler::SampleNow() {
    if (query_ == 0) return;
    std::lock_guard sampling(sampleMutex_);
    FrequencyReading reading;
    if (counters_->Collect(query_)) {
        std::vector<std::pair<std::u16string, double>> frequencyArray;
        std::map<std::u16string, double> frequencies;
        if (counters_->ReadArray(frequency_, frequencyArray)) {
            for (const auto& [name, value] : frequencyArray) frequencies[name] = value;
        }
        std::vector<RawCounterItem> raw;
        if (counters_->ReadRawArray(performance_, raw)) {
            reading = ComputeFrequencyReading(previous_, raw, frequencies, efficient_, heterogeneous_, nominalMhz_);
            previous_.clear();
            for (const RawCounterItem& item : raw) previous_[item.name] = {item.first, item.second};
        }
    }
    std::lock_guard lock(readingMutex_);
    reading_ = reading;
}

void FrequencySampler::ThreadMain() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || sampleRequested_; });
            if (stop_) return;
            sampleRequested_ = false;
        }
        SampleNow();
    }
}

FrequencySampler& GetFrequencySampler() {
    static FrequencySampler sampler;  // thread-safe one-time construction
    return sampler;
}

}  // namespace quellora
