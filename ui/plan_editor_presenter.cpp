#include "ui/plan_editor_presenter.h"

#include <algorithm>

#include "boost/boost_settings.h"
#include "model/maker_plan.h"
#include "model/persisted_store.h"
#include "model/plan_settings.h"
#include "model/presets.h"
#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "power/setting_metadata.h"

namespace quellora {

using namespace editor;

namespace {

// Summary texts.
constexpr uint32_t kSummaryPlanText = 9442;      // (plan)
constexpr uint32_t kMatchesPreset = 9443;
constexpr uint32_t kNoPreset = 9444;
constexpr uint32_t kStaged[] = {9452, 9453, 9454};
constexpr uint32_t kNoDefaults = 9525;
constexpr uint32_t kParkingOffText = 9440;
constexpr uint32_t kParkingFloorText = 9441;     // (percent)
constexpr uint32_t kParkingOffPending = 9527;
constexpr uint32_t kParkingFloorPending = 9528;  // (percent)
constexpr uint32_t kClassItems[] = {1314, 1315};
constexpr uint32_t kHeteroPolicyItems[] = {1375, 419, 419, 419, 1376};
constexpr uint32_t kSchedPolicyItems[] = {1366, 1367, 1368, 1369, 1370, 1371};
constexpr uint32_t kPresetListItems[] = {9271, 9272, 9273, 9274};
constexpr uint32_t kMakerPlanRefreshed = 1320;
constexpr uint32_t kDefaultsRestored = 9532;
constexpr uint32_t kDefaultsFailed = 1319;

constexpr int kParkingRadios[] = {kParkingLimitedAc, kParkingOffAc, kParkingLimitedDc, kParkingOffDc,
                                  kMinNormalAc,      kMinFullAc,    kMinNormalDc,      kMinFullDc};
constexpr int kPolicyLists[] = {kPolicyAc, kLongPolicyAc, kShortPolicyAc, kPolicyDc, kLongPolicyDc, kShortPolicyDc};

// The Windows plans (and the overlays) whose processor settings have defaults to restore.
constexpr Guid kWindowsPlans[] = {guids::kBalanced, guids::kPowerSaver, guids::kHighPerformance,
                                  guids::kOverlay3,  guids::kOverlay2,   guids::kOverlay1};

std::vector<std::u16string> NumberedItems(const uint32_t* texts, size_t count) {
    std::vector<std::u16string> items;
    for (size_t i = 0; i < count; ++i) items.push_back(Format(u"%d: %s", static_cast<int>(i), LoadText(texts[i])));
    return items;
}

const Guid& ParkingSetting(int efficiencyClass) {
    return efficiencyClass == 1 ? guids::kCoreParkingMin1 : guids::kCoreParkingMin0;
}
const Guid& MinStateSetting(int efficiencyClass) {
    return efficiencyClass == 1 ? guids::kMinProcessorState1 : guids::kMinProcessorState0;
}

bool OnMains() {
    PowerStatus status;
    // Battery only when Windows says so; an unknown line status counts as mains.
    return !(Sys().input && Sys().input->GetPowerStatus(status) && status.acLineStatus == 0);
}

}  // namespace

std::u16string WriteFailureText(const WriteFailure& f) {
    if (!f.failed) return LoadText(kNoFailureRecorded);
    if (f.activationFailed) return LoadText(kActivationFailed);
    if (f.busy) return LoadText(kPlansBusy);
    std::u16string label;
    if (const AdvancedSettingDef* def = FindAdvancedSetting(f.entry.setting)) label = LoadText(def->label);
    if (label.empty()) label = GuidToText(f.entry.setting);
    return Format(LoadText(f.entry.ac ? kRefusedAc : kRefusedDc), label, f.entry.value, f.error);
}

const std::vector<EditorTooltip>& EditorTooltips() {
    static const std::vector<EditorTooltip> tips{
        {kParkingAc, 830},     {kParkingDc, 830},     {kMinStateAc, 965},    {kMinStateDc, 965},
        {3195, 1046},          {3204, 1088},          {3205, 1169},          {kPolicyAc, 1373},
        {kPolicyDc, 1373},     {kLongPolicyAc, 1383}, {kLongPolicyDc, 1383}, {kShortPolicyAc, 1384},
        {kShortPolicyDc, 1384},
    };
    return tips;
}

PlanEditorPresenter::PlanEditorPresenter(EditorHost& host, PowerSchemeAccess& power, EditorVariant variant)
    : host_(host), power_(power), variant_(variant) {}

// ---- Lists

void PlanEditorPresenter::Initialise() {
    Action action(*this);
    heterogeneous_ = IsHeterogeneousProcessor();
    classSelectable_ = MainTopology().ShowEfficiencyClassSelection();
    ControlSurface& ui = c();
    if (ui.Has(kAdvanced)) ui.SetText(kAdvanced, LoadText(kAdvancedButton));
    if (ui.Has(kClassList)) {
        ui.SetItems(kClassList, {LoadText(kClassItems[0]), LoadText(kClassItems[1])});
        ui.Select(kClassList, 0);
        ui.Show(kClassList, classSelectable_);
    }
    if (heterogeneous_) {
        const auto hetero = NumberedItems(kHeteroPolicyItems, std::size(kHeteroPolicyItems));
        const auto sched = NumberedItems(kSchedPolicyItems, std::size(kSchedPolicyItems));
        for (int id : kPolicyLists) {
            if (ui.Has(id)) ui.SetItems(id, id == kPolicyAc || id == kPolicyDc ? hetero : sched);
        }
    }
    if (variant_ == EditorVariant::Classic) {
        std::vector<std::u16string> presets;
        for (uint32_t t : kPresetListItems) presets.push_back(LoadText(t));
        for (int id : {kPresetListAc, kPresetListDc}) {
            if (!ui.Has(id)) continue;
            ui.SetItems(id, presets);
            ui.Select(id, 0);
        }
    }
    FillPlanList();
    Reload();
    UpdateActivateButton();
    OnPendingEditsChanged();  // and the summary
}

void PlanEditorPresenter::FillPlanList() {
    Action action(*this);
    resolvedValid_ = false;  // the names may have changed
    ControlSurface& ui = c();
    if (!ui.Has(kPlanList)) return;
    const Guid active = power_.QueryActivePlanOrNull();
    std::vector<std::u16string> names;
    int selected = -1;
    for (const Guid& plan : power_.EnumeratePlans(UserListsMakerPlan())) {
        std::u16string name;
        // A plan without a name cannot be found by it: it is not listed.
        if (!power_.PlanDisplayName(plan, name) || name.empty()) continue;
        if (plan == active && selected < 0) selected = static_cast<int>(names.size());
        names.push_back(std::move(name));
    }
    ui.SetItems(kPlanList, names);
    if (selected >= 0) ui.Select(kPlanList, selected);
}

void PlanEditorPresenter::ReloadPlanList() {
    Action action(*this);
    ControlSurface& ui = c();
    const std::u16string previous = SelectedName();
    if (state_.pendingEdits && ui.Selection(kPlanList) >= 0) {
        FillPlanList();
        const std::u16string wanted = FoldCase(previous);
        const int count = ui.ItemCount(kPlanList);
        for (int i = 0; i < count; ++i) {
            if (StartsWith(FoldCase(ui.ItemText(kPlanList, i)), wanted)) {
                ui.Select(kPlanList, i);
                break;
            }
        }
    } else {
        FillPlanList();
        Reload();
    }
    UpdateSummary();
    UpdateActivateButton();
}

std::u16string PlanEditorPresenter::SelectedName() {
    ControlSurface& ui = c();
    if (!ui.Has(kPlanList)) return {};
    const int selection = ui.Selection(kPlanList);
    return selection < 0 ? std::u16string() : ui.ItemText(kPlanList, selection);
}

bool PlanEditorPresenter::Resolve(const std::u16string& name, Guid& plan) {
    if (name.empty()) return false;
    if (!resolvedValid_ || resolvedName_ != name) {
        resolvedName_ = name;
        resolvedFound_ = power_.FindPlanByName(name, resolvedPlan_);
        resolvedValid_ = true;
    }
    plan = resolvedPlan_;
    return resolvedFound_;
}

bool PlanEditorPresenter::SelectedPlan(Guid& plan) { return Resolve(SelectedName(), plan); }

int PlanEditorPresenter::ShownClass() {
    ControlSurface& ui = c();
    return ui.Has(kClassList) && ui.Selection(kClassList) == 1 ? 1 : 0;
}

void PlanEditorPresenter::SelectPolicies(bool ac, const PolicyFields& p) {
    ControlSurface& ui = c();
    const int lists[] = {ac ? kPolicyAc : kPolicyDc, ac ? kLongPolicyAc : kLongPolicyDc,
                         ac ? kShortPolicyAc : kShortPolicyDc};
    const uint32_t values[] = {p.policy, p.longPolicy, p.shortPolicy};
    for (int i = 0; i < 3; ++i) {
        if (ui.Has(lists[i]) && static_cast<int64_t>(values[i]) < ui.ItemCount(lists[i])) {
            ui.Select(lists[i], static_cast<int>(values[i]));
        }
    }
}

// ---- Loading

void PlanEditorPresenter::Reload() {
    Action action(*this);
    ControlSurface& ui = c();
    for (int id : kParkingRadios) {
        if (ui.Has(id)) ui.SetChecked(id, false);
    }
    ui.SetText(kParkingAc, u"0");
    ui.SetText(kParkingDc, u"0");
    if (ui.Selection(kPlanList) < 0) return;

    const std::u16string name = SelectedName();
    const int efficiencyClass = ShownClass();
    shownName_ = name;
    shownClass_ = efficiencyClass;
    Guid plan;
    const bool found = Resolve(name, plan);
    // What the policy lists show stays where the plan cannot be read.
    ReadFields(Guid{}, name, efficiencyClass);
    LoadEditor(power_, found ? plan : Guid{}, efficiencyClass, state_);
    const EditorFields& f = state_.fields;
    if (found && heterogeneous_) {
        SelectPolicies(true, f.ac);
        SelectPolicies(false, f.dc);
    }
    if (f.parkingAcRead) PutParking(true, f.parkingAc);
    if (f.parkingDcRead) PutParking(false, f.parkingDc);
    for (bool ac : {true, false}) {
        if (!(ac ? f.minStateAcRead : f.minStateDcRead)) continue;
        const int32_t value = ac ? f.minStateAc : f.minStateDc;
        ui.SetText(ac ? kMinStateAc : kMinStateDc, ToDecimal(value));
        ui.SetChecked(ac ? (value > 99 ? kMinFullAc : kMinNormalAc) : (value > 99 ? kMinFullDc : kMinNormalDc), true);
    }
    const bool restorable = found && (std::find(std::begin(kWindowsPlans), std::end(kWindowsPlans), plan) !=
                                          std::end(kWindowsPlans) ||
                                      IsMakerPlan(plan));
    if (ui.Has(kRestoreDefaults)) ui.Show(kRestoreDefaults, restorable);
    if (ui.Has(kRemember)) ui.SetChecked(kRemember, found && state_.remember);
    if (found && ui.Has(kFrame)) ui.SetText(kFrame, Format(LoadText(kFrameCaption), f.planName));
    if (variant_ == EditorVariant::Classic) {
        if (ui.Has(kPresetListAc)) ui.Select(kPresetListAc, found ? DetectPreset(power_, plan, Sides::Ac) : 0);
        if (ui.Has(kPresetListDc)) ui.Select(kPresetListDc, found ? DetectPreset(power_, plan, Sides::Dc) : 0);
    }
}

void PlanEditorPresenter::PutParking(bool ac, uint32_t value) {
    ControlSurface& ui = c();
    ui.SetText(ac ? kParkingAc : kParkingDc, ToDecimal(value));
    const bool off = value > 99;
    ui.SetChecked(ac ? kParkingLimitedAc : kParkingLimitedDc, !off);
    ui.SetChecked(ac ? kParkingOffAc : kParkingOffDc, off);
}

void PlanEditorPresenter::ReadFields(const Guid& plan, const std::u16string& name, int efficiencyClass) {
    ControlSurface& ui = c();
    EditorFields& f = state_.fields;
    f.plan = plan;
    f.hasPlan = !plan.IsNull();
    f.planName = name;
    f.efficiencyClass = efficiencyClass;
    f.parkingAc = FieldUnsigned(ui.Text(kParkingAc));
    f.parkingDc = FieldUnsigned(ui.Text(kParkingDc));
    f.minStateAc = FieldSigned(ui.Text(kMinStateAc));
    f.minStateDc = FieldSigned(ui.Text(kMinStateDc));
    for (bool ac : {true, false}) {
        PolicyFields& p = ac ? f.ac : f.dc;
        const int lists[] = {ac ? kPolicyAc : kPolicyDc, ac ? kLongPolicyAc : kLongPolicyDc,
                             ac ? kShortPolicyAc : kShortPolicyDc};
        int selections[3];
        p.selected = true;
        for (int i = 0; i < 3; ++i) {
            selections[i] = ui.Has(lists[i]) ? ui.Selection(lists[i]) : -1;
            if (selections[i] < 0) p.selected = false;
        }
        if (p.selected) {
            p.policy = static_cast<uint32_t>(selections[0]);
            p.longPolicy = static_cast<uint32_t>(selections[1]);
            p.shortPolicy = static_cast<uint32_t>(selections[2]);
        }
    }
    state_.remember = ui.Has(kRemember) && ui.Checked(kRemember);
    state_.sidePresetAc = state_.sidePresetDc = 0;
    if (variant_ == EditorVariant::Classic) {
        if (ui.Has(kPresetListAc)) state_.sidePresetAc = std::max(0, ui.Selection(kPresetListAc));
        if (ui.Has(kPresetListDc)) state_.sidePresetDc = std::max(0, ui.Selection(kPresetListDc));
    }
}

// ---- Writing

bool PlanEditorPresenter::Apply() {
    Action action(*this); return ApplyTo(SelectedName(), ShownClass()); }

bool PlanEditorPresenter::ApplyTo(const std::u16string& name, int efficiencyClass) {
    const int staged = state_.stagedPreset;
    ClearPending();
    host_.PostPendingEditsChanged();
    Guid plan;
    if (!Resolve(name, plan)) return true;

    ReadFields(plan, name, efficiencyClass);
    state_.stagedPreset = staged;
    WriteFailure failure;
    const bool ok = ApplyEditor(power_, state_, &failure);
    if (!ok) {
        const std::u16string text = LoadText(kApplyFailed) + u"\n\n" + WriteFailureText(failure);
        host_.Message(text, mb::kIconError);
    }
    Reload();
    return ok;
}

void PlanEditorPresenter::ClearPending() {
    state_.stagedPreset = 0;
    state_.pendingEdits = false;
}

void PlanEditorPresenter::SetPending() {
    state_.pendingEdits = true;
    host_.PostPendingEditsChanged();
}

void PlanEditorPresenter::StagePreset(int preset) {
    Action action(*this);
    Guid plan;
    if (!SelectedPlan(plan)) return;
    ReadFields(plan, SelectedName(), ShownClass());
    const uint32_t ac = state_.fields.parkingAc, dc = state_.fields.parkingDc;
    quellora::StagePreset(power_, state_, preset);
    // A value the preset does not give leaves its field as it was.
    if (state_.fields.parkingAc != ac || c().Text(kParkingAc) == ToDecimal(ac)) PutParking(true, state_.fields.parkingAc);
    if (state_.fields.parkingDc != dc || c().Text(kParkingDc) == ToDecimal(dc)) PutParking(false, state_.fields.parkingDc);
    host_.PostPendingEditsChanged();
}

// ---- Summary

bool PlanEditorPresenter::HasWindowsDefaults(const Guid& plan) {
    uint32_t value = 0;
    return ReadWindowsDefault(plan, guids::kCoreParkingMin0, true, value);
}

void PlanEditorPresenter::UpdateSummary() {
    Action action(*this);
    ControlSurface& ui = c();
    if (variant_ == EditorVariant::Classic) return;
    Guid plan;
    const bool found = SelectedPlan(plan);
    const bool defaults = found && HasWindowsDefaults(plan);
    const int staged = state_.stagedPreset;
    if (ui.Has(kSummaryPlan)) ui.SetText(kSummaryPlan, Format(LoadText(kSummaryPlanText), SelectedName()));

    // The preset the plan matches, read once for the radio buttons and the summary line.
    const int detected = found && staged == 0 ? DetectPreset(power_, plan, Sides::Both) : 0;
    const int shown = staged > 0 ? staged : detected;
    const int radios[] = {kPreset1, kPreset2, kPreset3};
    for (int i = 0; i < 3; ++i) {
        if (ui.Has(radios[i])) ui.SetChecked(radios[i], shown == i + 1);
    }
    if (ui.Has(kPreset2)) ui.Enable(kPreset2, defaults);

    if (ui.Has(kSummaryPreset)) {
        uint32_t text = kNoDefaults;
        if (staged >= 1 && staged <= 3) {
            text = kStaged[staged - 1];
        } else if (found && defaults) {
            text = detected > 0 ? kMatchesPreset : kNoPreset;
        }
        ui.SetText(kSummaryPreset, LoadText(text));
    }

    if (ui.Has(kSummaryParking)) {
        const bool ac = OnMains();
        std::optional<uint32_t> v;
        if (state_.pendingEdits) {
            bool number = false;
            const uint32_t typed = FieldUnsigned(ui.Text(ac ? kParkingAc : kParkingDc), &number);
            if (number && ShownClass() != 1) {
                v = std::min<uint32_t>(typed, 100);
            } else if (staged > 0 && found) {
                v = PresetValue(power_, plan, staged, guids::kCoreParkingMin0, ac);
            }
        }
        if (!v) {
            uint32_t current = 100;
            if (!found || !power_.ReadCoreParkingMin(plan, 0, ac, current)) current = 100;
            v = current;
        }
        const bool pending = state_.pendingEdits;
        const std::u16string text = *v > 99 ? LoadText(pending ? kParkingOffPending : kParkingOffText)
                                            : Format(LoadText(pending ? kParkingFloorPending : kParkingFloorText), *v);
        ui.SetText(kSummaryParking, text);
    }
}

void PlanEditorPresenter::UpdateActivateButton() {
    Action action(*this);
    ControlSurface& ui = c();
    if (!ui.Has(kActivate)) return;
    Guid plan;
    ui.Enable(kActivate, SelectedPlan(plan) && !power_.IsActivePlan(plan));
}

void PlanEditorPresenter::OnPendingEditsChanged() {
    Action action(*this);
    ControlSurface& ui = c();
    const bool pending = state_.pendingEdits;
    if (ui.Has(kDiscard)) ui.Show(kDiscard, pending);
    if (variant_ == EditorVariant::Dashboard) host_.SetGlow(pending);
    host_.SetApplyAccessibleName(pending ? LoadText(kApplyPendingName) : std::u16string());
    UpdateSummary();
}

// ---- Input

void PlanEditorPresenter::OnPlanOrClassChosen() {
    if (state_.pendingEdits) {
        const int answer = host_.Message(LoadText(kApplyQuestion), mb::kYesNo | mb::kIconQuestion);
        // The edits belong to the plan and class they were made on.
        if ((answer & 0xFFFF) == mb::kIdYes) ApplyTo(shownName_, shownClass_);
    }
    ClearPending();
    host_.PostPendingEditsChanged();
    Reload();
    UpdateSummary();
    UpdateActivateButton();
}

void PlanEditorPresenter::OnDefaultRadio(int field, const Guid& setting, bool ac, uint32_t fallback) {
    SetPending();
    Guid plan;
    uint32_t value = 0;
    if (!SelectedPlan(plan) || !ReadWindowsDefault(plan, setting, ac, value) || value == 100) value = fallback;
    c().SetText(field, ToDecimal(value));
}

void PlanEditorPresenter::OnPresetClicked(int preset) {
    Guid plan;
    const bool found = SelectedPlan(plan);
    if (preset == preset::kWindowsDefaults && !(found && HasWindowsDefaults(plan))) {
        UpdateSummary();
        return;
    }
    if (preset != state_.stagedPreset) {
        StagePreset(preset);
        UpdateSummary();
        return;
    }
    // The staged preset clicked again: the staging is discarded.
    ClearPending();
    host_.PostPendingEditsChanged();
    Reload();
    UpdateSummary();
    UpdateActivateButton();
}

void PlanEditorPresenter::OnCommand(int control, uint32_t notification, bool focused) {
    Action action(*this);
    const bool classic = variant_ == EditorVariant::Classic;
    switch (control) {
        case kPlanList:
        case kClassList:
            if (notification == kSelectionOk) OnPlanOrClassChosen();
            return;
        case kParkingAc:
        case kParkingDc:
            if (notification == kEditChange && focused && !classic) {
                SetPending();
                UpdateSummary();
            }
            return;
        case kMinStateAc:
        case kMinStateDc:
            if (notification == kEditChange && focused && !classic) SetPending();
            return;
        case kPolicyAc:
        case kPolicyDc:
        case kLongPolicyAc:
        case kLongPolicyDc:
        case kShortPolicyAc:
        case kShortPolicyDc:
        case kPresetListAc:
        case kPresetListDc:
            if (notification == kSelectionChange) SetPending();
            return;
        default:
            break;
    }
    if (notification != kButtonClicked) return;
    const int efficiencyClass = ShownClass();
    switch (control) {
        case kParkingLimitedAc:
        case kParkingLimitedDc:
            OnDefaultRadio(control == kParkingLimitedAc ? kParkingAc : kParkingDc, ParkingSetting(efficiencyClass),
                           control == kParkingLimitedAc, 10);
            UpdateSummary();
            break;
        case kParkingOffAc:
        case kParkingOffDc:
            SetPending();
            c().SetText(control == kParkingOffAc ? kParkingAc : kParkingDc, u"100");
            UpdateSummary();
            break;
        case kMinNormalAc:
        case kMinNormalDc:
            OnDefaultRadio(control == kMinNormalAc ? kMinStateAc : kMinStateDc, MinStateSetting(efficiencyClass),
                           control == kMinNormalAc, 5);
            break;
        case kMinFullAc:
        case kMinFullDc:
            SetPending();
            c().SetText(control == kMinFullAc ? kMinStateAc : kMinStateDc, u"100");
            break;
        case kPreset1:
        case kPreset2:
        case kPreset3:
            OnPresetClicked(control - kPreset1 + 1);
            break;
        case kRemember: {
            Guid plan;
            if (!SelectedPlan(plan)) plan = power_.QueryActivePlanOrNull();
            if (c().Checked(kRemember)) {
                Apply();
            } else if (!plan.IsNull()) {
                DeleteStored(power_, plan);
            }
            break;
        }
        case kActivate:
            if (!classic && IsBoostEnabled()) {
                SetBoostEnabled(false);
                host_.BoostTurnedOff();
            }
            power_.ActivatePlanByName(SelectedName());
            UpdateSummary();
            UpdateActivateButton();
            break;
        case kAdvanced: {
            Guid plan;
            if (!SelectedPlan(plan)) plan = power_.QueryActivePlanOrNull();
            host_.OpenAdvancedEditor(plan);
            Reload();
            UpdateSummary();
            UpdateActivateButton();
            break;
        }
        case kApply:
            Apply();
            UpdateSummary();
            UpdateActivateButton();
            break;
        default:
            break;
    }
}

void PlanEditorPresenter::OnLink(int control) {
    Action action(*this);
    if (control == kDiscard) {
        ClearPending();
        host_.PostPendingEditsChanged();
        Reload();
        UpdateSummary();
        UpdateActivateButton();
    } else if (control == kRestoreDefaults) {
        RestoreDefaults();
        Reload();
        UpdateSummary();
    }
}

void PlanEditorPresenter::RestoreDefaults() {
    Guid plan;
    if (!SelectedPlan(plan)) {
        host_.Message(LoadText(kDefaultsFailed), mb::kIconError);
        return;
    }
    bool ok = false;
    uint32_t text = kDefaultsFailed;
    if (IsMakerPlan(plan)) {
        ok = RefreshMakerPlan(power_);
        text = kMakerPlanRefreshed;
    } else if (ResetToWindowsDefaults(power_, plan)) {
        power_.ActivateCurrentScheme();
        ok = true;
        text = kDefaultsRestored;
    }
    DeleteStored(power_, plan);
    if (ok) {
        host_.Message(LoadText(text), mb::kIconInformation);
    } else {
        host_.Message(LoadText(kDefaultsFailed), mb::kIconError);
    }
}

}  // namespace quellora
