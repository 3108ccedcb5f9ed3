// The advanced settings editor without its window: which of the further
// processor settings a plan shows, where each row stands in the two-column
// form, which rows are greyed while core parking is off, what the preset and
// power-source lists do to the rows, and what a write sends to Windows and
// in which order. The dialog (ui/win32/) creates the controls this decides
// and forwards the user's input here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/plan_settings.h"
#include "model/presets.h"
#include "platform/guid.h"
#include "platform/window_handle.h"
#include "power/power_scheme_access.h"
#include "power/setting_metadata.h"

namespace quellora {

namespace advanced {
inline constexpr int kDialog = 0x143c;
// Controls of the template.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kApply = 3401;
inline constexpr int kDefaults = 3402;
inline constexpr int kAutonomousNote = 3403;
inline constexpr int kSingleClassNote = 3404;
inline constexpr int kNote = 3405;
inline constexpr int kPresetList = 3406;
inline constexpr int kShowAll = 3407;
inline constexpr int kSourceList = 3409;
// The form's controls are numbered from here, in the order they are made.
inline constexpr int kFirstFormId = 3500;

// The form, in dialog units.
inline constexpr int kColumn0 = 8;
inline constexpr int kColumn1 = 326;
inline constexpr int kColumnBottom = 320;        // a column's foot, lowered only when two columns need it
inline constexpr int kColumnBottomLimit = 2000;
inline constexpr int kIntroTop = 80;
inline constexpr int kIntroBottom = 93;
inline constexpr int kIntroRight = 318;
inline constexpr int kTopRowsStart = 95;
inline constexpr int kLabelWidth = 213;
inline constexpr int kLabelHeight = 12;
inline constexpr int kValueOffset = 217;
inline constexpr int kEditWidth = 44;
inline constexpr int kRowHeight = 13;
inline constexpr int kListWidth = 92;
inline constexpr int kListDropHeight = 90;
inline constexpr int kHeaderWidth = 310;
inline constexpr int kHeaderAdvance = 15;
inline constexpr int kSectionGap = 4;
// A header is never left alone at a column's foot: it moves on unless its
// advance and one row (15 + 13) fit above the foot.
inline constexpr int kHeaderWithRow = kHeaderAdvance + kRowHeight;
inline constexpr int kBelowForm = 6;       // the note and the buttons stand this far below the form
inline constexpr int kTipWidthDlu = 220;
inline constexpr uint32_t kTipShowMs = 30000;
}  // namespace advanced

// Strings of the language module.
namespace advanced_text {
inline constexpr uint32_t kTitle = 9200;
inline constexpr uint32_t kApply = 9202;
inline constexpr uint32_t kDefaults = 9203;
inline constexpr uint32_t kAutonomousNote = 9204;
inline constexpr uint32_t kSingleClassNote = 9205;
inline constexpr uint32_t kNote = 9207;
inline constexpr uint32_t kWritten = 9208;
inline constexpr uint32_t kSectionFirst = 9210;  // + section number
inline constexpr uint32_t kPresetNone = 9271;
inline constexpr uint32_t kPresetResponsive = 9272;
inline constexpr uint32_t kPresetDefaults = 9273;
inline constexpr uint32_t kPresetPowerSaver = 9274;
inline constexpr uint32_t kIntro = 9275;
inline constexpr uint32_t kSourceAc = 9276;  // then DC, both
inline constexpr uint32_t kDefaultsTip = 9519;
inline constexpr uint32_t kNoDefaultsTip = 9518;
inline constexpr uint32_t kPresetTip = 9520;
inline constexpr uint32_t kPresetNoDefaultsTip = 9521;
inline constexpr uint32_t kThresholdItem = 9526;
inline constexpr uint32_t kClass0ParkingOff = 9529;
inline constexpr uint32_t kClass1ParkingOff = 9530;
inline constexpr uint32_t kRange = 9991;
}  // namespace advanced_text

// One control of the form, placed in dialog units.
struct FormItem {
    enum class Kind : uint8_t { Intro, Header, Label, Edit, List };
    Kind kind = Kind::Label;
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::u16string text;     // intro, header, label
    bool showAllOnly = false;
    int row = -1;            // labels and values: the row
    bool operator==(const FormItem&) const = default;
};

// One setting's row.
struct FormRow {
    size_t setting = 0;  // index into AdvancedSettings()
    int labelId = 0;
    int valueId = 0;
    bool list = false;
    bool showAllOnly = false;
};

struct AdvancedForm {
    std::vector<FormItem> items;  // in creation order, ids counting up from kFirstFormId
    std::vector<FormRow> rows;
    int visibleBottom = 0;  // end of the part always shown
    int fullBottom = 0;     // end of the whole form
};

// The settings a form shows, as indices into AdvancedSettings(): those the
// plan has, without the heterogeneous ones on a processor with one class.
std::vector<size_t> QualifyingSettings(const std::function<bool(const AdvancedSettingDef&)>& planHas, bool heterogeneous);
// Lays the rows out: the five timing settings at the top, always shown; then
// the sections in order, each under its header, down the first column to
// y 320 and on in the second, which starts beside the timing rows (the foot
// moves down only as far as two columns need). `labelText` gives a row's label, and
// `labelHeight` the height its label needs word-wrapped to the label width
// (dialog units, rounded up).
AdvancedForm BuildAdvancedForm(const std::vector<size_t>& settings, const std::function<std::u16string(size_t)>& labelText,
                               const std::function<std::u16string(int section)>& headerText,
                               const std::function<int(std::u16string_view)>& labelHeight);

// The class whose core parking a setting depends on: 0, 1, or -1 for none.
int ParkingClassOf(std::u16string_view alias);
// Core parking counts as off for a class when its floor row reads as a number above 99.
bool ParkingOffText(std::u16string_view text);

// The bounds an edit row's value is held to: the range Windows reports, else
// 0 to 100 for a percentage and 0 upwards for anything else (also when the
// reported maximum is below the minimum).
struct ValueBounds {
    uint32_t min = 0;
    uint32_t max = 0xFFFFFFFFu;
};
ValueBounds BoundsOf(const SettingInfo& info, SettingKind kind);
// An edit row's text (its first 31 characters) as a number held to the bounds; an empty text reads as 0.
uint32_t ClampedEditValue(std::u16string_view text, const ValueBounds& bounds);

// A threshold item: "254: 60, 60, 60, 60" (string 9526 with the index and the four bytes, lowest first).
std::u16string ThresholdItemText(uint32_t index, uint32_t value);
// The fixed items of a choice setting (strings of the language module); empty for others.
std::vector<uint32_t> ChoiceItemTexts(std::u16string_view alias);

// What the dialog does for the editor.
class AdvancedEditorSurface {
public:
    virtual ~AdvancedEditorSurface() = default;
    virtual void SetTitle(std::u16string_view title) = 0;
    virtual void SetText(int id, std::u16string_view text) = 0;
    virtual std::u16string Text(int id) = 0;
    virtual void Show(int id, bool show) = 0;
    virtual void Enable(int id, bool enable) = 0;
    virtual bool Checked(int id) = 0;
    // Drop-down lists.
    virtual void ClearList(int id) = 0;
    virtual void AddListItem(int id, std::u16string_view text, uint32_t data) = 0;
    virtual int ListCount(int id) = 0;
    virtual uint32_t ListData(int id, int index) = 0;
    virtual int ListSelection(int id) = 0;  // -1: none
    virtual void SelectListItem(int id, int index) = 0;  // -1: none
    // The form: its controls made (removing every earlier one), a label's height for its text.
    virtual void CreateForm(const std::vector<FormItem>& items) = 0;
    virtual int LabelHeight(std::u16string_view text, int widthDlu) = 0;
    // Tooltips (an empty text: none).
    virtual void SetTooltip(int id, std::u16string_view text) = 0;
    // A row's label painted grey (disabled) or in the normal colour.
    virtual void SetLabelGrey(int id, bool grey) = 0;
    // Moves the note 3405 and the buttons to `buttonsTop` (dialog units) and
    // fits the dialog's height to them.
    virtual void LayOut(int buttonsTop) = 0;
    virtual int Message(std::u16string_view text, uint32_t style) = 0;
    virtual void End(int result) = 0;
};

class AdvancedEditor {
public:
    AdvancedEditor(AdvancedEditorSurface& surface, PowerSchemeAccess& power, const Guid& plan);

