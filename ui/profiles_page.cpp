#include "ui/profiles_page.h"

#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/text.h"
#include "power/maker_plan_scan.h"
#include "power/power_scheme_access.h"

namespace quellora {

using namespace profiles_page;

namespace {

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) { return FoldCase(a) == FoldCase(b); }

}  // namespace

std::u16string CaptureTimeText(std::u16string_view stored, const LocalTimeConverter& toLocal) {
    CalendarTime utc, local;
    if (!ParseTimeStamp(stored, utc) || !toLocal || !toLocal(utc, local)) return std::u16string(stored);
    return Format(u"%04u-%02u-%02u %02u:%02u", local.year, local.month, local.day, local.hour, local.minute);
}

ProfilesPagePresenter::ProfilesPagePresenter(ProfilesPageHost& host, PowerSchemeAccess& power)
    : host_(host), power_(power) {}

void ProfilesPagePresenter::Initialise() {
    FillPlanBox();
    FillList();
}

void ProfilesPagePresenter::Shown() {
    const ProfileInfo* selected = Selected();
    FillList(selected ? std::u16string(selected->name) : std::u16string());
    FillPlanBox();
}

void ProfilesPagePresenter::FillPlanBox() {
    const int chosenIndex = c().Selection(kPlanBox);
    const std::u16string chosen = chosenIndex >= 0 ? c().ItemText(kPlanBox, chosenIndex) : std::u16string();
    const Guid active = power_.QueryActivePlanOrNull();
    std::vector<std::u16string> names;
    int select = -1, keep = -1;
    for (const Guid& plan : power_.EnumeratePlans(UserListsMakerPlan())) {
        std::u16string name;
        // A plan without a name cannot be found by it: it is not listed.
        if (!power_.PlanDisplayName(plan, name) || name.empty()) continue;
        if (plan == active && select < 0) select = static_cast<int>(names.size());
        if (!chosen.empty() && name == chosen && keep < 0) keep = static_cast<int>(names.size());
        names.push_back(std::move(name));
    }
    c().SetItems(kPlanBox, names);
    if (keep >= 0) select = keep;
    if (select >= 0) c().Select(kPlanBox, select);
}

void ProfilesPagePresenter::FillList(std::u16string_view select) {
    profiles_ = ListProfiles();
    std::vector<ProfileRow> rows;
    rows.reserve(profiles_.size());
    const LocalTimeConverter toLocal = [this](const CalendarTime& utc, CalendarTime& local) {
        return host_.ToLocalTime(utc, local);
    };
    for (const ProfileInfo& p : profiles_) rows.push_back({p.name, p.capturedFromPlan, CaptureTimeText(p.captured, toLocal)});
    host_.SetRows(rows);
    if (!select.empty()) {
        for (size_t i = 0; i < profiles_.size(); ++i) {
            if (SameNameIgnoringCase(profiles_[i].name, select)) {
                host_.SelectRow(static_cast<int>(i));
                break;
            }
        }
    }
    OnSelectionChanged();
}

const ProfileInfo* ProfilesPagePresenter::Selected() {
    const int row = host_.SelectedRow();
    if (row < 0 || static_cast<size_t>(row) >= profiles_.size()) return nullptr;
    return &profiles_[static_cast<size_t>(row)];
}

void ProfilesPagePresenter::OnSelectionChanged() {
    const ProfileInfo* p = Selected();
    const std::u16string details =
        p ? Format(LoadText(kDetailsText), p->capturedFromPlan,
                   CaptureTimeText(p->captured,
                                   [this](const CalendarTime& utc, CalendarTime& local) {
                                       return host_.ToLocalTime(utc, local);
                                   }),
                   p->cpu)
          : std::u16string();
    c().SetText(kDetails, details);
    c().Enable(kApply, p != nullptr);
    c().Enable(kExport, p != nullptr);
}

void ProfilesPagePresenter::OnCommand(int command) {
    switch (command) {
        case kSave: Save(); return;
        case kApply: Apply(); return;
        case kRename: Rename(); return;
        case kDelete: Delete(); return;
        case kImport: Import(); return;
        case kExport: Export(); return;
        default: return;
    }
}

void ProfilesPagePresenter::OnDoubleClick() { Apply(); }
void ProfilesPagePresenter::OnDeleteKey() { Delete(); }

void ProfilesPagePresenter::OnContextMenu() {
    if (Selected()) host_.ShowContextMenu(host_.SelectedRow());
}

bool ProfilesPagePresenter::AskYes(std::u16string_view text) {
    return host_.Message(text, mb::kYesNo | mb::kIconQuestion) == mb::kIdYes;
}

