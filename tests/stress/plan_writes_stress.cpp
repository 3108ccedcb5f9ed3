// quellora-stress [seconds]: the threads of the interactive program sharing
// one PowerSchemeAccess on the simulated machine, for a few seconds (3 by
// default, or QUELLORA_STRESS_SECONDS): the plan editor and the advanced
// editor on Balanced, profiles on High performance, presets on Power saver,
// the tray's drift check in restore mode with the main window's write-back,
// the Dynamic Boost worker switching plans, and the plan change watcher
// reading the active plan while another plan is renamed (each thread at
// least a few times, however busy the machine). Run under
// ThreadSanitizer it finds data races; on its own it checks that no apply is
// lost: every apply that reported success still holds until the next one of
// its thread, and the drift check never takes the program's own applies for
// drift. Exit code 0 when all held, 1 otherwise.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/drift.h"
#include "model/persisted_store.h"
#include "model/plan_editor.h"
#include "model/presets.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "profiles/profile_store.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

constexpr Guid kPerfCheck = GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5");
constexpr Guid kCpIncreaseTime = GuidLiteral("2ddd5a84-5a71-437e-912a-db0b8c788732");

// On a busy machine (or under ThreadSanitizer) a run goes on past its time
// until every thread has done this much, for at most ten times its time.
constexpr int kAtLeast = 5;

class Stress {
public:
    explicit Stress(std::chrono::milliseconds length)
        : end_(std::chrono::steady_clock::now() + length), hardEnd_(std::chrono::steady_clock::now() + 10 * length) {}

    int Run() {
        for (const Guid& plan : {guids::kBalanced, guids::kHighPerformance, guids::kPowerSaver}) Remember(plan);
        fast_ = Capture(guids::kHighPerformance);
        saving_ = Capture(guids::kPowerSaver);
        Guid scratch;
        if (!power_.DuplicatePlan(guids::kBalanced, scratch) || !power_.WritePlanName(scratch, u"Scratch")) {
            std::fprintf(stderr, "quellora-stress: no scratch plan\n");
            return 1;
        }
        scratch_ = scratch;

        std::vector<std::thread> threads;
        threads.emplace_back([this] { Editor(); });
        threads.emplace_back([this] { Profiles(); });
        threads.emplace_back([this] { Presets(); });
        threads.emplace_back([this] { Tray(); });
        threads.emplace_back([this] { Boost(); });
        threads.emplace_back([this] { Watcher(); });
        for (auto& t : threads) t.join();

        // Each plan holds what its thread applied last, and its copy agrees.
        Expect(Parking(guids::kBalanced) == lastEditor_, "Balanced lost the editor's last apply");
        Expect(Parking(guids::kHighPerformance) == lastProfile_, "High performance lost the last profile");
        Expect(Value(guids::kPowerSaver, kPerfCheck) == lastPreset_, "Power saver lost the last preset");
        for (const Guid& plan : {guids::kBalanced, guids::kHighPerformance, guids::kPowerSaver})
            Expect(!CheckDrift(power_, plan, drift::kLog, false, nullptr), "a plan and its copy differ at the end");

        std::printf("quellora-stress: %d editor, %d profile and %d preset applies, %d drift checks, %d plan switches, "
                    "%d watcher reads, %d problems\n",
                    editorApplies_.load(), profileApplies_.load(), presetApplies_.load(), checks_.load(),
                    switches_.load(), reads_.load(), problems_.load());
        return problems_ == 0 && editorApplies_ >= kAtLeast && profileApplies_ >= kAtLeast &&
                       presetApplies_ >= kAtLeast && checks_ >= kAtLeast
                   ? 0
                   : 1;
    }

private:
    bool Running() const {
        const auto now = std::chrono::steady_clock::now();
        if (now < end_) return true;
        const bool enough = editorApplies_ >= kAtLeast && profileApplies_ >= kAtLeast && presetApplies_ >= kAtLeast &&
                            checks_ >= kAtLeast;
        return !enough && now < hardEnd_;
    }

    void Expect(bool held, const char* what) {
        if (held) return;
        if (problems_++ < 20) std::fprintf(stderr, "quellora-stress: %s\n", what);
    }

    void Remember(const Guid& plan) {
        PlanSettings s = Capture(plan);
        SaveStoredSide(power_, plan, true, s.ac);
        SaveStoredSide(power_, plan, false, s.dc);
    }
    PlanSettings Capture(const Guid& plan) {
        PlanSettings s;
        ProfileInfo info;
        CaptureProfile(power_, plan, u"Stress", s, info);
        return s;
    }
    uint32_t Value(const Guid& plan, const Guid& setting) {
        uint32_t v = 0;
        power_.ReadSetting(plan, guids::kSubProcessor, setting, true, v);
        return v;
    }
    uint32_t Parking(const Guid& plan) { return Value(plan, guids::kCoreParkingMin0); }

