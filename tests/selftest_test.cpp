// The built-in self-test run as a user runs it, on every simulated layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "model/persisted_store.h"
#include "model/plan_settings.h"
#include "platform/assembly.h"
#include "power/power_scheme_access.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace quellora {
namespace {

using testing::RunProgram;

std::string CheckLines(const std::string& out) {
    std::istringstream in(out);
    std::string line, kept;
    while (std::getline(in, line)) {
        if (line.rfind("  PASS  ", 0) == 0 || line.rfind("  FAIL  ", 0) == 0 || line.rfind("  SKIP  ", 0) == 0)
            kept += line.substr(0, line.size() - (line.back() == '\r' ? 1 : 0)) + "\n";
    }
    return kept;
}

int LastNumber(const std::string& out) {
    auto end = out.rfind(" failure(s)");
    auto start = out.rfind('\n', end);
    return end == std::string::npos ? -1 : std::stoi(out.substr(start + 1, end - start - 1));
}

class SelfTestLayouts : public ::testing::TestWithParam<const char*> {};

TEST_P(SelfTestLayouts, PassesWithExitCodeEqualToTheFailures) {
    testing::TempDir state;
    std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", state.path()}};
    ASSERT_EQ(RunProgram("quellora-sim", {"reset", GetParam()}, env).exitCode, 0);
    auto r = RunProgram("quellora", {"/selftest"}, env);
    EXPECT_EQ(r.out.rfind("Quellora 6.0.2.18 self-test\r\n", 0), 0u);
    EXPECT_NE(r.out.find("\r\n0 failure(s)\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.exitCode, LastNumber(r.out));
    EXPECT_EQ(CheckLines(r.out).find("  FAIL  "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Sim, SelfTestLayouts,
                         ::testing::Values("hybrid-laptop", "desktop", "workstation", "three-class", "intel12-win10"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(SelfTest, OutputAndLogFile) {
    testing::TempDir state, bin;
    const std::string program = testing::CopyProgramTo(bin.path());
    auto r = RunProgram(program, {"/selftest"}, {{"QUELLORA_SIM_DIR", state.path()}});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.substr(0, 3), "\xEF\xBB\xBF");  // redirected output: UTF-8 without a byte order mark
    for (size_t i = 0; i < r.out.size(); ++i) {
        if (r.out[i] == '\n') {
            EXPECT_EQ(r.out[i - 1], '\r');
        }
    }
    // The same checks in the same order as recorded (the Windows build under Wine prints these too).
    EXPECT_EQ(CheckLines(r.out), testing::ReadBytes(testing::SourceDir() + "/tests/data/selftest-checks.txt"));
    std::string log = testing::ReadBytes(bin.path() + "/quellora-selftest.log");
    EXPECT_EQ(log.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(log.substr(3), r.out);
}

TEST(SelfTest, ARefusedWriteFailsChecksAndStillCleansUp) {
    testing::TempDir state;
    std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", state.path()}};
    auto sim = [&](const std::vector<std::string>& args) { return RunProgram("quellora-sim", args, env); };
    ASSERT_EQ(sim({"active", "Power saver"}).exitCode, 0);
    ASSERT_EQ(sim({"refuse", "PROCTHROTTLEMIN", "both"}).exitCode, 0);
    const std::string plansBefore = sim({"plans"}).out;
    auto r = RunProgram("quellora", {"/selftest"}, env);
    EXPECT_GT(r.exitCode, 0);
    EXPECT_EQ(r.exitCode, LastNumber(r.out));
    EXPECT_NE(r.out.find("  FAIL  model writes the scratch plan\r\n"), std::string::npos) << r.out;
    // Nothing of the self-test is left: plans (and the active one) as before, no profile, no export.
    EXPECT_EQ(sim({"plans"}).out, plansBefore);
    EXPECT_EQ(sim({"plans"}).out.find("Quellora self-test"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(state.path() + "/LocalAppData/Quellora/Profiles"));  // it made the folder
    EXPECT_FALSE(std::filesystem::exists(state.path() + "/Temp/quellora-selftest-export.json"));
    EXPECT_FALSE(std::filesystem::exists(state.path() + "/Temp/quellora-selftest-twarden-all.ini"));
    auto registry = sim({"registry", "HKCU\\Software\\Quellora"}).out;
    EXPECT_EQ(registry.find("DynDCMode"), std::string::npos) << registry;
    EXPECT_EQ(registry.find("DynDisableOnDC"), std::string::npos);
}

TEST(SelfTest, TheUsersDynamicBoostBatteryValuesArePutBack) {
    testing::TempDir state;
    std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", state.path()}};
    ASSERT_EQ(RunProgram("quellora", {"/selftest"}, env).exitCode, 0);
    auto registry = RunProgram("quellora-sim", {"registry", "HKCU\\Software\\Quellora"}, env).out;
    EXPECT_EQ(registry.find("DynDCMode"), std::string::npos) << registry;
}

// A user whose profiles, files and plans carry the self-test's names, whose
// drift.log is larger than the program reads, and whose registry and Power
// Options were never touched: the self-test passes, and afterwards everything
// of the user's is as it was.
TEST(SelfTest, LeavesTheUsersProfilesFilesLogAndRegistryAsTheyWere) {
    namespace fs = std::filesystem;
    testing::TempDir state;
    std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", state.path()}};
    auto q = [&](const std::vector<std::string>& args) { return RunProgram("quellora", args, env); };
    auto sim = [&](const std::vector<std::string>& args) { return RunProgram("quellora-sim", args, env); };
    ASSERT_EQ(sim({"reset"}).exitCode, 0);
    // The user's own objects under the self-test's names.
    ASSERT_EQ(q({"/saveprofile", "Quellora self-test profile", "Power saver"}).exitCode, 0);
    ASSERT_EQ(q({"/saveprofile", "Quellora self-test profile (renamed)", "High performance"}).exitCode, 0);
    const std::string temp = state.path() + "/Temp";
    fs::create_directories(temp);
    for (const char* name : {"quellora-selftest-export.json", "quellora-selftest-twarden-all.ini",
                             "quellora-selftest-twarden-none.ini", "quellora-selftest-drift.log"}) {
        testing::WriteBytes(temp + "/" + name, std::string("the user's own ") + name);
    }
    // A drift.log of 9 MiB (larger than the program reads back).
    const std::string logPath = state.path() + "/LocalAppData/Quellora/drift.log";
    std::string log = "\xFF\xFE";
    const std::string line = "2026-01-01T00:00:00Z\tBalanced\t1\t0\tAC CoreParkingMin[0]: expected 5, found 6\r\n";
    while (log.size() < (9u << 20)) {
        for (char c : line) {
            log.push_back(c);
            log.push_back('\0');
        }
    }
    testing::WriteBytes(logPath, log);

    auto snapshot = [&] {
        std::string all;
        for (const char* key : {"HKCU", "HKLM\\SOFTWARE\\Quellora", "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Power"})
            all += sim({"registry", key}).out;
        for (const auto& entry : fs::recursive_directory_iterator(state.path())) {
            const std::string path = entry.path().string();
            // The simulated machine's own files: its registry's journal and the
            // lock files that stand in for named mutexes (kernel objects that
            // leave nothing behind on Windows).
            if (path.find("registry.journal") != std::string::npos) continue;
            if (entry.path().parent_path() == fs::path(state.path()) && entry.path().extension() == ".lock") continue;
            all += path + "\n";
            if (entry.is_regular_file() && path.find("drift.log") == std::string::npos)
                all += testing::ReadBytes(path) + "\n";
        }
        return all;
    };
    const std::string before = snapshot();

    auto r = q({"/selftest"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("\r\n0 failure(s)\r\n"), std::string::npos) << r.out;
    for (const char* check : {"drift detected in log mode without touching the plan",
                              "unchanged drift is logged once in log mode", "a changed drift is logged again",
                              "profile saved", "profile renamed", "profile deleted",
                              "powercfg /q agrees on the minimum unparked cores (AC 37, DC 41)"}) {
        EXPECT_NE(r.out.find(std::string("  PASS  ") + check + "\r\n"), std::string::npos) << check;
    }
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(testing::ReadBytes(logPath), log);
}

// A plan of the user's named as the self-test's scratch plans, with a
// remembered copy (kept by plan name): the self-test names its own plans
// differently and leaves that copy alone.
TEST(SelfTest, APlanOfTheUsersWithTheScratchNameKeepsItsRememberedCopy) {
    testing::TempDir state;
    std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", state.path()}};
    auto sim = [&](const std::vector<std::string>& args) { return RunProgram("quellora-sim", args, env); };
    ASSERT_EQ(sim({"rename", "saver", "Quellora self-test (safe to delete)"}).exitCode, 0);
    setenv("QUELLORA_SIM_DIR", state.path().c_str(), 1);
    {
        auto assembly = AssemblePlatform();
        ScopedPlatform scope(&assembly->platform);
        PowerSchemeAccess power;
        PlanSettings s;
        s.plan = guids::kPowerSaver;
        ASSERT_TRUE(ReadFromPlan(power, s, {0}, false, {}));
        ASSERT_TRUE(SaveStoredSide(power, s.plan, true, s.ac));
        ASSERT_TRUE(SaveStoredSide(power, s.plan, false, s.dc));
    }
    unsetenv("QUELLORA_SIM_DIR");
    const std::string key = "HKCU\\Software\\Quellora\\PersistedPowerPlans\\Quellora self-test (safe to delete)";
    const std::string before = sim({"registry", key}).out;
    ASSERT_NE(before.find("EfficiencyClassToCoreParking_0"), std::string::npos) << before;
    auto r = RunProgram("quellora", {"/selftest"}, env);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(sim({"registry", key}).out, before);
    EXPECT_NE(sim({"plans"}).out.find("Quellora self-test (safe to delete)"), std::string::npos);
}

}  // namespace
}  // namespace quellora
