// Performance counters of the simulated machine.
#pragma once

#include "platform/perf_counters.h"

namespace quellora::sim {

class SimMachine;

class SimPerfCounters : public PerfCounters {
public:
    explicit SimPerfCounters(SimMachine& machine) : machine_(machine) {}
    bool OpenQuery(Query& query) override;
    bool AddEnglishCounter(Query query, std::u16string_view path, Counter& counter) override;
    bool Collect(Query query) override;
    bool ReadDouble(Counter counter, double& value) override;
    bool ReadArray(Counter counter, std::vector<std::pair<std::u16string, double>>& values) override;
    void CloseQuery(Query query) override;

private:
    SimMachine& machine_;
};

}  // namespace quellora::sim
