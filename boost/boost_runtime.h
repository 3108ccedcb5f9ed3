// The Dynamic Boost runtime: one worker thread per process that watches user
// input, the power source, Battery Saver, the display, the lid and the session
// lock, decides once a second and at every change, switches the active plan
// when the decision asks for it, logs each switch, and puts the user's plan
// back when it stops. It publishes a status snapshot for the pages.
//
// The worker takes its time from Sys().clock and waits through a SessionWatch
// of Sys().sessionWatches (on Windows its hidden notification window), so the
// loop runs on the host against the simulated machine, and a test can drive
// it with a scripted watch and a manual clock, or call the steps of one run
// (BoostRun) directly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "boost/boost_settings.h"
#include "platform/guid.h"

namespace quellora {

class PowerSchemeAccess;
class SessionWatch;

// The worker's wake-up interval.
inline constexpr uint32_t kBoostPollMs = 1000;

struct BoostStatus {
    bool valid = false;
    BoostDecision decision;
    // The inputs of the last decision; display off and lid closed are already
    // false in a remote session.
    uint32_t idleMs = 0;
    bool onBattery = false;
    bool batterySaver = false;
    bool displayOff = false;
    bool lidClosed = false;
    bool locked = false;
    BoostSettings settings;
};

// Starts the worker (stopping a running one first). False when no worker can
// run: the platform has no session watch, or the thread cannot be started.
bool StartBoost();
// Stops the worker and waits for it; it puts the earlier plan back when the
// user has not changed plans since its last switch. Safe when not running;
// does nothing when called from the worker itself.
void StopBoost();
// Asks the worker to read every setting again and decide at once.
void ReloadBoost();
bool IsBoostRunning();
BoostStatus GetBoostStatus();

// The one-line status of the pages and the tray.
std::u16string BoostStatusText();
// The text of a log entry for display ("Switched to %s: ...").
std::u16string BoostReasonText(int32_t reason, std::u16string_view planName);
// "1 second", "45 seconds", "1 minute", "2 minutes", "1 hour", "2 hours";
// a duration that is not a whole number of minutes reads in seconds.
std::u16string DurationText(uint32_t seconds);
// A plan's display name (an overlay as "<Balanced>: <overlay>"), or the
// unnamed-plan text for a zero GUID or a plan without a name.
std::u16string BoostPlanName(PowerSchemeAccess& power, const Guid& plan);

// One run of the worker: what it observed, decided and applied. The worker
// thread calls these steps; tests may call them directly.
struct BoostRun {
    BoostRun();
    ~BoostRun();
    BoostRun(const BoostRun&) = delete;
    BoostRun& operator=(const BoostRun&) = delete;

    BoostSettings settings;
    bool displayOff = false;
    bool lidClosed = false;
    bool locked = false;
    bool hasDecision = false;
    BoostDecision lastDecision;
    Guid restorePlan;  // put back at the end
    Guid lastApplied;  // the plan of the last applied decision
    std::unique_ptr<PowerSchemeAccess> power;
};

// Loads the settings, clears display and lid, reads the lock state (Windows 8
// and later), clears the decision and remembers the active plan for the end.
void BeginBoostRun(BoostRun& run);
// Reads every setting again (the reload request).
void ReloadBoostRunSettings(BoostRun& run);
// Observes the inputs, decides, publishes the status and switches the plan
// when the decision changed (or, with `force`, unless a paused decision
// stays the same).
void EvaluateBoost(BoostRun& run, bool force);
// Puts `restorePlan` back when the active plan is still the last one applied.
void FinishBoostRun(BoostRun& run);
// The inputs as the runtime observes them now.
BoostInputs ObserveBoostInputs(const BoostRun& run);
// The worker's loop over a watch, from Begin to End; returns when stop is
// signalled or the wait fails. The worker thread runs this.
void RunBoostWorker(SessionWatch& watch);

}  // namespace quellora
