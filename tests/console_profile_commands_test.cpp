#include <gtest/gtest.h>

#include <filesystem>
#include <future>

#include "app/console_frame.h"
#include "model/plan_json.h"
#include "platform/command_line.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "profiles/profile_store.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

class ConsoleProfileCommands : public ::testing::Test {
protected:
    SimEnv env;
    // Runs a command line and answers its exit code; its output is in `out`.
    int Run(std::u16string_view line) {
        env.console().out.clear();
        int code = RunConsoleCommand(CommandArguments(u"quellora.exe " + std::u16string(line)));
        out = env.console().out;
        return code;
    }
    nlohmann::json Json() { return nlohmann::json::parse(out); }
    std::string out;
};

TEST_F(ConsoleProfileCommands, StatusResolvesThePlanEveryWay) {
    struct Case {
        std::u16string line;
        const char* guid;
        bool active;
    };
    const Case cases[] = {
        {u"/status", "{381B4222-F694-41F0-9685-FF5BB260DF2E}", true},
        {u"/STATUS /replace", "{381B4222-F694-41F0-9685-FF5BB260DF2E}", true},
        {u"/status balanced", "{381B4222-F694-41F0-9685-FF5BB260DF2E}", true},
        {u"/status \"high PERFORMANCE\"", "{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}", false},
        {u"/status {a1841308-3541-4fab-bc81-f71556f20b4a}", "{A1841308-3541-4FAB-BC81-F71556F20B4A}", false},
        {u"/status A1841308-3541-4FAB-BC81-F71556F20B4A", "{A1841308-3541-4FAB-BC81-F71556F20B4A}", false},
        {u"/status a1841308-3541-4fab-bc81-f71556f20b4a", "{A1841308-3541-4FAB-BC81-F71556F20B4A}", false},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Run(c.line), 0) << Utf16ToUtf8(c.line) << out;
        auto status = Json();
        EXPECT_EQ(status["settings"]["plan"], c.guid) << Utf16ToUtf8(c.line);
        EXPECT_EQ(status["active"], c.active) << Utf16ToUtf8(c.line);
        EXPECT_EQ(status["quellora"], "6.0.2.18");
        EXPECT_EQ(status["dynamicBoost"], false);
        EXPECT_EQ(status["osBuild"], "10.0.26100");
        EXPECT_EQ(status["cpu"], "13th Gen Intel(R) Core(TM) i7-13700HX");
        EXPECT_EQ(status["settings"]["format"], 1);
    }
    // The members in the order the command documents them.
    ASSERT_EQ(Run(u"/status"), 0);
    EXPECT_LT(out.find("\"active\""), out.find("\"cpu\""));
    EXPECT_LT(out.find("\"osBuild\""), out.find("\"quellora\""));
    EXPECT_LT(out.find("\"quellora\""), out.find("\"settings\""));
}

TEST_F(ConsoleProfileCommands, StatusFailures) {
    EXPECT_EQ(Run(u"/status \"No such plan\""), 2);
    EXPECT_EQ(out, "No power plan matches \"No such plan\".\r\n");
    env.machine().RemovePlanSetting(guids::kHighPerformance, guids::kSubProcessor, guids::kCoreParkingMin0);
    EXPECT_EQ(Run(u"/status \"High performance\""), 2);
    EXPECT_EQ(out, "The settings of power plan \"High performance\" could not be read.\r\n");
}

