#include "platform/sim/sim_input_and_power.h"

#include "platform/sim/sim_machine.h"

namespace quellora::sim {

bool SimInputAndPower::LastInputTick(uint32_t& tick) {
    tick = static_cast<uint32_t>(machine_.LastInputTick());
    return true;
}

bool SimInputAndPower::GetPowerStatus(PowerStatus& status) {
    status = PowerStatus{};
    status.acLineStatus = machine_.OnAcPower() ? 1 : 0;
    if (machine_.HasBattery()) {
        status.batteryLifePercent = static_cast<uint8_t>(machine_.BatteryPercent());
        status.batteryFlag = status.batteryLifePercent < 20 ? 2 : 1;  // low or high
    }
    status.systemStatusFlag = machine_.BatterySaver() ? 1 : 0;
    return true;
}

bool SimInputAndPower::IsRemoteSession() { return machine_.RemoteSession(); }

bool SimInputAndPower::QuerySessionLocked(bool& locked) {
    locked = machine_.SessionLocked();
    return true;
}

}  // namespace quellora::sim
