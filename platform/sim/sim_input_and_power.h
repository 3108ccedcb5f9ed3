// The user's presence and the power source on the simulated machine, from its facts.
#pragma once

#include "platform/input_and_power.h"

namespace quellora::sim {

class SimMachine;

class SimInputAndPower : public InputAndPower {
public:
    explicit SimInputAndPower(SimMachine& machine) : machine_(machine) {}
    bool LastInputTick(uint32_t& tick) override;
    bool GetPowerStatus(PowerStatus& status) override;
    bool IsRemoteSession() override;
    bool QuerySessionLocked(bool& locked) override;

private:
    SimMachine& machine_;
};

}  // namespace quellora::sim
