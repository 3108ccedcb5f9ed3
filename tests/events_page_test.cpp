#include <gtest/gtest.h>

#include "boost/boost_runtime.h"
#include "platform/language.h"
#include "platform/text.h"
#include "tests/support/sim_env.h"
#include "ui/events_page.h"

namespace quellora {
namespace {

using namespace events_page;

// Local time two hours ahead of UTC (within the day, which is all the tests need).
bool TwoHoursAhead(const CalendarTime& utc, CalendarTime& local) {
    local = utc;
    local.hour = static_cast<uint16_t>(utc.hour + 2);
    return local.hour < 24;
}

TEST(EventsPage, RecordTimesAreShownInLocalTimeOrAsStored) {
    struct Case {
        std::u16string stored;
        std::u16string shown;
    };
    const Case cases[] = {
        {u"2026-12-04T10:09:30Z", u"2026-12-04 12:09:30"},
        {u"2026-1-4T1:2:3", u"2026-01-04 03:02:03"},
        {u"2026-12-04 10:09:30", u"2026-12-04 10:09:30"},  // not the stored form
        {u"2026-12-04T23:09:30Z", u"2026-12-04T23:09:30Z"},  // cannot be converted
        {u"", u""},
    };
    for (const Case& c : cases) EXPECT_EQ(RecordLocalTime(c.stored, TwoHoursAhead), c.shown) << Utf16ToUtf8(c.stored);
}

TEST(EventsPage, DriftAndBoostRowsCarryTheirTexts) {
    testing::SimEnv env;
    DriftRecord restored{u"2026-12-04T10:00:00Z", u"Balanced", 2, true, u"AC CoreParkingMin[0]: expected 40, found 100"};
    DriftRecord found{u"2026-12-04T10:01:00Z", u"Power saver", 1, false, u""};
    const EventRow a = DriftRow(restored, TwoHoursAhead);
    EXPECT_EQ(a.columns[0], u"Quellora");
    EXPECT_EQ(a.columns[1], u"2026-12-04 12:00:00");
    EXPECT_EQ(a.columns[2], u"Balanced");
    EXPECT_EQ(a.columns[3], u"");
    EXPECT_EQ(a.columns[4], Format(LoadText(kDriftRestoredText), u"Balanced", 2) + u": " + restored.details);
    EXPECT_EQ(DriftRow(found, TwoHoursAhead).columns[4], Format(LoadText(kDriftFoundText), u"Power saver", 1));

    const EventRow b = BoostRow(BoostLogEntry{u"2026-12-04T10:02:00Z", 2, u"Power saver"}, TwoHoursAhead);
    EXPECT_EQ(b.columns[0], LoadText(kBoostSource));
    EXPECT_EQ(b.columns[1], u"2026-12-04 12:02:00");
    EXPECT_EQ(b.columns[2], u"Power saver");
    EXPECT_EQ(b.columns[4], BoostReasonText(2, u"Power saver"));
}

TEST(EventsPage, PlanSwitchRowsShowTheProgramTheTimeThePlanAndHowLongThePlanBeforeStayed) {
    const std::vector<EventRow> rows = PlanSwitchRows(
        {PlanHistoryRow{u"switcher.exe", u"2026-12-04 12:00:00", u"Balanced", u"1m 1s"},
         PlanHistoryRow{u"switcher.exe", u"", u"{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}", u""}});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].columns, (std::array<std::u16string, kColumns>{u"switcher.exe", u"2026-12-04 12:00:00",
                                                                      u"Balanced", u"1m 1s", u""}));
    EXPECT_EQ(rows[1].columns[2], u"{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}");
    EXPECT_EQ(rows[1].columns[3], u"");
}

TEST(EventsPage, TheNewestFiftyDriftRecordsAndEverythingSortedByTime) {
    testing::SimEnv env;
    std::vector<EventRow> switches;
    for (int i = 0; i < 3; ++i) {
        EventRow row;
        row.columns = {u"switcher.exe", Format(u"2026-12-04 12:%02d:00", 30 - i * 10), u"Balanced", u"10m 0s", u""};
        switches.push_back(row);  // newest first, as the history gives them
    }
    std::vector<DriftRecord> drift;  // oldest first, as the log holds them
    for (int i = 0; i < 60; ++i) drift.push_back(DriftRecord{Format(u"2026-12-03T%02d:%02d:00Z", i / 60, i % 60),
                                                            Format(u"Plan %d", i), 1, false, u""});
    std::vector<BoostLogEntry> boost{{u"2026-12-04T10:15:00Z", 2, u"Power saver"}, {u"2026-12-04T10:05:00Z", 1, u"Balanced"}};
    const std::vector<EventRow> rows = EventRows(switches, drift, boost, TwoHoursAhead);
    ASSERT_EQ(rows.size(), 3u + 50u + 2u);
    // The oldest ten drift records are left out.
    for (const EventRow& row : rows) EXPECT_NE(row.columns[2], u"Plan 9");
    EXPECT_EQ(rows.front().columns[2], u"Plan 10");
    EXPECT_EQ(rows[49].columns[2], u"Plan 59");
    // Then the day of the switches, interleaved by time.
    std::vector<std::u16string> times;
    for (size_t i = 50; i < rows.size(); ++i) times.push_back(rows[i].columns[1]);
    EXPECT_EQ(times, (std::vector<std::u16string>{u"2026-12-04 12:05:00", u"2026-12-04 12:10:00", u"2026-12-04 12:15:00",
                                                  u"2026-12-04 12:20:00", u"2026-12-04 12:30:00"}));
    for (size_t i = 1; i < rows.size(); ++i) EXPECT_LE(rows[i - 1].columns[1], rows[i].columns[1]);
}

TEST(EventsPage, RowsOfTheSameTimeKeepTheirOrder) {
    testing::SimEnv env;
    EventRow plan;
    plan.columns = {u"switcher.exe", u"2026-12-04 12:00:00", u"Balanced", u"", u""};
    const std::vector<EventRow> rows =
        EventRows({plan}, {DriftRecord{u"2026-12-04T10:00:00Z", u"Drifted", 1, false, u""}},
                  {BoostLogEntry{u"2026-12-04T10:00:00Z", 1, u"Boosted"}}, TwoHoursAhead);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].columns[2], u"Balanced");
    EXPECT_EQ(rows[1].columns[2], u"Drifted");
    EXPECT_EQ(rows[2].columns[2], u"Boosted");
}

}  // namespace
}  // namespace quellora
