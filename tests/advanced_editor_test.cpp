#include "ui/advanced_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "model/persisted_store.h"
#include "platform/language.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "tests/support/sim_env.h"
#include "ui/plan_editor_presenter.h"

namespace quellora {
namespace {

using testing::SimEnv;

// The dialog as the editor sees it: texts, lists, visibility and enabling by control.
class FakeEditorSurface : public AdvancedEditorSurface {
public:
    struct List {
        std::vector<std::pair<std::u16string, uint32_t>> items;
        int selection = -1;
    };
    void SetTitle(std::u16string_view t) override { title = t; }
    void SetText(int id, std::u16string_view t) override {
        texts[id] = std::u16string(t);
        if (editor && !creating) editor->OnCommand(id, 0x0300);  // EN_CHANGE, as an edit control sends it
    }
    std::u16string Text(int id) override { return texts[id]; }
    void Show(int id, bool show) override { shown[id] = show; }
    void Enable(int id, bool enable) override { enabled[id] = enable; }
    bool Checked(int id) override { return checked[id]; }
    void ClearList(int id) override { lists[id] = List{}; }
    void AddListItem(int id, std::u16string_view t, uint32_t data) override {
        lists[id].items.emplace_back(std::u16string(t), data);
    }
    int ListCount(int id) override { return static_cast<int>(lists[id].items.size()); }
    uint32_t ListData(int id, int index) override { return lists[id].items.at(static_cast<size_t>(index)).second; }
    int ListSelection(int id) override { return lists[id].selection; }
    void SelectListItem(int id, int index) override { lists[id].selection = index; }
    void CreateForm(const std::vector<FormItem>& items) override {
        formItems = items;
        for (const FormItem& item : items) {
            creating = true;
            if (item.kind != FormItem::Kind::List) SetText(item.id, item.text);
            creating = false;
            enabled[item.id] = true;
            shown[item.id] = true;
        }
    }
    int LabelHeight(std::u16string_view text, int widthDlu) override {
        const int perLine = widthDlu / 4;
        return 8 * static_cast<int>((text.size() + perLine - 1) / perLine);
    }
    void SetTooltip(int id, std::u16string_view t) override { tips[id] = std::u16string(t); }
    void SetLabelGrey(int id, bool grey) override { greyed[id] = grey; }
    void LayOut(int buttonsTop) override { layouts.push_back(buttonsTop); }
    int Message(std::u16string_view t, uint32_t style) override {
        messages.emplace_back(std::u16string(t), style);
        return 1;
    }
    void End(int result) override { ended = result; }

    // The user's input.
    void Type(int id, std::u16string_view t) {
        texts[id] = std::u16string(t);
        editor->OnCommand(id, 0x0300);
    }
    void Choose(int id, uint32_t data) {
        List& l = lists[id];
        for (size_t i = 0; i < l.items.size(); ++i) {
            if (l.items[i].second == data) l.selection = static_cast<int>(i);
        }
        editor->OnCommand(id, 1);  // CBN_SELCHANGE
    }
    void Click(int id) { editor->OnCommand(id, 0); }
    uint32_t SelectedData(int id) {
        const List& l = lists[id];
        return l.selection < 0 ? 0xFFFFFFFFu : l.items[static_cast<size_t>(l.selection)].second;
    }

    AdvancedEditor* editor = nullptr;
    bool creating = false;
    std::u16string title;
    std::map<int, std::u16string> texts, tips;
    std::map<int, bool> shown, enabled, checked, greyed;
    std::map<int, List> lists;
    std::vector<FormItem> formItems;
    std::vector<int> layouts;
    std::vector<std::pair<std::u16string, uint32_t>> messages;
    int ended = 0;
};

constexpr Guid kCpMaxCores = GuidLiteral("ea062031-0e34-4ff1-9b6d-eb1059334028");
constexpr Guid kPerfCheck = GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5");
constexpr Guid kIncreaseThreshold = GuidLiteral("b000397d-9b0b-483d-98c9-692a6060cfbf");
constexpr Guid kCpIncreasePol = GuidLiteral("c7be0679-2817-4d69-9d02-519a537ed0c6");

class AdvancedEditorTest : public ::testing::Test {
protected:
    explicit AdvancedEditorTest(std::u16string_view layout = u"hybrid-laptop") : env(layout) {}

