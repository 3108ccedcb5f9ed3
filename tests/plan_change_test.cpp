#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "monitor/plan_change.h"
#include "platform/thread_event.h"
#include "platform/errors.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

// A real record of Windows' System log, as the event rendering gives it.
std::u16string SampleEvent() {
    std::ifstream file(testing::SourceDir() + "/tests/data/plan-change-event.xml", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    std::string bytes = text.str();
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.pop_back();
    return Utf8ToUtf16(bytes);
}

// A clock whose sleeps move both the tick count and the calendar, so that a
// record written late appears while the reader waits.
class SteppingClock : public Clock {
public:
    uint64_t TickCount64() override { return tick; }
    CalendarTime UtcNow() override { return FileTimeToCalendar(fileTime); }
    CalendarTime LocalNow() override { return UtcNow(); }
    void Sleep(uint32_t ms) override {
        tick += ms;
        fileTime += uint64_t(ms) * 10000;
        ++sleeps;
    }
    uint64_t tick = 5000000;
    uint64_t fileTime = 0;
    int sleeps = 0;
    SteppingClock() { CalendarToFileTime(CalendarTime{2026, 3, 0, 14, 9, 15, 0, 0}, fileTime); }
};

class PlanChangeTest : public ::testing::Test {
protected:
    PlanChangeTest() { env.UseClock(&clock); }

    // Another program switches the plan.
    void SwitchBy(const Guid& plan, std::u16string_view path, uint32_t pid) {
        sim::SimPowerApi api(env.machine());
        api.SetActivator({std::u16string(path), pid});
        ASSERT_EQ(api.SetActiveScheme(plan), 0u);
    }

    // Pauses that move the test's clock.
    std::function<bool(uint32_t)> Pause() {
        return [this](uint32_t ms) {
            clock.Sleep(ms);
            return true;
        };
    }

    SimEnv env;
    SteppingClock clock;
    PowerSchemeAccess power;
};

TEST(PlanChangeXml, TheRealRecordGivesItsProcessPlansAndTime) {
    PlanChangeItems items;
    ASSERT_TRUE(ParsePlanChangeXml(SampleEvent(), items));
    EXPECT_EQ(items.processPath, u"C:\\Windows\\explorer.exe");
    EXPECT_EQ(ProcessFileName(items.processPath), u"explorer.exe");
    EXPECT_TRUE(items.hasProcessId);
    EXPECT_EQ(items.processId, 4516u);
    EXPECT_EQ(items.oldPlan, guids::kBalanced);
    EXPECT_EQ(items.newPlan, guids::kPowerSaver);
    ASSERT_TRUE(items.hasTime);
    const CalendarTime t = items.timeUtc;
    EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second}),
              std::vector<int>({2017, 7, 23, 12, 33, 21}));
}

TEST(PlanChangeXml, TheSimulatedLogRendersARecordExactlyAsWindowsDoes) {
    sim::PlanChangeEvent e;
    e.recordId = 784;
    CalendarToFileTime(CalendarTime{2017, 7, 0, 23, 12, 33, 21, 0}, e.time);
    e.time += 9696450;  // the fraction of the second, in 100 ns
    e.process = {u"C:\\Windows\\explorer.exe", 4516};
    e.oldPlan = guids::kBalanced;
    e.newPlan = guids::kPowerSaver;
    EXPECT_EQ(sim::RenderPlanChangeEvent(e, u"DESKTOP-2KGM189"), SampleEvent());
}

TEST(PlanChangeXml, MissingEmptyAndOddItems) {
    struct Case {
        const char16_t* xml;
        bool parses, hasPid;
        uint32_t pid;
        bool hasPath, hasTime;
    } cases[] = {
        {u"<Event><EventData><Data Name='ProcessPid'> 12abc</Data></EventData></Event>", true, true, 12, false, false},
        {u"<Event><EventData><Data Name='ProcessPid'>x</Data></EventData></Event>", true, true, 0, false, false},
        {u"<Event><EventData><Data Name='ProcessPath'></Data><Data Name=''>C:\\a.exe</Data></EventData></Event>", true,
         false, 0, false, false},
        {u"<Event><System><TimeCreated SystemTime='2024-01-02T03:04'/></System></Event>", true, false, 0, false, false},
        {u"<Event><System><TimeCreated SystemTime='2024-01-02T03:04:05Z'/></System></Event>", true, false, 0, false,
         true},
        {u"<Other/>", false, false, 0, false, false},
        {u"<Event><unclosed>", false, false, 0, false, false},
    };
    for (const Case& c : cases) {
        PlanChangeItems items;
        EXPECT_EQ(ParsePlanChangeXml(c.xml, items), c.parses) << Utf16ToUtf8(c.xml);
        EXPECT_EQ(items.hasProcessId, c.hasPid) << Utf16ToUtf8(c.xml);
        EXPECT_EQ(items.processId, c.pid) << Utf16ToUtf8(c.xml);
        EXPECT_EQ(items.hasProcessPath, c.hasPath) << Utf16ToUtf8(c.xml);
        EXPECT_EQ(items.hasTime, c.hasTime) << Utf16ToUtf8(c.xml);
    }
}

