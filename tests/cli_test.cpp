// The host program run as a user runs it: exit codes and the exact bytes it prints.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace quellora {
namespace {

using testing::RunProgram;

class CliTest : public ::testing::Test {
protected:
    testing::TempDir state;
    testing::ProgramResult Quellora(const std::vector<std::string>& args) {
        return RunProgram("quellora", args, {{"QUELLORA_SIM_DIR", state.path()}});
    }
    testing::ProgramResult Sim(const std::vector<std::string>& args) {
        return RunProgram("quellora-sim", args, {{"QUELLORA_SIM_DIR", state.path()}});
    }
};

TEST_F(CliTest, PlansPrintsJsonWithCrLfAndNoByteOrderMark) {
    auto r = Quellora({"/plans"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_GE(r.out.size(), 3u);
    EXPECT_EQ(r.out.substr(0, 3), "[\r\n");
    EXPECT_EQ(r.out.substr(r.out.size() - 3), "]\r\n");
    for (size_t i = 0; i < r.out.size(); ++i) {
        if (r.out[i] == '\n') {
            EXPECT_EQ(r.out[i - 1], '\r') << "at byte " << i;
        }
    }
    EXPECT_EQ(r.out, testing::ReadBytes(testing::SourceDir() + "/tests/data/plans-default.txt"));
    EXPECT_EQ(Quellora({"/PLANS"}).out, r.out);
}

// Some systems answer the size-only call of PowerEnumerate with success
// instead of ERROR_MORE_DATA: the plans are listed all the same.
TEST_F(CliTest, PlansAreListedWhenTheSizeQueryAnswersSuccess) {
    ASSERT_EQ(Sim({"size-query", "success"}).exitCode, 0);
    auto r = Quellora({"/plans"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, testing::ReadBytes(testing::SourceDir() + "/tests/data/plans-default.txt"));
    EXPECT_EQ(Quellora({"/status", "Power saver"}).exitCode, 0);
}

// Without the power API (as under Wine with the real build) the commands that
// need it say what is missing instead of listing nothing.
TEST_F(CliTest, CommandsThatNeedThePowerApiSayItIsMissing) {
    ASSERT_EQ(Quellora({"/saveprofile", "Before"}).exitCode, 0);
    ASSERT_EQ(Sim({"power-functions", "missing"}).exitCode, 0);
    const std::string missing =
        "This command needs the Windows power management functions, which this system lacks (PowerDuplicateScheme, "
        "PowerWriteFriendlyName, PowerWriteDescription, PowerDeleteScheme, PowerReadACValueIndex, "
        "PowerReadDCValueIndex, PowerWriteACValueIndex, PowerWriteDCValueIndex, PowerReadPossibleValue, "
        "PowerWriteSettingAttributes).\n";
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"/plans"}, {"/status"}, {"/status", "Balanced"}, {"/saveprofile", "After"}, {"/applyprofile", "Before"}}) {
        auto r = Quellora(args);
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
        EXPECT_EQ(r.err, missing) << args[0];
    }
    // The self-test names them instead of blaming administrator rights.
    auto selftest = Quellora({"/selftest"});
    EXPECT_GT(selftest.exitCode, 0);
    EXPECT_NE(selftest.out.find("  FAIL  scratch plan created (the Windows power management functions "
                                "PowerDuplicateScheme, PowerWriteFriendlyName, PowerWriteDescription, "
                                "PowerDeleteScheme, PowerReadACValueIndex, PowerReadDCValueIndex, "
                                "PowerWriteACValueIndex, PowerWriteDCValueIndex, PowerReadPossibleValue, "
                                "PowerWriteSettingAttributes are missing)\r\n"),
              std::string::npos)
        << selftest.out;
    // What needs no power API still works.
    EXPECT_EQ(Quellora({"/profiles"}).exitCode, 0);
    EXPECT_EQ(Quellora({"/saveprofile", "bad/name"}).exitCode, 1);
}

TEST_F(CliTest, StatusOfTheDefaultMachine) {
    auto r = Quellora({"/status"});
    EXPECT_EQ(r.exitCode, 0);
    // The Windows build prints the same bytes under Wine (tests/wine).
    EXPECT_EQ(r.out, testing::ReadBytes(testing::SourceDir() + "/tests/data/status-default.txt"));
}

TEST_F(CliTest, AnotherProgramChangesTheActivePlan) {
    auto before = Quellora({"/plans"});
    ASSERT_EQ(Sim({"active", "Power saver"}).exitCode, 0);
    auto after = Quellora({"/plans"});
    EXPECT_NE(after.out, before.out);
    EXPECT_NE(after.out.find("\"active\": true,\r\n    \"guid\": \"{A1841308-3541-4FAB-BC81-F71556F20B4A}\""),
              std::string::npos)
        << after.out;
}

TEST_F(CliTest, TerminateEndsTheOtherInstancesOfTheMachine) {
    ASSERT_EQ(Sim({"instance", "add"}).exitCode, 0);
    ASSERT_EQ(Sim({"processes", "add", "notepad.exe"}).exitCode, 0);
    auto r = Quellora({"/terminate"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    auto left = Sim({"processes"});
    EXPECT_EQ(left.out.find("quellora.exe"), std::string::npos) << left.out;
    EXPECT_NE(left.out.find("notepad.exe"), std::string::npos);
    EXPECT_EQ(Sim({"instances"}).out, "");  // its window went with it
}

TEST_F(CliTest, TheInteractiveProgramSaysItNeedsWindows) {
    auto r = Quellora({});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Windows only"), std::string::npos) << r.err;
}

TEST_F(CliTest, UsageErrorAndHelp) {
    auto r = Quellora({"/plans", "x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Wrong arguments for /plans. Run quellora.exe /help to see how to use it.\r\n");
    auto help = Quellora({"/?"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(Quellora({"/help"}).out, help.out);
    // The Windows build prints the same bytes under Wine (tests/wine).
    EXPECT_EQ(help.out, testing::ReadBytes(testing::SourceDir() + "/tests/data/help.txt"));
}

TEST_F(CliTest, AMissingLanguageModuleEndsTheStart) {
    // A copy of the program without its modules beside it.
    testing::TempDir bin;
    std::string copy = bin.path() + "/quellora";
    testing::WriteBytes(copy, testing::ReadBytes(testing::BuildDir() + "/quellora"));
    ASSERT_EQ(chmod(copy.c_str(), 0755), 0);
    auto r = testing::RunProgram(copy, {"/plans"}, {{"QUELLORA_SIM_DIR", state.path()}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "There was an error loading the resource DLL tw_rsrc_english.dll!\n");
}

}  // namespace
}  // namespace quellora
