// Several processes on one simulated machine, through the built programs:
// applies and drift checks in parallel processes, a machine seeded by two
// processes at once, a large registry journal, and an apply Windows refuses.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "model/persisted_store.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_env.h"
#include "tests/support/temp_dir.h"

namespace quellora {
namespace {

using testing::OnMachine;
using testing::ProgramResult;
using testing::RunProgram;
using Env = std::map<std::string, std::string>;

// The plan editor's "remember these settings" for the plans: a copy of what each holds now.
void Remember(const std::string& stateDir, std::initializer_list<Guid> plans, int driftMode) {
    OnMachine(stateDir, [&] {
        PowerSchemeAccess power;
        for (const Guid& plan : plans) {
            PlanSettings s;
            s.plan = plan;
            ASSERT_TRUE(ReadFromPlan(power, s, UsualClasses(power, plan), IsHeterogeneousProcessor(),
                                     AdvancedSettingGuids()));
            ASSERT_TRUE(SaveStoredSide(power, plan, true, s.ac) && SaveStoredSide(power, plan, false, s.dc));
        }
        WriteDword(Hive::CurrentUser, kAppKey, u"DriftProtection", static_cast<uint32_t>(driftMode));
    });
}

// "ac" and "dc" of a plan's settings, as /status shows them.
nlohmann::json Sides(const nlohmann::json& settings) { return {{"ac", settings.at("ac")}, {"dc", settings.at("dc")}}; }

nlohmann::json StatusSides(const std::string& program, const std::string& plan, const Env& env) {
    const ProgramResult status = RunProgram(program, {"/status", plan}, env);
    if (status.exitCode != 0) return nullptr;
    return Sides(nlohmann::json::parse(status.out).at("settings"));
}

nlohmann::json ProfileSides(const std::string& stateDir, const std::string& name) {
    return Sides(nlohmann::json::parse(testing::ReadBytes(stateDir + "/LocalAppData/Quellora/Profiles/" + name + ".json")));
}

uint64_t Inode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_ino) : 0;
}

TEST(PlanWriteProcesses, TwoProcessesApplyProfilesWhileAThirdRestoresDrift) {
    testing::TempDir state, bin;
    const std::string program = testing::CopyProgramTo(bin.path());
    const Env env{{"QUELLORA_SIM_DIR", state.path()}};
    ASSERT_EQ(RunProgram(program, {"/saveprofile", "Fast", "High performance"}, env).exitCode, 0);
    ASSERT_EQ(RunProgram(program, {"/saveprofile", "Saving", "Power saver"}, env).exitCode, 0);
    const nlohmann::json fast = ProfileSides(state.path(), "Fast");
    const nlohmann::json saving = ProfileSides(state.path(), "Saving");
    ASSERT_NE(fast, saving);
    Remember(state.path(), {guids::kBalanced, guids::kHighPerformance}, 2);

    const char* text = std::getenv("QUELLORA_STRESS_SECONDS");
    const auto seconds = std::chrono::seconds(text && *text ? std::atoi(text) : 20);
    const auto end = std::chrono::steady_clock::now() + seconds;
    std::atomic<int> applied{0}, checks{0};
    std::vector<std::string> problems;
    std::mutex problemsMutex;
    auto problem = [&](std::string what) {
        std::lock_guard lock(problemsMutex);
        if (problems.size() < 20) problems.push_back(std::move(what));
    };
    // Each applier alternates two profiles on its own plan; after every apply
    // that reported success the plan must hold that profile.
    auto applier = [&](const std::string& plan, const std::string& first, const std::string& second) {
        for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
            const std::string& profile = i % 2 == 0 ? first : second;
            const ProgramResult r = RunProgram(program, {"/applyprofile", profile, plan}, env);
            if (r.exitCode != 0) {
                problem("/applyprofile " + profile + " " + plan + ": " + r.out + r.err);
                continue;
            }
            ++applied;
            if (StatusSides(program, plan, env) != (profile == "Fast" ? fast : saving))
                problem("\"" + plan + "\" lost the profile \"" + profile + "\" that was applied with success");
        }
    };
    std::thread balanced(applier, "Balanced", "Fast", "Saving");
    std::thread high(applier, "High performance", "Saving", "Fast");
    std::thread checker([&] {
        while (std::chrono::steady_clock::now() < end) {
            const ProgramResult r = RunProgram(program, {"/driftcheck"}, env);
            ++checks;
            if (r.exitCode != 0) problem("drift reported for the program's own applies: " + r.out);
        }
    });
    balanced.join();
    high.join();
    checker.join();
    RecordProperty("applies", applied.load());
    RecordProperty("checks", checks.load());
    for (const std::string& p : problems) ADD_FAILURE() << p;
    EXPECT_GT(applied.load(), 10);
    EXPECT_GT(checks.load(), 5);
    // Both plans end with the profile applied last; nothing was ever logged as drift.
    const ProgramResult last = RunProgram(program, {"/driftcheck"}, env);
    EXPECT_EQ(last.exitCode, 0) << last.out;
    EXPECT_EQ(testing::ReadBytes(state.path() + "/LocalAppData/Quellora/drift.log"), "");
}