    AdvancedEditor& Open(const Guid& plan = guids::kBalanced) {
        editor = std::make_unique<AdvancedEditor>(surface, power, plan);
        surface.editor = editor.get();
        editor->Init();
        return *editor;
    }
    const FormRow& Row(std::u16string_view alias) {
        const int r = editor->RowOf(alias);
        EXPECT_GE(r, 0) << Utf16ToUtf8(alias);
        return editor->form().rows.at(static_cast<size_t>(std::max(r, 0)));
    }
    int Value(std::u16string_view alias) { return Row(alias).valueId; }
    uint32_t PlanValue(const Guid& setting, bool ac, const Guid& plan = guids::kBalanced) {
        uint32_t v = 0;
        EXPECT_TRUE(power.ReadSetting(plan, guids::kSubProcessor, setting, ac, v));
        return v;
    }

    SimEnv env;
    PowerSchemeAccess power;
    FakeEditorSurface surface;
    std::unique_ptr<AdvancedEditor> editor;
};

TEST_F(AdvancedEditorTest, HybridFormHasEveryRowTimingAtTheTopAndSectionsBehindShowAll) {
    Open();
    const AdvancedForm& form = editor->form();
    EXPECT_EQ(form.rows.size(), 33u);
    EXPECT_EQ(surface.title, LoadText(9200));
    // The intro, then the five timing settings in table order, 14 units apart.
    EXPECT_EQ(form.items[0].kind, FormItem::Kind::Intro);
    EXPECT_EQ(form.items[0].id, advanced::kFirstFormId);
    const char16_t* top[] = {u"PERFCHECK", u"CPINCREASETIME", u"CPDECREASETIME", u"HETERODECREASETIME",
                             u"HETERODECREASETHRESHOLD"};
    for (int i = 0; i < 5; ++i) {
        const FormRow& row = form.rows[static_cast<size_t>(i)];
        EXPECT_EQ(AdvancedSettings()[row.setting].alias, top[i]);
        EXPECT_FALSE(row.showAllOnly);
        EXPECT_EQ(row.labelId, advanced::kFirstFormId + 1 + 2 * i);
        EXPECT_EQ(row.valueId, row.labelId + 1);
    }
    const auto item = [&](int id) {
        return *std::find_if(form.items.begin(), form.items.end(), [id](const FormItem& f) { return f.id == id; });
    };
    EXPECT_EQ(item(Value(u"PERFCHECK")).y, 95);
    EXPECT_EQ(item(Value(u"CPINCREASETIME")).y, 109);
    EXPECT_EQ(item(Value(u"HETERODECREASETHRESHOLD")).kind, FormItem::Kind::List);
    EXPECT_EQ(form.visibleBottom, 95 + 5 * 14 + 6);
    // Every section's header and rows are hidden until "show all".
    int headers = 0;
    for (const FormItem& f : form.items) {
        if (f.kind == FormItem::Kind::Header) ++headers;
        if (f.showAllOnly) {
            EXPECT_FALSE(surface.shown[f.id]) << f.id;
        }
        // Nothing in either column runs past the foot of the form.
        if (f.kind != FormItem::Kind::List) {
            EXPECT_LE(f.y + f.height, form.fullBottom) << f.id;
        }
    }
    EXPECT_EQ(headers, 5);  // the performance check section holds only a setting of the top
    // 28 section rows need a foot below 320: lowered as far as two columns
    // need, the second column starting beside the timing rows.
    EXPECT_TRUE(std::any_of(form.items.begin(), form.items.end(),
                            [](const FormItem& f) { return f.x == advanced::kColumn1 && f.y == 96; }));  // a label, beside the first timing row
    EXPECT_GT(form.fullBottom, advanced::kColumnBottom);
    EXPECT_LE(form.fullBottom, 400);
    EXPECT_EQ(surface.layouts.back(), form.visibleBottom + 6);
    EXPECT_FALSE(surface.shown[advanced::kSingleClassNote]);

    // Show all: the sections appear and the dialog grows.
    surface.checked[advanced::kShowAll] = true;
    surface.Click(advanced::kShowAll);
    EXPECT_TRUE(surface.shown[Value(u"CPMINCORES")]);
    EXPECT_EQ(surface.layouts.back(), form.fullBottom + 6);
    EXPECT_GT(form.fullBottom, form.visibleBottom);
    surface.checked[advanced::kShowAll] = false;
    surface.Click(advanced::kShowAll);
    EXPECT_FALSE(surface.shown[Value(u"CPMINCORES")]);
    EXPECT_EQ(surface.layouts.back(), form.visibleBottom + 6);
}

TEST_F(AdvancedEditorTest, RowsShowThePlanValuesTheirChoicesAndWindowsDescriptions) {
    Open();
    EXPECT_EQ(surface.texts[Value(u"PERFCHECK")], ToDecimal(PlanValue(kPerfCheck, true)));
    const auto& pol = surface.lists[Value(u"CPINCREASEPOL")];
    ASSERT_EQ(pol.items.size(), 4u);
    EXPECT_EQ(pol.items[2].first, LoadText(9535));
    EXPECT_EQ(surface.SelectedData(Value(u"CPINCREASEPOL")), PlanValue(kCpIncreasePol, true));
    EXPECT_EQ(surface.lists[Value(u"SCHEDPOLICY")].items.size(), 6u);
    // The description is Windows' own, with the range it reports.
    const std::u16string tip = surface.tips[Value(u"PERFCHECK")];
    EXPECT_TRUE(tip.starts_with(u"Specify the amount that must expire")) << Utf16ToUtf8(tip);
    EXPECT_TRUE(tip.ends_with(Format(LoadText(9991), 1u, 5000u, u"Milliseconds"))) << Utf16ToUtf8(tip);
    EXPECT_EQ(surface.tips[Row(u"PERFCHECK").labelId], tip);
    // The program's own descriptions of the two heterogeneous timing settings.
    EXPECT_TRUE(surface.tips[Value(u"HETERODECREASETIME")].starts_with(LoadText(9989)));
    // A threshold lists Windows' registered values by index and bytes.
    const auto& threshold = surface.lists[Value(u"HETEROINCREASETHRESHOLD")];
    ASSERT_FALSE(threshold.items.empty());
    EXPECT_EQ(surface.SelectedData(Value(u"HETEROINCREASETHRESHOLD")), PlanValue(kIncreaseThreshold, true));
}

TEST_F(AdvancedEditorTest, AnUnknownThresholdValueIsListedAsAnExtraItem) {
    // Another program wrote a value Windows has not registered.
    ASSERT_EQ(env.machine().WritePlanValue(guids::kBalanced, guids::kSubProcessor, kIncreaseThreshold, true, 0x46464646), 0u);
    Open();
    const int id = Value(u"HETEROINCREASETHRESHOLD");
    const auto& list = surface.lists[id];
    ASSERT_GE(list.selection, 0);
    EXPECT_EQ(list.items[static_cast<size_t>(list.selection)].first, u"1179010630");
    EXPECT_EQ(list.items[static_cast<size_t>(list.selection)].second, 0x46464646u);
    EXPECT_EQ(ThresholdItemText(254, 0x3C3C3C3C), Format(LoadText(9526), 254u, 60u, 60u, 60u, 60u));
    EXPECT_EQ(ThresholdItemText(7, 0x04030201), Format(LoadText(9526), 7u, 1u, 2u, 3u, 4u));
}

TEST_F(AdvancedEditorTest, FullParkingGreysTheClassZeroRowsAtOnce) {
    Open();
    const int minCores = Value(u"CPMINCORES");
    surface.Type(minCores, u"100");
    for (const char16_t* alias : {u"CPINCREASETIME", u"CPMAXCORES", u"CPPERF", u"LATENCYHINTUNPARK"}) {
        const FormRow& row = Row(alias);
        EXPECT_FALSE(surface.enabled[row.valueId]) << Utf16ToUtf8(alias);
        EXPECT_TRUE(surface.greyed[row.labelId]) << Utf16ToUtf8(alias);
        EXPECT_TRUE(surface.tips[row.valueId].starts_with(LoadText(9529) + u"\n\n")) << Utf16ToUtf8(alias);
    }
    // Rows of class 1 and of no class stay as they were; nothing was written.
    EXPECT_TRUE(surface.enabled[Value(u"CPMAXCORES1")]);
    EXPECT_TRUE(surface.enabled[Value(u"PERFCHECK")]);
    EXPECT_TRUE(surface.enabled[minCores]);
    EXPECT_NE(PlanValue(guids::kCoreParkingMin0, true), 100u);
    EXPECT_TRUE(editor->dirty());

    surface.Type(Value(u"CPMINCORES1"), u"250");
    EXPECT_FALSE(surface.enabled[Value(u"CPMAXCORES1")]);
    EXPECT_TRUE(surface.tips[Value(u"HETERODECREASETIME")].starts_with(LoadText(9530)));

    surface.Type(minCores, u"99");
    const FormRow& max = Row(u"CPMAXCORES");
    EXPECT_TRUE(surface.enabled[max.valueId]);
    EXPECT_FALSE(surface.greyed[max.labelId]);
    EXPECT_TRUE(surface.tips[max.valueId].starts_with(u"Specify the maximum number of unparked"));
}

TEST_F(AdvancedEditorTest, WritesGoInRowOrderAcThenDcForBoth) {
    Open();
    surface.Type(Value(u"CPMAXCORES"), u"80");
    const std::vector<SettingWrite> batch = editor->BuildBatch();
    ASSERT_EQ(batch.size(), 2 * editor->form().rows.size());
    EXPECT_EQ(batch[0].setting, kPerfCheck);
    EXPECT_TRUE(batch[0].ac);
    EXPECT_EQ(batch[1].setting, kPerfCheck);
    EXPECT_FALSE(batch[1].ac);
    for (size_t r = 0; r < editor->form().rows.size(); ++r) {
        EXPECT_EQ(batch[2 * r].setting, AdvancedSettings()[editor->form().rows[r].setting].guid);
    }
    surface.Click(advanced::kOk);
    EXPECT_EQ(surface.ended, 1);
    EXPECT_EQ(PlanValue(kCpMaxCores, true), 80u);
    EXPECT_EQ(PlanValue(kCpMaxCores, false), 80u);
}

TEST_F(AdvancedEditorTest, ChoosingBatteryAfterMainsEditsDiscardsThemAndWritesOnlyBattery) {
    ASSERT_TRUE(power.WriteSetting(guids::kBalanced, guids::kSubProcessor, kCpMaxCores, false, 64));
    Open();
    surface.Type(Value(u"CPMAXCORES"), u"77");
    EXPECT_TRUE(editor->dirty());
    surface.Choose(advanced::kSourceList, 1);
    EXPECT_EQ(editor->source(), Sides::Dc);
    EXPECT_FALSE(editor->dirty());
    EXPECT_EQ(surface.texts[Value(u"CPMAXCORES")], u"64");
    surface.Type(Value(u"CPMAXCORES"), u"50");
    for (const SettingWrite& w : editor->BuildBatch()) EXPECT_FALSE(w.ac);
    const uint32_t acBefore = PlanValue(kCpMaxCores, true);
    surface.Click(advanced::kApply);
    EXPECT_EQ(PlanValue(kCpMaxCores, false), 50u);
    EXPECT_EQ(PlanValue(kCpMaxCores, true), acBefore);
    ASSERT_FALSE(surface.messages.empty());
    EXPECT_EQ(surface.messages.back().first, LoadText(9208));
}

TEST(AdvancedBounds, ValuesAreHeldToTheRangeWindowsReports) {
    SettingInfo withRange;
    withRange.hasRange = true;
    withRange.min = 5;
    withRange.max = 100;
    SettingInfo none;
    SettingInfo upsideDown = withRange;
    upsideDown.min = 50;
    upsideDown.max = 10;
    struct Case {
        const SettingInfo* info;
        SettingKind kind;
        const char16_t* text;
        uint32_t value;
    } cases[] = {
        {&withRange, SettingKind::Percent, u"150", 100},  {&withRange, SettingKind::Percent, u"2", 5},
        {&withRange, SettingKind::Percent, u"", 5},       {&none, SettingKind::Percent, u"150", 100},
        {&none, SettingKind::Milliseconds, u"150000", 150000},
        {&none, SettingKind::Intervals, u"99999999999999999999", 0xFFFFFFFFu},
        {&upsideDown, SettingKind::Percent, u"150", 100}, {&upsideDown, SettingKind::Percent, u"3", 3},
        {&none, SettingKind::Percent, u"-7", 0},
        // Only the first 31 characters are read.
        {&none, SettingKind::Milliseconds, u"0000000000000000000000000000001234", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClampedEditValue(c.text, BoundsOf(*c.info, c.kind)), c.value) << Utf16ToUtf8(c.text);
    }
}

TEST_F(AdvancedEditorTest, OneHundredFiftyInAPercentRowWithoutARangeWrites100) {
    // Windows cannot report the range of CPMAXCORES.
    env.registry().DeleteValue(Hive::LocalMachine, ProcessorSettingKey(kCpMaxCores), u"ValueMax");
    Open();
    surface.Type(Value(u"CPMAXCORES"), u"150");
    surface.Click(advanced::kOk);
    EXPECT_EQ(surface.ended, 1);
    EXPECT_EQ(PlanValue(kCpMaxCores, true), 100u);
    EXPECT_EQ(PlanValue(kCpMaxCores, false), 100u);
}

TEST_F(AdvancedEditorTest, ARefusedWriteIsReportedWithLabelValueAndCodeAndTheDialogStaysOpen) {
    env.machine().SetWriteRefusal(kCpMaxCores, false, 5);
    Open();
    surface.Type(Value(u"CPMAXCORES"), u"60");
    const uint32_t before = PlanValue(kCpMaxCores, true);
    surface.Click(advanced::kOk);
    EXPECT_EQ(surface.ended, 0);
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].first, Format(LoadText(9524), LoadText(9236), 60u, 5u));
    EXPECT_EQ(surface.messages[0].second, mb::kOk | mb::kIconError);
    EXPECT_EQ(surface.texts[Value(u"CPMAXCORES")], u"60");  // as the user left it
    EXPECT_TRUE(editor->dirty());
    EXPECT_EQ(PlanValue(kCpMaxCores, true), before);  // the batch was rolled back
    surface.Click(advanced::kCancel);
    EXPECT_EQ(surface.ended, 2);
}