    // WM_INITDIALOG.
    void Init();
    // A control's command (WM_COMMAND: the control and its notification code).
    void OnCommand(int id, int notification);

    // The parts of the reactions, for the window and the tests.
    void OnRowChanged(int valueId);
    void OnPresetSelected();
    void OnSourceSelected();
    void OnShowAll();
    void OnWindowsDefaults();
    void OnApply();
    void OnOk();
    void OnCancel();

    // The batch a write sends, in order (the preset's entries last when one is staged).
    std::vector<SettingWrite> BuildBatch();

    const AdvancedForm& form() const { return form_; }
    Sides source() const { return source_; }
    int stagedPreset() const { return stagedPreset_; }
    bool dirty() const { return dirty_; }
    bool showAll() const { return showAll_; }
    bool defaultsAvailable() const { return defaultsAvailable_; }
    bool RowDisabled(size_t row) const { return row < disabled_.size() && disabled_[row]; }
    // The row of a setting by alias (-1 when the form has none).
    int RowOf(std::u16string_view alias) const;

private:
    void Build();
    void ReloadRows();
    void ShowValue(const FormRow& row, bool haveValue, uint32_t value);
    bool ShownSideIsAc() const { return source_ != Sides::Dc; }
    void ShowPresetValues();
    void SelectPresetItem(int preset);
    void RefreshRowStates();
    std::u16string RowTip(size_t row) const;
    bool IsPresetSetting(size_t row) const;
    bool Write();

    AdvancedEditorSurface& surface_;
    PowerSchemeAccess& power_;
    Guid plan_;
    Sides source_ = Sides::Both;
    int stagedPreset_ = 0;
    bool dirty_ = false;
    bool suppress_ = false;
    bool showAll_ = false;
    bool defaultsAvailable_ = false;
    AdvancedForm form_;
    std::vector<std::u16string> descriptions_;
    std::vector<bool> disabled_;
};

// Runs the editor's dialog modally for the plan; 1 after OK, 2 after Cancel.
int RunAdvancedEditor(WindowHandle owner, const Guid& plan);

}  // namespace quellora