TEST(PlanWriteProcesses, TwoProcessesStartingOnAFreshMachineSeedItOnce) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        testing::TempDir state;
        const Env env{{"QUELLORA_SIM_DIR", state.path()}};
        std::thread look([&] { RunProgram("quellora-sim", {"status"}, env); });
        const ProgramResult renamed = RunProgram("quellora-sim", {"rename", "saver", "Quiet"}, env);
        look.join();
        ASSERT_EQ(renamed.exitCode, 0) << renamed.err;
        EXPECT_NE(RunProgram("quellora-sim", {"plans"}, env).out.find("  Quiet\n"), std::string::npos);
    }
}

TEST(PlanWriteProcesses, AJournalOverFourMegabytesIsNotRewrittenAtEveryChange) {
    testing::TempDir state;
    const Env env{{"QUELLORA_SIM_DIR", state.path()}};
    const std::string journal = state.path() + "/registry.journal";
    ASSERT_EQ(RunProgram("quellora-sim", {"status"}, env).exitCode, 0);
    // Another program filled the registry: 5 MiB of values that stay.
    std::string filler;
    const std::string data(200, 'a');
    for (int i = 0; filler.size() < (5u << 20); ++i)
        filler += "S\tHKCU\tSoftware\\Filler\\" + std::to_string(i / 100) + "\tv" + std::to_string(i) + "\t3\t" + data +
                  "\t.\n";
    testing::WriteBytes(journal, testing::ReadBytes(journal) + filler);
    // The first change makes a snapshot of it (over 4 MiB itself) ...
    ASSERT_EQ(RunProgram("quellora-sim", {"set", "balanced", "PERFCHECK", "ac", "20"}, env).exitCode, 0);
    const uint64_t snapshot = Inode(journal);
    // ... and the next ones only append to it.
    for (uint32_t value : {21, 22, 23}) {
        ASSERT_EQ(RunProgram("quellora-sim", {"set", "balanced", "PERFCHECK", "ac", std::to_string(value)}, env).exitCode, 0);
        EXPECT_EQ(Inode(journal), snapshot) << "rewritten at the change to " << value;
    }
    EXPECT_NE(RunProgram("quellora-sim", {"values", "balanced", "PERFCHECK"}, env).out.find("23"), std::string::npos);
}

TEST(PlanWriteProcesses, ARefusedApplyprofileLeavesThePlanAndItsRememberedCopyAsTheyWere) {
    testing::TempDir state, bin;
    const std::string program = testing::CopyProgramTo(bin.path());
    const Env env{{"QUELLORA_SIM_DIR", state.path()}};
    ASSERT_EQ(RunProgram(program, {"/saveprofile", "Fast", "High performance"}, env).exitCode, 0);
    Remember(state.path(), {guids::kBalanced}, 2);
    const nlohmann::json before = StatusSides(program, "Balanced", env);
    ASSERT_NE(before, ProfileSides(state.path(), "Fast"));

    ASSERT_EQ(RunProgram("quellora-sim", {"refuse", "PERFCHECK", "dc"}, env).exitCode, 0);
    const ProgramResult refused = RunProgram(program, {"/applyprofile", "Fast", "Balanced"}, env);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(StatusSides(program, "Balanced", env), before);
    const ProgramResult check = RunProgram(program, {"/driftcheck"}, env);
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_NE(check.out.find("Balanced: persisted settings match"), std::string::npos) << check.out;

    // Allowed again, the same apply holds and its copy follows.
    ASSERT_EQ(RunProgram("quellora-sim", {"allow", "all"}, env).exitCode, 0);
    ASSERT_EQ(RunProgram(program, {"/applyprofile", "Fast", "Balanced"}, env).exitCode, 0);
    EXPECT_EQ(StatusSides(program, "Balanced", env), ProfileSides(state.path(), "Fast"));
    EXPECT_EQ(RunProgram(program, {"/driftcheck"}, env).exitCode, 0);
}

}  // namespace
}  // namespace quellora