TEST_F(ConsoleProfileCommands, SaveNeverOverwritesWithoutReplace) {
    ASSERT_EQ(Run(u"/saveprofile \"My Gaming\" Balanced"), 0);
    EXPECT_EQ(out, "The settings of power plan \"Balanced\" were saved as profile \"My Gaming\".\r\n");
    const std::string path = Utf16ToUtf8(ProfilePath(u"My Gaming"));
    const std::string before = testing::ReadBytes(path);

    EXPECT_EQ(Run(u"/saveprofile \"My Gaming\" \"Power saver\""), 2);
    EXPECT_EQ(out, "A profile named \"My Gaming\" already exists. Add /replace to overwrite it.\r\n");
    EXPECT_EQ(testing::ReadBytes(path), before);

    ASSERT_EQ(Run(u"/saveprofile /REPLACE \"My Gaming\" \"Power saver\""), 0);  // anywhere after the command
    EXPECT_NE(testing::ReadBytes(path), before);
    EXPECT_NE(testing::ReadBytes(path).find("\"capturedFromPlan\": \"Power saver\""), std::string::npos);

    EXPECT_EQ(Run(u"/saveprofile \"bad/name\""), 1);
    EXPECT_EQ(out.rfind("The profile name is not valid", 0), 0u);
    EXPECT_EQ(Run(u"/saveprofile lpt1"), 1);
    EXPECT_EQ(Run(u"/saveprofile Other \"No plan\""), 2);
    EXPECT_EQ(out, "No power plan matches \"No plan\".\r\n");
}

TEST_F(ConsoleProfileCommands, ApplyExportImport) {
    EXPECT_EQ(Run(u"/applyprofile Missing"), 2);
    EXPECT_EQ(out, "There is no profile named \"Missing\".\r\n");
    ASSERT_EQ(Run(u"/saveprofile Fast \"High performance\""), 0);
    ASSERT_EQ(Run(u"/applyprofile fast balanced"), 0);
    EXPECT_EQ(out, "Profile \"fast\" applied to power plan \"Balanced\".\r\n");
    EXPECT_EQ(Run(u"/applyprofile fast Nowhere"), 2);

    const std::string target = env.dir().path() + "/exported.json";
    EXPECT_EQ(Run(u"/exportprofile Missing " + Utf8ToUtf16(target)), 2);
    EXPECT_EQ(out, "There is no profile named \"Missing\".\r\n");
    EXPECT_FALSE(std::filesystem::exists(target));
    ASSERT_EQ(Run(u"/exportprofile Fast " + Utf8ToUtf16(target)), 0);
    EXPECT_EQ(out, "Profile \"Fast\" exported to " + target + ".\r\n");

    EXPECT_EQ(Run(u"/importprofile " + Utf8ToUtf16(target)), 2);
    EXPECT_EQ(out, "A profile named \"Fast\" already exists. Add /replace to overwrite it.\r\n");
    EXPECT_EQ(Run(u"/importprofile " + Utf8ToUtf16(target) + u" /replace"), 0);
    EXPECT_EQ(out, "Profile \"Fast\" imported.\r\n");
    testing::WriteBytes(target, "{ not json");
    EXPECT_EQ(Run(u"/importprofile " + Utf8ToUtf16(target)), 2);
    EXPECT_EQ(out, "The operation failed.\r\n");
}

TEST_F(ConsoleProfileCommands, ProfilesListsEmptyAndMissingStores) {
    ASSERT_EQ(Run(u"/profiles"), 0);
    EXPECT_EQ(out, "[]\r\n");
    std::filesystem::remove_all(Utf16ToUtf8(ProfileFolder()));
    ASSERT_EQ(Run(u"/profiles"), 0);
    EXPECT_EQ(out, "[]\r\n");
    ASSERT_EQ(Run(u"/saveprofile One"), 0);
    ASSERT_EQ(Run(u"/profiles"), 0);
    auto list = Json();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].size(), 7u);
    EXPECT_EQ(list[0]["name"], "One");
    EXPECT_EQ(list[0]["capturedFromPlanGuid"], "{381B4222-F694-41F0-9685-FF5BB260DF2E}");
    EXPECT_EQ(list[0]["path"], Utf16ToUtf8(ProfilePath(u"One")));
}

