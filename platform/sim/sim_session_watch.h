// The Dynamic Boost worker's waits on the simulated machine: display, lid and
// lock reports come from the machine's facts.
#pragma once

#include "platform/session_watch.h"

namespace quellora::sim {

class SimMachine;

class SimSessionWatchFactory : public SessionWatchFactory {
public:
    explicit SimSessionWatchFactory(SimMachine& machine) : machine_(machine) {}
    std::unique_ptr<SessionWatch> Create() override;

private:
    SimMachine& machine_;
};

}  // namespace quellora::sim
