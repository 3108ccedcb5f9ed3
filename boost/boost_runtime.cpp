#include "boost/boost_runtime.h"

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

#include "boost/boost_log.h"
#include "boost/boost_text_ids.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {

// The process-wide runtime. The session watch stands for the stop and reload
// events: it exists from StartBoost to StopBoost.
struct Runtime {
    std::mutex control;  // StartBoost, StopBoost, ReloadBoost
    std::thread worker;
    std::unique_ptr<SessionWatch> watch;
    std::atomic<bool> running{false};

    std::mutex statusLock;
    BoostStatus status;

    void StopLocked() {
        if (worker.joinable()) {
            if (worker.get_id() == std::this_thread::get_id()) return;  // the worker cannot wait for itself
            if (watch) watch->SignalStop();
            worker.join();
        }
        watch.reset();
        running = false;
    }

    ~Runtime() {
        std::lock_guard lock(control);
        StopLocked();
    }
};

Runtime& TheRuntime() {
    static Runtime runtime;
    return runtime;
}

void Publish(const BoostStatus& status) {
    Runtime& rt = TheRuntime();
    std::lock_guard lock(rt.statusLock);
    rt.status = status;
}

bool Windows8OrLater() {
    OsVersion os;
    if (!Sys().system || !Sys().system->GetOsVersion(os)) return false;
    return os.major > 6 || (os.major == 6 && os.minor >= 2);
}

}  // namespace

// ---- one run of the worker ---------------------------------------------------

BoostRun::BoostRun() : power(std::make_unique<PowerSchemeAccess>()) {}
BoostRun::~BoostRun() = default;

void BeginBoostRun(BoostRun& run) {
    run.settings = LoadBoostSettings(*run.power);
    run.displayOff = false;
    run.lidClosed = false;
    bool locked = false;
    if (Windows8OrLater() && Sys().input && !Sys().input->QuerySessionLocked(locked)) locked = false;
    run.locked = locked;
    run.hasDecision = false;
    run.lastDecision = BoostDecision{};
    run.lastApplied = Guid{};
    run.restorePlan = run.power->QueryActivePlanOrNull();
}

void ReloadBoostRunSettings(BoostRun& run) { run.settings = LoadBoostSettings(*run.power); }

BoostInputs ObserveBoostInputs(const BoostRun& run) {
    BoostInputs in;
    InputAndPower* input = Sys().input;
    if (input) {
        uint32_t lastInput = 0;
        if (input->LastInputTick(lastInput) && Sys().clock) in.idleMs = Sys().clock->TickCount() - lastInput;
        PowerStatus power;
        if (input->GetPowerStatus(power)) {
            in.onBattery = power.acLineStatus == 0;  // 255, unknown, counts as mains
            in.batterySaver = power.systemStatusFlag == 1;
        }
        in.remoteSession = input->IsRemoteSession();
    }
    in.displayOff = run.displayOff;
    in.lidClosed = run.lidClosed;
    in.locked = run.locked;
    return in;
}

void EvaluateBoost(BoostRun& run, bool force) {
    const BoostInputs in = ObserveBoostInputs(run);
    const BoostDecision d = DecideBoost(run.settings, in);

    BoostStatus status;
    status.valid = true;
    status.decision = d;
    status.idleMs = in.idleMs;
    status.onBattery = in.onBattery;
    status.batterySaver = in.batterySaver;
    status.displayOff = in.displayOff && !in.remoteSession;
    status.lidClosed = in.lidClosed && !in.remoteSession;
    status.locked = in.locked;
    status.settings = run.settings;
    Publish(status);

    const bool changed = !run.hasDecision || !SameBoostRequest(d, run.lastDecision);
    if (!force && !changed) {
        // The plan stays as it is, so a plan the user picked by hand stays too.
        run.lastDecision.reason = d.reason;
        return;
    }
    if (force && d.paused && !changed) {
        // A paused decision applies its idle plan once only.
        run.lastDecision = d;
        return;
    }
    const Guid active = run.power->QueryActivePlanOrNull();
    if (!active.IsNull() && active != run.lastApplied) run.restorePlan = active;
    if (!d.plan.IsNull() && d.plan != active && run.power->ActivatePlan(d.plan)) {
        AppendBoostLog(static_cast<int32_t>(d.reason), d.plan);
    }
    // Recorded even when the switch failed: no retry until the decision changes.
    run.lastApplied = d.plan;
    run.hasDecision = true;
    run.lastDecision = d;
}

void FinishBoostRun(BoostRun& run) {
    const Guid active = run.power->QueryActivePlanOrNull();
    if (run.hasDecision && active == run.lastApplied && !run.restorePlan.IsNull() && run.restorePlan != active &&
        run.power->ActivatePlan(run.restorePlan)) {
        AppendBoostLog(static_cast<int32_t>(BoostReason::Restored), run.restorePlan);
    }
}

