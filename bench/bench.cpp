// quellora-bench: figures for the console commands on the simulated machine.
//
//   quellora-bench [runs]      (default 20 runs per figure)
//
// Whole-process figures run the built program as a user would, each in a fresh
// process against one simulated machine; the power API calls are those the
// simulated machine counted for one run of the command.
#include <algorithm>
#include <chrono>
#include <map>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/drift.h"
#include "model/persisted_store.h"
#include "model/plan_settings.h"
#include "power/main_topology.h"
#include "power/plan_write_guard.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "profiles/profile_store.h"
#include "ui/plan_editor_presenter.h"
#include "tests/support/fake_controls.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_env.h"
#include "tests/support/temp_dir.h"

using namespace quellora::testing;

namespace {

struct Figure {
    double min = 0, median = 0, max = 0;
};

Figure Summarise(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    if (values.empty()) return {};
    return {values.front(), values[values.size() / 2], values.back()};
}

long PowercfgStarts(const std::string& err) {
    auto at = err.rfind("(powercfg ");
    return at == std::string::npos ? -1 : std::atol(err.c_str() + at + 10);
}

long PowerCalls(const std::string& err) {
    auto at = err.rfind("power API calls: ");
    return at == std::string::npos ? -1 : std::atol(err.c_str() + at + 17);
}

void WholeProcess(const char* title, const std::string& stateDir, const std::vector<std::string>& args, int runs) {
    std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", stateDir}};
    RunProgram("quellora", args, env);  // warm-up
    std::vector<double> ms;
    int exitCode = 0;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        auto r = RunProgram("quellora", args, env);
        auto end = std::chrono::steady_clock::now();
        exitCode = r.exitCode;
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    env["QUELLORA_SIM_STATS"] = "1";
    long calls = PowerCalls(RunProgram("quellora", args, env).err);
    Figure f = Summarise(ms);
    std::printf("%-38s wall ms min %.2f median %.2f max %.2f  power API calls %ld  exit %d\n", title, f.min, f.median,
                f.max, calls, exitCode);
}

// Times `body` in-process on a simulated machine kept in memory; the calls are
// those of one run.
template <typename Body>
void InProcess(const char* title, SimEnv& env, int runs, Body body) {
    body();  // warm-up
    std::vector<double> us;
    uint64_t calls = 0;
    for (int i = 0; i < runs; ++i) {
        env.power().ResetCallCounts();
        auto start = std::chrono::steady_clock::now();
        body();
        auto end = std::chrono::steady_clock::now();
        calls = env.power().TotalCalls();
        us.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    Figure f = Summarise(us);
    std::printf("%-38s time us  min %.1f median %.1f max %.1f  power API calls %llu\n", title, f.min, f.median, f.max,
                static_cast<unsigned long long>(calls));
}

// The first /applyprofile on a fresh machine: every setting it writes is
// still hidden in the Power Options, so it is made visible first (a powercfg
// start each on Windows).
void FirstApply(int runs) {
    std::vector<double> ms;
    long powercfg = -1, calls = -1;
    int exitCode = 0;
    for (int i = 0; i < runs; ++i) {
        TempDir state;
        std::map<std::string, std::string> env{{"QUELLORA_SIM_DIR", state.path()}, {"QUELLORA_SIM_STATS", "1"}};
        RunProgram("quellora", {"/saveprofile", "Bench", "High performance"}, env);
        auto start = std::chrono::steady_clock::now();
        auto r = RunProgram("quellora", {"/applyprofile", "Bench", "Balanced"}, env);
        auto end = std::chrono::steady_clock::now();
        exitCode = r.exitCode;
        powercfg = PowercfgStarts(r.err);
        calls = PowerCalls(r.err);
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    Figure f = Summarise(ms);
    std::printf("%-38s wall ms min %.2f median %.2f max %.2f  power API calls %ld  powercfg starts %ld  exit %d\n",
                "quellora /applyprofile, first one", f.min, f.median, f.max, calls, powercfg, exitCode);
}

void ModelFigures(int runs) {
    using namespace quellora;
    SimEnv env;
    PowerSchemeAccess power;
    InProcess("ReadFromPlan, full advanced list", env, runs, [&] {
        PlanSettings s;
        s.plan = guids::kBalanced;
        ReadFromPlan(power, s, {0, 1}, IsHeterogeneousProcessor(), AdvancedSettingGuids());
    });
    // Twenty plans, each with a stored copy of its full settings.
    std::vector<Guid> plans = power.EnumeratePlans(false);
    while (plans.size() < 20) {
        Guid copy;
        power.DuplicatePlan(guids::kBalanced, copy);
        power.WritePlanName(copy, u"Plan " + ToDecimal(static_cast<uint32_t>(plans.size())));
        plans.push_back(copy);
    }
    for (const Guid& plan : plans) {
        PlanSettings s;
        s.plan = plan;
        ReadFromPlan(power, s, {0, 1}, IsHeterogeneousProcessor(), AdvancedSettingGuids());
        SaveStoredSide(power, plan, true, s.ac);
        SaveStoredSide(power, plan, false, s.dc);
    }
    InProcess("ReapplyStored, 20 plans", env, runs, [&] { ReapplyStored(power); });
    InProcess("CheckAllPlans (log), 20 plans", env, runs, [&] { CheckAllPlans(power, drift::kLog, nullptr); });
    InProcess("CheckAllPlans (restore), 20 plans", env, runs, [&] { CheckAllPlans(power, drift::kRestore, nullptr); });
    // A profile of every setting applied to a plan with a remembered copy.
    PlanSettings profile;
    ProfileInfo info;
    CaptureProfile(power, guids::kHighPerformance, u"Bench", profile, info);
    InProcess("ApplyProfile, plan with a copy", env, runs, [&] { ApplyProfile(power, profile, guids::kBalanced, true); });
    // The guard alone: the session mutex (a lock file here) taken and given back.
    InProcess("plan-write guard, taken and released", env, runs * 50, [] { PlanWriteGuard guard; });
}

// The plan editor as the dashboard holds it: every control of the dashboard and the hybrid page.
class BenchEditorHost : public quellora::EditorHost {
public:
    BenchEditorHost()
        : controls_({3101, 3224, 3103, 3018, 3097, 3099, 3098, 3100, 3106, 3109, 3104, 3107, 3105, 3108, 9406, 9407,
                     9408, 3, 9450, 3206, 3255, 3263, 3400, 9410, 9405, 9436, 9437, 3275, 3276, 3283, 3285, 3284, 3286}) {}
    quellora::ControlSurface& Controls() override { return controls_; }
    void PostPendingEditsChanged() override {}
    int Message(std::u16string_view, uint32_t) override { return 0; }
    void SetGlow(bool) override {}
    void SetApplyAccessibleName(std::u16string_view) override {}
    void OpenAdvancedEditor(const quellora::Guid&) override {}
    void BoostTurnedOff() override {}

private:
    FakeControls controls_;
};

void EditorFigures(int runs) {
    using namespace quellora;
    SimEnv env;
    PowerSchemeAccess power;
    BenchEditorHost host;
    PlanEditorPresenter editor(host, power);
    editor.Initialise();
    InProcess("plan editor: load a plan (Reload)", env, runs, [&] { editor.Reload(); });
    InProcess("plan editor: summary and Activate", env, runs, [&] {
        editor.UpdateSummary();
        editor.UpdateActivateButton();
    });
    InProcess("plan editor: open (lists and fields)", env, runs, [&] { editor.Initialise(); });
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    TempDir state;
    std::printf("quellora-bench: %d runs per figure, simulated machine in %s\n", runs, state.path().c_str());
    WholeProcess("quellora /plans", state.path(), {"/plans"}, runs);
    WholeProcess("quellora /status", state.path(), {"/status"}, runs);
    // A store of 1,000 profiles: one saved profile copied under other names and times.
    RunProgram("quellora", {"/saveprofile", "Bench"}, {{"QUELLORA_SIM_DIR", state.path()}});
    const std::string folder = state.path() + "/LocalAppData/Quellora/Profiles";
    const std::string text = ReadBytes(folder + "/Bench.json");
    const std::string marker = "\"captured\": \"";
    for (int i = 0; i < 1000; ++i) {
        std::string copy = text;
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2025-%02d-%02dT%02d:%02d:00Z", 1 + i % 12, 1 + i % 28, i % 24, i % 60);
        copy.replace(copy.find(marker) + marker.size(), 20, stamp);
        WriteBytes(folder + "/Profile " + std::to_string(i) + ".json", copy);
    }
    WholeProcess("quellora /profiles (1,000 profiles)", state.path(), {"/profiles"}, runs);
    WholeProcess("quellora /applyprofile Bench Balanced", state.path(), {"/applyprofile", "Bench", "Balanced"}, runs);
    FirstApply(runs);
    ModelFigures(runs);
    EditorFigures(runs);
    return 0;
}
