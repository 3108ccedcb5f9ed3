#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "monitor/counter_sampler.h"
#include "monitor/frequency_sampler.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::ManualClock;
using testing::SimEnv;

TEST(CounterSampler, CountsTheParkedProcessorsAndFollowsTheLoad) {
    SimEnv env;  // the hybrid laptop: 8 performance cores with two threads, 8 efficient cores
    CounterSampler sampler(CounterSampler::kParkingStatus);
    ASSERT_EQ(sampler.nodeCount(), 1u);
    EXPECT_EQ(sampler.LogicalCount(), 24u);
    EXPECT_EQ(sampler.SampleNow(), 1);
    EXPECT_TRUE(sampler.hasSample());
    // Balanced keeps one efficient core (its floor of 4 %) and parks every
    // performance core (their floor is 0): 8 × 2 + 7 processors are parked.
    EXPECT_EQ(sampler.ParkedCount(), 23u);
    EXPECT_EQ(sampler.parking(0, 0), 1);
    EXPECT_EQ(sampler.parking(0, 16), 0);  // the first efficient core
    EXPECT_EQ(sampler.parking(0, 17), 1);
    EXPECT_EQ(sampler.utility(0, 0), CounterSampler::kUnknown);  // not asked for

    // Busy processors keep their cores unparked.
    env.machine().SetProcessorLoad(4, 60);
    env.machine().SetProcessorLoad(17, 30);
    sampler.SampleNow();
    EXPECT_EQ(sampler.ParkedCount(), 20u);
    env.machine().SetProcessorLoad(-1, 50);
    sampler.SampleNow();
    EXPECT_EQ(sampler.ParkedCount(), 0u);
    env.machine().SetProcessorLoad(-1, 0);
    sampler.SampleNow();
    EXPECT_EQ(sampler.ParkedCount(), 23u);
}

TEST(CounterSampler, DisabledCountersReadUnknownAndNothingCountsAsParked) {
    SimEnv env;
    env.machine().SetCountersDisabled(true);
    CounterSampler sampler(CounterSampler::kParkingStatus | CounterSampler::kUtility);
    sampler.SampleNow();
    EXPECT_EQ(sampler.ParkedCount(), 0u);
    for (size_t j = 0; j < sampler.processorCount(0); ++j) {
        EXPECT_EQ(sampler.parking(0, j), CounterSampler::kUnknown);
        EXPECT_EQ(sampler.utility(0, j), CounterSampler::kUnknown);
    }
}

