#include "platform/instance_events.h"

#include <mutex>

#include "platform/platform.h"

namespace quellora {

namespace {
std::mutex g_mutex;
KernelHandle g_shutdown = 0;
}  // namespace

KernelHandle ShutdownEvent() {
    std::lock_guard lock(g_mutex);
    if (g_shutdown == 0 && Sys().kernel) g_shutdown = Sys().kernel->OpenOrCreateEvent(kShutdownEventName, true, false);
    return g_shutdown;
}

bool ShutdownSignalled() {
    const KernelHandle event = ShutdownEvent();
    return event != 0 && Sys().kernel->Wait(event, 0) == WaitResult::Signalled;
}

void ForgetShutdownEvent() {
    std::lock_guard lock(g_mutex);
    g_shutdown = 0;
}

}  // namespace quellora
