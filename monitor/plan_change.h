// Which program switched the active power plan, from Windows' System event
// log: Windows records every switch with the switching process's path and id
// and the old and new plan. The tray is told of each switch another program
// makes (the watcher), and the events lists show the history of switches.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/guid.h"

namespace quellora {

class PowerSchemeAccess;

// What the tray is told about one switch.
struct PlanChangeRecord {
    Guid newPlan;
    Guid oldPlan;
    std::u16string processName;  // the file name of the switching process (at most 260 characters)
};

// One switch of the history.
struct PlanChangeEntry {
    Guid newPlan;  // zero when missing
    Guid oldPlan;
    int32_t processId = -1;  // -1 when missing
    std::u16string processPath;
    CalendarTime timeUtc;  // all zero when the entry has no readable time
};

// The System log's plan-change entries: those with a NewSchemeGuid item.
inline constexpr std::u16string_view kPlanChangeQuery =
    u"<QueryList><Query Id = \"0\"><Select Path = 'System'>*[EventData[Data[@Name='NewSchemeGuid']]]</Select>"
    u"</Query></QueryList>";
inline constexpr std::u16string_view kSystemChannel = u"System";

// The items of one entry's event XML.
struct PlanChangeItems {
    bool hasProcessId = false;
    uint32_t processId = 0;
    bool hasProcessPath = false;
    std::u16string processPath;
    bool hasOldPlan = false;
    Guid oldPlan;
    bool hasNewPlan = false;
    Guid newPlan;
    bool hasTime = false;
    CalendarTime timeUtc;
};
// False when the text is not an event (no Event root element).
bool ParsePlanChangeXml(std::u16string_view xml, PlanChangeItems& items);

// The part of the path after its last backslash; empty when the path has no
// backslash after its first character. Cut to 260 characters.
std::u16string ProcessFileName(std::u16string_view path);

// The newest plan-change entry. Answers 0, or the Windows error of the query
// or the read (nothing is changed then but processId, set to 0 first);
// missing items leave their outputs as they were.
uint32_t ReadLatestPlanChange(uint32_t& processId, std::u16string& processPath, Guid& oldPlan, Guid& newPlan);

// Up to `maxEntries` newest entries, newest first, keeping those whose plans
// differ and whose process path is not empty. Answers 0 or the Windows error.
uint32_t ReadPlanChangeHistory(int32_t maxEntries, std::vector<PlanChangeEntry>& entries);

// How long a plan stayed active, from the switch at `older` to the one at
// `newer`: "59s", "1m 1s", "1h 0m", "1d 1h"; empty when `older` is not
// earlier or a time is not a real time.
std::u16string ChangeDurationText(const CalendarTime& older, const CalendarTime& newer);

// One row of the events list of switches.
struct PlanHistoryRow {
    std::u16string processName;
    std::u16string localTime;  // "2017-07-23 14:33:21", empty without a time
    std::u16string planName;   // the new plan's friendly name, or its braced GUID
    std::u16string duration;   // how long the plan set by the next older switch stayed; empty for the oldest
};
// At most this many history entries are read, and this many rows shown.
inline constexpr int32_t kHistoryEntriesRead = 500;
inline constexpr size_t kHistoryRowsShown = 50;
// The rows of the events list, newest first (empty when the log cannot be read).
std::vector<PlanHistoryRow> PlanHistoryRows(PowerSchemeAccess& power);

// ---- The watcher

// After a wake: the active plan now, then up to ten reads of the newest entry
// half a second apart until it names that plan (Windows writes the entry a
// little after the switch; after the tenth the last one read counts). An
// active power-mode overlay is named by its entry as Balanced. A record when
// the entry names a process (id and path) and both plans.
// `pause(ms)` waits between the reads; when it answers false (the process is
// shutting down) nothing is collected.
bool CollectPlanChange(PowerSchemeAccess& power, const std::function<bool(uint32_t)>& pause,
                       PlanChangeRecord& record);

// The events the watcher's two threads wait for: the process's shutdown
// event and the wake event the poll thread signals.
class WatcherSignals {
public:
    enum class Wake { Shutdown, Woken, Failed };
    virtual ~WatcherSignals() = default;
    // Waits up to `timeoutMs` for shutdown; true when it is signalled.
    virtual bool WaitForShutdown(uint32_t timeoutMs) = 0;
    // Waits without end for shutdown or wake.
    virtual Wake WaitForShutdownOrWake() = 0;
    virtual void SignalWake() = 0;
};

// The poll thread: reads the active plan once a second and signals wake when
// it changed; ends at shutdown.
void RunPlanPoll(WatcherSignals& signals);
// The reporter thread: at each wake, collects the change and hands it to
// `send` (the tray, synchronously); ends at shutdown.
void RunPlanReporter(WatcherSignals& signals, const std::function<void(const PlanChangeRecord&)>& send);

// Starts the two threads once per process over the program's own events:
// the named shutdown event that `/terminate` signals, the named wake event,
// and a stop event of this process (StopPlanWatcher). `send` hands a record
// to the tray window and returns when the window has handled it. The threads
// end at shutdown or stop; they are not waited for. False when the events or
// the threads cannot be had.
bool StartPlanWatcher(std::function<void(const PlanChangeRecord&)> send);
void StopPlanWatcher();

}  // namespace quellora
