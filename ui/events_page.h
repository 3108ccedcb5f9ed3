// The events page of the main window: one list of the power plan switches
// other programs made, the drift of remembered settings and Dynamic Boost's
// plan switches, in time order.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "boost/boost_log.h"
#include "model/drift.h"
#include "monitor/plan_change.h"
#include "platform/clock.h"

namespace quellora {

class PowerSchemeAccess;

namespace events_page {
inline constexpr int kList = 3279;
inline constexpr int kRefresh = 3255;
inline constexpr int kColumns = 5;
// Column headings and widths at 96 dpi.
inline constexpr std::array<uint32_t, kColumns> kColumnTexts{1380, 181, 1377, 9506, 9507};
inline constexpr std::array<int, kColumns> kColumnWidths{120, 130, 170, 70, 420};
inline constexpr size_t kDriftRows = 50;
inline constexpr int32_t kBoostRows = 50;
inline constexpr size_t kSortedCharacters = 64;
// The smallest list the page's layout leaves.
inline constexpr int kMinListWidth = 100;
inline constexpr int kMinListHeight = 60;
inline constexpr uint32_t kDriftRestoredText = 9392;  // (plan, count)
inline constexpr uint32_t kDriftFoundText = 9393;     // (plan, count)
inline constexpr uint32_t kBoostSource = 9505;
}  // namespace events_page

struct EventRow {
    std::array<std::u16string, events_page::kColumns> columns;
    bool operator==(const EventRow&) const = default;
};

// UTC to local time; false when the time cannot be converted.
using LocalTimeConverter = std::function<bool(const CalendarTime& utc, CalendarTime& local)>;

// A time stored as "%hu-%hu-%huT%hu:%hu:%hu" (UTC), shown in local time as
// "%04u-%02u-%02u %02u:%02u:%02u"; shown as stored when it does not parse
// or convert.
std::u16string RecordLocalTime(std::u16string_view stored, const LocalTimeConverter& toLocal);

// The rows of a drift record and of a Dynamic Boost switch.
EventRow DriftRow(const DriftRecord& record, const LocalTimeConverter& toLocal);
EventRow BoostRow(const BoostLogEntry& entry, const LocalTimeConverter& toLocal);

// The whole list: the plan switches (as the history gives them), the newest
// 50 drift records (the log is read oldest first), the Dynamic Boost switches
// (newest first, at most 50), then sorted ascending by the time column,
// compared code unit by code unit over its first 64 characters; rows with the
// same time keep this order.
std::vector<EventRow> EventRows(std::vector<EventRow> planSwitches, const std::vector<DriftRecord>& drift,
                                const std::vector<BoostLogEntry>& boost, const LocalTimeConverter& toLocal);

// The plan switches' rows, as the history gives them (newest first).
std::vector<EventRow> PlanSwitchRows(const std::vector<PlanHistoryRow>& history);
// Local time by the platform's clock.
LocalTimeConverter PlatformLocalTime();
// The list as the page shows it now: the plan switches from Windows' event
// log, drift.log and dynboost.log.
std::vector<EventRow> ReadEventRows(PowerSchemeAccess& power);

}  // namespace quellora
