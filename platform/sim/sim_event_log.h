// The simulated machine's System event log: every plan activation adds the
// record Windows' user-mode power service writes (event 12 of
// Microsoft-Windows-UserModePowerService), naming the process that made it.
// The log answers the platform's event log queries with these records
// rendered as event XML, exactly as Windows renders them. It can be told to
// let records appear late (Windows writes them a little after the switch)
// and to refuse queries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/event_log.h"
#include "platform/guid.h"
#include "platform/sim/sim_machine.h"

namespace quellora::sim {

struct PlanChangeEvent {
    uint32_t recordId = 0;
    uint64_t time = 0;       // FILETIME units, UTC
    uint64_t visibleAt = 0;  // FILETIME units: the record is not listed before
    ProcessIdentity process;
    Guid oldPlan;
    Guid newPlan;
};

// At most this many records are kept; older ones are dropped.
inline constexpr uint32_t kMaxPlanChangeEvents = 1000;

// powercfg.exe of the simulated machine, as its records name it.
inline constexpr std::u16string_view kPowercfgPath = u"C:\\Windows\\system32\\powercfg.exe";

// Adds a record of a switch from `oldPlan` to `newPlan` made by `by`.
void RecordPlanChange(SimMachine& machine, const Guid& oldPlan, const Guid& newPlan, const ProcessIdentity& by);
// The same record with the time it bears and the time it shows up in queries
// (FILETIME units, UTC): a history written afterwards.
void RecordPlanChangeAt(SimMachine& machine, const Guid& oldPlan, const Guid& newPlan, const ProcessIdentity& by,
                        uint64_t time, uint64_t visibleAt);
// Every record, newest first, whether it can be seen yet or not.
std::vector<PlanChangeEvent> PlanChangeEvents(SimMachine& machine);
void ClearPlanChangeEvents(SimMachine& machine);

// How long a new record stays out of the query results (0: it is there at once).
uint32_t PlanChangeEventDelayMs(SimMachine& machine);
void SetPlanChangeEventDelayMs(SimMachine& machine, uint32_t delayMs);
// The Windows error every query answers (0: queries work).
uint32_t EventQueryError(SimMachine& machine);
void SetEventQueryError(SimMachine& machine, uint32_t error);

// The record as Windows renders it (EvtRenderEventXml), on the machine of that name.
std::u16string RenderPlanChangeEvent(const PlanChangeEvent& event, std::u16string_view computer);

class SimEventLog : public EventLog {
public:
    explicit SimEventLog(SimMachine& machine) : machine_(machine) {}
    // The "System" channel holds the plan-change records; a query selects
    // them when it asks for entries with a NewSchemeGuid item.
    uint32_t QueryNewest(std::u16string_view channel, std::u16string_view query, uint32_t maxEntries,
                         std::vector<std::u16string>& entries) override;

private:
    SimMachine& machine_;
};

}  // namespace quellora::sim