// The whole road from the console: save on one machine, apply on another.
TEST(ConsoleProfileCli, AProfileMovesToAnotherProcessor) {
    testing::TempDir state;
    auto q = [&](const std::vector<std::string>& args) {
        return testing::RunProgram("quellora", args, {{"QUELLORA_SIM_DIR", state.path()}});
    };
    auto sim = [&](const std::vector<std::string>& args) {
        return testing::RunProgram("quellora-sim", args, {{"QUELLORA_SIM_DIR", state.path()}});
    };
    ASSERT_EQ(sim({"set", "balanced", "CPMINCORES1", "both", "77"}).exitCode, 0);
    ASSERT_EQ(sim({"set", "balanced", "CPMINCORES", "both", "33"}).exitCode, 0);
    auto saved = q({"/saveprofile", "Laptop"});
    ASSERT_EQ(saved.exitCode, 0) << saved.out;
    ASSERT_EQ(sim({"layout", "desktop"}).exitCode, 0);
    auto status = q({"/status"});
    ASSERT_EQ(status.exitCode, 0);
    EXPECT_NE(status.out.find("\"cpu\": \"AMD Ryzen 7 5800X 8-Core Processor\""), std::string::npos);
    auto applied = q({"/applyprofile", "laptop", "Power saver"});
    EXPECT_EQ(applied.exitCode, 0) << applied.out;
    EXPECT_EQ(applied.out, "Profile \"laptop\" applied to power plan \"Power saver\".\r\n");
    // Windows registers the class-1 settings whatever the processor: a
    // one-class desktop's plan takes the class-1 floor too, but no
    // heterogeneous policies.
    auto after = nlohmann::json::parse(q({"/status", "power saver"}).out);
    EXPECT_EQ(after["settings"]["ac"]["coreParkingMin"], nlohmann::json({{"0", 33}, {"1", 77}}));
    EXPECT_EQ(after["settings"]["dc"]["coreParkingMin"], nlohmann::json({{"0", 33}, {"1", 77}}));
    EXPECT_FALSE(after["settings"]["ac"].contains("hetero"));
    // A Windows release without the class-1 settings: the profile is reduced to what the plan has.
    ASSERT_EQ(sim({"windows", "9600"}).exitCode, 0);
    applied = q({"/applyprofile", "laptop", "High performance"});
    EXPECT_EQ(applied.exitCode, 0) << applied.out;
    after = nlohmann::json::parse(q({"/status", "high performance"}).out);
    EXPECT_EQ(after["settings"]["ac"]["coreParkingMin"], nlohmann::json({{"0", 33}}));
    EXPECT_EQ(after["settings"]["dc"]["coreParkingMin"], nlohmann::json({{"0", 33}}));
    EXPECT_FALSE(after["settings"]["ac"].contains("hetero"));
}

// Twelve processes save one new name at the same moment: exactly one creates
// it, the others are told it exists, and the file is the winner's, whole.
TEST(ConsoleProfileCli, OfTwelveSavesOfOneNewNameExactlyOneSucceeds) {
    testing::TempDir state;
    const std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", state.path()}};
    ASSERT_EQ(testing::RunProgram("quellora", {"/profiles"}, env).exitCode, 0);  // the machine seeded once
    std::vector<std::future<testing::ProgramResult>> runs;
    for (int i = 0; i < 12; ++i) {
        runs.push_back(std::async(std::launch::async, [&] { return testing::RunProgram("quellora", {"/saveprofile", "race"}, env); }));
    }
    int saved = 0, refused = 0;
    for (auto& run : runs) {
        const testing::ProgramResult r = run.get();
        if (r.exitCode == 0) {
            ++saved;
            EXPECT_EQ(r.out, "The settings of power plan \"Balanced\" were saved as profile \"race\".\r\n");
        } else {
            ++refused;
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_EQ(r.out, "A profile named \"race\" already exists. Add /replace to overwrite it.\r\n");
        }
    }
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(refused, 11);
    const std::string file = testing::ReadBytes(state.path() + "/LocalAppData/Quellora/Profiles/race.json");
    EXPECT_TRUE(nlohmann::json::accept(file)) << file;
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e :
         std::filesystem::directory_iterator(state.path() + "/LocalAppData/Quellora/Profiles"))
        ++entries;
    EXPECT_EQ(entries, 1u);  // no temporary file left behind
}

