// The plan editor of the dashboard and the hybrid page (and, with the classic
// variant, of the classic dialog, which carries the same controls): which
// plan and class it shows, what each field, radio button, preset and link
// does, the summary lines, and Apply, which hands the fields to the model's
// staging and writing order (model/plan_editor). The windows hand it their
// notifications and carry out what it asks through an EditorHost.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/plan_editor.h"
#include "platform/guid.h"
#include "ui/control_surface.h"

namespace quellora {

class PowerSchemeAccess;
struct WriteFailure;

namespace editor {
// Controls (the contract with the page templates).
inline constexpr int kPlanList = 3101;
inline constexpr int kClassList = 3224;
inline constexpr int kParkingAc = 3103;
inline constexpr int kParkingDc = 3018;
inline constexpr int kParkingLimitedAc = 3097;
inline constexpr int kParkingLimitedDc = 3099;
inline constexpr int kParkingOffAc = 3098;
inline constexpr int kParkingOffDc = 3100;
inline constexpr int kMinStateAc = 3106;
inline constexpr int kMinStateDc = 3109;
inline constexpr int kMinNormalAc = 3104;
inline constexpr int kMinNormalDc = 3107;
inline constexpr int kMinFullAc = 3105;
inline constexpr int kMinFullDc = 3108;
inline constexpr int kPreset1 = 9406;
inline constexpr int kPreset2 = 9407;
inline constexpr int kPreset3 = 9408;
inline constexpr int kApply = 3;
inline constexpr int kDiscard = 9450;
inline constexpr int kGlowFrame = 9451;
inline constexpr int kRemember = 3206;
inline constexpr int kActivate = 3255;
inline constexpr int kRestoreDefaults = 3263;
inline constexpr int kAdvanced = 3400;
inline constexpr int kFrame = 9410;
inline constexpr int kSummaryPlan = 9405;
inline constexpr int kSummaryPreset = 9436;
inline constexpr int kSummaryParking = 9437;
inline constexpr int kPolicyAc = 3275;
inline constexpr int kPolicyDc = 3276;
inline constexpr int kLongPolicyAc = 3283;
inline constexpr int kLongPolicyDc = 3285;
inline constexpr int kShortPolicyAc = 3284;
inline constexpr int kShortPolicyDc = 3286;
inline constexpr int kPresetListAc = 3411;  // classic dialog
inline constexpr int kPresetListDc = 3412;

// Notifications the editor reacts to.
inline constexpr uint32_t kButtonClicked = 0;    // BN_CLICKED
inline constexpr uint32_t kSelectionChange = 1;  // CBN_SELCHANGE
inline constexpr uint32_t kEditChange = 0x0300;  // EN_CHANGE
inline constexpr uint32_t kSelectionOk = 9;      // CBN_SELENDOK

// Texts.
inline constexpr uint32_t kApplyQuestion = 211;
inline constexpr uint32_t kApplyFailed = 1041;
inline constexpr uint32_t kNoFailureRecorded = 9209;
inline constexpr uint32_t kActivationFailed = 9522;
inline constexpr uint32_t kRefusedAc = 9523;  // (label, value, error)
inline constexpr uint32_t kRefusedDc = 9524;
inline constexpr uint32_t kPlansBusy = 9540;
inline constexpr uint32_t kAdvancedButton = 9201;
inline constexpr uint32_t kFrameCaption = 9371;  // (plan)
inline constexpr uint32_t kApplyPendingName = 9455;
inline constexpr uint32_t kDefaultsTooltip = 9531;
}  // namespace editor

enum class EditorVariant : uint8_t {
    Dashboard,  // the dashboard and the hybrid page: summary, preset radios, glow, discard link
    Classic,    // the classic dialog: preset lists per power source; typing does not mark edits pending
};

// What the windows that hold the editor do for it.
class EditorHost {
public:
    virtual ~EditorHost() = default;
    // The editor's controls: on the dashboard first, then on the hybrid page.
    virtual ControlSurface& Controls() = 0;
    // Posts WM_PENDING_EDITS_CHANGED to the main window.
    virtual void PostPendingEditsChanged() = 0;
    // A message box owned by the top-level window; answers the button.
    virtual int Message(std::u16string_view text, uint32_t style) = 0;
    // The glow behind Apply (the classic dialog has none).
    virtual void SetGlow(bool on) = 0;
    // The accessible name of Apply; empty: the button's own.
    virtual void SetApplyAccessibleName(std::u16string_view name) = 0;
    // The advanced settings editor, modal, for a plan.
    virtual void OpenAdvancedEditor(const Guid& plan) = 0;
    // Dynamic Boost was turned off: the dashboard's link and the Dynamic Boost page follow.
    virtual void BoostTurnedOff() = 0;
};

// The text of a refused write: string 9522 when the activation failed, 9523
// (AC) or 9524 (DC) with the setting's label, value and error code, 9209 when
// nothing was recorded.
std::u16string WriteFailureText(const WriteFailure& failure);

// The tooltips of the editor's controls: (control, string).
struct EditorTooltip {
    int control;
    uint32_t text;
};
const std::vector<EditorTooltip>& EditorTooltips();

class PlanEditorPresenter {
public:
    PlanEditorPresenter(EditorHost& host, PowerSchemeAccess& power, EditorVariant variant = EditorVariant::Dashboard);

