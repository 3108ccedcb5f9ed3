#include <gtest/gtest.h>

#include "boost/boost_settings.h"
#include "model/maker_plan.h"
#include "model/persisted_store.h"
#include "model/presets.h"
#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/plan_write_guard.h"
#include "power/power_scheme_access.h"
#include "power/setting_metadata.h"
#include "tests/support/fake_controls.h"
#include "tests/support/sim_env.h"
#include "ui/plan_editor_presenter.h"

namespace quellora {
namespace {

using namespace editor;
using testing::FakeControl;
using testing::FakeControls;

const std::vector<int> kDashboardAndHybrid{
    kPlanList,     kClassList,     kParkingAc,     kParkingDc,     kParkingLimitedAc, kParkingLimitedDc, kParkingOffAc,
    kParkingOffDc, kMinStateAc,    kMinStateDc,    kMinNormalAc,   kMinNormalDc,      kMinFullAc,        kMinFullDc,
    kPreset1,      kPreset2,       kPreset3,       kApply,         kDiscard,          kRemember,         kActivate,
    kRestoreDefaults, kAdvanced,   kFrame,         kSummaryPlan,   kSummaryPreset,    kSummaryParking,   kPolicyAc,
    kPolicyDc,     kLongPolicyAc,  kLongPolicyDc,  kShortPolicyAc, kShortPolicyDc};

class FakeHost : public EditorHost {
public:
    explicit FakeHost(std::vector<int> ids = kDashboardAndHybrid) : controls(ids) {}
    ControlSurface& Controls() override { return controls; }
    void PostPendingEditsChanged() override { ++posted; }
    int Message(std::u16string_view text, uint32_t style) override {
        messages.emplace_back(text);
        styles.push_back(style);
        return answer;
    }
    void SetGlow(bool on) override { glow = on; }
    void SetApplyAccessibleName(std::u16string_view name) override { accessibleName = name; }
    void OpenAdvancedEditor(const Guid& plan) override { advancedFor = plan; }
    void BoostTurnedOff() override { ++boostOff; }

    FakeControls controls;
    int posted = 0;
    std::vector<std::u16string> messages;
    std::vector<uint32_t> styles;
    int answer = mb::kIdYes;
    bool glow = false;
    std::u16string accessibleName;
    Guid advancedFor;
    int boostOff = 0;
};

class PlanEditorTest : public ::testing::Test {
protected:
    explicit PlanEditorTest(std::u16string_view layout = u"hybrid-laptop") : env(layout) {}

    void Open() {
        ResetMainTopology();
        presenter = std::make_unique<PlanEditorPresenter>(host, power, variant);
        presenter->Initialise();
    }
    // The user types into a field that has the focus.
    void Type(int field, std::u16string_view text) {
        host.controls[field].text = text;
        presenter->OnCommand(field, kEditChange, true);
        presenter->OnPendingEditsChanged();
    }
    void Click(int control) { presenter->OnCommand(control, kButtonClicked, false); }
    void Choose(int list, std::u16string_view item) {
        FakeControl& c = host.controls[list];
        for (size_t i = 0; i < c.items.size(); ++i) {
            if (c.items[i] == item) c.selection = static_cast<int>(i);
        }
        presenter->OnCommand(list, kSelectionOk, false);
    }
    uint32_t Parking(const Guid& plan, bool ac, int efficiencyClass = 0) {
        uint32_t v = 0;
        EXPECT_TRUE(power.ReadCoreParkingMin(plan, efficiencyClass, ac, v));
        return v;
    }
    std::u16string Text(int id) { return host.controls[id].text; }
    bool Checked(int id) { return host.controls[id].checked; }

