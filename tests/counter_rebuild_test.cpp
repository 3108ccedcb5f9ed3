#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/counter_rebuild.h"
#include "platform/text.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::ManualClock;
using testing::SimEnv;

// A service manager that records every call and moves each service along a
// script: a stop or start completes after a number of state queries.
class FakeServices : public ServiceControl {
public:
    struct Service {
        ServiceState state = ServiceState::Stopped;
        uint32_t startType = service_start::kDemand;
        int queriesToSettle = 1;  // -1: never settles
        int pending = 0;
        bool refusesStart = false;
    };

    bool QueryState(std::u16string_view name, ServiceState& state) override {
        if (!services.count(std::u16string(name))) {
            Log(u"query " + std::u16string(name) + u" unknown");
            return false;
        }
        Service& s = services.at(std::u16string(name));
        if ((s.state == ServiceState::StopPending || s.state == ServiceState::StartPending) && s.pending >= 0 &&
            --s.pending == 0) {
            s.state = s.state == ServiceState::StopPending ? ServiceState::Stopped : ServiceState::Running;
        }
        state = s.state;
        Log(u"query " + std::u16string(name) + u" " + ToDecimal(static_cast<uint32_t>(state)) + u" @" +
            ToDecimal(clock->tick - kStart));
        return true;
    }
    bool SendStop(std::u16string_view name) override {
        Log(u"stop " + std::u16string(name));
        Service& s = services.at(std::u16string(name));
        s.state = ServiceState::StopPending;
        s.pending = s.queriesToSettle;
        return true;
    }
    bool Start(std::u16string_view name) override {
        Log(u"start " + std::u16string(name));
        Service& s = services.at(std::u16string(name));
        if (s.startType == service_start::kDisabled || s.refusesStart) return false;
        s.state = ServiceState::StartPending;
        s.pending = s.queriesToSettle;
        return true;
    }
    bool QueryStartType(std::u16string_view name, uint32_t& type) override {
        type = services.at(std::u16string(name)).startType;
        return true;
    }
    bool SetStartType(std::u16string_view name, uint32_t type) override {
        Log(u"start type " + std::u16string(name) + u" " + ToDecimal(type));
        services.at(std::u16string(name)).startType = type;
        return true;
    }

    void Log(std::u16string line) { calls.push_back(Utf16ToUtf8(line)); }

    static constexpr uint64_t kStart = 1000000;
    std::map<std::u16string, Service> services;
    std::vector<std::string> calls;
    ManualClock* clock = nullptr;
};

class CounterRebuild : public ::testing::Test {
protected:
    CounterRebuild() {
        env.UseClock(&clock);
        fake.clock = &clock;
        env.platform().services = &fake;
    }
    SimEnv env;
    ManualClock clock;
    FakeServices fake;
};

TEST_F(CounterRebuild, ReloadsTheCountersThenRestartsPlaAndWinmgmt) {
    fake.services[u"pla"] = {ServiceState::Stopped, service_start::kDisabled, 1};
    fake.services[u"winmgmt"] = {ServiceState::Running, service_start::kAuto, 2};
    RebuildPerformanceCounters();

    const std::vector<std::u16string> runs = env.processes().StartedCommandLines();
    EXPECT_EQ(runs, (std::vector<std::u16string>{u"\"C:\\Windows\\system32\\lodctr.exe\" /R",
                                                 u"\"C:\\Windows\\SysWOW64\\lodctr.exe\" /R",
                                                 u"\"C:\\Windows\\system32\\wbem\\winmgmt.exe\" /RESYNCPERF"}));
    const std::vector<std::string> expected = {
        // pla: already stopped, disabled: made demand-start, started, running at the first look after 1 s.
        "query pla 1 @0", "query pla 1 @0", "start type pla 3", "query pla 1 @0", "start pla", "query pla 4 @1000",
        // winmgmt: stopped (two looks, 500 ms apart), started, running after 1 s.
        "query winmgmt 4 @1000", "stop winmgmt", "query winmgmt 3 @1000", "query winmgmt 1 @1500",
        "query winmgmt 1 @1500", "start winmgmt", "query winmgmt 2 @2500", "query winmgmt 4 @3500"};
    EXPECT_EQ(fake.calls, expected);
    EXPECT_EQ(fake.services[u"pla"].startType, service_start::kDemand);
}

TEST_F(CounterRebuild, GivesUpOnAServiceThatNeverSettles) {
    fake.services[u"pla"] = {ServiceState::Running, service_start::kDemand, -1};
    fake.services[u"winmgmt"] = {ServiceState::Running, service_start::kAuto, 1};
    RebuildPerformanceCounters();
    // pla: ten looks 500 ms apart for the stop, then the first wait and thirty
    // looks a second apart for the start (which it never reaches either); no
    // pause after a last look.
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "stop pla"), 1);
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "start pla"), 1);  // still stopping: neither running nor starting
    size_t winmgmtAt = 0;
    while (winmgmtAt < fake.calls.size() && fake.calls[winmgmtAt].find("winmgmt") == std::string::npos) ++winmgmtAt;
    ASSERT_LT(winmgmtAt, fake.calls.size());
    EXPECT_EQ(fake.calls[winmgmtAt], "query winmgmt 4 @34500");  // 9 × 500 ms + 1000 ms + 29 × 1000 ms
    EXPECT_EQ(std::count_if(fake.calls.begin(), fake.calls.end(),
                            [](const std::string& call) { return call.rfind("query pla", 0) == 0; }),
              1 + 10 + 1 + 30);  // before the stop, the stop's looks, before the start, the start's looks
}

TEST_F(CounterRebuild, AServiceTheSystemLacksOrThatRefusesToStartIsNotWaitedFor) {
    // Wine has no "pla"; a start may be refused (no rights, a broken service).
    fake.services[u"winmgmt"] = {ServiceState::Stopped, service_start::kAuto, 1, 0, true};
    RebuildPerformanceCounters();
    const std::vector<std::string> expected = {"query pla unknown", "query winmgmt 1 @0", "query winmgmt 1 @0",
                                               "query winmgmt 1 @0", "start winmgmt"};
    EXPECT_EQ(fake.calls, expected);
    EXPECT_EQ(clock.tick - FakeServices::kStart, 0u);  // no pause at all
}

TEST_F(CounterRebuild, RunsOnTheSimulatedMachinesServices) {
    env.platform().services = &env.services();
    RebuildPerformanceCounters();
    ServiceState state = ServiceState::Stopped;
    ASSERT_TRUE(env.services().QueryState(u"winmgmt", state));
    EXPECT_EQ(state, ServiceState::Running);
    ASSERT_TRUE(env.services().QueryState(u"pla", state));
    EXPECT_EQ(state, ServiceState::Running);
    const auto log = sim::SimServiceControl::Log(env.machine());
    EXPECT_EQ(log, (std::vector<std::u16string>{u"start pla", u"stop winmgmt", u"start winmgmt"}));
    const auto programs = sim::ProgramLog(env.machine());
    EXPECT_EQ(programs.size(), 3u);
}

}  // namespace
}  // namespace quellora
