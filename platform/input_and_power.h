// The user's presence and the machine's power source: last input, power
// status (mains or battery, Battery Saver), remote and locked sessions.
#pragma once

#include <cstdint>

namespace quellora {

// SYSTEM_POWER_STATUS, the fields the program reads.
struct PowerStatus {
    uint8_t acLineStatus = 255;       // 0 offline (battery), 1 online (mains), 255 unknown
    uint8_t batteryFlag = 128;        // 128: no system battery
    uint8_t batteryLifePercent = 255; // 255: unknown
    uint8_t systemStatusFlag = 0;     // 1: Battery Saver is on
};

class InputAndPower {
public:
    virtual ~InputAndPower() = default;

    // GetLastInputInfo: the 32-bit tick count of the last user input.
    virtual bool LastInputTick(uint32_t& tick) = 0;
    // GetSystemPowerStatus.
    virtual bool GetPowerStatus(PowerStatus& status) = 0;
    // GetSystemMetrics(SM_REMOTESESSION).
    virtual bool IsRemoteSession() = 0;
    // WTSQuerySessionInformation(WTSSessionInfoEx) of the current session:
    // false when the platform cannot tell.
    virtual bool QuerySessionLocked(bool& locked) = 0;
};

}  // namespace quellora
