// The Dynamic Boost worker's waits on the simulated machine. The display, lid
// and lock states are the machine's facts, which another process (quellora-sim)
// may change at any time: the watch looks at them at the start of every wait
// and every 250 ms while waiting, and wakes with a report when one changed,
// as Windows' notifications would wake the worker's window.
#pragma once

#include <cstdint>

#include "platform/session_watch.h"

namespace quellora::sim {

class SimMachine;

// How often a wait looks at the machine's facts.
inline constexpr uint32_t kSessionPollMs = 250;

class SimSessionWatchFactory : public SessionWatchFactory {
public:
    explicit SimSessionWatchFactory(SimMachine& machine) : machine_(machine) {}
    std::unique_ptr<SessionWatch> Create() override;

private:
    SimMachine& machine_;
};

}  // namespace quellora::sim