    testing::SimEnv env;
    PowerSchemeAccess power;
    FakeHost host;
    EditorVariant variant = EditorVariant::Dashboard;
    std::unique_ptr<PlanEditorPresenter> presenter;
};

TEST_F(PlanEditorTest, OpensOnTheActivePlanWithWhatThePlanHolds) {
    ASSERT_TRUE(power.ActivatePlan(guids::kHighPerformance));
    Open();
    std::u16string name;
    ASSERT_TRUE(power.ReadPlanName(guids::kHighPerformance, name));
    const FakeControl& list = host.controls[kPlanList];
    ASSERT_GE(list.selection, 0);
    EXPECT_EQ(list.items[static_cast<size_t>(list.selection)], name);
    EXPECT_EQ(Text(kParkingAc), ToDecimal(Parking(guids::kHighPerformance, true)));
    EXPECT_EQ(Text(kParkingDc), ToDecimal(Parking(guids::kHighPerformance, false)));
    uint32_t minimum = 0;
    ASSERT_TRUE(power.ReadMinProcessorState(guids::kHighPerformance, 0, true, minimum));
    EXPECT_EQ(Text(kMinStateAc), ToDecimal(minimum));
    EXPECT_EQ(Checked(kMinFullAc), minimum > 99);
    EXPECT_EQ(Checked(kMinNormalAc), minimum <= 99);
    EXPECT_EQ(Checked(kParkingOffAc), Parking(guids::kHighPerformance, true) == 100);
    EXPECT_TRUE(host.controls[kRestoreDefaults].visible) << "a Windows plan has defaults to restore";
    EXPECT_EQ(Text(kFrame), Format(LoadText(kFrameCaption), name));
    EXPECT_FALSE(host.controls[kActivate].enabled) << "the active plan cannot be made active";
    EXPECT_FALSE(presenter->pendingEdits());
    EXPECT_FALSE(host.controls[kDiscard].visible);
    EXPECT_FALSE(host.glow);
    // The hybrid layout offers both classes and the policies.
    EXPECT_EQ(host.controls[kClassList].items.size(), 2u);
    EXPECT_EQ(host.controls[kPolicyAc].items.size(), 5u);
    EXPECT_EQ(host.controls[kLongPolicyDc].items.size(), 6u);
    EXPECT_GE(host.controls[kPolicyAc].selection, 0);
}

TEST_F(PlanEditorTest, TypingMarksEditsPendingOnlyWhenTheFieldHasTheFocus) {
    Open();
    host.controls[kParkingAc].text = u"40";
    presenter->OnCommand(kParkingAc, kEditChange, false);  // the program set the text
    EXPECT_FALSE(presenter->pendingEdits());
    EXPECT_EQ(host.posted, 0);

    Type(kParkingAc, u"40");
    EXPECT_TRUE(presenter->pendingEdits());
    EXPECT_GE(host.posted, 1);
    EXPECT_TRUE(host.controls[kDiscard].visible);
    EXPECT_TRUE(host.glow);
    EXPECT_EQ(host.accessibleName, LoadText(kApplyPendingName));

    // The discard link puts the plan's values back.
    const std::u16string before = ToDecimal(Parking(guids::kBalanced, true));
    presenter->OnLink(kDiscard);
    presenter->OnPendingEditsChanged();
    EXPECT_FALSE(presenter->pendingEdits());
    EXPECT_EQ(Text(kParkingAc), before);
    EXPECT_FALSE(host.controls[kDiscard].visible);
    EXPECT_FALSE(host.glow);
    EXPECT_TRUE(host.accessibleName.empty());
}

TEST_F(PlanEditorTest, ApplyWritesTheFieldsAndReloadsWithTheMatchingChoice) {
    Open();
    struct Case {
        std::u16string typed;
        uint32_t written;
        int checked;
        int unchecked;
    };
    const Case cases[] = {
        {u"40", 40, kParkingLimitedAc, kParkingOffAc},
        {u"100", 100, kParkingOffAc, kParkingLimitedAc},
        {u"abc", 0, kParkingLimitedAc, kParkingOffAc},  // not a number reads as 0
    };
    for (const Case& c : cases) {
        Type(kParkingAc, c.typed);
        EXPECT_TRUE(presenter->Apply());
        EXPECT_EQ(Parking(guids::kBalanced, true), c.written) << Utf16ToUtf8(c.typed);
        EXPECT_EQ(Text(kParkingAc), ToDecimal(c.written));
        EXPECT_TRUE(Checked(c.checked));
        EXPECT_FALSE(Checked(c.unchecked));
        EXPECT_FALSE(presenter->pendingEdits());
    }
    // The other power source and the minimum state are written the same way.
    Type(kParkingDc, u"25");
    Type(kMinStateDc, u"12");
    Click(kApply);
    EXPECT_EQ(Parking(guids::kBalanced, false), 25u);
    uint32_t minimum = 0;
    ASSERT_TRUE(power.ReadMinProcessorState(guids::kBalanced, 0, false, minimum));
    EXPECT_EQ(minimum, 12u);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(PlanEditorTest, RadioButtonsFillInTheDefaultsOrFull) {
    Open();
    Click(kParkingOffDc);
    EXPECT_EQ(Text(kParkingDc), u"100");
    EXPECT_TRUE(presenter->pendingEdits());
    Click(kParkingLimitedDc);
    uint32_t windowsDefault = 0;
    const bool haveDefault = ReadWindowsDefault(guids::kBalanced, guids::kCoreParkingMin0, false, windowsDefault);
    EXPECT_EQ(Text(kParkingDc), ToDecimal(haveDefault && windowsDefault != 100 ? windowsDefault : 10u));
    Click(kMinFullAc);
    EXPECT_EQ(Text(kMinStateAc), u"100");
}

TEST_F(PlanEditorTest, AStagedPresetClickedAgainIsDiscarded) {
    Open();
    const std::u16string before = Text(kParkingAc);
    Click(kPreset1);
    EXPECT_EQ(presenter->stagedPreset(), preset::kResponsive);
    EXPECT_TRUE(presenter->pendingEdits());
    const auto responsive = PresetValue(power, guids::kBalanced, preset::kResponsive, guids::kCoreParkingMin0, true);
    ASSERT_TRUE(responsive.has_value());
    EXPECT_EQ(Text(kParkingAc), ToDecimal(*responsive));
    EXPECT_TRUE(Checked(kPreset1));
    EXPECT_EQ(Text(kSummaryPreset), LoadText(9452));

    Click(kPreset1);
    EXPECT_EQ(presenter->stagedPreset(), 0);
    EXPECT_FALSE(presenter->pendingEdits());
    EXPECT_EQ(Text(kParkingAc), before);
    EXPECT_EQ(Parking(guids::kBalanced, true), FieldUnsigned(before)) << "nothing was written";
}

TEST_F(PlanEditorTest, AppliedStagedPresetIsWrittenAndDetected) {
    Open();
    Click(kPreset3);
    Click(kApply);
    EXPECT_EQ(DetectPreset(power, guids::kBalanced, Sides::Both), preset::kPowerSaver);
    EXPECT_TRUE(Checked(kPreset3));
    EXPECT_EQ(Text(kSummaryPreset), LoadText(9443));
}

TEST_F(PlanEditorTest, TheWindowsPresetOnAPlanWithoutDefaultsChangesOnlyTheSummary) {
    Guid copy;
    ASSERT_TRUE(power.DuplicatePlan(guids::kBalanced, copy));
    ASSERT_TRUE(power.WritePlanName(copy, u"My copy"));
    ASSERT_TRUE(power.ActivatePlan(copy));
    Open();
    EXPECT_FALSE(host.controls[kPreset2].enabled);
    EXPECT_FALSE(host.controls[kRestoreDefaults].visible);
    EXPECT_EQ(Text(kSummaryPreset), LoadText(9525));
    Click(kPreset2);
    EXPECT_EQ(presenter->stagedPreset(), 0);
    EXPECT_FALSE(presenter->pendingEdits());
}

TEST_F(PlanEditorTest, WithoutASelectedPlanApplyOnlyClearsThePendingState) {
    Open();
    Type(kParkingAc, u"40");
    host.controls[kPlanList].selection = -1;
    const uint32_t before = Parking(guids::kBalanced, true);
    EXPECT_TRUE(presenter->Apply());
    EXPECT_FALSE(presenter->pendingEdits());
    EXPECT_EQ(Parking(guids::kBalanced, true), before);
}

TEST_F(PlanEditorTest, ARefusedWriteIsReportedAndTheFieldsShowWhatWindowsHolds) {
    Open();
    const uint32_t before = Parking(guids::kBalanced, true);
    env.machine().SetWriteRefusal(guids::kCoreParkingMin0, true, 5);
    Type(kParkingAc, u"40");
    EXPECT_FALSE(presenter->Apply());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.styles[0], mb::kIconError);
    const std::u16string& text = host.messages[0];
    EXPECT_EQ(text.rfind(LoadText(kApplyFailed), 0), 0u) << Utf16ToUtf8(text);
    // The setting by its label, or by its GUID while the language module has no label for it.
    std::u16string label = LoadText(9235);
    if (label.empty()) label = GuidToText(guids::kCoreParkingMin0);
    const std::u16string detail = Format(LoadText(kRefusedAc), label, 40, 5);
    EXPECT_NE(text.find(detail), std::u16string::npos) << Utf16ToUtf8(text);
    EXPECT_EQ(Text(kParkingAc), ToDecimal(before));
    EXPECT_EQ(Parking(guids::kBalanced, true), before);
}

TEST_F(PlanEditorTest, ChoosingAnotherPlanAsksAndWritesTheEditsToThePlanTheyWereMadeOn) {
    Open();
    std::u16string highName;
    ASSERT_TRUE(power.ReadPlanName(guids::kHighPerformance, highName));
    const uint32_t highBefore = Parking(guids::kHighPerformance, true);
    Type(kParkingAc, u"37");
    host.answer = mb::kIdYes;
    Choose(kPlanList, highName);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], LoadText(kApplyQuestion));
    EXPECT_EQ(Parking(guids::kBalanced, true), 37u);
    EXPECT_EQ(Parking(guids::kHighPerformance, true), highBefore);
    EXPECT_EQ(Text(kParkingAc), ToDecimal(highBefore));
    EXPECT_FALSE(presenter->pendingEdits());
    EXPECT_TRUE(host.controls[kActivate].enabled);

