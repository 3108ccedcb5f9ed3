#include "tray/boost_dialog.h"

#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "boost/boost_text_ids.h"
#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "tray/companion.h"

namespace quellora {

bool ParseIdleSeconds(std::u16string_view text, uint32_t& seconds) {
    const std::u16string trimmed = TrimWhite(text);
    if (trimmed.empty() || trimmed.size() > 10) return false;
    uint64_t value = 0;
    for (char16_t c : trimmed) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + static_cast<uint64_t>(c - u'0');
    }
    if (value == 0 || value > kMaxIdleSeconds) return false;
    seconds = static_cast<uint32_t>(value);
    return true;
}

void BoostDialog::EnableDependents(bool enabled) {
    for (int control : kBoostDialogDependents) surface_.Enable(control, enabled);
}

void BoostDialog::OnInit() {
    PowerSchemeAccess power;
    const bool enabled = IsBoostEnabled();
    surface_.SetCheck(boostdlg::kEnable, enabled);
    surface_.SetCheck(boostdlg::kPauseBatterySaver, GetPauseOnBatterySaver());
    surface_.SetCheck(boostdlg::kPauseOnBattery, GetBatteryMode() == BatteryMode::Pause);
    const int32_t timeoutMs = GetIdleTimeoutMs();
    const uint32_t seconds = (timeoutMs < 1 ? kDefaultIdleTimeoutMs : static_cast<uint32_t>(timeoutMs)) / 1000;
    surface_.SetText(boostdlg::kIdleSeconds, ToDecimal(seconds));

    const Guid inUse = GetActivePlan(power);
    const Guid idle = GetIdlePlan(power);
    std::vector<std::u16string> names;
    int inUseIndex = -1, idleIndex = -1;
    for (const Guid& plan : power.EnumeratePlans(false)) {
        std::u16string name;
        if (!power.PlanDisplayName(plan, name) || name.empty()) continue;
        if (plan == inUse) inUseIndex = static_cast<int>(names.size());
        if (plan == idle) idleIndex = static_cast<int>(names.size());
        names.push_back(std::move(name));
    }
    surface_.FillList(boostdlg::kInUsePlan, names, inUseIndex);
    surface_.FillList(boostdlg::kIdlePlan, names, idleIndex);
    EnableDependents(enabled);
}

void BoostDialog::OnEnableClicked() {
    if (surface_.Checked(boostdlg::kEnable)) {
        if (RestwellActive()) {
            surface_.Message(LoadText(ids::kBoostRestwellActive), mb::kOk | mb::kIconError);
            surface_.SetCheck(boostdlg::kEnable, false);
        } else if (!surface_.ConfirmCompanionConflicts()) {
            surface_.SetCheck(boostdlg::kEnable, false);
        }
    }
    EnableDependents(surface_.Checked(boostdlg::kEnable));
}

bool BoostDialog::OnClose() {
    SetBoostEnabled(surface_.Checked(boostdlg::kEnable));
    uint32_t seconds = 0;
    if (!ParseIdleSeconds(surface_.Text(boostdlg::kIdleSeconds), seconds)) {
        surface_.Message(LoadText(ids::kBoostIdleTimeInvalid), mb::kOk | mb::kIconError);
        return false;
    }
    SetIdleTimeoutSeconds(seconds);
    PowerSchemeAccess power;
    Guid plan;
    if (const std::u16string text = surface_.ListText(boostdlg::kInUsePlan);
        !text.empty() && power.FindPlanByName(text, plan)) {
        SetActivePlan(plan);
    }
    if (const std::u16string text = surface_.ListText(boostdlg::kIdlePlan);
        !text.empty() && power.FindPlanByName(text, plan)) {
        SetIdlePlan(plan);
    }
    SetPauseOnBatterySaver(surface_.Checked(boostdlg::kPauseBatterySaver));
    SetPauseOnBattery(surface_.Checked(boostdlg::kPauseOnBattery));
    if (IsBoostEnabled() && !IsBoostRunning()) StartBoost();
    ReloadBoost();
    surface_.End(boostdlg::kOk);
    return true;
}

void BoostDialog::OnCancel() { surface_.End(boostdlg::kCancel); }

}  // namespace quellora