TEST_F(AdvancedEditorTest, PresetsShowTheirValuesAndWriteThemselves) {
    Open();
    EXPECT_EQ(surface.lists[advanced::kPresetList].items.size(), 4u);  // Balanced has Windows defaults
    EXPECT_TRUE(surface.enabled[advanced::kDefaults]);
    EXPECT_EQ(surface.tips[advanced::kDefaults], LoadText(9519));

    surface.Choose(advanced::kPresetList, preset::kResponsive);
    EXPECT_EQ(editor->stagedPreset(), preset::kResponsive);
    EXPECT_EQ(surface.texts[Value(u"PERFCHECK")], u"15");
    EXPECT_EQ(surface.texts[Value(u"CPMINCORES")], u"100");
    EXPECT_EQ(surface.SelectedData(Value(u"CPINCREASEPOL")), 2u);
    EXPECT_FALSE(surface.enabled[Value(u"CPMAXCORES")]);  // the preset's full parking greys the class-0 rows

    // The staged preset's settings come from the preset, after the other rows.
    const std::vector<SettingWrite> batch = editor->BuildBatch();
    const std::vector<SettingWrite> entries = PresetEntries(power, guids::kBalanced, preset::kResponsive, Sides::Both);
    ASSERT_GE(batch.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const SettingWrite& w = batch[batch.size() - entries.size() + i];
        EXPECT_EQ(w.setting, entries[i].setting);
        EXPECT_EQ(w.ac, entries[i].ac);
        EXPECT_EQ(w.value, entries[i].value);
    }
    size_t perfChecks = 0;
    for (const SettingWrite& w : batch) perfChecks += w.setting == kPerfCheck;
    EXPECT_EQ(perfChecks, 2u);  // once per side, by the preset only

    surface.Click(advanced::kOk);
    EXPECT_EQ(surface.ended, 1);
    EXPECT_EQ(DetectPreset(power, guids::kBalanced, Sides::Both), preset::kResponsive);
}

