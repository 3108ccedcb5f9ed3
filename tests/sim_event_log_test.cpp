// The simulated machine's System log, its counters' raw values and its
// update endpoint, and quellora-sim driving them.
#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/sim/sim_powercfg.h"
#include "platform/text.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_env.h"
#include "tests/support/temp_dir.h"

namespace quellora {
namespace {

using testing::ManualClock;
using testing::SimEnv;

TEST(SimEventLog, EveryActivationIsRecordedWithItsProcessAndTheNewestComesFirst) {
    SimEnv env;
    sim::SimEventLog log(env.machine());
    std::vector<std::u16string> entries;
    EXPECT_EQ(log.QueryNewest(u"System", u"*[EventData[Data[@Name='NewSchemeGuid']]]", 5, entries), err::kNoMoreItems);

    env.power().SetActiveScheme(guids::kPowerSaver);
    sim::SimPowerApi other(env.machine());
    other.SetActivator({u"C:\\Tools\\switcher.exe", 4242});
    other.SetActiveScheme(guids::kHighPerformance);
    // powercfg re-applying the active plan is recorded as a switch to the same plan.
    sim::RunPowercfg(env.machine(), {u"-setactive", u"scheme_current"});

    const std::vector<sim::PlanChangeEvent> events = sim::PlanChangeEvents(env.machine());
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].process.path, sim::kPowercfgPath);
    EXPECT_EQ(events[0].oldPlan, guids::kHighPerformance);
    EXPECT_EQ(events[0].newPlan, guids::kHighPerformance);
    EXPECT_EQ(events[1].process.path, u"C:\\Tools\\switcher.exe");
    EXPECT_EQ(events[1].oldPlan, guids::kPowerSaver);
    EXPECT_EQ(events[2].process.path, SimEnv::kProgramPath);
    EXPECT_EQ(events[2].recordId + 2, events[0].recordId);

    ASSERT_EQ(log.QueryNewest(u"System", u"*[EventData[Data[@Name='NewSchemeGuid']]]", 2, entries), 0u);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_NE(entries[1].find(u"<Data Name='ProcessPath'>C:\\Tools\\switcher.exe</Data>"), std::u16string::npos);
    EXPECT_NE(entries[1].find(u"<Computer>SIMULATED-PC</Computer>"), std::u16string::npos);
    // Other channels and queries.
    EXPECT_EQ(log.QueryNewest(u"Application", u"NewSchemeGuid", 2, entries), 15007u);
    EXPECT_EQ(log.QueryNewest(u"System", u"*[System[EventID=1]]", 2, entries), err::kNoMoreItems);
}

TEST(SimEventLog, ALateRecordAppearsAfterItsDelayAndAFailingLogAnswersItsError) {
    SimEnv env;
    ManualClock clock;
    env.UseClock(&clock);
    sim::SimEventLog log(env.machine());
    sim::SetPlanChangeEventDelayMs(env.machine(), 2000);
    env.power().SetActiveScheme(guids::kPowerSaver);
    std::vector<std::u16string> entries;
    EXPECT_EQ(log.QueryNewest(u"System", u"NewSchemeGuid", 1, entries), err::kNoMoreItems);
    clock.utc.second += 2;
    EXPECT_EQ(log.QueryNewest(u"System", u"NewSchemeGuid", 1, entries), 0u);
    sim::SetEventQueryError(env.machine(), 6);
    EXPECT_EQ(log.QueryNewest(u"System", u"NewSchemeGuid", 1, entries), 6u);
    EXPECT_TRUE(entries.empty());
}

TEST(SimEventLog, KeepsTheNewestThousandRecords) {
    SimEnv env;
    for (int i = 0; i < 1003; ++i) env.power().SetActiveScheme(i % 2 ? guids::kBalanced : guids::kPowerSaver);
    const std::vector<sim::PlanChangeEvent> events = sim::PlanChangeEvents(env.machine());
    ASSERT_EQ(events.size(), sim::kMaxPlanChangeEvents);
    EXPECT_EQ(events.front().recordId - events.back().recordId, sim::kMaxPlanChangeEvents - 1);
}

TEST(SimCounters, RawPerformanceAdvancesWithTheClockAndReadLongCaps) {
    SimEnv env;
    ManualClock clock;
    env.UseClock(&clock);
    PerfCounters& counters = *env.platform().counters;
    PerfCounters::Query query = 0;
    ASSERT_TRUE(counters.OpenQuery(query));
    PerfCounters::Counter raw = 0, parking = 0, utility = 0;
    ASSERT_TRUE(counters.AddEnglishCounter(query, u"\\Processor Information(*)\\% Processor Performance", raw));
    ASSERT_TRUE(counters.AddEnglishCounter(query, u"\\Processor Information(0,2)\\Parking Status", parking));
    ASSERT_TRUE(counters.AddEnglishCounter(query, u"\\Processor Information(0,0)\\% Processor Utility", utility));
    env.machine().SetProcessorLoad(0, 100);
    std::vector<RawCounterItem> before, after;
    EXPECT_FALSE(counters.ReadRawArray(raw, before));  // nothing collected yet
    ASSERT_TRUE(counters.Collect(query));
    ASSERT_TRUE(counters.ReadRawArray(raw, before));
    clock.tick += 1000;
    ASSERT_TRUE(counters.Collect(query));
    ASSERT_TRUE(counters.ReadRawArray(raw, after));
    ASSERT_EQ(after.size(), 24u + 2u);
    EXPECT_EQ(after[0].name, u"0,0");
    EXPECT_EQ(after[0].second - before[0].second, 10000000);  // one second in 100 ns
    EXPECT_GT(after[0].first, before[0].first);
    EXPECT_EQ(after.back().name, u"_Total");

    int32_t value = -1;
    ASSERT_TRUE(counters.ReadLong(parking, value));
    EXPECT_EQ(value, 1);
    ASSERT_TRUE(counters.ReadLong(utility, value));
    EXPECT_EQ(value, 100);
    counters.CloseQuery(query);
}

