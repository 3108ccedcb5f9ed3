// Writing a plan together with the remembered copy of its settings, and
// checking a plan against that copy (and restoring it), are steps no other
// thread or process of the user may run inside of: a drift check that ran
// between an apply's plan write and its copy update would take the new values
// for drift and write the old ones back. Each such step holds this guard, a
// mutex of the session. It is recursive on a thread, so a step may be made of
// smaller ones; hold one around a sequence of calls that must stay together
// (resetting a plan and deleting its copy, for example).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/session_mutexes.h"

namespace quellora {

struct WriteFailure;

inline constexpr std::u16string_view kPlanWritesMutex = u"Quellora.PlanWrites.{6A0E3D52-9B1C-4F7A-8E25-C4D17B03F9E8}";

// How long a step waits for another one to end before it gives up: 10 s
// (the tests shorten it).
uint32_t PlanWriteWaitMs();
void SetPlanWriteWaitMs(uint32_t milliseconds);

class PlanWriteGuard {
public:
    PlanWriteGuard();
    ~PlanWriteGuard();
    PlanWriteGuard(const PlanWriteGuard&) = delete;
    PlanWriteGuard& operator=(const PlanWriteGuard&) = delete;

    // Another thread or process kept the guard past the wait: the step must not run.
    // (A platform without the mutex runs its steps unguarded.)
    bool TimedOut() const { return wait_ == MutexWait::TimedOut; }

    // For a step that gives up: `failure` (when given) records Windows'
    // WAIT_TIMEOUT (258); answers false.
    static bool Failed(WriteFailure* failure);

private:
    SessionMutexes* mutexes_;
    MutexWait wait_;
};

}  // namespace quellora