void ProfilesPagePresenter::Tell(std::u16string_view text, uint32_t icon) { host_.Message(text, mb::kOk | icon); }

std::optional<std::u16string> ProfilesPagePresenter::AskName(uint32_t prompt, std::u16string text) {
    const std::u16string promptText = LoadText(prompt);
    for (;;) {
        if (text.size() > kMaxNameInput) text.resize(kMaxNameInput);
        if (!host_.AskText(promptText, text)) return std::nullopt;
        std::u16string name = TrimWhite(text);
        if (IsValidProfileName(name)) return name;
        Tell(LoadText(kInvalidName), mb::kIconError);
    }
}

bool ProfilesPagePresenter::ChosenPlan(Guid& plan, std::u16string& name) {
    const int index = c().Selection(kPlanBox);
    if (index < 0) return false;
    name = c().ItemText(kPlanBox, index);
    return power_.FindPlanByName(name, plan);
}

void ProfilesPagePresenter::Save() {
    Guid plan;
    std::u16string planName;
    if (!ChosenPlan(plan, planName)) return;
    const std::optional<std::u16string> name = AskName(kSavePrompt, SuggestProfileName(planName));
    if (!name) return;
    if (ProfileExists(*name) && !AskYes(Format(LoadText(kReplaceQuestion), *name))) return;
    PlanSettings settings;
    ProfileInfo info;
    if (!CaptureProfile(power_, plan, *name, settings, info) || !SaveProfile(info, settings)) {
        Tell(LoadText(kFailed), mb::kIconError);
        return;
    }
    FillList(*name);
    Tell(Format(LoadText(kSaved), planName, *name), mb::kIconInformation);
}

void ProfilesPagePresenter::Apply() {
    const ProfileInfo* p = Selected();
    if (!p) return;
    const std::u16string profile = p->name;
    Guid plan;
    std::u16string planName;
    if (!ChosenPlan(plan, planName)) return;
    if (!AskYes(Format(LoadText(kApplyQuestion), profile, planName))) return;
    PlanSettings settings;
    ProfileInfo info;
    if (!LoadProfile(profile, settings, info)) {
        Tell(LoadText(kFailed), mb::kIconError);
        return;
    }
    const bool ok = ApplyProfile(power_, settings, plan, true);
    host_.ReloadPlanEditor();
    if (ok)
        Tell(Format(LoadText(kApplied), profile, planName), mb::kIconInformation);
    else
        Tell(LoadText(kApplyFailed), mb::kIconError);
}

void ProfilesPagePresenter::Rename() {
    const ProfileInfo* p = Selected();
    if (!p) return;
    const std::u16string oldName = p->name;
    const std::optional<std::u16string> name = AskName(kRenamePrompt, oldName);
    if (!name || SameNameIgnoringCase(*name, oldName)) return;
    const bool replace = ProfileExists(*name);
    if (replace && !AskYes(Format(LoadText(kReplaceQuestion), *name))) return;
    // The other profile is replaced in the same step that writes the renamed
    // one: a rename that fails leaves both as they were.
    const bool ok = RenameProfile(oldName, *name, replace);
    if (!ok) Tell(LoadText(kFailed), mb::kIconError);
    FillList(ok ? *name : oldName);
}

void ProfilesPagePresenter::Delete() {
    const ProfileInfo* p = Selected();
    if (!p) return;
    const std::u16string name = p->name;
    if (!AskYes(Format(LoadText(kDeleteQuestion), name))) return;
    if (!DeleteProfile(name)) Tell(LoadText(kFailed), mb::kIconError);
    FillList();
}

void ProfilesPagePresenter::Import() {
    std::u16string path;
    if (!host_.ChooseFileToOpen(path)) return;
    std::u16string name;
    bool existed = false;
    bool ok = ImportProfile(path, false, name, existed);
    if (!ok && existed) {
        if (!AskYes(Format(LoadText(kReplaceQuestion), name))) return;
        ok = ImportProfile(path, true, name, existed);
    }
    if (!ok) {
        Tell(LoadText(kFailed), mb::kIconError);
        return;
    }
    FillList(name);
    Tell(Format(LoadText(kImported), name), mb::kIconInformation);
}

void ProfilesPagePresenter::Export() {
    const ProfileInfo* p = Selected();
    if (!p) return;
    const std::u16string name = p->name;
    std::u16string path;
    if (!host_.ChooseFileToSave(name + u"." + std::u16string(kFileExtension), path)) return;
    if (!ExportProfile(name, path)) Tell(LoadText(kFailed), mb::kIconError);
}

}  // namespace quellora
