#include "monitor/plan_change.h"

#include <tinyxml2.h>

#include <cstdio>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/errors.h"
#include "platform/instance_events.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {

constexpr size_t kMaxProcessName = 260;
constexpr int kCollectTries = 10;
constexpr uint32_t kCollectPauseMs = 500;
constexpr uint32_t kPollMs = 1000;

// The element's first child of that name (namespaces are not looked at: the
// record's default namespace leaves the names as they are).
const tinyxml2::XMLElement* Child(const tinyxml2::XMLElement* parent, const char* name) {
    return parent ? parent->FirstChildElement(name) : nullptr;
}

// "%u": leading white space, then the digits up to the first other character; no digits give 0.
uint32_t ParseUnsigned(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r' ||
                               text[i] == u'\v' || text[i] == u'\f')) {
        ++i;
    }
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - u'0');
        if (value > 0xFFFFFFFFull) value = 0xFFFFFFFFull;
    }
    return static_cast<uint32_t>(value);
}

// "2017-07-23T12:33:21.9696450Z": the six fields, fractions and zone ignored.
bool ParseSystemTime(const char* text, CalendarTime& time) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!text || std::sscanf(text, "%d-%d-%dT%d:%d:%d", &year, &month, &day, &hour, &minute, &second) != 6) {
        return false;
    }
    auto field = [](int v) { return static_cast<uint16_t>(v < 0 ? 0 : v > 0xFFFF ? 0xFFFF : v); };
    time = CalendarTime{};
    time.year = field(year);
    time.month = field(month);
    time.day = field(day);
    time.hour = field(hour);
    time.minute = field(minute);
    time.second = field(second);
    return true;
}

PlanChangeEntry EntryFrom(const PlanChangeItems& items) {
    PlanChangeEntry entry;
    if (items.hasNewPlan) entry.newPlan = items.newPlan;
    if (items.hasOldPlan) entry.oldPlan = items.oldPlan;
    if (items.hasProcessId) entry.processId = static_cast<int32_t>(items.processId);
    if (items.hasProcessPath) entry.processPath = items.processPath;
    if (items.hasTime) entry.timeUtc = items.timeUtc;
    return entry;
}

}  // namespace

bool ParsePlanChangeXml(std::u16string_view xml, PlanChangeItems& items) {
    items = PlanChangeItems{};
    tinyxml2::XMLDocument document;
    const std::string bytes = Utf16ToUtf8(xml);
    if (document.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS) return false;
    const tinyxml2::XMLElement* event = document.RootElement();
    if (!event || std::string_view(event->Name()) != "Event") return false;

    if (const tinyxml2::XMLElement* created = Child(Child(event, "System"), "TimeCreated")) {
        items.hasTime = ParseSystemTime(created->Attribute("SystemTime"), items.timeUtc);
    }
    for (const tinyxml2::XMLElement* data = Child(Child(event, "EventData"), "Data"); data;
         data = data->NextSiblingElement("Data")) {
        const char* nameText = data->Attribute("Name");
        const char* valueText = data->GetText();
        if (!nameText || !*nameText || !valueText || !*valueText) continue;
        const std::string_view name = nameText;
        const std::u16string value = Utf8ToUtf16(valueText);
        if (name == "ProcessPath") {
            items.hasProcessPath = true;
            items.processPath = value;
        } else if (name == "ProcessPid") {
            items.hasProcessId = true;
            items.processId = ParseUnsigned(value);
        } else if (name == "OldSchemeGuid" || name == "NewSchemeGuid") {
            Guid plan;
            if (!StringToGuid(TrimWhite(value), plan)) continue;
            if (name == "OldSchemeGuid") {
                items.hasOldPlan = true;
                items.oldPlan = plan;
            } else {
                items.hasNewPlan = true;
                items.newPlan = plan;
            }
        }
    }
    return true;
}

std::u16string ProcessFileName(std::u16string_view path) {
    const size_t slash = path.rfind(u'\\');
    if (slash == std::u16string_view::npos || slash == 0) return {};
    std::u16string name(path.substr(slash + 1));
    if (name.size() > kMaxProcessName) {
        size_t cut = kMaxProcessName;
        // Never half a surrogate pair.
        if (cut > 0 && name[cut - 1] >= 0xD800 && name[cut - 1] <= 0xDBFF) --cut;
        name.resize(cut);
    }
    return name;
}

