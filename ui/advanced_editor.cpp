#include "ui/advanced_editor.h"

#include <algorithm>
#include <array>

#include "model/persisted_store.h"
#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "ui/plan_editor_presenter.h"

namespace quellora {

namespace {

// Notifications the editor listens to.
constexpr int kButtonClicked = 0;       // BN_CLICKED
constexpr int kListSelectionChange = 1;  // CBN_SELCHANGE
constexpr int kEditChange = 0x0300;      // EN_CHANGE

// The timing settings shown above the sections, always.
constexpr std::array<std::u16string_view, 5> kTopAliases = {u"PERFCHECK", u"CPINCREASETIME", u"CPDECREASETIME",
                                                            u"HETERODECREASETIME", u"HETERODECREASETHRESHOLD"};

bool IsTopSetting(std::u16string_view alias) {
    return std::find(kTopAliases.begin(), kTopAliases.end(), alias) != kTopAliases.end();
}

const AdvancedSettingDef& Def(size_t index) { return AdvancedSettings()[index]; }

bool IsListKind(SettingKind kind) { return kind == SettingKind::Choice || kind == SettingKind::Threshold; }

}  // namespace

std::vector<size_t> QualifyingSettings(const std::function<bool(const AdvancedSettingDef&)>& planHas, bool heterogeneous) {
    std::vector<size_t> out;
    const auto& table = AdvancedSettings();
    for (size_t i = 0; i < table.size(); ++i) {
        if (!heterogeneous && NeedsHeterogeneousProcessor(table[i])) continue;
        if (planHas(table[i])) out.push_back(i);
    }
    return out;
}

AdvancedForm BuildAdvancedForm(const std::vector<size_t>& settings, const std::function<std::u16string(size_t)>& labelText,
                               const std::function<std::u16string(int)>& headerText,
                               const std::function<int(std::u16string_view)>& labelHeight) {
    using namespace advanced;
    AdvancedForm form;
    int id = kFirstFormId;
    auto add = [&](FormItem item) {
        item.id = id++;
        form.items.push_back(std::move(item));
        return form.items.back().id;
    };
    FormItem intro;
    intro.kind = FormItem::Kind::Intro;
    intro.x = kColumn0;
    intro.y = kIntroTop;
    intro.width = kIntroRight - kColumn0;
    intro.height = kIntroBottom - kIntroTop;
    intro.text = headerText(-1);
    add(intro);

    // A row: its label (as tall as its wrapped text needs) and its value control.
    auto addRow = [&](size_t setting, int x, int y, bool showAllOnly) {
        const AdvancedSettingDef& def = Def(setting);
        FormRow row;
        row.setting = setting;
        row.list = IsListKind(def.kind);
        row.showAllOnly = showAllOnly;
        const int rowIndex = static_cast<int>(form.rows.size());

        FormItem label;
        label.kind = FormItem::Kind::Label;
        label.text = labelText(setting);
        label.x = x;
        label.y = y + 1;
        label.width = kLabelWidth;
        label.height = kLabelHeight;
        label.showAllOnly = showAllOnly;
        label.row = rowIndex;
        int rowHeight = kRowHeight;
        const int needed = labelHeight(label.text);
        if (needed > kLabelHeight) {
            label.height = needed;
            rowHeight = std::max(rowHeight, needed + 1);
        }
        row.labelId = add(label);

        FormItem value;
        value.kind = row.list ? FormItem::Kind::List : FormItem::Kind::Edit;
        value.x = x + kValueOffset;
        value.y = y;
        value.width = row.list ? kListWidth : kEditWidth;
        value.height = row.list ? kListDropHeight : kRowHeight;
        value.showAllOnly = showAllOnly;
        value.row = rowIndex;
        row.valueId = add(value);
        form.rows.push_back(row);
        return rowHeight + 1;
    };

    int y = kTopRowsStart;
    for (size_t s : settings) {
        if (IsTopSetting(Def(s).alias)) y += addRow(s, kColumn0, y, false);
    }
    form.visibleBottom = y + 6;
    const int sectionsTop = form.visibleBottom;
    const AdvancedForm top = form;
    const int topId = id;

    // The sections fill the first column below the timing rows down to the
    // column's foot, then the second column from the top of the form, beside
    // the timing rows. Where they need more room than two columns of that
    // height give (a processor with two classes of cores has 28 section
    // rows), the foot is lowered as far as needed, so that the dialog stays
    // as low as two columns allow and never runs off a laptop's screen.
    auto layOut = [&](int bottom) {
        form = top;
        id = topId;
        int x = kColumn0;
        bool secondColumn = false;
        int lowest = sectionsTop;
        y = sectionsTop;
        auto nextColumn = [&] {
            lowest = std::max(lowest, y);
            secondColumn = true;
            x = kColumn1;
            y = kTopRowsStart;
        };
        for (int section = 0; section <= 5; ++section) {
            std::vector<size_t> members;
            for (size_t s : settings) {
                if (static_cast<int>(Def(s).section) == section && !IsTopSetting(Def(s).alias)) members.push_back(s);
            }
            if (members.empty()) continue;
            if (!secondColumn && y + kHeaderWithRow > bottom) nextColumn();
            FormItem header;
            header.kind = FormItem::Kind::Header;
            header.x = x;
            header.y = y;
            header.width = kHeaderWidth;
            header.height = kRowHeight;
            header.text = headerText(section);
            header.showAllOnly = true;
            add(header);
            y += kHeaderAdvance;
            for (size_t s : members) {
                if (!secondColumn && y + kRowHeight > bottom) nextColumn();
                y += addRow(s, x, y, true);
            }
            lowest = std::max(lowest, y);
            y += kSectionGap;
        }
        form.fullBottom = std::max(lowest, form.visibleBottom);
        return lowest;
    };
    for (int bottom = kColumnBottom;; ++bottom) {
        // The last row of the second column ends within the foot (its gap of
        // one unit below each row aside), or no foot would do better.
        if (layOut(bottom) <= bottom + 1 || bottom >= kColumnBottomLimit) break;
    }
    return form;
}

int ParkingClassOf(std::u16string_view alias) {
    static constexpr std::u16string_view kClass0[] = {u"CPINCREASETIME", u"CPDECREASETIME", u"CPINCREASEPOL",
                                                      u"CPDECREASEPOL",  u"CPMAXCORES",     u"CPCONCURRENCY",
                                                      u"CPHEADROOM",     u"CPDISTRIBUTION", u"DISTRIBUTEUTIL",
                                                      u"CPOVERUTIL",     u"CPPERF",         u"LATENCYHINTUNPARK"};
    static constexpr std::u16string_view kClass1[] = {u"HETERODECREASETIME",      u"HETEROINCREASETIME",
                                                      u"HETERODECREASETHRESHOLD", u"HETEROINCREASETHRESHOLD",
                                                      u"HETEROCLASS1INITIALPERF", u"CPMAXCORES1",
                                                      u"CPPERF1",                 u"LATENCYHINTUNPARK1"};
    if (std::find(std::begin(kClass0), std::end(kClass0), alias) != std::end(kClass0)) return 0;
    if (std::find(std::begin(kClass1), std::end(kClass1), alias) != std::end(kClass1)) return 1;
    return -1;
}

bool ParkingOffText(std::u16string_view text) {
    bool digits = false;
    const int64_t value = ParseLeadingInt(text, &digits);
    return digits && value > 99;
}

ValueBounds BoundsOf(const SettingInfo& info, SettingKind kind) {
    ValueBounds fallback;
    fallback.max = kind == SettingKind::Percent ? 100 : 0xFFFFFFFFu;
    if (!info.hasRange || info.max < info.min) return fallback;
    return ValueBounds{info.min, info.max};
}

uint32_t ClampedEditValue(std::u16string_view text, const ValueBounds& bounds) {
    const int64_t read = ParseLeadingInt(text.substr(0, std::min<size_t>(text.size(), 31)));
    const int64_t value = std::clamp<int64_t>(read, bounds.min, bounds.max);
    return static_cast<uint32_t>(value);
}

std::u16string ThresholdItemText(uint32_t index, uint32_t value) {
    return Format(LoadText(advanced_text::kThresholdItem), index, unsigned(ThresholdByte(value, 0)),
                  unsigned(ThresholdByte(value, 1)), unsigned(ThresholdByte(value, 2)), unsigned(ThresholdByte(value, 3)));
}

std::vector<uint32_t> ChoiceItemTexts(std::u16string_view alias) {
    if (alias == u"CPINCREASEPOL" || alias == u"CPDECREASEPOL") return {9533, 9534, 9535, 9536};
    if (alias == u"PERFDECPOL1") return {9265, 9266, 9267};
    if (alias == u"CPPERF" || alias == u"CPPERF1") return {9537, 9538, 9539};
    if (alias == u"DISTRIBUTEUTIL") return {9269, 9270};
    if (alias == u"HETEROPOLICY") return {9513, 9514, 9515, 9516, 9517};
    if (alias == u"SCHEDPOLICY" || alias == u"SHORTSCHEDPOLICY") return {1366, 1367, 1368, 1369, 1370, 1371};
    return {};
}

// ---- The editor

AdvancedEditor::AdvancedEditor(AdvancedEditorSurface& surface, PowerSchemeAccess& power, const Guid& plan)
    : surface_(surface), power_(power), plan_(plan) {}

void AdvancedEditor::Init() {
    using namespace advanced;
    surface_.SetTitle(LoadText(advanced_text::kTitle));
    surface_.SetText(kApply, LoadText(advanced_text::kApply));
    surface_.SetText(kDefaults, LoadText(advanced_text::kDefaults));
    surface_.SetText(kNote, LoadText(advanced_text::kNote));
    surface_.SetText(kAutonomousNote, LoadText(advanced_text::kAutonomousNote));
    surface_.SetText(kSingleClassNote, LoadText(advanced_text::kSingleClassNote));
    uint32_t autonomous = 0;
    surface_.Show(kAutonomousNote,
                  power_.ReadSetting(plan_, guids::kSubProcessor, guids::kAutonomousMode, true, autonomous) && autonomous != 0);
    surface_.Show(kSingleClassNote, !IsHeterogeneousProcessor());

    suppress_ = true;
    surface_.ClearList(kSourceList);
    for (uint32_t i = 0; i < 3; ++i) surface_.AddListItem(kSourceList, LoadText(advanced_text::kSourceAc + i), i);
    surface_.SelectListItem(kSourceList, 2);
    source_ = Sides::Both;

    uint32_t ignored = 0;
    defaultsAvailable_ = ReadWindowsDefault(plan_, guids::kCoreParkingMin0, true, ignored);
    surface_.ClearList(kPresetList);
    surface_.AddListItem(kPresetList, LoadText(advanced_text::kPresetNone), preset::kNone);
    surface_.AddListItem(kPresetList, LoadText(advanced_text::kPresetResponsive), preset::kResponsive);
    if (defaultsAvailable_) {
        surface_.AddListItem(kPresetList, LoadText(advanced_text::kPresetDefaults), preset::kWindowsDefaults);
    }
    surface_.AddListItem(kPresetList, LoadText(advanced_text::kPresetPowerSaver), preset::kPowerSaver);
    SelectPresetItem(DetectPreset(power_, plan_, Sides::Both));
    stagedPreset_ = 0;
    dirty_ = false;

    surface_.Enable(kDefaults, defaultsAvailable_);
    surface_.SetTooltip(kDefaults, LoadText(defaultsAvailable_ ? advanced_text::kDefaultsTip : advanced_text::kNoDefaultsTip));
    surface_.SetTooltip(kPresetList,
                        LoadText(defaultsAvailable_ ? advanced_text::kPresetTip : advanced_text::kPresetNoDefaultsTip));

    Build();
    suppress_ = false;
    RefreshRowStates();
}

void AdvancedEditor::Build() {
    const bool heterogeneous = IsHeterogeneousProcessor();
    const std::vector<size_t> settings = QualifyingSettings(
        [this](const AdvancedSettingDef& def) {
            uint32_t value = 0;
            return power_.ReadSetting(plan_, guids::kSubProcessor, def.guid, true, value);
        },
        heterogeneous);
    form_ = BuildAdvancedForm(
        settings, [](size_t s) { return LoadText(Def(s).label); },
        [](int section) {
            return LoadText(section < 0 ? advanced_text::kIntro : advanced_text::kSectionFirst + static_cast<uint32_t>(section));
        },
        [this](std::u16string_view text) { return surface_.LabelHeight(text, advanced::kLabelWidth); });
    surface_.CreateForm(form_.items);

    descriptions_.assign(form_.rows.size(), {});
    disabled_.assign(form_.rows.size(), false);
    for (size_t r = 0; r < form_.rows.size(); ++r) {
        const FormRow& row = form_.rows[r];
        const AdvancedSettingDef& def = Def(row.setting);
        if (def.kind == SettingKind::Threshold) {
            for (const auto& [index, value] : ReadRegisteredValues(def.guid)) {
                surface_.AddListItem(row.valueId, ThresholdItemText(index, value), value);
            }
        } else if (row.list) {
            const std::vector<uint32_t> texts = ChoiceItemTexts(def.alias);
            for (uint32_t i = 0; i < texts.size(); ++i) surface_.AddListItem(row.valueId, LoadText(texts[i]), i);
        }
        std::u16string description = ReadSettingDescription(def.guid);
        if (!row.list) {
            const SettingInfo info = ReadSettingInfo(def.guid);
            if (info.hasRange && info.max >= info.min) {
                std::u16string range = Format(LoadText(advanced_text::kRange), info.min, info.max, info.units);
                description = description.empty() ? range : description + u"\n\n" + range;
            }
        }
        descriptions_[r] = std::move(description);
        surface_.SetTooltip(row.labelId, descriptions_[r]);
        surface_.SetTooltip(row.valueId, descriptions_[r]);
    }
    for (const FormItem& item : form_.items) {
        if (item.showAllOnly) surface_.Show(item.id, showAll_);
    }
    ReloadRows();
    surface_.LayOut((showAll_ ? form_.fullBottom : form_.visibleBottom) + advanced::kBelowForm);
}

void AdvancedEditor::ShowValue(const FormRow& row, bool haveValue, uint32_t value) {
    if (!row.list) {
        surface_.SetText(row.valueId, haveValue ? ToDecimal(value) : std::u16string());
        return;
    }
    if (!haveValue) {
        surface_.SelectListItem(row.valueId, -1);
        return;
    }
    const int count = surface_.ListCount(row.valueId);
    for (int i = 0; i < count; ++i) {
        if (surface_.ListData(row.valueId, i) == value) {
            surface_.SelectListItem(row.valueId, i);
            return;
        }
    }
    surface_.AddListItem(row.valueId, ToDecimal(value), value);
    surface_.SelectListItem(row.valueId, surface_.ListCount(row.valueId) - 1);
}

void AdvancedEditor::ReloadRows() {
    const bool before = suppress_;
    suppress_ = true;
    for (const FormRow& row : form_.rows) {
        uint32_t value = 0;
        const bool have = power_.ReadSetting(plan_, guids::kSubProcessor, Def(row.setting).guid, ShownSideIsAc(), value);
        ShowValue(row, have, value);
    }
    suppress_ = before;
}

bool AdvancedEditor::IsPresetSetting(size_t row) const {
    const Guid& guid = Def(form_.rows[row].setting).guid;
    const auto& presets = PresetSettings();
    return std::any_of(presets.begin(), presets.end(), [&](const PresetSetting& p) { return p.setting == guid; });
}

void AdvancedEditor::ShowPresetValues() {
    const bool before = suppress_;
    suppress_ = true;
    for (size_t r = 0; r < form_.rows.size(); ++r) {
        if (!IsPresetSetting(r)) continue;
        const FormRow& row = form_.rows[r];
        const Guid& guid = Def(row.setting).guid;
        std::optional<uint32_t> value;
        if (stagedPreset_ != preset::kNone) value = PresetValue(power_, plan_, stagedPreset_, guid, ShownSideIsAc());
        if (!value) {
            uint32_t current = 0;
            if (power_.ReadSetting(plan_, guids::kSubProcessor, guid, ShownSideIsAc(), current)) value = current;
        }
        ShowValue(row, value.has_value(), value.value_or(0));
    }
    suppress_ = before;
}

void AdvancedEditor::SelectPresetItem(int presetNumber) {
    const int count = surface_.ListCount(advanced::kPresetList);
    for (int i = 0; i < count; ++i) {
        if (surface_.ListData(advanced::kPresetList, i) == static_cast<uint32_t>(presetNumber)) {
            surface_.SelectListItem(advanced::kPresetList, i);
            return;
        }
    }
    surface_.SelectListItem(advanced::kPresetList, 0);
}

int AdvancedEditor::RowOf(std::u16string_view alias) const {
    for (size_t r = 0; r < form_.rows.size(); ++r) {
        if (Def(form_.rows[r].setting).alias == alias) return static_cast<int>(r);
    }
    return -1;
}

std::u16string AdvancedEditor::RowTip(size_t row) const {
    if (!disabled_[row]) return descriptions_[row];
    const int cls = ParkingClassOf(Def(form_.rows[row].setting).alias);
    std::u16string tip = LoadText(cls == 1 ? advanced_text::kClass1ParkingOff : advanced_text::kClass0ParkingOff);
    if (!descriptions_[row].empty()) tip += u"\n\n" + descriptions_[row];
    return tip;
}

void AdvancedEditor::RefreshRowStates() {
    auto parkingOff = [this](std::u16string_view alias) {
        const int r = RowOf(alias);
        return r >= 0 && ParkingOffText(surface_.Text(form_.rows[static_cast<size_t>(r)].valueId));
    };
    const bool off[2] = {parkingOff(u"CPMINCORES"), parkingOff(u"CPMINCORES1")};
    for (size_t r = 0; r < form_.rows.size(); ++r) {
        const int cls = ParkingClassOf(Def(form_.rows[r].setting).alias);
        const bool disable = cls >= 0 && off[cls];
        if (disable == disabled_[r]) continue;
        disabled_[r] = disable;
        const FormRow& row = form_.rows[r];
        surface_.Enable(row.valueId, !disable);
        surface_.SetLabelGrey(row.labelId, disable);
        const std::u16string tip = RowTip(r);
        surface_.SetTooltip(row.labelId, tip);
        surface_.SetTooltip(row.valueId, tip);
    }
}

void AdvancedEditor::OnCommand(int id, int notification) {
    using namespace advanced;
    switch (id) {
        case kPresetList:
            if (notification == kListSelectionChange) OnPresetSelected();
            return;
        case kSourceList:
            if (notification == kListSelectionChange) OnSourceSelected();
            return;
        case kShowAll:
            if (notification == kButtonClicked) OnShowAll();
            return;
        case kDefaults:
            if (notification == kButtonClicked) OnWindowsDefaults();
            return;
        case kApply:
            if (notification == kButtonClicked) OnApply();
            return;
        case kOk:
            if (notification == kButtonClicked) OnOk();
            return;
        case kCancel:
            if (notification == kButtonClicked) OnCancel();
            return;
        default:
            break;
    }
    for (const FormRow& row : form_.rows) {
        if (row.valueId != id) continue;
        if ((row.list && notification == kListSelectionChange) || (!row.list && notification == kEditChange)) {
            OnRowChanged(id);
        }
        return;
    }
}

void AdvancedEditor::OnRowChanged(int valueId) {
    if (suppress_) return;
    dirty_ = true;
    for (size_t r = 0; r < form_.rows.size(); ++r) {
        if (form_.rows[r].valueId == valueId && IsPresetSetting(r)) {
            stagedPreset_ = preset::kNone;
            SelectPresetItem(preset::kNone);
        }
    }
    RefreshRowStates();
}

void AdvancedEditor::OnPresetSelected() {
    const int selection = surface_.ListSelection(advanced::kPresetList);
    stagedPreset_ = selection < 0 ? preset::kNone : static_cast<int>(surface_.ListData(advanced::kPresetList, selection));
    ShowPresetValues();
    RefreshRowStates();
}

void AdvancedEditor::OnSourceSelected() {
    const int selection = surface_.ListSelection(advanced::kSourceList);
    if (selection < 0) return;
    source_ = static_cast<Sides>(surface_.ListData(advanced::kSourceList, selection));
    ReloadRows();
    dirty_ = false;
    if (stagedPreset_ != preset::kNone) ShowPresetValues();
    else SelectPresetItem(DetectPreset(power_, plan_, source_));
    RefreshRowStates();
}

void AdvancedEditor::OnShowAll() {
    showAll_ = surface_.Checked(advanced::kShowAll);
    for (const FormItem& item : form_.items) {
        if (item.showAllOnly) surface_.Show(item.id, showAll_);
    }
    surface_.LayOut((showAll_ ? form_.fullBottom : form_.visibleBottom) + advanced::kBelowForm);
}

void AdvancedEditor::OnWindowsDefaults() {
    const bool before = suppress_;
    suppress_ = true;
    for (const FormRow& row : form_.rows) {
        uint32_t value = 0;
        if (ReadWindowsDefault(plan_, Def(row.setting).guid, ShownSideIsAc(), value)) ShowValue(row, true, value);
    }
    suppress_ = before;
    dirty_ = true;
    stagedPreset_ = preset::kNone;
    SelectPresetItem(preset::kNone);
    RefreshRowStates();
}

std::vector<SettingWrite> AdvancedEditor::BuildBatch() {
    std::vector<SettingWrite> batch;
    const bool ac = source_ == Sides::Ac || source_ == Sides::Both;
    const bool dc = source_ == Sides::Dc || source_ == Sides::Both;
    for (size_t r = 0; r < form_.rows.size(); ++r) {
        if (stagedPreset_ != preset::kNone && IsPresetSetting(r)) continue;  // the preset writes these
        const FormRow& row = form_.rows[r];
        const AdvancedSettingDef& def = Def(row.setting);
        uint32_t value = 0;
        if (row.list) {
            const int selection = surface_.ListSelection(row.valueId);
            if (selection < 0) continue;
            value = surface_.ListData(row.valueId, selection);
        } else {
            value = ClampedEditValue(surface_.Text(row.valueId), BoundsOf(ReadSettingInfo(def.guid), def.kind));
        }
        if (ac) batch.push_back(SettingWrite{def.guid, true, value});
        if (dc) batch.push_back(SettingWrite{def.guid, false, value});
    }
    if (stagedPreset_ != preset::kNone) {
        for (const SettingWrite& w : PresetEntries(power_, plan_, stagedPreset_, source_)) batch.push_back(w);
    }
    return batch;
}

bool AdvancedEditor::Write() {
    WriteFailure failure;
    if (!power_.WriteSettings(plan_, BuildBatch(), true, &failure)) {
        surface_.Message(WriteFailureText(failure), mb::kOk | mb::kIconError);
        return false;
    }
    RefreshStored(power_, plan_);
    stagedPreset_ = preset::kNone;
    dirty_ = false;
    ReloadRows();
    SelectPresetItem(DetectPreset(power_, plan_, source_));
    RefreshRowStates();
    return true;
}

void AdvancedEditor::OnApply() {
    if (Write()) surface_.Message(LoadText(advanced_text::kWritten), mb::kOk | mb::kIconInformation);
}

void AdvancedEditor::OnOk() {
    if ((dirty_ || stagedPreset_ != preset::kNone) && !Write()) return;
    surface_.End(1);
}

void AdvancedEditor::OnCancel() { surface_.End(2); }

}  // namespace quellora
