#include "platform/sim/sim_perf_counters.h"

namespace quellora::sim {

// No counter is modelled yet: queries open, counters are missing.
bool SimPerfCounters::OpenQuery(Query& query) {
    query = 1;
    return true;
}
bool SimPerfCounters::AddEnglishCounter(Query, std::u16string_view, Counter&) { return false; }
bool SimPerfCounters::Collect(Query) { return true; }
bool SimPerfCounters::ReadDouble(Counter, double&) { return false; }
bool SimPerfCounters::ReadArray(Counter, std::vector<std::pair<std::u16string, double>>&) { return false; }
void SimPerfCounters::CloseQuery(Query) {}

}  // namespace quellora::sim