TEST_F(AdvancedEditorTest, EditingAPresetRowDropsTheStagedPreset) {
    Open();
    surface.Choose(advanced::kPresetList, preset::kPowerSaver);
    surface.Type(Value(u"PERFCHECK"), u"33");
    EXPECT_EQ(editor->stagedPreset(), preset::kNone);
    EXPECT_EQ(surface.SelectedData(advanced::kPresetList), 0u);
    // A row that no preset sets leaves the staging alone.
    surface.Choose(advanced::kPresetList, preset::kPowerSaver);
    surface.Type(Value(u"CPMAXCORES"), u"90");
    EXPECT_EQ(editor->stagedPreset(), preset::kPowerSaver);
    // Choosing the power source keeps a staged preset and shows its values for that source.
    surface.Choose(advanced::kSourceList, 1);
    EXPECT_EQ(editor->stagedPreset(), preset::kPowerSaver);
    EXPECT_EQ(surface.texts[Value(u"PERFCHECK")], u"40");
}

TEST_F(AdvancedEditorTest, WindowsDefaultsShowTheShippedValues) {
    ASSERT_TRUE(power.WriteSetting(guids::kBalanced, guids::kSubProcessor, kPerfCheck, true, 777));
    Open();
    EXPECT_EQ(surface.texts[Value(u"PERFCHECK")], u"777");
    surface.Choose(advanced::kPresetList, preset::kResponsive);
    surface.Click(advanced::kDefaults);
    uint32_t shipped = 0;
    ASSERT_TRUE(ReadWindowsDefault(guids::kBalanced, kPerfCheck, true, shipped));
    EXPECT_EQ(surface.texts[Value(u"PERFCHECK")], ToDecimal(shipped));
    EXPECT_TRUE(editor->dirty());
    EXPECT_EQ(editor->stagedPreset(), preset::kNone);
    EXPECT_EQ(surface.SelectedData(advanced::kPresetList), 0u);
}