// On a disk that fills up, every profile command that writes says so, and
// what was there stays as it was.
TEST(ConsoleProfileCli, AFailedWriteIsReportedAsAFailureAlsoWithReplace) {
    testing::TempDir state;
    const std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", state.path()}};
    auto q = [&](const std::vector<std::string>& args) { return testing::RunProgram("quellora", args, env); };
    ASSERT_EQ(q({"/saveprofile", "Kept"}).exitCode, 0);
    const std::string exported = state.path() + "/kept.json";
    ASSERT_EQ(q({"/exportprofile", "Kept", exported}).exitCode, 0);
    const std::string path = state.path() + "/LocalAppData/Quellora/Profiles/Kept.json";
    const std::string before = testing::ReadBytes(path);
    ASSERT_EQ(testing::RunProgram("quellora-sim", {"file-writes", "fail"}, env).exitCode, 0);

    const std::string failed = "The operation failed.\r\n";
    auto imported = q({"/importprofile", exported, "/replace"});
    EXPECT_EQ(imported.exitCode, 2);
    EXPECT_EQ(imported.out, failed);
    auto again = q({"/importprofile", exported});
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_EQ(again.out, "A profile named \"Kept\" already exists. Add /replace to overwrite it.\r\n");
    auto replaced = q({"/saveprofile", "Kept", "/replace"});
    EXPECT_EQ(replaced.exitCode, 2);
    EXPECT_EQ(replaced.out, failed);
    auto fresh = q({"/saveprofile", "Fresh"});
    EXPECT_EQ(fresh.exitCode, 2);
    EXPECT_EQ(fresh.out, failed);
    EXPECT_EQ(testing::ReadBytes(path), before);
    EXPECT_FALSE(std::filesystem::exists(state.path() + "/LocalAppData/Quellora/Profiles/Fresh.json"));

    ASSERT_EQ(testing::RunProgram("quellora-sim", {"file-writes", "ok"}, env).exitCode, 0);
    EXPECT_EQ(q({"/importprofile", exported, "/replace"}).exitCode, 0);
}

// A hand-edited profile whose advanced map names a setting with a field of its
// own: the field is what the plan gets, and the store keeps no such entry.
TEST(ConsoleProfileCli, AnAdvancedEntryForAFieldSettingIsDropped) {
    testing::TempDir state;
    const std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", state.path()}};
    auto q = [&](const std::vector<std::string>& args) { return testing::RunProgram("quellora", args, env); };
    ASSERT_EQ(q({"/saveprofile", "Edited"}).exitCode, 0);
    const std::string file = state.path() + "/edited.json";
    ASSERT_EQ(q({"/exportprofile", "Edited", file}).exitCode, 0);
    nlohmann::json doc = nlohmann::json::parse(testing::ReadBytes(file));
    for (const char* side : {"ac", "dc"}) {
        doc[side]["coreParkingMin"]["0"] = 10;
        doc[side]["advanced"]["{0CC5B647-C1DF-4637-891A-DEC35C318583}"] = 50;  // CPMINCORES
        doc[side]["advanced"]["{7F2F5CFA-F10C-4823-B5E1-E93AE85F46B5}"] = 3;   // HETEROPOLICY
    }
    testing::WriteBytes(file, doc.dump(2));
    ASSERT_EQ(q({"/importprofile", file, "/replace"}).exitCode, 0);
    ASSERT_EQ(q({"/applyprofile", "Edited", "High performance"}).exitCode, 0);
    const auto status = nlohmann::json::parse(q({"/status", "High performance"}).out);
    for (const char* side : {"ac", "dc"}) {
        EXPECT_EQ(status["settings"][side]["coreParkingMin"]["0"], 10);
        EXPECT_EQ(status["settings"][side]["hetero"]["policy"], doc[side]["hetero"]["policy"]);
    }
    const std::string stored = testing::ReadBytes(state.path() + "/LocalAppData/Quellora/Profiles/Edited.json");
    EXPECT_EQ(stored.find("0CC5B647-C1DF-4637-891A-DEC35C318583"), std::string::npos);
    EXPECT_EQ(stored.find("7F2F5CFA-F10C-4823-B5E1-E93AE85F46B5"), std::string::npos);
}

}  // namespace
}  // namespace quellora