TEST(ProcessFileName, IsThePartAfterTheLastBackslash) {
    EXPECT_EQ(ProcessFileName(u"C:\\Tools\\switcher.exe"), u"switcher.exe");
    EXPECT_EQ(ProcessFileName(u"switcher.exe"), u"");
    EXPECT_EQ(ProcessFileName(u"\\switcher.exe"), u"");  // no backslash after the first character
    EXPECT_EQ(ProcessFileName(u"C:\\Tools\\"), u"");
    const std::u16string longName(300, u'x');
    EXPECT_EQ(ProcessFileName(u"C:\\" + longName).size(), 260u);
}

TEST(ChangeDurationText, SecondsMinutesHoursDays) {
    const CalendarTime start{2024, 5, 0, 31, 23, 59, 0, 0};
    uint64_t base = 0;
    ASSERT_TRUE(CalendarToFileTime(start, base));
    struct Case {
        uint64_t seconds;
        const char16_t* text;
    } cases[] = {{1, u"1s"},      {59, u"59s"},     {60, u"1m 0s"},     {61, u"1m 1s"},        {3599, u"59m 59s"},
                 {3600, u"1h 0m"}, {86399, u"23h 59m"}, {86400, u"1d 0h"}, {90000, u"1d 1h"}};
    for (const Case& c : cases) {
        const CalendarTime later = FileTimeToCalendar(base + c.seconds * kFileTimePerSecond);
        EXPECT_EQ(ChangeDurationText(start, later), c.text) << c.seconds;
    }
    EXPECT_EQ(ChangeDurationText(start, start), u"");
    EXPECT_EQ(ChangeDurationText(FileTimeToCalendar(base + 10 * kFileTimePerSecond), start), u"");
    EXPECT_EQ(ChangeDurationText(CalendarTime{2024, 2, 0, 30, 0, 0, 0, 0}, start), u"");  // 30 February
    EXPECT_EQ(ChangeDurationText(CalendarTime{}, start), u"");                            // no time
}

TEST_F(PlanChangeTest, TheLatestEntryNamesTheSwitchingProgram) {
    SwitchBy(guids::kPowerSaver, u"C:\\Tools\\switcher.exe", 4242);
    uint32_t pid = 99;
    std::u16string path;
    Guid oldPlan, newPlan;
    ASSERT_EQ(ReadLatestPlanChange(pid, path, oldPlan, newPlan), 0u);
    EXPECT_EQ(pid, 4242u);
    EXPECT_EQ(path, u"C:\\Tools\\switcher.exe");
    EXPECT_EQ(oldPlan, guids::kBalanced);
    EXPECT_EQ(newPlan, guids::kPowerSaver);

    // The program's own switches carry its own path, like anyone else's.
    ASSERT_TRUE(power.ActivatePlan(guids::kHighPerformance));
    ASSERT_EQ(ReadLatestPlanChange(pid, path, oldPlan, newPlan), 0u);
    EXPECT_EQ(path, SimEnv::kProgramPath);
    EXPECT_EQ(pid, SimEnv::kProgramPid);
}

TEST_F(PlanChangeTest, AFailingQueryAnswersItsErrorAndClearsOnlyTheProcessId) {
    sim::SetEventQueryError(env.machine(), 15007);
    uint32_t pid = 7;
    std::u16string path = u"kept";
    Guid oldPlan = guids::kBalanced, newPlan = guids::kBalanced;
    EXPECT_EQ(ReadLatestPlanChange(pid, path, oldPlan, newPlan), 15007u);
    EXPECT_EQ(pid, 0u);
    EXPECT_EQ(path, u"kept");
    sim::SetEventQueryError(env.machine(), 0);
    // An empty log: no entries.
    EXPECT_EQ(ReadLatestPlanChange(pid, path, oldPlan, newPlan), err::kNoMoreItems);
}

TEST_F(PlanChangeTest, ARecordWrittenLateStillNamesTheRightProgram) {
    SwitchBy(guids::kHighPerformance, u"C:\\Windows\\explorer.exe", 4516);
    sim::SetPlanChangeEventDelayMs(env.machine(), 2000);
    SwitchBy(guids::kPowerSaver, u"C:\\Tools\\switcher.exe", 4242);
    PlanChangeRecord record;
    ASSERT_TRUE(CollectPlanChange(power, Pause(), record));
    EXPECT_EQ(record.processName, u"switcher.exe");
    EXPECT_EQ(record.oldPlan, guids::kHighPerformance);
    EXPECT_EQ(record.newPlan, guids::kPowerSaver);
    EXPECT_EQ(clock.sleeps, 4);  // 2 s of half-second reads
}

