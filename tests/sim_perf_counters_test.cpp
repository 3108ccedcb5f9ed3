// The simulated machine's processor counters: paths, the performance model,
// and the counters following the states in force and the load this process makes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/guid.h"
#include "platform/sim/sim_perf_counters.h"
#include "platform/text.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using sim::CounterKind;
using sim::CounterPath;
using Instance = CounterPath::Instance;

struct PathCase {
    const char16_t* path;
    bool valid;
    CounterKind kind;
    Instance instance;
    uint32_t node, index;
};

TEST(SimCounterPathTest, KnownObjectCountersAndInstances) {
    const PathCase cases[] = {
        {u"\\Processor Information(_Total)\\% Processor Performance", true, CounterKind::Performance, Instance::Total, 0,
         0},
        {u"\\Processor Information(_Total)\\Processor Frequency", true, CounterKind::Frequency, Instance::Total, 0, 0},
        {u"\\processor information(_total)\\processor frequency", true, CounterKind::Frequency, Instance::Total, 0, 0},
        {u"\\Processor Information(*)\\% Processor Utility", true, CounterKind::Utility, Instance::All, 0, 0},
        {u"\\Processor Information(1,17)\\% Processor Time", true, CounterKind::ProcessorTime, Instance::One, 1, 17},
        {u"\\Processor Information(0,3)\\Parking Status", true, CounterKind::ParkingStatus, Instance::One, 0, 3},
        {u"\\Processor Information(_Total)\\% Idle Time", false, {}, {}, 0, 0},
        {u"\\Processor(_Total)\\% Processor Time", false, {}, {}, 0, 0},
        {u"\\Processor Information(0,_Total)\\Parking Status", false, {}, {}, 0, 0},
        {u"\\Processor Information(x)\\Parking Status", false, {}, {}, 0, 0},
        {u"\\Processor Information(_Total)", false, {}, {}, 0, 0},
        {u"", false, {}, {}, 0, 0},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.path));
        CounterPath parsed;
        ASSERT_EQ(sim::ParseCounterPath(c.path, parsed), c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(parsed.kind, c.kind);
        EXPECT_EQ(parsed.instance, c.instance);
        EXPECT_EQ(parsed.node, c.node);
        EXPECT_EQ(parsed.index, c.index);
    }
}

