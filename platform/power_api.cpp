#include "platform/power_api.h"

#include <iterator>

namespace quellora {

namespace {

// The platform's names, in the order of PowerApi::Fn.
constexpr const char* kExportNames[] = {
    "PowerSetActiveScheme",          // SetActiveScheme
    "PowerGetActiveScheme",          // GetActiveScheme
    "PowerEnumerate",                // Enumerate
    "PowerReadFriendlyName",         // ReadFriendlyName
    "PowerDuplicateScheme",          // DuplicateScheme
    "PowerWriteFriendlyName",        // WriteFriendlyName
    "PowerWriteDescription",         // WriteDescription
    "PowerDeleteScheme",             // DeleteScheme
    "PowerReadACValueIndex",         // ReadACValueIndex
    "PowerReadDCValueIndex",         // ReadDCValueIndex
    "PowerWriteACValueIndex",        // WriteACValueIndex
    "PowerWriteDCValueIndex",        // WriteDCValueIndex
    "PowerReadPossibleValue",        // ReadPossibleValue
    "PowerWriteSettingAttributes",   // WriteSettingAttributes
    "PowerGetActualOverlayScheme",   // GetActualOverlayScheme
    "PowerSetActiveOverlayScheme",   // SetActiveOverlayScheme
    "PowerGetEffectiveOverlayScheme",  // GetEffectiveOverlayScheme
    "PowerReadSettingAttributes",    // ReadSettingAttributes
    "PowerReadValueMin",             // ReadValueMin
    "PowerReadValueMax",             // ReadValueMax
    "PowerReadValueIncrement",       // ReadValueIncrement
    "PowerReadValueUnitsSpecifier",  // ReadValueUnitsSpecifier
    "PowerReadPossibleFriendlyName",  // ReadPossibleFriendlyName
    "PowerReadDescription",          // ReadDescription
    "PowerDeterminePlatformRoleEx",  // DeterminePlatformRoleEx
    "CallNtPowerInformation",        // CallNtPowerInformation
};

static_assert(std::size(kExportNames) == static_cast<size_t>(PowerApi::Fn::kCount));

}  // namespace

const char* PowerApi::ExportName(Fn fn) {
    const size_t i = static_cast<size_t>(fn);
    return i < std::size(kExportNames) ? kExportNames[i] : "";
}

}  // namespace quellora