TEST_F(AdvancedEditorTest, APlanWithoutWindowsDefaultsOffersNeitherTheButtonNorThePreset) {
    Guid copy;
    ASSERT_TRUE(power.DuplicatePlan(guids::kBalanced, copy));
    Open(copy);
    EXPECT_FALSE(editor->defaultsAvailable());
    EXPECT_FALSE(surface.enabled[advanced::kDefaults]);
    EXPECT_EQ(surface.tips[advanced::kDefaults], LoadText(9518));
    EXPECT_EQ(surface.tips[advanced::kPresetList], LoadText(9521));
    for (const auto& item : surface.lists[advanced::kPresetList].items) EXPECT_NE(item.second, 2u);
    EXPECT_EQ(surface.lists[advanced::kPresetList].items.size(), 3u);
}

TEST_F(AdvancedEditorTest, NothingChangedOkWritesNothing) {
    Open();
    const uint32_t before = env.machine().ApplySequence();
    surface.Click(advanced::kOk);
    EXPECT_EQ(surface.ended, 1);
    EXPECT_EQ(env.machine().ApplySequence(), before);  // no write, no activation
}

TEST_F(AdvancedEditorTest, TheAutonomousModeNoteFollowsThePlan) {
    Open();
    EXPECT_TRUE(surface.shown[advanced::kAutonomousNote]);  // Windows' default: on
    ASSERT_TRUE(power.WriteSetting(guids::kBalanced, guids::kSubProcessor, guids::kAutonomousMode, true, 0));
    Open();
    EXPECT_FALSE(surface.shown[advanced::kAutonomousNote]);
}

