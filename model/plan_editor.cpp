#include "model/plan_editor.h"

#include "model/persisted_store.h"
#include "model/plan_settings.h"
#include "model/presets.h"
#include "power/main_topology.h"
#include "power/plan_write_guard.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {

void LoadPolicies(PowerSchemeAccess& power, const Guid& plan, bool ac, PolicyFields& fields) {
    uint32_t value = 0;
    if (power.ReadHeteroPolicy(plan, ac, value)) fields.policy = value;
    if (power.ReadSchedPolicy(plan, ac, value)) fields.longPolicy = value;
    if (power.ReadShortSchedPolicy(plan, ac, value)) fields.shortPolicy = value;
    fields.selected = true;
}

}  // namespace

void LoadEditor(PowerSchemeAccess& power, const Guid& plan, int32_t efficiencyClass, EditorState& state) {
    EditorFields& f = state.fields;
    f.parkingAc = f.parkingDc = 0;
    f.parkingAcRead = f.parkingDcRead = f.minStateAcRead = f.minStateDcRead = false;
    f.efficiencyClass = efficiencyClass;
    f.plan = plan;
    f.hasPlan = !plan.IsNull();
    if (!f.hasPlan) return;
    power.ReadPlanName(plan, f.planName);
    if (IsHeterogeneousProcessor()) {
        LoadPolicies(power, plan, true, f.ac);
        LoadPolicies(power, plan, false, f.dc);
    }
    uint32_t value = 0;
    if ((f.parkingAcRead = power.ReadCoreParkingMin(plan, efficiencyClass, true, value))) f.parkingAc = value;
    if ((f.parkingDcRead = power.ReadCoreParkingMin(plan, efficiencyClass, false, value))) f.parkingDc = value;
    for (bool ac : {true, false}) {
        uint32_t minimum = 0, maximum = 0;
        if (power.ReadMinProcessorState(plan, efficiencyClass, ac, minimum) &&
            power.ReadMaxProcessorState(plan, efficiencyClass, ac, maximum)) {
            (ac ? f.minStateAc : f.minStateDc) = static_cast<int32_t>(minimum);
            (ac ? f.minStateAcRead : f.minStateDcRead) = true;
        }
    }
    state.remember = HasStored(power, plan);
}

void StagePreset(PowerSchemeAccess& power, EditorState& state, int presetNumber) {
    EditorFields& f = state.fields;
    if (!f.hasPlan) return;
    const Guid& floor = f.efficiencyClass == 1 ? guids::kCoreParkingMin1 : guids::kCoreParkingMin0;
    if (auto v = PresetValue(power, f.plan, presetNumber, floor, true)) f.parkingAc = *v;
    if (auto v = PresetValue(power, f.plan, presetNumber, floor, false)) f.parkingDc = *v;
    state.stagedPreset = presetNumber;
    state.pendingEdits = true;
}

bool ApplyEditor(PowerSchemeAccess& power, EditorState& state, WriteFailure* failure) {
    if (failure) *failure = WriteFailure{};
    const int staged = state.stagedPreset;
    state.stagedPreset = 0;
    state.pendingEdits = false;
    const EditorFields& f = state.fields;
    if (!f.hasPlan) return true;

    const bool heterogeneous = IsHeterogeneousProcessor();
    PlanSettings model;
    model.plan = f.plan;
    model.planName = f.planName;
    if (heterogeneous) {
        for (bool ac : {true, false}) {
            const PolicyFields& p = ac ? f.ac : f.dc;
            SourceSettings& side = ac ? model.ac : model.dc;
            if (!p.selected) continue;
            side.hasHetero = true;
            side.heteroPolicy = p.policy;
            side.heteroLongPolicy = p.longPolicy;
            side.heteroShortPolicy = p.shortPolicy;
        }
    }
    model.ac.coreParkingMin[f.efficiencyClass] = f.parkingAc;
    model.dc.coreParkingMin[f.efficiencyClass] = f.parkingDc;
    model.ac.minFrequency[f.efficiencyClass] = static_cast<uint32_t>(f.minStateAc);
    model.dc.minFrequency[f.efficiencyClass] = static_cast<uint32_t>(f.minStateDc);

    // The writes and the remembered copy are one step: a drift check in
    // between would take the new values for drift.
    PlanWriteGuard guard;
    if (guard.TimedOut()) return PlanWriteGuard::Failed(failure);
    WriteFailure first;
    bool ok = true;
    if (staged > 0) ok = ApplyPreset(power, f.plan, staged, Sides::Both, &first) && ok;
    WriteFailure fields;
    ok = WriteToPlan(power, model, heterogeneous, true, false, &fields) && ok;
    if (!first.failed) first = fields;
    // The copy must never hold values the plan refused: after a failed write it stays as it was.
    if (ok && state.remember) {
        SaveStoredSide(power, f.plan, true, model.ac);
        SaveStoredSide(power, f.plan, false, model.dc);
        if (staged > 0) RefreshStored(power, f.plan);
    } else if (ok) {
        DeleteStored(power, f.plan);
    }
    // A preset of one power source goes after the fields; it refreshes the
    // remembered copy itself.
    for (bool ac : {true, false}) {
        const int side = ac ? state.sidePresetAc : state.sidePresetDc;
        if (side <= 0) continue;
        WriteFailure presetFailure;
        if (!ApplyPreset(power, f.plan, side, ac ? Sides::Ac : Sides::Dc, &presetFailure)) {
            ok = false;
            if (!first.failed) first = presetFailure;
        }
    }
    uint32_t error = 0;
    if (!power.ActivateCurrentScheme(&error)) {
        if (!first.failed) {
            first.failed = true;
            first.activationFailed = true;
            first.error = error;
        }
        ok = false;
    }
    if (failure) *failure = first;
    return ok;
}

}  // namespace quellora