TEST_F(PlanChangeTest, AfterTenReadsTheLastEntryCountsAndIncompleteEntriesAreNotReported) {
    SwitchBy(guids::kHighPerformance, u"C:\\Windows\\explorer.exe", 4516);
    sim::SetPlanChangeEventDelayMs(env.machine(), 60000);
    SwitchBy(guids::kPowerSaver, u"C:\\Tools\\switcher.exe", 4242);
    PlanChangeRecord record;
    ASSERT_TRUE(CollectPlanChange(power, Pause(), record));
    EXPECT_EQ(clock.sleeps, 10);
    EXPECT_EQ(record.processName, u"explorer.exe");  // the newest entry written by then

    sim::SetEventQueryError(env.machine(), 6);
    EXPECT_FALSE(CollectPlanChange(power, Pause(), record));
    sim::SetEventQueryError(env.machine(), 0);
    // A shutdown during the pauses collects nothing.
    EXPECT_FALSE(CollectPlanChange(power, [](uint32_t) { return false; }, record));
    sim::ClearPlanChangeEvents(env.machine());
    sim::SetPlanChangeEventDelayMs(env.machine(), 0);
    SwitchBy(guids::kBalanced, u"", 4242);  // no path
    EXPECT_FALSE(CollectPlanChange(power, Pause(), record));
    SwitchBy(guids::kPowerSaver, u"C:\\x.exe", 0);  // no process id
    EXPECT_FALSE(CollectPlanChange(power, Pause(), record));
}

TEST_F(PlanChangeTest, AnOverlayMadeActiveIsFoundByItsBalancedEntryAtOnce) {
    env.machine().AddOverlay(3);
    ASSERT_TRUE(power.ActivatePlan(guids::kOverlay3));
    PlanChangeRecord record;
    ASSERT_TRUE(CollectPlanChange(power, Pause(), record));
    EXPECT_EQ(clock.sleeps, 1);
    EXPECT_EQ(record.newPlan, guids::kBalanced);
}

TEST_F(PlanChangeTest, HistoryKeepsRealSwitchesAndShowsTheNewestFifty) {
    const Guid plans[] = {guids::kPowerSaver, guids::kHighPerformance, guids::kBalanced};
    for (int i = 0; i < 120; ++i) {
        SwitchBy(plans[i % 3], u"C:\\Tools\\switcher.exe", 4242);
        clock.Sleep(61000);
    }
    SwitchBy(guids::kBalanced, u"C:\\Tools\\switcher.exe", 4242);  // the same plan again: not a switch
    SwitchBy(guids::kPowerSaver, u"", 4242);                     // no process path

    std::vector<PlanChangeEntry> entries;
    ASSERT_EQ(ReadPlanChangeHistory(500, entries), 0u);
    ASSERT_EQ(entries.size(), 120u);
    EXPECT_EQ(entries[0].newPlan, guids::kBalanced);
    EXPECT_EQ(entries[0].processId, 4242);

    const std::vector<PlanHistoryRow> rows = PlanHistoryRows(power);
    ASSERT_EQ(rows.size(), 50u);
    EXPECT_EQ(rows[0].processName, u"switcher.exe");
    EXPECT_EQ(rows[0].planName, u"Balanced");
    EXPECT_EQ(rows[0].duration, u"1m 1s");
    EXPECT_EQ(rows[0].localTime.size(), 19u);
    EXPECT_EQ(rows[49].duration, u"");
}

TEST_F(PlanChangeTest, HistoryOfAFailingLogIsEmpty) {
    SwitchBy(guids::kPowerSaver, u"C:\\Tools\\switcher.exe", 4242);
    sim::SetEventQueryError(env.machine(), 6);
    std::vector<PlanChangeEntry> entries;
    EXPECT_EQ(ReadPlanChangeHistory(500, entries), 6u);
    EXPECT_TRUE(PlanHistoryRows(power).empty());
}

// The two threads, with events between them as the program's are.
class Signals : public WatcherSignals {
public:
    bool WaitForShutdown(uint32_t timeoutMs) override { return shutdown.Wait(timeoutMs); }
    Wake WaitForShutdownOrWake() override {
        for (;;) {
            if (shutdown.Wait(10)) return Wake::Shutdown;
            if (wake.TryWait()) return Wake::Woken;
        }
    }
    void SignalWake() override { wake.Set(); }
    ThreadEvent shutdown{ThreadEvent::Reset::Manual};
    ThreadEvent wake;
};

TEST(PlanChangeWatcher, ASwitchByAnotherProgramReachesTheTray) {
    SimEnv env;  // the host's real clock
    Signals signals;
    std::mutex mutex;
    std::vector<PlanChangeRecord> sent;
    std::thread poll([&] { RunPlanPoll(signals); });
    std::thread reporter([&] {
        RunPlanReporter(signals, [&](const PlanChangeRecord& r) {
            std::lock_guard lock(mutex);
            sent.push_back(r);
        });
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the poll has read the plan
    const auto start = std::chrono::steady_clock::now();
    sim::SimPowerApi api(env.machine());
    api.SetActivator({u"C:\\Tools\\switcher.exe", 4242});
    ASSERT_EQ(api.SetActiveScheme(guids::kPowerSaver), 0u);
    for (;;) {
        {
            std::lock_guard lock(mutex);
            if (!sent.empty()) break;
        }
        ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    signals.shutdown.Set();
    poll.join();
    reporter.join();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].processName, u"switcher.exe");
    EXPECT_EQ(sent[0].newPlan, guids::kPowerSaver);
}

}  // namespace
}  // namespace quellora
