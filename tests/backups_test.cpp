#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "profiles/backups.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_env.h"
#include "ui/message_box.h"

namespace quellora {
namespace {

using testing::SimEnv;
namespace fs = std::filesystem;

class BackupsTest : public ::testing::Test {
protected:
    SimEnv env;
    testing::ManualClock clock;
    BackupsTest() { env.UseClock(&clock); }

    std::string Root() { return Utf16ToUtf8(BackupRoot()); }
    std::vector<std::string> Folders() {
        std::vector<std::string> names;
        if (!fs::exists(Root())) return names;
        for (const auto& e : fs::directory_iterator(Root())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(BackupsTest, ExportsEveryPlanWithAReadme) {
    PowerSchemeAccess power;
    Guid copy, other;
    ASSERT_TRUE(power.DuplicatePlan(guids::kBalanced, copy));
    ASSERT_TRUE(power.WritePlanName(copy, u"A/B"));
    ASSERT_TRUE(power.DuplicatePlan(guids::kBalanced, other));  // a second plan named "Balanced"
    env.machine().AddOverlay(3);                                 // overlays are not exported

    EXPECT_EQ(BackupPlans(), 0);
    ASSERT_EQ(Folders(), std::vector<std::string>{"2026-12-10_093000"});
    const std::string folder = Root() + "/2026-12-10_093000";
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 6u);
    EXPECT_EQ(files[0], "A_B " + Utf16ToUtf8(GuidToText(copy)) + ".pow");
    EXPECT_EQ(files.back(), "README.txt");

    std::string readme = testing::ReadBytes(folder + "/README.txt");
    EXPECT_EQ(readme.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(readme.find("\r\n\r\nThe active power plan was: Balanced\r\n\r\n"), std::string::npos);
    EXPECT_NE(readme.find("A/B\r\n    powercfg /import \"" + folder + "/A_B "), std::string::npos) << readme;
    for (size_t i = 0; i < readme.size(); ++i) {
        if (readme[i] == '\n') {
            EXPECT_EQ(readme[i - 1], '\r');
        }
    }
    // The exported file holds the plan: powercfg /import on the same machine reads it.
    EXPECT_GT(fs::file_size(folder + "/" + files[0]), 100u);
}

TEST_F(BackupsTest, KeepsTheTenNewestBackups) {
    for (int day = 1; day <= 10; ++day) {
        fs::create_directories(Root() + "/2026-11-" + (day < 10 ? "0" : "") + std::to_string(day) + "_120000");
    }
    testing::WriteBytes(Root() + "/stray-file.txt", "not a backup");
    EXPECT_EQ(BackupPlans(), 0);
    auto folders = Folders();
    ASSERT_EQ(folders.size(), 11u);  // ten backups and the stray file
    EXPECT_EQ(folders[0], "2026-11-02_120000");  // the oldest one went
    EXPECT_EQ(folders[9], "2026-12-10_093000");
}

TEST_F(BackupsTest, FileNamesLoseWhatAFileNameCannotHold) {
    const Guid plan = guids::kBalanced;
    EXPECT_EQ(BackupFileName(u"a\\b/c:d*e?f\"g<h>i|j\tk", plan),
              u"a_b_c_d_e_f_g_h_i_j_k {381B4222-F694-41F0-9685-FF5BB260DF2E}.pow");
    EXPECT_EQ(BackupFileName(u"", plan),
              u"381B4222-F694-41F0-9685-FF5BB260DF2E {381B4222-F694-41F0-9685-FF5BB260DF2E}.pow");
}

TEST_F(BackupsTest, DeletingAsksFirst) {
    EXPECT_EQ(AskDeletePlanBackups(AskWithMessageBox), 0);
    EXPECT_EQ(env.interaction().QuestionCount(), 0u);  // nothing to delete: no question

    BackupPlans();
    env.machine().SetMessageBoxAnswer(7);  // No
    EXPECT_EQ(AskDeletePlanBackups(AskWithMessageBox), 0);
    sim::AskedQuestion asked;
    ASSERT_TRUE(env.interaction().LastQuestion(asked));
    EXPECT_EQ(asked.text, u"Delete every power plan backup in " + BackupRoot() + u"?");
    EXPECT_EQ(asked.caption, u"Quellora");
    EXPECT_EQ(asked.style, 0x4u | 0x20u | 0x100u | 0x10000u);
    EXPECT_EQ(Folders().size(), 1u);

    env.machine().SetMessageBoxAnswer(6);  // Yes
    EXPECT_EQ(AskDeletePlanBackups(AskWithMessageBox), 0);
    EXPECT_FALSE(fs::exists(Root()));
    EXPECT_FALSE(fs::exists(fs::path(Root()).parent_path()));  // the empty Quellora folder goes too
}

TEST(BackupsCommand, RunsFromTheCommandLine) {
    testing::TempDir state;
    std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", state.path()}};
    auto r = testing::RunProgram("quellora", {"/backupplans"}, env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");  // nothing is shown
    EXPECT_TRUE(fs::exists(state.path() + "/ProgramData/Quellora/PowerPlanBackups"));
    EXPECT_EQ(testing::RunProgram("quellora", {"/askdeleteplanbackups"}, env).exitCode, 0);  // answered No
    EXPECT_TRUE(fs::exists(state.path() + "/ProgramData/Quellora/PowerPlanBackups"));
}

// A plan renamed by another program to hold line breaks cannot put lines of its
// own (a fake restore command) into README.txt.
TEST(BackupsCommand, ANameWithLineBreaksStaysOnItsLine) {
    testing::TempDir state;
    std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", state.path()}};
    const std::string evil = "Evil\r\n    powercfg /import \"C:\\evil.pow\"\r\n\tx";
    ASSERT_EQ(testing::RunProgram("quellora-sim", {"rename", "balanced", evil}, env).exitCode, 0);
    ASSERT_EQ(testing::RunProgram("quellora", {"/backupplans"}, env).exitCode, 0);
    std::string readme;
    for (const auto& entry : fs::directory_iterator(state.path() + "/ProgramData/Quellora/PowerPlanBackups"))
        readme = testing::ReadBytes(entry.path().string() + "/README.txt");
    ASSERT_FALSE(readme.empty());
    EXPECT_EQ(readme.find("\n    powercfg /import \"C:\\evil.pow\""), std::string::npos) << readme;
    const std::string shown = "Evil      powercfg /import \"C:\\evil.pow\"   x";
    // The plan's own line, and the active plan's line, hold the name with blanks.
    EXPECT_NE(readme.find("\r\n" + shown + "\r\n    powercfg /import \""), std::string::npos) << readme;
    EXPECT_NE(readme.find(shown), readme.rfind(shown)) << readme;
    // Every line ends in CR LF: no lone line break is left.
    for (size_t i = 0; i < readme.size(); ++i) {
        if (readme[i] == '\n') {
            EXPECT_EQ(readme[i - 1], '\r');
        }
        if (readme[i] == '\r') {
            EXPECT_EQ(readme[i + 1], '\n');
        }
    }
}

}  // namespace
}  // namespace quellora