TEST(CounterSampler, UtilityIsARateAndFallsBackToProcessorTime) {
    for (bool missing : {false, true}) {
        SimEnv env;
        env.machine().SetUtilityCounterMissing(missing);
        env.machine().SetProcessorLoad(0, 70);
        CounterSampler sampler(CounterSampler::kUtility);
        // The sampler's thread takes the first sample by itself.
        for (int i = 0; i < 1000 && !sampler.hasSample(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(sampler.hasSample());
        EXPECT_EQ(sampler.utility(0, 0), CounterSampler::kUnknown) << missing;  // the first sample of a rate
        sampler.SampleNow();
        EXPECT_GE(sampler.utility(0, 0), 70) << missing;
        EXPECT_LE(sampler.utility(0, 0), 100) << missing;
        EXPECT_EQ(sampler.parking(0, 0), CounterSampler::kUnknown);
    }
}

TEST(CounterSampler, TheThreadTakesTheFirstSampleByItself) {
    SimEnv env;
    CounterSampler sampler(CounterSampler::kParkingStatus);
    ASSERT_TRUE(sampler.threadRunning());
    for (int i = 0; i < 500 && !sampler.hasSample(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(sampler.hasSample());
    EXPECT_EQ(sampler.ParkedCount(), 23u);
}

TEST(CounterSampler, NodesOfTheWorkstationAreCountedOnEachNode) {
    SimEnv env(u"workstation");
    const std::vector<uint32_t> nodes = ProcessorsPerNode();
    CounterSampler sampler(CounterSampler::kParkingStatus);
    ASSERT_EQ(sampler.nodeCount(), nodes.size());
    uint32_t total = 0;
    for (size_t n = 0; n < nodes.size(); ++n) total += sampler.processorCount(n);
    EXPECT_EQ(total, MainTopology().logicalCount());
    sampler.SampleNow();
    for (size_t n = 0; n < nodes.size(); ++n) {
        for (size_t j = 0; j < sampler.processorCount(n); ++j) EXPECT_NE(sampler.parking(n, j), CounterSampler::kUnknown);
    }
}

// ---- Frequency

RawCounterItem Raw(std::u16string name, int64_t first, int64_t second) { return {std::move(name), first, second}; }

TEST(FrequencyReading, TheArithmeticOfOneSample) {
    const std::map<std::u16string, RawPair> before = {{u"0,0", {1000, 100}}, {u"0,1", {2000, 100}},
                                                      {u"0,2", {500, 100}},  {u"0,_Total", {0, 0}}};
    const std::map<std::u16string, double> mhz = {{u"0,0", 3000}, {u"0,1", 3000}, {u"0,2", 2000}};
    const std::set<std::u16string> efficient = {u"0,2"};
    struct Case {
        const char* what;
        std::vector<RawCounterItem> now;
        bool heterogeneous;
        uint32_t nominal;
        bool valid;
        double average, performance, efficientMhz;
    } cases[] = {
        // Processor 0 ran at 80 %, 1 at 120 % of the nominal clock for 100 units; totals are left out.
        {"nominal clock", {Raw(u"0,0", 9000, 200), Raw(u"0,1", 14000, 200), Raw(u"0,_Total", 1, 1)}, false, 2500, true,
         2500.0, 0, 0},
        {"no nominal clock: the weighted mean of the frequencies",
         {Raw(u"0,0", 9000, 200), Raw(u"0,1", 14000, 200)}, false, 0, true, 3000.0, 0, 0},
        {"hybrid: each kind on its own",
         {Raw(u"0,0", 9000, 200), Raw(u"0,1", 14000, 200), Raw(u"0,2", 5500, 200)}, true, 2500, true,
         (8000.0 + 12000 + 5000) * 2500 / 300 / 100, (8000.0 + 12000) * 3000 / 200 / 100, 5000.0 * 2000 / 100 / 100},
        {"a counter that went back or stood still is left out",
         {Raw(u"0,0", 900, 200), Raw(u"0,1", 14000, 100), Raw(u"0,2", 5500, 200)}, false, 2000, true, 1000.0, 0, 0},
        {"no time passed: invalid", {Raw(u"0,0", 1000, 100), Raw(u"0,1", 2000, 100)}, false, 2500, false, 0, 0, 0},
        {"an instance without a frequency or a previous value", {Raw(u"0,3", 9000, 200), Raw(u"1,0", 1, 2)}, false,
         2500, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const FrequencyReading r = ComputeFrequencyReading(before, c.now, mhz, efficient, c.heterogeneous, c.nominal);
        EXPECT_EQ(r.valid, c.valid) << c.what;
        EXPECT_NEAR(r.averageMHz, c.average, 1e-6) << c.what;
        EXPECT_NEAR(r.performanceCoreMHz, c.performance, 1e-6) << c.what;
        EXPECT_NEAR(r.efficientCoreMHz, c.efficientMhz, 1e-6) << c.what;
    }
}

TEST(FrequencySampler, TheFirstSampleAfterConstructionNeedsTimeToPassThenReadsTheStates) {
    SimEnv env;
    ManualClock clock;
    env.UseClock(&clock);
    // Efficient cores held at 40 %, performance cores at 60 %, whatever the load.
    for (const auto& [setting, value] : {std::pair{guids::kMinProcessorState0, 40u}, {guids::kMaxProcessorState0, 40u},
                                         {guids::kMinProcessorState1, 60u}, {guids::kMaxProcessorState1, 60u}}) {
        for (bool ac : {true, false}) env.machine().WritePlanValue(guids::kBalanced, guids::kSubProcessor, setting, ac, value);
    }
    env.machine().ApplyActivePlan();
    ASSERT_EQ(EfficientInstances().size(), 8u);
    FrequencySampler sampler;
    ASSERT_TRUE(sampler.hasCounters());
    sampler.SampleNow();  // no time passed since construction
    EXPECT_FALSE(sampler.Read().valid);
    clock.tick += 1000;
    sampler.SampleNow();
    const FrequencyReading r = sampler.Read();
    ASSERT_TRUE(r.valid);
    EXPECT_NEAR(r.efficientCoreMHz, 0.40 * 2100, 1);
    EXPECT_NEAR(r.performanceCoreMHz, 0.60 * 2100, 1);
    EXPECT_NEAR(r.averageMHz, (8 * 0.40 + 16 * 0.60) / 24 * 2100, 1);
}

TEST(FrequencySampler, WithoutCountersItNeverBecomesValid) {
    SimEnv env;
    env.machine().SetCountersDisabled(true);
    FrequencySampler sampler;
    EXPECT_FALSE(sampler.hasCounters());
    sampler.SampleNow();
    EXPECT_FALSE(sampler.Read().valid);
}

}  // namespace
}  // namespace quellora
