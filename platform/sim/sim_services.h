// Services of the simulated machine. Each has a state and a start type; a
// stop or start takes a few looks at its state to complete, as real services
// take a moment. "pla" (stopped, started on demand) and "winmgmt" (running,
// automatic) are there until told otherwise. Every control is logged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/services.h"

namespace quellora::sim {

class SimMachine;

struct SimService {
    std::u16string name;
    ServiceState state = ServiceState::Stopped;
    uint32_t startType = service_start::kDemand;
    // Looks at the state (QueryState) a pending stop or start takes.
    uint32_t pendingLooks = 2;
    // A start fails (the service reports stopped again).
    bool startFails = false;
};

class SimServiceControl : public ServiceControl {
public:
    explicit SimServiceControl(SimMachine& machine) : machine_(machine) {}

    bool QueryState(std::u16string_view name, ServiceState& state) override;
    bool SendStop(std::u16string_view name) override;
    bool Start(std::u16string_view name) override;
    bool QueryStartType(std::u16string_view name, uint32_t& startType) override;
    bool SetStartType(std::u16string_view name, uint32_t startType) override;

    static bool Get(SimMachine& machine, std::u16string_view name, SimService& service);
    static void Put(SimMachine& machine, const SimService& service);
    static std::vector<SimService> List(SimMachine& machine);
    // "stop winmgmt", "query pla", ...
    static std::vector<std::u16string> Log(SimMachine& machine);

private:
    void Record(std::u16string_view what);

    SimMachine& machine_;
};

std::u16string ServiceStateName(ServiceState state);

}  // namespace quellora::sim
