// Presets ("Responsive", "Balanced (Windows defaults)", "Power-Saver") and the
// reset of a plan to the values Windows ships for it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/guid.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace preset {
inline constexpr int kNone = 0;
inline constexpr int kResponsive = 1;
inline constexpr int kWindowsDefaults = 2;
inline constexpr int kPowerSaver = 3;
}  // namespace preset

// Which power sources: the same numbers select the power source in the editor.
enum class Sides : int { Ac = 0, Dc = 1, Both = 2 };

struct PresetSetting {
    Guid setting;
    uint32_t responsive;
    uint32_t powerSaver;
};
// The ten settings a preset sets, in the order they are written.
const std::vector<PresetSetting>& PresetSettings();

// The writes of a preset: for each setting the plan has (and that the
// processor uses), its AC entry right before its DC entry.
std::vector<SettingWrite> PresetEntries(PowerSchemeAccess& power, const Guid& plan, int presetNumber, Sides sides);
// Writes a preset without activating it; the plan's remembered copy follows,
// in the same step (`WriteAndRefresh`). `failure` tells what was refused.
bool ApplyPreset(PowerSchemeAccess& power, const Guid& plan, int presetNumber, Sides sides,
                 WriteFailure* failure = nullptr);
// The first of Responsive, Power-Saver and Windows defaults that the plan matches; 0 for none.
int DetectPreset(PowerSchemeAccess& power, const Guid& plan, Sides sides);
// The value a preset gives a setting on one side; none when it gives none.
std::optional<uint32_t> PresetValue(PowerSchemeAccess& power, const Guid& plan, int presetNumber, const Guid& setting,
                                    bool ac);
// Writes every processor setting's Windows default for this plan; false when
// the plan has none (a copy of a Windows plan).
bool ResetToWindowsDefaults(PowerSchemeAccess& power, const Guid& plan);
// What the editor's reset does, as one step: the Windows defaults written,
// the active scheme applied again and the plan's remembered copy deleted (a
// drift check in between would otherwise write the copy back over the reset).
bool ResetToWindowsDefaultsAndForget(PowerSchemeAccess& power, const Guid& plan);

}  // namespace quellora