    // Answered No: nothing is written, the edits are gone.
    Type(kParkingAc, u"12");
    host.answer = mb::kIdNo;
    std::u16string balancedName;
    ASSERT_TRUE(power.ReadPlanName(guids::kBalanced, balancedName));
    Choose(kPlanList, balancedName);
    EXPECT_EQ(Parking(guids::kHighPerformance, true), highBefore);
    EXPECT_EQ(Text(kParkingAc), u"37");
}

TEST_F(PlanEditorTest, TheClassListChoosesWhichClassIsEdited) {
    Open();
    Choose(kClassList, LoadText(1315));
    EXPECT_EQ(Text(kParkingAc), ToDecimal(Parking(guids::kBalanced, true, 1)));
    Type(kParkingAc, u"55");
    Click(kApply);
    EXPECT_EQ(Parking(guids::kBalanced, true, 1), 55u);
    EXPECT_NE(Parking(guids::kBalanced, true, 0), 55u);
}

TEST_F(PlanEditorTest, RememberingTheSettingsKeepsACopyAndUncheckingDropsIt) {
    Open();
    host.controls[kRemember].checked = true;
    Click(kRemember);
    EXPECT_TRUE(HasStored(power, guids::kBalanced));
    host.controls[kRemember].checked = false;
    Click(kRemember);
    EXPECT_FALSE(HasStored(power, guids::kBalanced));
}

