// Windows services, by name, through the service control manager: their
// state and start type, stopping and starting them.
#pragma once

#include <cstdint>
#include <string_view>

namespace quellora {

// SERVICE_STOPPED ... SERVICE_PAUSED.
enum class ServiceState : uint32_t {
    Stopped = 1,
    StartPending = 2,
    StopPending = 3,
    Running = 4,
    ContinuePending = 5,
    PausePending = 6,
    Paused = 7,
};

// SERVICE_BOOT_START ... SERVICE_DISABLED.
namespace service_start {
inline constexpr uint32_t kBoot = 0;
inline constexpr uint32_t kSystem = 1;
inline constexpr uint32_t kAuto = 2;
inline constexpr uint32_t kDemand = 3;
inline constexpr uint32_t kDisabled = 4;
}  // namespace service_start

class ServiceControl {
public:
    virtual ~ServiceControl() = default;

    // QueryServiceStatus; false when the service cannot be opened or asked.
    virtual bool QueryState(std::u16string_view name, ServiceState& state) = 0;
    // ControlService(SERVICE_CONTROL_STOP).
    virtual bool SendStop(std::u16string_view name) = 0;
    // StartServiceW without arguments.
    virtual bool Start(std::u16string_view name) = 0;
    // QueryServiceConfigW's start type.
    virtual bool QueryStartType(std::u16string_view name, uint32_t& startType) = 0;
    // ChangeServiceConfigW with the start type only (everything else SERVICE_NO_CHANGE).
    virtual bool SetStartType(std::u16string_view name, uint32_t startType) = 0;
};

}  // namespace quellora