class AdvancedEditorOneClassTest : public AdvancedEditorTest {
protected:
    AdvancedEditorOneClassTest() : AdvancedEditorTest(u"desktop") {}
};

TEST_F(AdvancedEditorOneClassTest, HeterogeneousSectionsAndClassOneSettingsAreAbsent) {
    Open();
    EXPECT_TRUE(surface.shown[advanced::kSingleClassNote]);
    for (const FormRow& row : editor->form().rows) {
        const AdvancedSettingDef& def = AdvancedSettings()[row.setting];
        EXPECT_NE(def.efficiencyClass, 1) << Utf16ToUtf8(def.alias);
        EXPECT_NE(def.section, EditorSection::HeteroScheduling);
        EXPECT_NE(def.section, EditorSection::SchedulingPolicies);
        EXPECT_NE(def.section, EditorSection::Class1Performance);
    }
    EXPECT_EQ(editor->RowOf(u"HETERODECREASETHRESHOLD"), -1);
    EXPECT_GE(editor->RowOf(u"CPMINCORES"), 0);
    int headers = 0;
    for (const FormItem& f : editor->form().items) headers += f.kind == FormItem::Kind::Header;
    EXPECT_EQ(headers, 2);  // core parking and latency hints
    // Only three timing settings stand at the top, and two columns of the usual height hold the rest.
    EXPECT_EQ(editor->form().visibleBottom, 95 + 3 * 14 + 6);
    EXPECT_LE(editor->form().fullBottom, advanced::kColumnBottom);
}

