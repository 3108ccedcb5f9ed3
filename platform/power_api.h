// The Windows power management API (powrprof.dll and CallNtPowerInformation),
// one method per platform function with the platform's own calling rules:
// byte buffers with size queries, Windows error codes as results.
#pragma once

#include <cstdint>

#include "platform/guid.h"

namespace quellora {

class PowerApi {
public:
    enum class Fn : uint8_t {
        SetActiveScheme,
        GetActiveScheme,
        Enumerate,
        ReadFriendlyName,
        DuplicateScheme,
        WriteFriendlyName,
        WriteDescription,
        DeleteScheme,
        ReadACValueIndex,
        ReadDCValueIndex,
        WriteACValueIndex,
        WriteDCValueIndex,
        ReadPossibleValue,
        WriteSettingAttributes,
        GetActualOverlayScheme,
        SetActiveOverlayScheme,
        GetEffectiveOverlayScheme,
        ReadSettingAttributes,
        ReadValueMin,
        ReadValueMax,
        ReadValueIncrement,
        ReadValueUnitsSpecifier,
        ReadPossibleFriendlyName,
        ReadDescription,
        DeterminePlatformRoleEx,
        CallNtPowerInformation,
        kCount
    };

    // PowerEnumerate access flags.
    static constexpr uint32_t kAccessScheme = 16;     // ACCESS_SCHEME
    static constexpr uint32_t kAccessSubgroup = 17;   // ACCESS_SUBGROUP
    static constexpr uint32_t kAccessIndividualSetting = 18;  // ACCESS_INDIVIDUAL_SETTING

    // CallNtPowerInformation levels.
    static constexpr uint32_t kSystemPowerCapabilities = 4;
    static constexpr uint32_t kProcessorInformation = 11;

    virtual ~PowerApi() = default;

    // The function's name as the platform exports it ("PowerReadACValueIndex").
    static const char* ExportName(Fn fn);

    // Whether the platform function could be bound. Calling a missing one
    // answers ERROR_CALL_NOT_IMPLEMENTED (120).
    virtual bool Has(Fn fn) const = 0;

    virtual uint32_t SetActiveScheme(const Guid& scheme) = 0;
    virtual uint32_t GetActiveScheme(Guid& scheme) = 0;
    // A null buffer asks for the size (answered with ERROR_MORE_DATA); ERROR_NO_MORE_ITEMS ends the list.
    virtual uint32_t Enumerate(const Guid* scheme, const Guid* subgroup, uint32_t accessFlags, uint32_t index,
                               uint8_t* buffer, uint32_t* size) = 0;
    // Names and descriptions are UTF-16LE with their NUL; sizes in bytes. A null buffer asks for the size.
    virtual uint32_t ReadFriendlyName(const Guid* scheme, const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                                      uint32_t* size) = 0;
    virtual uint32_t ReadDescription(const Guid* scheme, const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                                     uint32_t* size) = 0;
    virtual uint32_t WriteFriendlyName(const Guid& scheme, const Guid* subgroup, const Guid* setting,
                                       const uint8_t* buffer, uint32_t size) = 0;
    virtual uint32_t WriteDescription(const Guid& scheme, const Guid* subgroup, const Guid* setting,
                                      const uint8_t* buffer, uint32_t size) = 0;
    virtual uint32_t DuplicateScheme(const Guid& source, Guid& created) = 0;
    virtual uint32_t DeleteScheme(const Guid& scheme) = 0;
    // PowerReadACValueIndex / PowerReadDCValueIndex.
    virtual uint32_t ReadValueIndex(bool ac, const Guid* scheme, const Guid* subgroup, const Guid* setting,
                                    uint32_t& value) = 0;
    // PowerWriteACValueIndex / PowerWriteDCValueIndex.
    virtual uint32_t WriteValueIndex(bool ac, const Guid& scheme, const Guid* subgroup, const Guid* setting,
                                     uint32_t value) = 0;
    virtual uint32_t ReadPossibleValue(const Guid* subgroup, const Guid* setting, uint32_t* type, uint32_t index,
                                       uint8_t* buffer, uint32_t* size) = 0;
    virtual uint32_t ReadPossibleFriendlyName(const Guid* subgroup, const Guid* setting, uint32_t index,
                                              uint8_t* buffer, uint32_t* size) = 0;
    // Answers the attributes themselves, as PowerReadSettingAttributes does (0 when unknown).
    virtual uint32_t ReadSettingAttributes(const Guid* subgroup, const Guid* setting) = 0;
    virtual uint32_t WriteSettingAttributes(const Guid* subgroup, const Guid* setting, uint32_t attributes) = 0;
    virtual uint32_t ReadValueMin(const Guid* subgroup, const Guid* setting, uint32_t& value) = 0;
    virtual uint32_t ReadValueMax(const Guid* subgroup, const Guid* setting, uint32_t& value) = 0;
    virtual uint32_t ReadValueIncrement(const Guid* subgroup, const Guid* setting, uint32_t& value) = 0;
    virtual uint32_t ReadValueUnitsSpecifier(const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                                             uint32_t* size) = 0;
    virtual uint32_t GetActualOverlayScheme(Guid& overlay) = 0;
    virtual uint32_t GetEffectiveOverlayScheme(Guid& overlay) = 0;
    virtual uint32_t SetActiveOverlayScheme(const Guid& overlay) = 0;
    // POWER_PLATFORM_ROLE; PlatformRoleUnspecified (0) when unknown.
    virtual uint32_t DeterminePlatformRoleEx(uint32_t version) = 0;
    // Answers an NTSTATUS (0 on success).
    virtual int32_t CallNtPowerInformation(uint32_t level, const void* input, uint32_t inputSize, void* output,
                                           uint32_t outputSize) = 0;
};

}  // namespace quellora
