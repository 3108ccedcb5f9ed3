#include "ui/events_page.h"

#include <algorithm>

#include "boost/boost_runtime.h"
#include "monitor/plan_change.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/startup_state.h"
#include "platform/text.h"

namespace quellora {

using namespace events_page;

std::u16string RecordLocalTime(std::u16string_view stored, const LocalTimeConverter& toLocal) {
    CalendarTime utc, local;
    if (!ParseTimeStamp(stored, utc) || !toLocal || !toLocal(utc, local)) return std::u16string(stored);
    return Format(u"%04u-%02u-%02u %02u:%02u:%02u", local.year, local.month, local.day, local.hour, local.minute,
                  local.second);
}

EventRow DriftRow(const DriftRecord& r, const LocalTimeConverter& toLocal) {
    EventRow row;
    row.columns[0] = State().productName;
    row.columns[1] = RecordLocalTime(r.time, toLocal);
    row.columns[2] = r.planName;
    row.columns[4] = Format(LoadText(r.restored ? kDriftRestoredText : kDriftFoundText), r.planName, r.count);
    if (!r.details.empty()) row.columns[4] += u": " + r.details;
    return row;
}

EventRow BoostRow(const BoostLogEntry& e, const LocalTimeConverter& toLocal) {
    EventRow row;
    row.columns[0] = LoadText(kBoostSource);
    row.columns[1] = RecordLocalTime(e.time, toLocal);
    row.columns[2] = e.planName;
    row.columns[4] = BoostReasonText(e.reason, e.planName);
    return row;
}

std::vector<EventRow> EventRows(std::vector<EventRow> rows, const std::vector<DriftRecord>& drift,
                                const std::vector<BoostLogEntry>& boost, const LocalTimeConverter& toLocal) {
    // The log holds the oldest record first: the newest ones are its end.
    const size_t first = drift.size() > kDriftRows ? drift.size() - kDriftRows : 0;
    for (size_t i = first; i < drift.size(); ++i) rows.push_back(DriftRow(drift[i], toLocal));
    for (size_t i = 0; i < boost.size() && i < static_cast<size_t>(kBoostRows); ++i) {
        rows.push_back(BoostRow(boost[i], toLocal));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const EventRow& a, const EventRow& b) {
        const std::u16string_view x = std::u16string_view(a.columns[1]).substr(0, kSortedCharacters);
        const std::u16string_view y = std::u16string_view(b.columns[1]).substr(0, kSortedCharacters);
        return x < y;
    });
    return rows;
}

LocalTimeConverter PlatformLocalTime() {
    return [](const CalendarTime& utc, CalendarTime& local) { return Sys().clock && Sys().clock->UtcToLocal(utc, local); };
}

std::vector<EventRow> PlanSwitchRows(const std::vector<PlanHistoryRow>& history) {
    std::vector<EventRow> rows;
    rows.reserve(history.size());
    for (const PlanHistoryRow& h : history) {
        EventRow row;
        row.columns[0] = h.processName;
        row.columns[1] = h.localTime;
        row.columns[2] = h.planName;
        row.columns[3] = h.duration;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<EventRow> ReadEventRows(PowerSchemeAccess& power) {
    return EventRows(PlanSwitchRows(PlanHistoryRows(power)), ReadDriftLog(), ReadBoostLog(kBoostRows),
                     PlatformLocalTime());
}

}  // namespace quellora