    // The plan editor and the advanced editor of the main window, on Balanced.
    void Editor() {
        for (uint32_t i = 0; Running(); ++i) {
            EditorState editor;
            LoadEditor(power_, guids::kBalanced, 0, editor);
            editor.fields.parkingAc = 10 + i % 80;
            if (ApplyEditor(power_, editor)) {
                ++editorApplies_;
                lastEditor_ = editor.fields.parkingAc;
                Expect(Parking(guids::kBalanced) == lastEditor_, "an editor apply was lost");
            }
            const uint32_t increase = 1 + i % 5;
            if (WriteAndRefresh(power_, guids::kBalanced, {{kCpIncreaseTime, true, increase}}, false))
                Expect(Value(guids::kBalanced, kCpIncreaseTime) == increase, "an advanced value was lost");
        }
    }

    // Profiles on High performance, alternating.
    void Profiles() {
        for (int i = 0; Running(); ++i) {
            const PlanSettings& profile = i % 2 == 0 ? saving_ : fast_;
            if (!ApplyProfile(power_, profile, guids::kHighPerformance, i % 3 == 0)) continue;
            ++profileApplies_;
            lastProfile_ = profile.ac.coreParkingMin.at(0);
            Expect(Parking(guids::kHighPerformance) == lastProfile_, "a profile apply was lost");
        }
    }

    // Presets on Power saver, alternating.
    void Presets() {
        for (int i = 0; Running(); ++i) {
            const int number = i % 2 == 0 ? preset::kResponsive : preset::kPowerSaver;
            if (!ApplyPreset(power_, guids::kPowerSaver, number, Sides::Both)) continue;
            ++presetApplies_;
            lastPreset_ = number == preset::kResponsive ? 15 : 40;
            Expect(Value(guids::kPowerSaver, kPerfCheck) == lastPreset_, "a preset apply was lost");
        }
    }

    // The tray: the periodic drift check (restore mode) and its notice, the
    // write-back when the main window opens, the active plan's name.
    void Tray() {
        DriftNotifier notifier;
        for (uint64_t tick = 0; Running(); tick += 30000) {
            std::vector<DriftRecord> drifted;
            const int count = CheckAllPlans(power_, drift::kRestore, &drifted);
            ++checks_;
            Expect(count == 0, "the program's own apply was taken for drift");
            notifier.OnTick(drifted, tick);
            if (tick % 300000 == 0) ReapplyStored(power_);
            std::u16string name;
            power_.ActivePlanName(name);
        }
    }

    // Dynamic Boost: switches the active plan between the in-use and the idle plan.
    void Boost() {
        for (int i = 0; Running(); ++i) {
            const Guid& plan = i % 2 == 0 ? guids::kHighPerformance : guids::kBalanced;
            if (!power_.IsActivePlan(plan)) power_.ActivatePlan(plan);
            ++switches_;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // The plan change watcher: the active plan and its name; meanwhile a plan is renamed.
    void Watcher() {
        for (int i = 0; Running(); ++i) {
            const Guid active = power_.QueryActivePlanOrNull();
            std::u16string name;
            if (power_.ActivePlanName(name) && active == guids::kBalanced) Expect(!name.empty(), "no active plan name");
            power_.IsOverlay(active);
            power_.EnumeratePlans(false);
            if (i % 10 == 0) power_.WritePlanName(scratch_, i % 20 == 0 ? u"Scratch" : u"Scratch (renamed)");
            ++reads_;
        }
    }

    std::chrono::steady_clock::time_point end_, hardEnd_;
    PowerSchemeAccess power_;  // one object for every thread, as in the interactive program
    PlanSettings fast_, saving_;
    Guid scratch_;
    std::atomic<uint32_t> lastEditor_{0}, lastProfile_{0}, lastPreset_{0};
    std::atomic<int> editorApplies_{0}, profileApplies_{0}, presetApplies_{0}, checks_{0}, switches_{0}, reads_{0},
        problems_{0};
};

}  // namespace
}  // namespace quellora

int main(int argc, char** argv) {
    const char* env = std::getenv("QUELLORA_STRESS_SECONDS");
    double seconds = argc > 1 ? std::atof(argv[1]) : env && *env ? std::atof(env) : 3.0;
    if (seconds <= 0) seconds = 3.0;
    quellora::testing::SimEnv env_;
    quellora::ResetDriftMemory();
    quellora::Stress stress(std::chrono::milliseconds(static_cast<long>(seconds * 1000)));
    return stress.Run();
}
