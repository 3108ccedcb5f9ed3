// Performance counters (PDH): a query collects counters by their English path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quellora {

// One instance of a raw counter array (PDH_RAW_COUNTER_ITEM).
struct RawCounterItem {
    std::u16string name;  // the instance, "0,3", "0,_Total", "_Total"
    int64_t first = 0;    // FirstValue
    int64_t second = 0;   // SecondValue (the time base of rate counters)
};

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
    // PdhGetFormattedCounterValue as a double (not capped at 100); false when
    // the counter has no valid value yet.
    virtual bool ReadDouble(Counter counter, double& value) = 0;
    // PdhGetFormattedCounterValue as a 32-bit integer (PDH_FMT_LONG: percentages
    // capped at 100); false when the counter has no valid value yet.
    virtual bool ReadLong(Counter counter, int32_t& value) = 0;
    // PdhGetFormattedCounterArrayW for a wildcard instance, as doubles not
    // capped at 100: (instance name, value) pairs of the instances whose value
    // is valid.
    virtual bool ReadArray(Counter counter, std::vector<std::pair<std::u16string, double>>& values) = 0;
    // PdhGetRawCounterArrayW for a wildcard instance: the raw values of the
    // instances whose status is valid.
    virtual bool ReadRawArray(Counter counter, std::vector<RawCounterItem>& values) = 0;
    // PdhCloseQuery.
    virtual void CloseQuery(Query query) = 0;
};

}  // namespace quellora