uint32_t ReadLatestPlanChange(uint32_t& processId, std::u16string& processPath, Guid& oldPlan, Guid& newPlan) {
    processId = 0;
    EventLog* log = Sys().eventLog;
    if (!log) return err::kCallNotImplemented;
    std::vector<std::u16string> entries;
    const uint32_t result = log->QueryNewest(kSystemChannel, kPlanChangeQuery, 1, entries);
    if (result != err::kSuccess) return result;
    if (entries.empty()) return err::kNoMoreItems;
    PlanChangeItems items;
    if (!ParsePlanChangeXml(entries.front(), items)) return err::kInvalidData;
    if (items.hasProcessPath) processPath = items.processPath;
    if (items.hasProcessId) processId = items.processId;
    if (items.hasOldPlan) oldPlan = items.oldPlan;
    if (items.hasNewPlan) newPlan = items.newPlan;
    return err::kSuccess;
}

uint32_t ReadPlanChangeHistory(int32_t maxEntries, std::vector<PlanChangeEntry>& entries) {
    entries.clear();
    EventLog* log = Sys().eventLog;
    if (!log) return err::kCallNotImplemented;
    if (maxEntries <= 0) return err::kSuccess;
    std::vector<std::u16string> rendered;
    const uint32_t result =
        log->QueryNewest(kSystemChannel, kPlanChangeQuery, static_cast<uint32_t>(maxEntries), rendered);
    if (result != err::kSuccess) return result;
    for (const std::u16string& xml : rendered) {
        PlanChangeItems items;
        if (!ParsePlanChangeXml(xml, items)) continue;
        PlanChangeEntry entry = EntryFrom(items);
        if (entry.oldPlan != entry.newPlan && !entry.processPath.empty()) entries.push_back(std::move(entry));
    }
    return err::kSuccess;
}

std::u16string ChangeDurationText(const CalendarTime& older, const CalendarTime& newer) {
    uint64_t a = 0, b = 0;
    if (!CalendarToFileTime(older, a) || !CalendarToFileTime(newer, b) || a >= b) return {};
    const unsigned long long d = (b - a) / kFileTimePerSecond;
    if (d <= 59) return Format(u"%llus", d);
    if (d <= 3599) return Format(u"%llum %llus", d / 60, d % 60);
    if (d <= 86399) return Format(u"%lluh %llum", d / 3600, d % 3600 / 60);
    return Format(u"%llud %lluh", d / 86400, d % 86400 / 3600);
}

std::vector<PlanHistoryRow> PlanHistoryRows(PowerSchemeAccess& power) {
    std::vector<PlanHistoryRow> rows;
    std::vector<PlanChangeEntry> entries;
    if (ReadPlanChangeHistory(kHistoryEntriesRead, entries) != err::kSuccess) return rows;
    if (entries.size() > kHistoryRowsShown) entries.resize(kHistoryRowsShown);
    for (size_t i = 0; i < entries.size(); ++i) {
        const PlanChangeEntry& e = entries[i];
        PlanHistoryRow row;
        const size_t slash = e.processPath.rfind(u'\\');
        row.processName = slash == std::u16string::npos ? e.processPath : e.processPath.substr(slash + 1);
        CalendarTime local;
        if (e.timeUtc.year != 0 && Sys().clock && Sys().clock->UtcToLocal(e.timeUtc, local)) {
            row.localTime = Format(u"%04d-%02d-%02d %02d:%02d:%02d", local.year, local.month, local.day, local.hour,
                                   local.minute, local.second);
        }
        if (!power.ReadPlanName(e.newPlan, row.planName) || row.planName.empty()) row.planName = GuidToText(e.newPlan);
        if (i + 1 < entries.size()) row.duration = ChangeDurationText(entries[i + 1].timeUtc, e.timeUtc);
        rows.push_back(std::move(row));
    }
    return rows;
}

bool CollectPlanChange(PowerSchemeAccess& power, const std::function<bool(uint32_t)>& pause,
                       PlanChangeRecord& record) {
    const Guid current = power.QueryActivePlanOrNull();
    // Windows records Balanced when a power-mode overlay is made active over it,
    // while the active plan reads as the overlay.
    const bool overlay = !current.IsNull() && power.IsOverlay(current);
    uint32_t processId = 0;
    std::u16string processPath;
    Guid oldPlan, newPlan;
    for (int attempt = 0; attempt < kCollectTries; ++attempt) {
        if (!pause(kCollectPauseMs)) return false;
        processId = 0;
        processPath.clear();
        oldPlan = Guid{};
        newPlan = Guid{};
        ReadLatestPlanChange(processId, processPath, oldPlan, newPlan);
        if (newPlan == current || (overlay && newPlan == guids::kBalanced)) break;
    }
    if (processId == 0 || processPath.empty() || oldPlan.IsNull() || newPlan.IsNull()) return false;
    record.processName = ProcessFileName(processPath);
    record.newPlan = newPlan;
    record.oldPlan = oldPlan;
    return true;
}