    // Fills the class list (and shows it when the class can be chosen), the
    // policy lists on a heterogeneous processor, the preset lists of the
    // classic dialog, then the plan list and the fields.
    void Initialise();
    // Fills the plan list: every listed plan by its display name, the active one selected.
    void FillPlanList();
    // When the active plan's name changed: with pending edits and a selection
    // the list is refilled keeping the selection and the edits; otherwise it
    // is refilled (the active plan selected) and the fields reloaded.
    void ReloadPlanList();
    // Fills every editor control from the selected plan.
    void Reload();
    // Writes the controls to the selected plan; false when a write failed
    // (the user has been told).
    bool Apply();
    void StagePreset(int preset);
    void UpdateSummary();
    void UpdateActivateButton();

    // WM_COMMAND of the page: the control, its notification and whether the
    // control has the focus (a field the user types into).
    void OnCommand(int control, uint32_t notification, bool focused);
    // NM_CLICK or NM_RETURN of a link.
    void OnLink(int control);
    // WM_PENDING_EDITS_CHANGED.
    void OnPendingEditsChanged();

    bool pendingEdits() const { return state_.pendingEdits; }
    int stagedPreset() const { return state_.stagedPreset; }
    // Clears the pending edits and the staged preset (the window was closed,
    // a plan or class was chosen).
    void ClearPending();
    EditorVariant variant() const { return variant_; }
    bool classSelectable() const { return classSelectable_; }
    const EditorState& state() const { return state_; }

private:
    // One user action (or one call of the window's) resolves the selected
    // plan's name once: the plans are looked up again at the next action.
    class Action {
    public:
        explicit Action(PlanEditorPresenter& p) : p_(p) {
            if (p_.depth_++ == 0) p_.resolvedValid_ = false;
        }
        ~Action() { --p_.depth_; }

    private:
        PlanEditorPresenter& p_;
    };
    bool Resolve(const std::u16string& name, Guid& plan);

    ControlSurface& c() { return host_.Controls(); }
    std::u16string SelectedName();
    bool SelectedPlan(Guid& plan);
    int ShownClass();
    // The fields as the controls hold them, for `plan` and `efficiencyClass`.
    void ReadFields(const Guid& plan, const std::u16string& name, int efficiencyClass);
    bool ApplyTo(const std::u16string& name, int efficiencyClass);
    void SetPending();
    void PutParking(bool ac, uint32_t value);
    void OnPlanOrClassChosen();
    void OnPresetClicked(int preset);
    void OnDefaultRadio(int field, const Guid& setting, bool ac, uint32_t fallback);
    void RestoreDefaults();
    bool HasWindowsDefaults(const Guid& plan);
    void SelectPolicies(bool ac, const PolicyFields& policies);

    EditorHost& host_;
    PowerSchemeAccess& power_;
    EditorVariant variant_;
    bool heterogeneous_ = false;
    bool classSelectable_ = false;
    EditorState state_;
    // The plan and class the fields were last loaded from: edits a choice of
    // another plan or class asks about are written to these.
    std::u16string shownName_;
    int shownClass_ = 0;
    int depth_ = 0;
    bool resolvedValid_ = false;
    std::u16string resolvedName_;
    Guid resolvedPlan_;
    bool resolvedFound_ = false;
};

}  // namespace quellora