TEST(AdvancedFormLayout, WrappedLabelsMakeRowsTallerAndColumnsBreakBeforeTheirFoot) {
    // Every setting, labels of 20 units where a label is "tall".
    std::vector<size_t> all(AdvancedSettings().size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    const AdvancedForm form = BuildAdvancedForm(
        all, [](size_t s) { return s == 0 ? std::u16string(u"tall") : std::u16string(u"short"); },
        [](int) { return std::u16string(u"header"); },
        [](std::u16string_view text) { return text == u"tall" ? 20 : 8; });
    // PERFCHECK's label is 20 high: its row is 21, the next row starts 22 below.
    EXPECT_EQ(form.items[1].height, 20);
    EXPECT_EQ(form.items[3].y, 95 + 22 + 1);  // the next label, one below its row's top
    // The column break: the first column's rows stop at the foot, and a
    // header is never the last thing in its column.
    const FormItem* last0 = nullptr;
    int firstColumnEnd = 0, secondColumnEnd = 0;
    for (const FormItem& f : form.items) {
        if (!f.showAllOnly || f.kind == FormItem::Kind::Label) continue;
        const int end = f.y + (f.kind == FormItem::Kind::List ? advanced::kRowHeight : f.height);
        if (f.x < advanced::kColumn1) {  // headers at the column's left, values further in
            last0 = &f;
            firstColumnEnd = std::max(firstColumnEnd, end);
        } else {
            secondColumnEnd = std::max(secondColumnEnd, end);
        }
    }
    ASSERT_NE(last0, nullptr);
    EXPECT_NE(last0->kind, FormItem::Kind::Header);
    EXPECT_GT(secondColumnEnd, 0);
    EXPECT_LE(firstColumnEnd, form.fullBottom);
    EXPECT_LE(secondColumnEnd, form.fullBottom);
    // The foot is as high as two columns allow: the columns end close together.
    EXPECT_LE(std::abs(firstColumnEnd - secondColumnEnd), 40);
    EXPECT_GE(form.fullBottom, form.visibleBottom);
    // Identifiers count up in creation order.
    for (size_t i = 0; i < form.items.size(); ++i) EXPECT_EQ(form.items[i].id, advanced::kFirstFormId + static_cast<int>(i));
}

TEST(AdvancedParkingClasses, DependentRowsByClass) {
    EXPECT_EQ(ParkingClassOf(u"CPOVERUTIL"), 0);
    EXPECT_EQ(ParkingClassOf(u"LATENCYHINTUNPARK1"), 1);
    EXPECT_EQ(ParkingClassOf(u"PERFCHECK"), -1);
    EXPECT_EQ(ParkingClassOf(u"CPMINCORES"), -1);
    EXPECT_EQ(ParkingClassOf(u"HETEROCLASS0FLOORPERF"), -1);
    EXPECT_TRUE(ParkingOffText(u"100"));
    EXPECT_TRUE(ParkingOffText(u"150"));
    EXPECT_FALSE(ParkingOffText(u"99"));
    EXPECT_FALSE(ParkingOffText(u""));
    EXPECT_FALSE(ParkingOffText(u"abc"));
}

}  // namespace
}  // namespace quellora