TEST(SimCounters, DisabledOrWithoutUtilityNoSuchCounterCanBeAdded) {
    SimEnv env;
    PerfCounters& counters = *env.platform().counters;
    PerfCounters::Query query = 0;
    ASSERT_TRUE(counters.OpenQuery(query));
    PerfCounters::Counter c = 0;
    env.machine().SetUtilityCounterMissing(true);
    EXPECT_FALSE(counters.AddEnglishCounter(query, u"\\Processor Information(0,0)\\% Processor Utility", c));
    EXPECT_TRUE(counters.AddEnglishCounter(query, u"\\Processor Information(0,0)\\% Processor Time", c));
    env.machine().SetCountersDisabled(true);
    EXPECT_FALSE(counters.AddEnglishCounter(query, u"\\Processor Information(0,0)\\% Processor Time", c));
    EXPECT_FALSE(counters.AddEnglishCounter(query, u"\\Processor Information(0,0)\\Parking Status", c));
    counters.CloseQuery(query);
}

TEST(SimToolMonitoring, SwitchesLoadCountersAndEventsFromTheCommandLine) {
    testing::TempDir state;
    auto sim = [&](const std::vector<std::string>& args) {
        return testing::RunProgram("quellora-sim", args, {{"QUELLORA_SIM_DIR", state.path()}});
    };
    ASSERT_EQ(sim({"active", "saver", "--by", "C:\\Tools\\switcher.exe", "--pid", "4242"}).exitCode, 0);
    ASSERT_EQ(sim({"active", "high"}).exitCode, 0);
    auto listed = sim({"events"});
    ASSERT_EQ(listed.exitCode, 0);
    EXPECT_NE(listed.out.find("C:\\Tools\\switcher.exe (4242)  Balanced -> Power saver"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("quellora-sim ("), std::string::npos) << listed.out;  // the tool's own path
    auto xml = sim({"events", "xml", "1"});
    EXPECT_EQ(xml.out.rfind("<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'>", 0), 0u);
    EXPECT_EQ(sim({"active", "saver", "--by"}).exitCode, 1);
    EXPECT_EQ(sim({"active", "saver", "--pid", "x"}).exitCode, 1);

    ASSERT_EQ(sim({"load", "40", "0", "5"}).exitCode, 0);
    EXPECT_EQ(sim({"load"}).out.substr(0, 12), "40 0 0 0 0 4");
    EXPECT_EQ(sim({"load", "101"}).exitCode, 1);
    EXPECT_EQ(sim({"load", "10", "24"}).exitCode, 1);  // the hybrid laptop has 24 processors
    EXPECT_EQ(sim({"counters", "disabled"}).exitCode, 0);
    EXPECT_EQ(sim({"counters", "sometimes"}).exitCode, 1);
    EXPECT_EQ(sim({"events", "delay", "2000"}).exitCode, 0);
    EXPECT_EQ(sim({"events", "fail", "6"}).exitCode, 0);
    EXPECT_EQ(sim({"events", "fail", "off"}).exitCode, 0);
    EXPECT_EQ(sim({"events", "clear"}).exitCode, 0);
    EXPECT_EQ(sim({"events"}).out, "");

    // A list of plans takes turns: three switches, the newest first in the log.
    ASSERT_EQ(sim({"active", "saver,balanced", "--by", "C:\\Tools\\switcher.exe", "--times", "3", "--every", "10"}).exitCode,
              0);
    listed = sim({"events"});
    const size_t first = listed.out.find("Balanced -> Power saver");
    const size_t second = listed.out.find("Power saver -> Balanced");
    EXPECT_TRUE(first != std::string::npos && second != std::string::npos && first < second) << listed.out;
    EXPECT_EQ(sim({"active", "saver,nothing", "--times", "2"}).exitCode, 2);
    EXPECT_EQ(sim({"active", "saver", "--times", "0"}).exitCode, 1);

    EXPECT_EQ(sim({"update", "version", "6.0.3.0"}).exitCode, 0);
    EXPECT_EQ(sim({"update", "installer", "signed", "Someone Else"}).exitCode, 0);
    EXPECT_EQ(sim({"update", "revocation", "offline"}).exitCode, 0);
    const std::string shown = sim({"update"}).out;
    EXPECT_NE(shown.find("version   \"6.0.3.0\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("installer signed by Someone Else"), std::string::npos) << shown;
    EXPECT_NE(shown.find("0x80092013"), std::string::npos) << shown;
    EXPECT_EQ(sim({"update", "installer", "unsigned", "x"}).exitCode, 1);
    EXPECT_EQ(sim({"update", "requests"}).out, "");
}

}  // namespace
}  // namespace quellora