TEST_F(PlanEditorTest, MakingAPlanActiveTurnsDynamicBoostOff) {
    SetBoostEnabled(true);
    Open();
    std::u16string highName;
    ASSERT_TRUE(power.ReadPlanName(guids::kHighPerformance, highName));
    FakeControl& list = host.controls[kPlanList];
    for (size_t i = 0; i < list.items.size(); ++i) {
        if (list.items[i] == highName) list.selection = static_cast<int>(i);
    }
    presenter->UpdateActivateButton();
    EXPECT_TRUE(host.controls[kActivate].enabled);
    Click(kActivate);
    EXPECT_TRUE(power.IsActivePlan(guids::kHighPerformance));
    EXPECT_FALSE(IsBoostEnabled());
    EXPECT_EQ(host.boostOff, 1);
    EXPECT_FALSE(host.controls[kActivate].enabled);
}

TEST_F(PlanEditorTest, RestoringWindowsDefaultsReportsAndForgetsTheCopy) {
    Open();
    Type(kParkingAc, u"33");
    host.controls[kRemember].checked = true;
    Click(kApply);
    ASSERT_TRUE(HasStored(power, guids::kBalanced));
    presenter->OnLink(kRestoreDefaults);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], LoadText(9532));
    EXPECT_EQ(host.styles[0], mb::kIconInformation);
    uint32_t windowsDefault = 0;
    ASSERT_TRUE(ReadWindowsDefault(guids::kBalanced, guids::kCoreParkingMin0, true, windowsDefault));
    EXPECT_EQ(Parking(guids::kBalanced, true), windowsDefault);
    EXPECT_FALSE(HasStored(power, guids::kBalanced));
    EXPECT_FALSE(Checked(kRemember));
}

TEST_F(PlanEditorTest, TheSummaryStatesTheFloorThatHoldsOnThePowerSource) {
    Open();
    Type(kParkingAc, u"150");  // capped at 100
    EXPECT_EQ(Text(kSummaryParking), LoadText(9527));
    Type(kParkingAc, u"45");
    EXPECT_EQ(Text(kSummaryParking), Format(LoadText(9528), 45));
    presenter->OnLink(kDiscard);
    const uint32_t now = Parking(guids::kBalanced, true);
    EXPECT_EQ(Text(kSummaryParking), now > 99 ? LoadText(9440) : Format(LoadText(9441), now));
    std::u16string name;
    ASSERT_TRUE(power.ReadPlanName(guids::kBalanced, name));
    EXPECT_EQ(Text(kSummaryPlan), Format(LoadText(9442), name));
}