TEST(SimCounterModelTest, PerformanceFollowsTheStatesAndTheLoad) {
    struct Case {
        uint32_t min, max;
        double busy;
        double expected;
    };
    const Case cases[] = {
        {5, 100, 0.0, 5.0},    {5, 100, 1.0, 100.0}, {5, 50, 1.0, 50.0},   {5, 100, 0.1, 100.0},
        {5, 100, 0.02, 5.0},
        {0, 100, 0.0, 5.0},    // never below the floor
        {100, 100, 0.0, 100.0}, {80, 50, 0.0, 50.0},  // the maximum caps the minimum
        {5, 100, 0.06, 52.5},  // between idle and full, in proportion
        {5, 250, 1.0, 100.0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(sim::ModelPerformance(c.min, c.max, c.busy), c.expected)
            << c.min << " " << c.max << " " << c.busy;
    }
}

class SimPerfCountersTest : public ::testing::Test {
protected:
    testing::SimEnv env;
    PerfCounters& counters() { return *env.platform().counters; }

    // The active plan's (Balanced's) value of a setting on both sides, put in force.
    void Apply(const Guid& setting, uint32_t value) {
        for (bool ac : {true, false}) {
            env.machine().WritePlanValue(guids::kBalanced, guids::kSubProcessor, setting, ac, value);
        }
        env.machine().ApplyActivePlan();
    }

    // Collects once more after keeping the hardware threads busy (or idle) for a while; more threads
    // than the host has, so that other work on the host does not starve them.
    void CollectAfter(PerfCounters::Query query, bool busy) {
        std::atomic<bool> stop{false};
        std::vector<std::thread> threads;
        if (busy) {
            for (unsigned i = 0; i < 4 * std::max(1u, std::thread::hardware_concurrency()); ++i) {
                threads.emplace_back([&] {
                    while (!stop.load(std::memory_order_relaxed)) {
                    }
                });
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        ASSERT_TRUE(counters().Collect(query));
        stop = true;
        for (auto& t : threads) t.join();
    }

    struct Total {
        PerfCounters::Query query = 0;
        PerfCounters::Counter performance = 0, frequency = 0;
    };
    Total OpenTotal() {
        Total t;
        EXPECT_TRUE(counters().OpenQuery(t.query));
        EXPECT_TRUE(counters().AddEnglishCounter(t.query, u"\\Processor Information(_Total)\\% Processor Performance",
                                                 t.performance));
        EXPECT_TRUE(counters().AddEnglishCounter(t.query, u"\\Processor Information(_Total)\\Processor Frequency",
                                                 t.frequency));
        EXPECT_TRUE(counters().Collect(t.query));
        return t;
    }
};

TEST_F(SimPerfCountersTest, UnknownPathsAreMissingCounters) {
    PerfCounters::Query query = 0;
    ASSERT_TRUE(counters().OpenQuery(query));
    PerfCounters::Counter counter = 0;
    EXPECT_FALSE(counters().AddEnglishCounter(query, u"\\Memory\\Available MBytes", counter));
    EXPECT_FALSE(counters().AddEnglishCounter(query, u"\\Processor Information(_Total)\\% C1 Time", counter));
    EXPECT_FALSE(
        counters().AddEnglishCounter(query + 1000, u"\\Processor Information(_Total)\\Parking Status", counter));
    counters().CloseQuery(query);
}

TEST_F(SimPerfCountersTest, RateCountersNeedTwoCollections) {
    PerfCounters::Query query = 0;
    ASSERT_TRUE(counters().OpenQuery(query));
    PerfCounters::Counter performance = 0, frequency = 0;
    ASSERT_TRUE(
        counters().AddEnglishCounter(query, u"\\Processor Information(_Total)\\% Processor Performance", performance));
    ASSERT_TRUE(
        counters().AddEnglishCounter(query, u"\\Processor Information(_Total)\\Processor Frequency", frequency));
    double value = 0;
    EXPECT_FALSE(counters().ReadDouble(frequency, value));  // nothing collected yet
    ASSERT_TRUE(counters().Collect(query));
    EXPECT_FALSE(counters().ReadDouble(performance, value));
    EXPECT_TRUE(counters().ReadDouble(frequency, value));
    ASSERT_TRUE(counters().Collect(query));
    EXPECT_TRUE(counters().ReadDouble(performance, value));
    counters().CloseQuery(query);
    EXPECT_FALSE(counters().ReadDouble(performance, value));
    EXPECT_FALSE(counters().Collect(query));
}

TEST_F(SimPerfCountersTest, IdleRunsAtTheMinimumStateAndLoadAtTheMaximum) {
    Apply(guids::kMinProcessorState0, 30);
    Apply(guids::kMinProcessorState1, 30);
    Apply(guids::kMaxProcessorState0, 80);
    Apply(guids::kMaxProcessorState1, 80);
    Total t = OpenTotal();
    double performance = 0, frequency = 0;

    CollectAfter(t.query, false);
    ASSERT_TRUE(counters().ReadDouble(t.performance, performance));
    ASSERT_TRUE(counters().ReadDouble(t.frequency, frequency));
    EXPECT_NEAR(performance, 30.0, 3.0);
    EXPECT_DOUBLE_EQ(frequency, 2100);  // the hybrid laptop's nominal clock, whatever the performance

    CollectAfter(t.query, true);
    ASSERT_TRUE(counters().ReadDouble(t.performance, performance));
    ASSERT_TRUE(counters().ReadDouble(t.frequency, frequency));
    EXPECT_NEAR(performance, 80.0, 3.0);
    EXPECT_DOUBLE_EQ(frequency, 2100);
    counters().CloseQuery(t.query);
}

TEST_F(SimPerfCountersTest, AMachineThatIgnoresTheMaximumStateRunsAtFullSpeedUnderLoad) {
    Apply(guids::kMaxProcessorState0, 50);
    Apply(guids::kMaxProcessorState1, 50);
    for (bool ignores : {false, true}) {
        env.machine().SetIgnoresMaxState(ignores);
        Total t = OpenTotal();
        CollectAfter(t.query, true);
        double performance = 0;
        ASSERT_TRUE(counters().ReadDouble(t.performance, performance));
        EXPECT_NEAR(performance, ignores ? 100.0 : 50.0, 3.0) << ignores;
        counters().CloseQuery(t.query);
    }
}

TEST_F(SimPerfCountersTest, PerProcessorInstancesFollowTheParkedCores) {
    PerfCounters::Query query = 0;
    ASSERT_TRUE(counters().OpenQuery(query));
    PerfCounters::Counter all = 0, first = 0, third = 0, utility = 0, missing = 0;
    ASSERT_TRUE(counters().AddEnglishCounter(query, u"\\Processor Information(*)\\Parking Status", all));
    ASSERT_TRUE(counters().AddEnglishCounter(query, u"\\Processor Information(0,0)\\Parking Status", first));
    ASSERT_TRUE(counters().AddEnglishCounter(query, u"\\Processor Information(0,16)\\Parking Status", third));
    ASSERT_TRUE(counters().AddEnglishCounter(query, u"\\Processor Information(0,0)\\% Processor Utility", utility));
    ASSERT_TRUE(counters().AddEnglishCounter(query, u"\\Processor Information(0,99)\\Parking Status", missing));
    ASSERT_TRUE(counters().Collect(query));

    // Balanced parks every performance core (floor 0 %) and all but one
    // efficient core: logical processor 0 is on the first performance core,
    // 16 on the first efficient core.
    const std::vector<bool> parked = env.machine().ParkedCores();
    ASSERT_TRUE(parked[0]);
    ASSERT_FALSE(parked[8]);
    ASSERT_TRUE(parked[9]);
    double value = -1;
    ASSERT_TRUE(counters().ReadDouble(first, value));
    EXPECT_EQ(value, 1.0);
    ASSERT_TRUE(counters().ReadDouble(third, value));
    EXPECT_EQ(value, 0.0);
    EXPECT_FALSE(counters().ReadDouble(missing, value));
    EXPECT_FALSE(counters().ReadDouble(all, value));  // a wildcard has no single value
    EXPECT_FALSE(counters().ReadDouble(utility, value));  // a rate: one collection is not enough

    std::vector<std::pair<std::u16string, double>> values;
    ASSERT_TRUE(counters().ReadArray(all, values));
    ASSERT_EQ(values.size(), 24u + 2u);  // every processor, node 0's total, the machine's total
    EXPECT_EQ(values[0].first, u"0,0");
    EXPECT_EQ(values[23].first, u"0,23");
    EXPECT_EQ(values[24].first, u"0,_Total");
    EXPECT_EQ(values[25].first, u"_Total");
    double parkedCount = 0;
    for (int i = 0; i < 24; ++i) parkedCount += values[i].second;
    EXPECT_EQ(values[25].second, parkedCount);
    EXPECT_EQ(parkedCount, 23.0);  // 8 performance cores with two threads each, 7 efficient cores

    // Ignoring parking, nothing is parked.
    env.machine().SetIgnoresParking(true);
    ASSERT_TRUE(counters().Collect(query));
    ASSERT_TRUE(counters().ReadDouble(first, value));
    EXPECT_EQ(value, 0.0);
    counters().CloseQuery(query);
}

}  // namespace
}  // namespace quellora
