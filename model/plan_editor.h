// What the plan editor holds and the order in which it writes: the fields of
// the dashboard and the hybrid page for one plan and one efficiency class, a
// staged preset, and Apply (the staged preset first, then the fields, so a
// field the user changed after staging wins). The editor's windows only show
// this state and forward the user's input here.
#pragma once

#include <cstdint>
#include <string>

#include "platform/guid.h"

namespace quellora {

class PowerSchemeAccess;
struct WriteFailure;

struct PolicyFields {
    bool selected = false;  // all three lists of the power source have a selection
    uint32_t policy = 0;    // HETEROPOLICY
    uint32_t longPolicy = 0;   // SCHEDPOLICY
    uint32_t shortPolicy = 0;  // SHORTSCHEDPOLICY
};

struct EditorFields {
    Guid plan;
    std::u16string planName;
    bool hasPlan = false;
    int32_t efficiencyClass = 0;      // the class on screen
    uint32_t parkingAc = 0, parkingDc = 0;    // core parking minimum, percent
    int32_t minStateAc = 0, minStateDc = 0;   // minimum processor state, percent
    // What the last load could read (the minimum state only with the maximum).
    bool parkingAcRead = false, parkingDcRead = false;
    bool minStateAcRead = false, minStateDcRead = false;
    PolicyFields ac, dc;              // heterogeneous policies (several classes only)
};

struct EditorState {
    EditorFields fields;
    int stagedPreset = 0;  // 0 none, 1..3
    bool pendingEdits = false;
    bool remember = false;  // the "remember these settings" box
    // A preset for one power source alone (the classic dialog's preset
    // lists), written after the fields: 0 none, 1..3.
    int sidePresetAc = 0, sidePresetDc = 0;
};

// Fills the fields from the plan (a value that cannot be read leaves the
// parking fields at 0 and the others as they were).
void LoadEditor(PowerSchemeAccess& power, const Guid& plan, int32_t efficiencyClass, EditorState& state);
// Shows the preset's floors for the class on screen in the parking fields and
// stages it; the edits count as pending.
void StagePreset(PowerSchemeAccess& power, EditorState& state, int presetNumber);
// Clears the staging and the pending edits, then writes, as one step under the
// plan-write guard: the staged preset on both sides, the fields (maximum
// state of the class raised to 100), the remembered copy saved or deleted,
// the presets of one power source, and the active scheme applied again. When
// a write fails, the copy is left as it was, and `failure` (when given) tells
// the first refusal.
bool ApplyEditor(PowerSchemeAccess& power, EditorState& state, WriteFailure* failure = nullptr);

}  // namespace quellora