class OneClassEditorTest : public PlanEditorTest {
protected:
    OneClassEditorTest() : PlanEditorTest(u"desktop") {}
};

TEST_F(OneClassEditorTest, TheClassListIsHiddenAndNoPolicyIsWritten) {
    Open();
    EXPECT_FALSE(presenter->classSelectable());
    EXPECT_FALSE(host.controls[kClassList].visible);
    EXPECT_TRUE(host.controls[kPolicyAc].items.empty());
    const uint64_t before = env.power().TotalCalls();
    Type(kParkingAc, u"50");
    EXPECT_TRUE(presenter->Apply());
    EXPECT_GT(env.power().TotalCalls(), before);
    EXPECT_EQ(Parking(guids::kBalanced, true), 50u);
}

TEST_F(PlanEditorTest, TheClassicVariantAppliesAPresetForOnePowerSource) {
    variant = EditorVariant::Classic;
    std::vector<int> ids = kDashboardAndHybrid;
    ids.push_back(kPresetListAc);
    ids.push_back(kPresetListDc);
    host.controls = FakeControls(ids);
    Open();
    EXPECT_EQ(host.controls[kPresetListAc].items.size(), 4u);
    // Typing alone does not mark edits pending in the classic dialog.
    Type(kParkingAc, u"40");
    EXPECT_FALSE(presenter->pendingEdits());
    host.controls[kParkingAc].text = ToDecimal(Parking(guids::kBalanced, true));
    host.controls[kPresetListDc].selection = preset::kPowerSaver;
    presenter->OnCommand(kPresetListDc, kSelectionChange, false);
    EXPECT_TRUE(presenter->pendingEdits());
    const uint32_t acBefore = Parking(guids::kBalanced, true);
    Click(kApply);
    const auto saver = PresetValue(power, guids::kBalanced, preset::kPowerSaver, guids::kCoreParkingMin0, false);
    ASSERT_TRUE(saver.has_value());
    EXPECT_EQ(Parking(guids::kBalanced, false), *saver);
    EXPECT_EQ(Parking(guids::kBalanced, true), acBefore);
    EXPECT_EQ(host.controls[kPresetListDc].selection, DetectPreset(power, guids::kBalanced, Sides::Dc));
}

TEST(EditorText, AFailureRecordIsWorded) {
    testing::SimEnv env;
    WriteFailure none;
    EXPECT_EQ(WriteFailureText(none), LoadText(kNoFailureRecorded));
    WriteFailure activation;
    activation.failed = activation.activationFailed = true;
    EXPECT_EQ(WriteFailureText(activation), LoadText(kActivationFailed));
    // Another window or command kept the plans: it says so, not "Windows refused {00000000-...}".
    WriteFailure busy;
    PlanWriteGuard::Failed(&busy);
    EXPECT_EQ(WriteFailureText(busy), LoadText(kPlansBusy));
    EXPECT_FALSE(LoadText(kPlansBusy).empty());
    WriteFailure refused;
    refused.failed = true;
    refused.entry = SettingWrite{guids::kMinProcessorState0, false, 7};
    refused.error = 87;
    // A setting outside the table of advanced settings is named by its GUID.
    EXPECT_EQ(WriteFailureText(refused), Format(LoadText(kRefusedDc), GuidToText(guids::kMinProcessorState0), 7, 87));
}

TEST(EditorFields, NumbersAreReadAsTheDialogManagerReadsThem) {
    bool number = false;
    EXPECT_EQ(FieldUnsigned(u" 42", &number), 42u);
    EXPECT_TRUE(number);
    EXPECT_EQ(FieldUnsigned(u"-5", &number), 0u);
    EXPECT_FALSE(number);
    EXPECT_EQ(FieldUnsigned(u"4x", &number), 0u);
    EXPECT_FALSE(number);
    EXPECT_EQ(FieldUnsigned(u"", &number), 0u);
    EXPECT_FALSE(number);
    EXPECT_EQ(FieldSigned(u"-5", &number), -5);
    EXPECT_TRUE(number);
    EXPECT_EQ(FieldUnsigned(u"99999999999", &number), 0u);
    EXPECT_FALSE(number);
}

}  // namespace
}  // namespace quellora