void RunPlanPoll(WatcherSignals& signals) {
    PowerSchemeAccess power;
    Guid last = power.QueryActivePlanOrNull();
    while (!signals.WaitForShutdown(kPollMs)) {
        Guid active;
        if (power.QueryActivePlan(active) && active != last) {
            last = active;
            signals.SignalWake();
        }
    }
}

void RunPlanReporter(WatcherSignals& signals, const std::function<void(const PlanChangeRecord&)>& send) {
    PowerSchemeAccess power;
    PlanChangeRecord record;  // reused for every report
    // The pauses between reads end early when the process shuts down.
    const auto pause = [&signals](uint32_t ms) { return !signals.WaitForShutdown(ms); };
    for (;;) {
        switch (signals.WaitForShutdownOrWake()) {
            case WatcherSignals::Wake::Shutdown:
                return;
            case WatcherSignals::Wake::Woken:
                if (CollectPlanChange(power, pause, record)) send(record);
                break;
            case WatcherSignals::Wake::Failed:
                if (!pause(1000)) return;
                break;
        }
    }
}

namespace {

// The watcher's events as the program's kernel objects.
class KernelWatcherSignals : public WatcherSignals {
public:
    KernelWatcherSignals(KernelObjects& kernel, KernelHandle shutdown, KernelHandle stop, KernelHandle wake)
        : kernel_(kernel), shutdown_(shutdown), stop_(stop), wake_(wake) {}
    bool WaitForShutdown(uint32_t timeoutMs) override {
        const KernelHandle handles[] = {shutdown_, stop_};
        const int which = kernel_.WaitAny(handles, 2, timeoutMs);
        return which == 0 || which == 1 || which == KernelObjects::kFailed;
    }
    Wake WaitForShutdownOrWake() override {
        const KernelHandle handles[] = {shutdown_, stop_, wake_};
        switch (kernel_.WaitAny(handles, 3, KernelObjects::kInfinite)) {
            case 0:
            case 1:
                return Wake::Shutdown;
            case 2:
                return Wake::Woken;
            default:
                return Wake::Failed;
        }
    }
    void SignalWake() override { kernel_.Signal(wake_); }
    void Stop() { kernel_.Signal(stop_); }

private:
    KernelObjects& kernel_;
    KernelHandle shutdown_, stop_, wake_;
};

std::mutex g_watcherMutex;
KernelWatcherSignals* g_watcher = nullptr;  // lives until the process ends: its threads are not waited for

}  // namespace

bool StartPlanWatcher(std::function<void(const PlanChangeRecord&)> send) {
    std::lock_guard lock(g_watcherMutex);
    if (g_watcher) return true;
    KernelObjects* kernel = Sys().kernel;
    if (!kernel) return false;
    KernelHandle shutdown = ShutdownEvent();
    // Without the shared shutdown event, an event of this process stands in for it.
    if (!shutdown) shutdown = kernel->OpenOrCreateEvent(u"", true, false);
    KernelHandle wake = kernel->OpenOrCreateEvent(kWakeEventName, false, false);
    if (!wake) wake = kernel->OpenOrCreateEvent(kWakeEventName, false, false);
    const KernelHandle stop = kernel->OpenOrCreateEvent(u"", true, false);
    if (!shutdown || !wake || !stop) return false;
    auto* signals = new KernelWatcherSignals(*kernel, shutdown, stop, wake);
    try {
        std::thread([signals] { RunPlanPoll(*signals); }).detach();
        std::thread([signals, send = std::move(send)] { RunPlanReporter(*signals, send); }).detach();
    } catch (const std::system_error&) {
        signals->Stop();
        return false;
    }
    g_watcher = signals;
    return true;
}

void StopPlanWatcher() {
    std::lock_guard lock(g_watcherMutex);
    if (g_watcher) g_watcher->Stop();
    g_watcher = nullptr;  // its threads end by themselves
}

}  // namespace quellora
