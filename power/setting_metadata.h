// What the program knows about each processor setting besides its values:
// name, description, range, units, possible values, the Windows default in a
// plan, and whether Windows hides it from its Power Options.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/guid.h"

namespace quellora {

struct SettingInfo {
    Guid setting;
    std::u16string name;  // empty when unreadable
    uint32_t attributes = 0;
    bool hasRange = false;
    uint32_t min = 0, max = 0, increment = 0;  // only with a range
    std::u16string units;                       // only with a range
    std::vector<std::pair<uint32_t, std::u16string>> possibleValues;  // only without a range; at most 64
};

// The settings of the processor subgroup, as Windows lists them (at most 1024).
std::vector<Guid> EnumerateProcessorSettings();
SettingInfo ReadSettingInfo(const Guid& setting);
// Windows' description; the two heterogeneous timing settings have the program's own.
std::u16string ReadSettingDescription(const Guid& setting);
// Numbered subkeys of the setting's key with a "SettingValue": (index, value), by index.
std::vector<std::pair<uint32_t, uint32_t>> ReadRegisteredValues(const Guid& setting);
// The default Windows ships for a plan: the provisioned (CPU-tuned) value first.
// Only Windows' own plans have one.
bool ReadWindowsDefault(const Guid& plan, const Guid& setting, bool ac, uint32_t& value);
// Whether the plan's default entry holds a provisioned value.
bool HasProvisionedDefault(const Guid& plan, const Guid& setting);
// "AC/DC" read directly from the plan ("-" for an unreadable side); "-" without a plan.
std::u16string SettingValueText(const Guid* plan, const Guid& setting);

struct ProcessorPowerInfo {
    uint32_t number = 0, maxMhz = 0, currentMhz = 0, mhzLimit = 0, maxIdleState = 0, currentIdleState = 0;
};
std::vector<ProcessorPowerInfo> ReadProcessorPowerInfo();
// The average of the processors' current clocks (CurrentMhz); 0 when the list is empty.
double AverageCurrentMhz();

// Hides or shows the minimum unparked cores setting of class 0 or 1 in
// Windows' Power Options; other classes do nothing and succeed.
bool SetSettingHidden(bool hide, int32_t efficiencyClass);
bool IsCoreParkingHidden();

// The four thresholds packed in one value, lowest byte first.
inline uint8_t ThresholdByte(uint32_t value, int index) { return static_cast<uint8_t>(value >> (8 * index)); }

}  // namespace quellora
