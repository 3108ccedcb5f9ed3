#include "platform/sim/sim_event_log.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/sim/reg_util.h"
#include "platform/text.h"

namespace quellora::sim {

namespace {

constexpr Hive kLm = Hive::LocalMachine;
constexpr std::u16string_view kLogKey = u"EventLog";
constexpr std::u16string_view kRecordsKey = u"Records";
constexpr std::u16string_view kNextRecordId = u"NextRecordId";
constexpr std::u16string_view kDelay = u"DelayMs";
constexpr std::u16string_view kQueryError = u"QueryError";
// Windows' power service and the first record number of a fresh log.
constexpr uint32_t kServiceProcessId = 780;
constexpr uint32_t kServiceThreadId = 536;
constexpr uint32_t kFirstRecordId = 784;
constexpr uint32_t kChannelNotFound = 15007;  // ERROR_EVT_CHANNEL_NOT_FOUND

std::u16string LogKey() { return JoinKey(paths::kFacts, kLogKey); }
std::u16string RecordsKey() { return JoinKey(paths::kFacts, kLogKey, kRecordsKey); }

// The braced lower-case form the power service writes.
std::u16string LowerBraced(const Guid& g) { return u"{" + BareGuid(g) + u"}"; }

// Text and attribute values as the renderer escapes them.
std::u16string Escape(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
            case u'&': out += u"&amp;"; break;
            case u'<': out += u"&lt;"; break;
            case u'>': out += u"&gt;"; break;
            case u'\'': out += u"&apos;"; break;
            case u'"': out += u"&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::u16string RecordName(uint32_t id) { return Format(u"%010u", id); }

// "time\tvisibleAt\tpid\tpath\told\tnew"
std::u16string StoreText(const PlanChangeEvent& e) {
    return ToDecimal(e.time) + u"\t" + ToDecimal(e.visibleAt) + u"\t" + ToDecimal(e.process.pid) + u"\t" +
           e.process.path + u"\t" + BareGuid(e.oldPlan) + u"\t" + BareGuid(e.newPlan);
}

bool FromStoreText(std::u16string_view name, std::u16string_view text, PlanChangeEvent& e) {
    const std::vector<std::u16string> fields = Split(text, u'\t');
    if (fields.size() != 6) return false;
    bool digits = false;
    e.recordId = static_cast<uint32_t>(ParseLeadingInt(name, &digits));
    if (!digits) return false;
    e.time = static_cast<uint64_t>(ParseLeadingInt(fields[0]));
    e.visibleAt = static_cast<uint64_t>(ParseLeadingInt(fields[1]));
    e.process.pid = static_cast<uint32_t>(ParseLeadingInt(fields[2]));
    e.process.path = fields[3];
    return StringToGuid(fields[4], e.oldPlan) && StringToGuid(fields[5], e.newPlan);
}

}  // namespace

void RecordPlanChange(SimMachine& machine, const Guid& oldPlan, const Guid& newPlan, const ProcessIdentity& by) {
    const uint64_t now = machine.NowFileTime();
    RecordPlanChangeAt(machine, oldPlan, newPlan, by, now,
                       now + static_cast<uint64_t>(PlanChangeEventDelayMs(machine)) * 10000);
}

void RecordPlanChangeAt(SimMachine& machine, const Guid& oldPlan, const Guid& newPlan, const ProcessIdentity& by,
                        uint64_t time, uint64_t visibleAt) {
    Registry& r = machine.registry();
    const std::u16string log = LogKey();
    const uint32_t id = std::max(DwordOr(r, kLm, log, kNextRecordId, kFirstRecordId), kFirstRecordId);
    PlanChangeEvent e;
    e.recordId = id;
    e.time = time;
    e.visibleAt = visibleAt;
    e.process = by;
    e.oldPlan = oldPlan;
    e.newPlan = newPlan;
    WriteText(r, kLm, RecordsKey(), RecordName(id), StoreText(e));
    WriteDword(r, kLm, log, kNextRecordId, id + 1);
    // The log keeps the newest records only.
    if (id >= kFirstRecordId + kMaxPlanChangeEvents) {
        std::vector<RegEntry> values;
        if (r.EnumValues(kLm, RecordsKey(), values) == err::kSuccess && values.size() > kMaxPlanChangeEvents) {
            std::vector<std::u16string> names;
            for (const RegEntry& v : values) names.push_back(v.name);
            std::sort(names.begin(), names.end());
            for (size_t i = 0; i + kMaxPlanChangeEvents < names.size(); ++i) r.DeleteValue(kLm, RecordsKey(), names[i]);
        }
    }
}

std::vector<PlanChangeEvent> PlanChangeEvents(SimMachine& machine) {
    std::vector<RegEntry> values;
    std::vector<PlanChangeEvent> events;
    if (machine.registry().EnumValues(kLm, RecordsKey(), values) != err::kSuccess) return events;
    for (const RegEntry& v : values) {
        PlanChangeEvent e;
        if (FromStoreText(v.name, Utf16FromBytes(v.value.data.data(), v.value.data.size()), e)) events.push_back(e);
    }
    std::sort(events.begin(), events.end(),
              [](const PlanChangeEvent& a, const PlanChangeEvent& b) { return a.recordId > b.recordId; });
    return events;
}

void ClearPlanChangeEvents(SimMachine& machine) { machine.registry().DeleteTree(kLm, RecordsKey()); }

uint32_t PlanChangeEventDelayMs(SimMachine& machine) { return DwordOr(machine.registry(), kLm, LogKey(), kDelay, 0); }

void SetPlanChangeEventDelayMs(SimMachine& machine, uint32_t delayMs) {
    WriteDword(machine.registry(), kLm, LogKey(), kDelay, delayMs);
}

uint32_t EventQueryError(SimMachine& machine) { return DwordOr(machine.registry(), kLm, LogKey(), kQueryError, 0); }

void SetEventQueryError(SimMachine& machine, uint32_t error) {
    WriteDword(machine.registry(), kLm, LogKey(), kQueryError, error);
}

std::u16string RenderPlanChangeEvent(const PlanChangeEvent& e, std::u16string_view computer) {
    const CalendarTime t = FileTimeToCalendar(e.time);
    const std::u16string time = Format(u"%04u-%02u-%02uT%02u:%02u:%02u.%07uZ", t.year, t.month, t.day, t.hour,
                                       t.minute, t.second, static_cast<uint32_t>(e.time % kFileTimePerSecond));
    std::u16string x;
    x += u"<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System>";
    x += u"<Provider Name='Microsoft-Windows-UserModePowerService' Guid='{ce8dee0b-d539-4000-b0f8-77bed049c590}'/>";
    x += u"<EventID>12</EventID><Version>0</Version><Level>4</Level><Task>10</Task><Opcode>0</Opcode>";
    x += u"<Keywords>0x4000000000000000</Keywords>";
    x += u"<TimeCreated SystemTime='" + time + u"'/>";
    x += u"<EventRecordID>" + ToDecimal(e.recordId) + u"</EventRecordID><Correlation/>";
    x += Format(u"<Execution ProcessID='%u' ThreadID='%u'/>", kServiceProcessId, kServiceThreadId);
    x += u"<Channel>System</Channel><Computer>" + Escape(computer) + u"</Computer>";
    x += u"<Security UserID='S-1-5-18'/></System><EventData>";
    x += u"<Data Name='ProcessPath'>" + Escape(e.process.path) + u"</Data>";
    x += u"<Data Name='ProcessPid'>" + ToDecimal(e.process.pid) + u"</Data>";
    x += u"<Data Name='OldSchemeGuid'>" + LowerBraced(e.oldPlan) + u"</Data>";
    x += u"<Data Name='NewSchemeGuid'>" + LowerBraced(e.newPlan) + u"</Data>";
    x += u"</EventData></Event>";
    return x;
}

uint32_t SimEventLog::QueryNewest(std::u16string_view channel, std::u16string_view query, uint32_t maxEntries,
                                  std::vector<std::u16string>& entries) {
    entries.clear();
    if (const uint32_t error = EventQueryError(machine_); error != 0) return error;
    if (!EqualsIgnoreAsciiCase(channel, u"System")) return kChannelNotFound;
    if (query.find(u"NewSchemeGuid") == std::u16string_view::npos) return err::kNoMoreItems;
    const uint64_t now = machine_.NowFileTime();
    const std::u16string computer = machine_.ComputerName();
    for (const PlanChangeEvent& e : PlanChangeEvents(machine_)) {
        if (entries.size() >= maxEntries) break;
        if (e.visibleAt > now) continue;  // not written yet
        entries.push_back(RenderPlanChangeEvent(e, computer));
    }
    return entries.empty() ? err::kNoMoreItems : err::kSuccess;
}

}  // namespace quellora::sim
