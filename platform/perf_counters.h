// Performance counters (PDH): a query collects counters by their English path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quellora {

class PerfCounters {
public:
    using Query = uintptr_t;    // 0: none
    using Counter = uintptr_t;  // 0: none

    virtual ~PerfCounters() = default;

    // PdhOpenQueryW.
    virtual bool OpenQuery(Query& query) = 0;
    // PdhAddEnglishCounterW, e.g. "\\Processor Information(_Total)\\% Processor Performance".
    virtual bool AddEnglishCounter(Query query, std::u16string_view path, Counter& counter) = 0;
    // PdhCollectQueryData.
    virtual bool Collect(Query query) = 0;
    // PdhGetFormattedCounterValue as a double; false when the counter has no valid value yet.
    virtual bool ReadDouble(Counter counter, double& value) = 0;
    // PdhGetFormattedCounterArrayW for a wildcard instance: (instance name, value) pairs.
    virtual bool ReadArray(Counter counter, std::vector<std::pair<std::u16string, double>>& values) = 0;
    // PdhCloseQuery.
    virtual void CloseQuery(Query query) = 0;
};

}  // namespace quellora
