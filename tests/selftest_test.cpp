// The built-in self-test run as a user runs it, on every simulated layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

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
    EXPECT_TRUE(std::filesystem::is_empty(state.path() + "/LocalAppData/Quellora/Profiles"));
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

}  // namespace
}  // namespace quellora
