#include "ui/boost_page.h"

#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "tray/companion.h"

namespace quellora {

using namespace boost_page;

namespace {

// The four plan lists and the setting each one edits.
struct PlanListRow {
    int control;
    Guid (*get)(PowerSchemeAccess&);
    bool (*set)(const Guid&);
};
constexpr PlanListRow kPlanLists[] = {
    {kActivePlan, GetActivePlan, SetActivePlan},
    {kIdlePlan, GetIdlePlan, SetIdlePlan},
    {kActivePlanDc, GetActivePlanDC, SetActivePlanDC},
    {kIdlePlanDc, GetIdlePlanDC, SetIdlePlanDC},
};

const PlanListRow* PlanListOf(int control) {
    for (const PlanListRow& row : kPlanLists)
        if (row.control == control) return &row;
    return nullptr;
}

// The idle time as the field shows it: whole seconds, the default for a stored time below 1.
std::u16string IdleSecondsText() {
    const int32_t ms = GetIdleTimeoutMs();
    return ToDecimal(static_cast<uint32_t>(ms > 0 ? ms : static_cast<int32_t>(kDefaultIdleTimeoutMs)) / 1000);
}

// Sets a flag for as long as it lives.
class Suppress {
public:
    explicit Suppress(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~Suppress() { flag_ = was_; }

private:
    bool& flag_;
    bool was_;
};

}  // namespace

BoostPagePresenter::BoostPagePresenter(BoostPageHost& host, PowerSchemeAccess& power) : host_(host), power_(power) {}

void BoostPagePresenter::Initialise() {
    Suppress quiet(suppress_);
    std::vector<std::u16string> modes;
    for (uint32_t text : kBatteryModeTexts) modes.push_back(LoadText(text));
    c().SetItems(kBatteryMode, modes);
    if (c().Has(kNote)) c().SetText(kNote, c().Text(kNote) + u" " + LoadText(kNoteSuffix));
}

void BoostPagePresenter::FillPlanLists() {
    // The plans by display name; the maker's plan only where Windows lists it.
    std::vector<Guid> plans;
    std::vector<std::u16string> names;
    for (const Guid& plan : power_.EnumeratePlans(false)) {
        std::u16string name;
        if (!power_.PlanDisplayName(plan, name) || name.empty()) continue;
        plans.push_back(plan);
        names.push_back(std::move(name));
    }
    for (const PlanListRow& row : kPlanLists) SelectPlan(row.control, names, plans, row.get(power_));
}

void BoostPagePresenter::SelectPlan(int control, const std::vector<std::u16string>& names,
                                    const std::vector<Guid>& plans, const Guid& stored) {
    c().SetItems(control, names);
    for (size_t i = 0; i < plans.size(); ++i) {
        if (plans[i] == stored) {
            c().Select(control, static_cast<int>(i));
            break;
        }
    }
}

void BoostPagePresenter::Load() {
    Suppress quiet(suppress_);
    FillPlanLists();
    c().SetText(kIdleSeconds, IdleSecondsText());
    c().Select(kBatteryMode, static_cast<int>(GetBatteryMode()));
    c().SetChecked(kPauseOnSaver, GetPauseOnBatterySaver());
    c().SetChecked(kAwayIsIdle, GetAwayIsIdle());
}

void BoostPagePresenter::EnableIfNeeded(int control, bool enabled) {
    if (c().Enabled(control) != enabled) c().Enable(control, enabled);
}

void BoostPagePresenter::Refresh() {
    const bool on = IsBoostEnabled();
    c().SetChecked(kEnabled, on);
    for (int control : {kActivePlan, kIdlePlan, kIdleSeconds, kBatteryMode, kPauseOnSaver, kAwayIsIdle})
        EnableIfNeeded(control, on);
    const bool batteryPlans = on && GetBatteryMode() == BatteryMode::BatteryPlans;
    EnableIfNeeded(kActivePlanDc, batteryPlans);
    EnableIfNeeded(kIdlePlanDc, batteryPlans);
    const std::u16string status = on ? BoostStatusText() : LoadText(kOffStatus);
    if (c().Text(kStatus) != status) c().SetText(kStatus, status);
    const bool conflicts = on && !GetCompanionConflicts().empty();
    if (c().Visible(kConflictsLink) != conflicts) c().Show(kConflictsLink, conflicts);
}

void BoostPagePresenter::Notify() {
    // The status line reads the settings again at once; the worker at its next wake.
    ForgetBoostSettingsCache();
    ReloadBoost();
    Refresh();
    host_.UpdateDashboardBoostLink();
}

void BoostPagePresenter::OnCommand(int control, uint32_t notification) {
    if (suppress_) return;
    if (PlanListOf(control)) {
        if (notification == kSelectionChange) OnPlanChosen(control);
        return;
    }
    switch (control) {
        case kIdleSeconds:
            if (notification == kEditChange) OnIdleTimeTyped();
            if (notification == kKillFocus) OnIdleTimeLeft();
            return;
        case kEnabled:
            if (notification != kButtonClicked) return;
            SwitchOnOff();
            Notify();
            return;
        case kPauseOnSaver:
            if (notification != kButtonClicked) return;
            SetPauseOnBatterySaver(c().Checked(kPauseOnSaver));
            Notify();
            return;
        case kAwayIsIdle:
            if (notification != kButtonClicked) return;
            SetAwayIsIdle(c().Checked(kAwayIsIdle));
            Notify();
            return;
        case kBatteryMode: {
            const int mode = c().Selection(kBatteryMode);
            if (notification != kSelectionChange || mode < 0 || mode > 2) return;
            SetBatteryMode(static_cast<BatteryMode>(mode));
            Notify();
            return;
        }
        default:
            return;
    }
}

void BoostPagePresenter::OnPlanChosen(int control) {
    const int index = c().Selection(control);
    if (index < 0) return;
    Guid plan;
    // A name that no longer matches a plan stays chosen on screen, unwritten, until the next load.
    if (!power_.FindPlanByName(c().ItemText(control, index), plan) || plan.IsNull()) return;
    PlanListOf(control)->set(plan);
    Notify();
}

void BoostPagePresenter::OnIdleTimeTyped() {
    bool isNumber = false;
    const uint32_t seconds = FieldUnsigned(c().Text(kIdleSeconds), &isNumber);
    if (!isNumber || seconds == 0) return;
    // The stored value is whole seconds; beyond the signed range the time is cut to it.
    const uint64_t ms = static_cast<uint64_t>(seconds) * 1000;
    SetIdleTimeoutMs(static_cast<int32_t>(ms > 0x7FFFFFFFull ? 0x7FFFFFFFull / 1000 * 1000 : ms));
    Notify();
}

void BoostPagePresenter::OnIdleTimeLeft() {
    bool isNumber = false;
    if (FieldUnsigned(c().Text(kIdleSeconds), &isNumber) > 0 && isNumber) return;
    host_.Message(LoadText(kIdleTimeError), mb::kIconError);
    Suppress quiet(suppress_);
    c().SetText(kIdleSeconds, IdleSecondsText());
}

void BoostPagePresenter::SwitchOnOff() {
    if (IsBoostEnabled()) {
        SetBoostEnabled(false);
        return;
    }
    if (RestwellActive()) {
        host_.Message(LoadText(kRestwellActive), mb::kIconError);
        return;
    }
    if (!host_.PromptConflicts()) return;
    SetBoostEnabled(true);
    if (!IsBoostRunning()) StartBoost();
}

void BoostPagePresenter::OnLink(int control) {
    if (control == kConflictsLink) host_.ShowConflicts();
}

}  // namespace quellora