void RunBoostWorker(SessionWatch& watch) {
    BoostRun run;
    BeginBoostRun(run);
    // Windows reports the display and lid states at once when the window registers.
    watch.Begin();
    watch.TakeReports(run.displayOff, run.lidClosed, run.locked);
    EvaluateBoost(run, true);
    for (;;) {
        const SessionWatch::Wake wake = watch.Wait(kBoostPollMs);
        if (wake == SessionWatch::Wake::Stop || wake == SessionWatch::Wake::Failed) break;
        watch.TakeReports(run.displayOff, run.lidClosed, run.locked);
        if (wake == SessionWatch::Wake::Reload) {
            ReloadBoostRunSettings(run);
            EvaluateBoost(run, true);
        } else {
            EvaluateBoost(run, false);
        }
    }
    watch.End();
    FinishBoostRun(run);
    BoostStatus stopped;
    stopped.settings = run.settings;
    Publish(stopped);
}

// ---- the process-wide runtime ------------------------------------------------

bool StartBoost() {
    Runtime& rt = TheRuntime();
    std::lock_guard lock(rt.control);
    rt.StopLocked();
    if (rt.worker.joinable() || !Sys().sessionWatches) return false;
    rt.watch = Sys().sessionWatches->Create();
    if (!rt.watch) return false;
    rt.running = true;
    try {
        rt.worker = std::thread([&rt, watch = rt.watch.get()] {
            RunBoostWorker(*watch);
            rt.running = false;
        });
    } catch (const std::system_error&) {
        rt.watch.reset();
        rt.running = false;
        return false;
    }
    return true;
}

void StopBoost() {
    Runtime& rt = TheRuntime();
    std::lock_guard lock(rt.control);
    rt.StopLocked();
}

void ReloadBoost() {
    Runtime& rt = TheRuntime();
    std::lock_guard lock(rt.control);
    if (rt.watch) rt.watch->SignalReload();
}

bool IsBoostRunning() { return TheRuntime().running; }

BoostStatus GetBoostStatus() {
    Runtime& rt = TheRuntime();
    std::lock_guard lock(rt.statusLock);
    return rt.status;
}

// ---- texts -------------------------------------------------------------------

std::u16string BoostPlanName(PowerSchemeAccess& power, const Guid& plan) {
    std::u16string name;
    if (plan.IsNull() || !power.PlanDisplayName(plan, name) || name.empty()) return LoadText(ids::kUnnamedPlan);
    return name;
}

std::u16string DurationText(uint32_t seconds) {
    if (seconds == 1) return LoadText(ids::kOneSecond);
    if (seconds < 60) return Format(LoadText(ids::kSeconds), seconds);
    if (seconds % 3600 == 0) {
        return seconds == 3600 ? LoadText(ids::kOneHour) : Format(LoadText(ids::kHours), seconds / 3600);
    }
    if (seconds % 60 == 0) {
        return seconds == 60 ? LoadText(ids::kOneMinute) : Format(LoadText(ids::kMinutes), seconds / 60);
    }
    return Format(LoadText(ids::kSeconds), seconds);
}

std::u16string BoostReasonText(int32_t reason, std::u16string_view planName) {
    const uint32_t id = reason >= 2 && reason <= 8 ? ids::kBoostSwitchedInUse + static_cast<uint32_t>(reason - 1)
                                                    : ids::kBoostSwitchedInUse;
    return Format(LoadText(id), planName);
}

std::u16string BoostStatusText() {
    const BoostStatus status = GetBoostStatus();
    const bool running = IsBoostRunning();
    PowerSchemeAccess power;
    if (!IsBoostEnabled()) {
        const BoostSettings s = LoadBoostSettingsCached();
        return Format(LoadText(ids::kBoostOff), BoostPlanName(power, s.activePlan), BoostPlanName(power, s.idlePlan));
    }
    if (!running || !status.valid) {
        const BoostSettings s = LoadBoostSettingsCached();
        return Format(LoadText(ids::kBoostStarting), BoostPlanName(power, s.activePlan),
                      BoostPlanName(power, s.idlePlan), DurationText(s.idleTimeoutMs / 1000));
    }
    const BoostSettings& s = status.settings;
    const bool batteryPlans = status.onBattery && s.batteryMode == BatteryMode::BatteryPlans;
    const Guid& inUse = batteryPlans ? s.activePlanDC : s.activePlan;
    const Guid& idle = batteryPlans ? s.idlePlanDC : s.idlePlan;
    switch (status.decision.reason) {
        case BoostReason::IdleTimeout:
            return Format(LoadText(ids::kBoostIdle), BoostPlanName(power, idle), BoostPlanName(power, inUse));
        case BoostReason::DisplayOff:
            return Format(LoadText(ids::kBoostDisplayOff), BoostPlanName(power, idle), BoostPlanName(power, inUse));
        case BoostReason::LidClosed:
            return Format(LoadText(ids::kBoostLidClosed), BoostPlanName(power, idle), BoostPlanName(power, inUse));
        case BoostReason::Locked:
            return Format(LoadText(ids::kBoostLocked), BoostPlanName(power, idle), BoostPlanName(power, inUse));
        case BoostReason::BatteryPause:
            return LoadText(ids::kBoostPausedBattery);
        case BoostReason::BatterySaver:
            return LoadText(ids::kBoostPausedSaver);
        default:
            return Format(LoadText(ids::kBoostInUse), BoostPlanName(power, inUse), DurationText(s.idleTimeoutMs / 1000),
                          BoostPlanName(power, idle));
    }
}

}  // namespace quellora
