// The Windows power management API answered from the simulated machine's
// registry, with Windows' calling rules: size queries, ERROR_MORE_DATA,
// ERROR_NO_MORE_ITEMS, ERROR_FILE_NOT_FOUND for what does not exist, refused
// and out-of-range writes. Every call is counted.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/power_api.h"
#include "platform/sim/sim_machine.h"

namespace quellora::sim {

class SimMachine;

// NTSTATUS values CallNtPowerInformation answers.
inline constexpr int32_t kStatusSuccess = 0;
inline constexpr int32_t kStatusBufferTooSmall = static_cast<int32_t>(0xC0000023u);
inline constexpr int32_t kStatusInvalidParameter = static_cast<int32_t>(0xC000000Du);

// The layout of SYSTEM_POWER_CAPABILITIES (76 bytes): the fields the machine fills.
namespace spc {
inline constexpr uint32_t kSize = 76;
inline constexpr uint32_t kPowerButtonPresent = 0;
inline constexpr uint32_t kSleepButtonPresent = 1;
inline constexpr uint32_t kLidPresent = 2;
inline constexpr uint32_t kSystemS3 = 5;
inline constexpr uint32_t kSystemS4 = 6;
inline constexpr uint32_t kSystemS5 = 7;
inline constexpr uint32_t kHiberFilePresent = 8;
inline constexpr uint32_t kThermalControl = 13;
inline constexpr uint32_t kProcessorThrottle = 14;
inline constexpr uint32_t kProcessorMinThrottle = 15;
inline constexpr uint32_t kProcessorMaxThrottle = 16;
inline constexpr uint32_t kFastSystemS4 = 17;
inline constexpr uint32_t kHiberboot = 18;
inline constexpr uint32_t kAoAc = 20;
inline constexpr uint32_t kSystemBatteriesPresent = 30;
}  // namespace spc

// PROCESSOR_POWER_INFORMATION: six 32-bit fields.
inline constexpr uint32_t kProcessorPowerInformationSize = 24;

class SimPowerApi : public PowerApi {
public:
    explicit SimPowerApi(SimMachine& machine);

    bool Has(Fn fn) const override;

    uint32_t SetActiveScheme(const Guid& scheme) override;
    uint32_t GetActiveScheme(Guid& scheme) override;
    uint32_t Enumerate(const Guid* scheme, const Guid* subgroup, uint32_t accessFlags, uint32_t index,
                       uint8_t* buffer, uint32_t* size) override;
    uint32_t ReadFriendlyName(const Guid* scheme, const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                              uint32_t* size) override;
    uint32_t ReadDescription(const Guid* scheme, const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                             uint32_t* size) override;
    uint32_t WriteFriendlyName(const Guid& scheme, const Guid* subgroup, const Guid* setting, const uint8_t* buffer,
                               uint32_t size) override;
    uint32_t WriteDescription(const Guid& scheme, const Guid* subgroup, const Guid* setting, const uint8_t* buffer,
                              uint32_t size) override;
    uint32_t DuplicateScheme(const Guid& source, Guid& created) override;
    uint32_t DeleteScheme(const Guid& scheme) override;
    uint32_t ReadValueIndex(bool ac, const Guid* scheme, const Guid* subgroup, const Guid* setting,
                            uint32_t& value) override;
    uint32_t WriteValueIndex(bool ac, const Guid& scheme, const Guid* subgroup, const Guid* setting,
                             uint32_t value) override;
    uint32_t ReadPossibleValue(const Guid* subgroup, const Guid* setting, uint32_t* type, uint32_t index,
                               uint8_t* buffer, uint32_t* size) override;
    uint32_t ReadPossibleFriendlyName(const Guid* subgroup, const Guid* setting, uint32_t index, uint8_t* buffer,
                                      uint32_t* size) override;
    uint32_t ReadSettingAttributes(const Guid* subgroup, const Guid* setting) override;
    uint32_t WriteSettingAttributes(const Guid* subgroup, const Guid* setting, uint32_t attributes) override;
    uint32_t ReadValueMin(const Guid* subgroup, const Guid* setting, uint32_t& value) override;
    uint32_t ReadValueMax(const Guid* subgroup, const Guid* setting, uint32_t& value) override;
    uint32_t ReadValueIncrement(const Guid* subgroup, const Guid* setting, uint32_t& value) override;
    uint32_t ReadValueUnitsSpecifier(const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                                     uint32_t* size) override;
    uint32_t GetActualOverlayScheme(Guid& overlay) override;
    uint32_t GetEffectiveOverlayScheme(Guid& overlay) override;
    uint32_t SetActiveOverlayScheme(const Guid& overlay) override;
    uint32_t DeterminePlatformRoleEx(uint32_t version) override;
    int32_t CallNtPowerInformation(uint32_t level, const void* input, uint32_t inputSize, void* output,
                                   uint32_t outputSize) override;

    // The process that activations are recorded for in the event log; without
    // one, the machine's current process.
    void SetActivator(ProcessIdentity activator) { activator_ = std::move(activator); }

    // How often each function was called since construction or the last reset.
    uint64_t CallCount(Fn fn) const;
    uint64_t TotalCalls() const;
    void ResetCallCounts();

private:
    uint32_t ReadText(const Guid* scheme, const Guid* subgroup, const Guid* setting, std::u16string_view valueName,
                      uint8_t* buffer, uint32_t* size);
    uint32_t WriteText(const Guid& scheme, const Guid* subgroup, const Guid* setting, std::u16string_view valueName,
                       const uint8_t* buffer, uint32_t size);
    uint32_t ReadRangeValue(const Guid* subgroup, const Guid* setting, std::u16string_view valueName,
                            uint32_t& value);
    void Count(Fn fn) const;

    SimMachine& machine_;
    std::optional<ProcessIdentity> activator_;
    mutable std::array<std::atomic<uint64_t>, static_cast<size_t>(Fn::kCount)> calls_{};
};

}  // namespace quellora::sim
