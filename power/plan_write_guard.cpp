#include "power/plan_write_guard.h"

#include <atomic>

#include "platform/errors.h"
#include "platform/platform.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {
std::atomic<uint32_t> g_waitMs{10000};
}  // namespace

uint32_t PlanWriteWaitMs() { return g_waitMs.load(std::memory_order_relaxed); }

void SetPlanWriteWaitMs(uint32_t milliseconds) { g_waitMs.store(milliseconds, std::memory_order_relaxed); }

PlanWriteGuard::PlanWriteGuard()
    : mutexes_(Sys().mutexes),
      wait_(mutexes_ ? mutexes_->Acquire(kPlanWritesMutex, PlanWriteWaitMs()) : MutexWait::Unavailable) {}

PlanWriteGuard::~PlanWriteGuard() {
    if (wait_ == MutexWait::Acquired) mutexes_->Release(kPlanWritesMutex);
}

bool PlanWriteGuard::Failed(WriteFailure* failure) {
    if (failure) {
        *failure = WriteFailure{};
        failure->failed = true;
        failure->busy = true;
        failure->error = err::kWaitTimeout;
    }
    return false;
}

}  // namespace quellora
