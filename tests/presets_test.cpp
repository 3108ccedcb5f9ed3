#include <gtest/gtest.h>

#include "app/console_frame.h"
#include "model/maker_plan.h"
#include "model/persisted_store.h"
#include "model/plan_editor.h"
#include "model/presets.h"
#include "platform/command_line.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "power/setting_metadata.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

constexpr Guid kPerfCheck = GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5");
constexpr Guid kHeteroDecreaseTime = GuidLiteral("7f2492b6-60b1-45e5-ae55-773f8cd5caec");

class PresetsTest : public ::testing::Test {
protected:
    SimEnv env;
    PowerSchemeAccess power;

    uint32_t Value(const Guid& plan, const Guid& setting, bool ac) {
        uint32_t v = 0;
        EXPECT_TRUE(power.ReadSetting(plan, guids::kSubProcessor, setting, ac, v));
        return v;
    }
    Guid CopyOf(const Guid& source, const char16_t* name) {
        Guid copy;
        EXPECT_TRUE(power.DuplicatePlan(source, copy));
        EXPECT_TRUE(power.WritePlanName(copy, name));
        return copy;
    }
    // What a drift check compares: the remembered copy against the plan.
    bool StoredCopyMatchesPlan(const Guid& plan) {
        PlanSettings stored;
        if (!LoadStored(power, plan, stored)) return false;
        PlanSettings live;
        live.plan = plan;
        ReadFromPlan(power, live, StoredClasses(stored), IsHeterogeneousProcessor(), StoredAdvanced(stored));
        return Diff(stored, live).empty();
    }
};

TEST_F(PresetsTest, ResponsiveKeepsEveryCoreUnparkedAndTheCopyFollows) {
    // A remembered copy of the plan exists before the preset.
    PlanSettings s;
    s.plan = guids::kBalanced;
    ReadFromPlan(power, s, {0, 1}, true, {kPerfCheck});
    SaveStoredSide(power, s.plan, true, s.ac);
    SaveStoredSide(power, s.plan, false, s.dc);

    ASSERT_TRUE(ApplyPreset(power, guids::kBalanced, preset::kResponsive, Sides::Both));
    for (bool ac : {true, false}) {
        EXPECT_EQ(Value(guids::kBalanced, guids::kCoreParkingMin0, ac), 100u);
        EXPECT_EQ(Value(guids::kBalanced, guids::kCoreParkingMin1, ac), 100u);
        EXPECT_EQ(Value(guids::kBalanced, kPerfCheck, ac), 15u);
    }
    EXPECT_TRUE(StoredCopyMatchesPlan(guids::kBalanced));
    EXPECT_EQ(DetectPreset(power, guids::kBalanced, Sides::Both), preset::kResponsive);

    ASSERT_TRUE(ApplyPreset(power, guids::kBalanced, preset::kPowerSaver, Sides::Ac));
    EXPECT_EQ(Value(guids::kBalanced, guids::kCoreParkingMin0, true), 0u);
    EXPECT_EQ(Value(guids::kBalanced, guids::kCoreParkingMin0, false), 100u);  // DC left alone
    EXPECT_EQ(DetectPreset(power, guids::kBalanced, Sides::Ac), preset::kPowerSaver);
    EXPECT_EQ(DetectPreset(power, guids::kBalanced, Sides::Dc), preset::kResponsive);
    EXPECT_EQ(DetectPreset(power, guids::kBalanced, Sides::Both), preset::kNone);
    EXPECT_TRUE(StoredCopyMatchesPlan(guids::kBalanced));
}

TEST_F(PresetsTest, EntriesComeInTableOrderAcBeforeDc) {
    auto entries = PresetEntries(power, guids::kBalanced, preset::kResponsive, Sides::Both);
    ASSERT_EQ(entries.size(), 20u);
    EXPECT_EQ(entries[0].setting, guids::kCoreParkingMin0);
    EXPECT_TRUE(entries[0].ac);
    EXPECT_FALSE(entries[1].ac);
    EXPECT_EQ(entries[4].setting, kPerfCheck);
    EXPECT_EQ(entries[4].value, 15u);
    EXPECT_EQ(PresetEntries(power, guids::kBalanced, preset::kNone, Sides::Both).size(), 0u);
    EXPECT_EQ(PresetEntries(power, guids::kBalanced, preset::kPowerSaver, Sides::Dc).size(), 10u);
}

TEST(Presets, AOneClassProcessorSkipsTheHeterogeneousSettings) {
    SimEnv env(u"desktop");
    PowerSchemeAccess power;
    auto entries = PresetEntries(power, guids::kBalanced, preset::kResponsive, Sides::Ac);
    ASSERT_EQ(entries.size(), 6u);  // CPMINCORES1, HETERO*TIME and HETEROCLASS0FLOORPERF are left out
    for (const auto& e : entries) {
        EXPECT_NE(e.setting, kHeteroDecreaseTime);
        EXPECT_NE(e.setting, guids::kCoreParkingMin1);
    }
    EXPECT_FALSE(PresetValue(power, guids::kBalanced, preset::kResponsive, guids::kCoreParkingMin1, true));
    EXPECT_EQ(*PresetValue(power, guids::kBalanced, preset::kResponsive, guids::kCoreParkingMin0, true), 100u);
}

TEST_F(PresetsTest, WindowsDefaultsBelongToWindowsPlansOnly) {
    ASSERT_TRUE(ApplyPreset(power, guids::kBalanced, preset::kPowerSaver, Sides::Both));
    ASSERT_TRUE(ResetToWindowsDefaults(power, guids::kBalanced));
    EXPECT_EQ(DetectPreset(power, guids::kBalanced, Sides::Both), preset::kWindowsDefaults);
    uint32_t fallback = 0;
    ASSERT_TRUE(ReadWindowsDefault(guids::kBalanced, guids::kCoreParkingMin0, true, fallback));
    EXPECT_EQ(Value(guids::kBalanced, guids::kCoreParkingMin0, true), fallback);
    EXPECT_EQ(*PresetValue(power, guids::kBalanced, preset::kWindowsDefaults, guids::kCoreParkingMin0, true), fallback);

    Guid copy = CopyOf(guids::kBalanced, u"Balanced copy");
    EXPECT_NE(DetectPreset(power, copy, Sides::Both), preset::kWindowsDefaults);
    EXPECT_TRUE(PresetEntries(power, copy, preset::kWindowsDefaults, Sides::Both).empty());
    EXPECT_TRUE(ApplyPreset(power, copy, preset::kWindowsDefaults, Sides::Both));  // nothing to write
    EXPECT_FALSE(ResetToWindowsDefaults(power, copy));
}

TEST_F(PresetsTest, ARefusedPresetRollsBackAndLeavesTheCopyAlone) {
    SourceSettings side;
    side.coreParkingMin = {{0, 55}};
    side.minFrequency = {{0, 5}};
    side.hasHetero = true;
    SaveStoredSide(power, guids::kBalanced, true, side);
    SaveStoredSide(power, guids::kBalanced, false, side);
    const uint32_t before = Value(guids::kBalanced, guids::kCoreParkingMin0, true);
    env.machine().SetWriteRefusal(kPerfCheck, false, 5);
    WriteFailure failure;
    EXPECT_FALSE(ApplyPreset(power, guids::kBalanced, preset::kResponsive, Sides::Both, &failure));
    EXPECT_EQ(Value(guids::kBalanced, guids::kCoreParkingMin0, true), before);
    PlanSettings stored;
    ASSERT_TRUE(LoadStored(power, guids::kBalanced, stored));
    EXPECT_EQ(stored.ac.coreParkingMin.at(0), 55u);
    EXPECT_TRUE(failure.failed);
    EXPECT_EQ(failure.entry.setting, kPerfCheck);
}

TEST(EditorStaging, ThePresetFirstThenTheFields) {
    struct Case {
        const char* name;
        int preset;           // staged before the edit
        bool editAcFloor;     // the AC floor set to 37 after staging
        uint32_t ac0, dc0;    // class 0 floors after Apply
        uint32_t class1;      // class 1 floor (the class not on screen)
        uint32_t perfCheck;
    };
    const Case cases[] = {
        {"staged Responsive, AC floor edited", preset::kResponsive, true, 37, 100, 100, 15},
        {"staged Responsive, fields kept", preset::kResponsive, false, 100, 100, 100, 15},
        {"no preset: the fields alone", preset::kNone, true, 37, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimEnv env;
        PowerSchemeAccess power;
        const uint32_t dcBefore = [&] {
            uint32_t v = 0;
            power.ReadCoreParkingMin(guids::kBalanced, 0, false, v);
            return v;
        }();
        uint32_t class1Before = 0, perfCheckBefore = 0;
        power.ReadCoreParkingMin(guids::kBalanced, 1, true, class1Before);
        power.ReadSetting(guids::kBalanced, guids::kSubProcessor, kPerfCheck, true, perfCheckBefore);

        EditorState editor;
        LoadEditor(power, guids::kBalanced, 0, editor);
        if (c.preset) {
            StagePreset(power, editor, c.preset);
            EXPECT_TRUE(editor.pendingEdits);
            EXPECT_EQ(editor.fields.parkingAc, 100u);
            EXPECT_EQ(editor.fields.parkingDc, 100u);
        }
        if (c.editAcFloor) {
            editor.fields.parkingAc = 37;
            editor.pendingEdits = true;
        }
        ASSERT_TRUE(ApplyEditor(power, editor));
        EXPECT_FALSE(editor.pendingEdits);
        EXPECT_EQ(editor.stagedPreset, 0);

        uint32_t v = 0;
        ASSERT_TRUE(power.ReadCoreParkingMin(guids::kBalanced, 0, true, v));
        EXPECT_EQ(v, c.ac0);
        ASSERT_TRUE(power.ReadCoreParkingMin(guids::kBalanced, 0, false, v));
        EXPECT_EQ(v, c.preset ? c.dc0 : dcBefore);
        ASSERT_TRUE(power.ReadCoreParkingMin(guids::kBalanced, 1, true, v));
        EXPECT_EQ(v, c.preset ? c.class1 : class1Before);
        ASSERT_TRUE(power.ReadSetting(guids::kBalanced, guids::kSubProcessor, kPerfCheck, true, v));
        EXPECT_EQ(v, c.preset ? c.perfCheck : perfCheckBefore);
        ASSERT_TRUE(power.ReadMaxProcessorState(guids::kBalanced, 0, true, v));
        EXPECT_EQ(v, 100u);  // the written class's maximum state is raised
    }
}

TEST(EditorStaging, RememberedSettingsFollowTheApply) {
    SimEnv env;
    PowerSchemeAccess power;
    EditorState editor;
    LoadEditor(power, guids::kPowerSaver, 1, editor);
    EXPECT_FALSE(editor.remember);
    editor.remember = true;
    editor.fields.parkingAc = 42;
    ASSERT_TRUE(ApplyEditor(power, editor));
    PlanSettings stored;
    ASSERT_TRUE(LoadStored(power, guids::kPowerSaver, stored));
    EXPECT_EQ(stored.ac.coreParkingMin.at(1), 42u);
    LoadEditor(power, guids::kPowerSaver, 1, editor);
    EXPECT_TRUE(editor.remember);
    editor.remember = false;
    ASSERT_TRUE(ApplyEditor(power, editor));
    EXPECT_FALSE(HasStored(power, guids::kPowerSaver));
}

class MakerPlanTest : public PresetsTest {
protected:
    size_t MakerPlans() { return ScanMakerPlans().size(); }
};

TEST_F(MakerPlanTest, ACopyOfHighPerformanceSetUpAsTheMakerPlanIsResponsive) {
    Guid copy = CopyOf(guids::kHighPerformance, u"Test copy");
    ASSERT_TRUE(WriteMakerPlanSettings(power, copy));
    EXPECT_EQ(DetectPreset(power, copy, Sides::Ac), preset::kResponsive);
    EXPECT_EQ(DetectPreset(power, copy, Sides::Dc), preset::kResponsive);
    EXPECT_EQ(DetectPreset(power, copy, Sides::Both), preset::kResponsive);
}

TEST_F(MakerPlanTest, CreatedFromTheFastestBuiltInPlanOnce) {
    Guid plan;
    ASSERT_TRUE(CreateMakerPlan(power, plan));
    std::u16string name;
    ASSERT_TRUE(power.ReadPlanName(plan, name));
    EXPECT_EQ(name, u"Ostrima Highest Performance");
    EXPECT_TRUE(IsMakerPlan(plan));
    Guid marker;
    ASSERT_TRUE(ReadGuidValue(Hive::LocalMachine, kAppKey, u"CustomHighPerfGUID", marker));
    EXPECT_EQ(marker, plan);
    EXPECT_EQ(Value(plan, guids::kCoreParkingMin1, false), 100u);
    EXPECT_EQ(Value(plan, guids::kShortSchedPolicy, true), 2u);
    uint64_t writes = env.power().CallCount(PowerApi::Fn::WriteACValueIndex);
    Guid again;
    ASSERT_TRUE(CreateMakerPlan(power, again));
    EXPECT_EQ(again, plan);
    EXPECT_EQ(env.power().CallCount(PowerApi::Fn::WriteACValueIndex), writes);  // the existing plan is answered
    EXPECT_EQ(MakerPlans(), 1u);
}

TEST(MakerPlan, OneClassProcessorKeepsTheBasePlansPolicies) {
    SimEnv env(u"desktop");
    PowerSchemeAccess power;
    Guid plan;
    ASSERT_TRUE(CreateMakerPlan(power, plan));  // no class-1 settings to write on this processor
    uint32_t base = 0, made = 0;
    ASSERT_TRUE(power.ReadShortSchedPolicy(power.HighestBuiltInPlan(), true, base));
    ASSERT_TRUE(power.ReadShortSchedPolicy(plan, true, made));
    EXPECT_EQ(made, base);
}

TEST_F(MakerPlanTest, TheUsersRemovalInAnyProductIsHonoured) {
    for (int n : {1, 2, 3}) env.machine().RemoveOverlay(n);  // a machine without power modes
    WriteDword(Hive::LocalMachine, u"Software\\Taskwarden", u"OHPUninstalled", 1);
    WriteDword(Hive::LocalMachine, kAppKey, u"OHPUninstalled", 1);
    EXPECT_FALSE(EnsureMakerPlan(power, false));
    EXPECT_EQ(MakerPlans(), 0u);
    Guid plan;
    EXPECT_FALSE(FindOrCreateMakerPlan(power, plan));
    ASSERT_TRUE(EnsureMakerPlan(power, true));
    EXPECT_EQ(MakerPlans(), 1u);
    uint32_t mark = 0;
    EXPECT_FALSE(ReadDword(Hive::LocalMachine, kAppKey, u"OHPUninstalled", mark));  // the program's own marker goes
    EXPECT_TRUE(ReadDword(Hive::LocalMachine, u"Software\\Taskwarden", u"OHPUninstalled", mark));
}

TEST_F(MakerPlanTest, OverlaysInUseKeepItFromBeingCreated) {
    // A Windows 11 laptop in the Balanced power mode uses its overlays already.
    EXPECT_FALSE(EnsureMakerPlan(power, true));
    EXPECT_EQ(MakerPlans(), 0u);
    env.machine().WriteActiveOverlay(true, guids::kOverlay3);
    PowerSchemeAccess fresh;
    EXPECT_FALSE(EnsureMakerPlan(fresh, true));
    EXPECT_EQ(MakerPlans(), 0u);
}

TEST_F(MakerPlanTest, DuplicatesInAnyCaseAreAllDeleted) {
    Guid first = CopyOf(guids::kHighPerformance, u"Ostrima Highest Performance");
    Guid second = CopyOf(guids::kHighPerformance, u"OSTRIMA highest performance");
    (void)first;
    (void)second;
    EXPECT_EQ(RemoveDuplicateMakerPlans(power), 2);
    EXPECT_EQ(MakerPlans(), 0u);
    Guid single = CopyOf(guids::kHighPerformance, u"Ostrima Highest Performance");
    EXPECT_EQ(RemoveDuplicateMakerPlans(power), 1);  // one is no duplicate
    EXPECT_TRUE(IsMakerPlan(single));
}

TEST_F(MakerPlanTest, RemovingTheActiveMakerPlanLeavesBalancedActive) {
    Guid plan;
    ASSERT_TRUE(CreateMakerPlan(power, plan));
    ASSERT_TRUE(power.ActivatePlan(plan));
    ASSERT_TRUE(RemoveMakerPlan(power, true));
    EXPECT_EQ(power.QueryActivePlanOrNull(), guids::kBalanced);
    EXPECT_EQ(MakerPlans(), 0u);
    Guid marker;
    EXPECT_FALSE(ReadGuidValue(Hive::LocalMachine, kAppKey, u"CustomHighPerfGUID", marker));
    EXPECT_EQ(ReadDwordOr(Hive::LocalMachine, kAppKey, u"OHPUninstalled", 0), 1u);
    EXPECT_TRUE(RemoveMakerPlan(power, true));  // nothing left to remove
}

TEST_F(MakerPlanTest, ListedWhenTheUserAsksEvenIfWindowsHidesIt) {
    Guid plan;
    ASSERT_TRUE(CreateMakerPlan(power, plan));
    env.machine().SetPlanHidden(plan, true);
    auto run = [&] {
        env.console().out.clear();
        EXPECT_EQ(RunConsoleCommand(CommandArguments(u"quellora.exe /plans")), 0);
        return env.console().out;
    };
    EXPECT_EQ(run().find("Ostrima Highest Performance"), std::string::npos);
    WriteDword(Hive::LocalMachine, kAppKey, u"AlwaysShowOstrimaHighestPerformance", 1);
    std::string listed = run();
    EXPECT_NE(listed.find("\"name\": \"Ostrima Highest Performance\""), std::string::npos) << listed;
    Guid found;
    EXPECT_TRUE(FindMakerPlan(power, found));  // found by the registry scan
    EXPECT_EQ(found, plan);
}

TEST(MakerPlan, RefreshedOnceOnTwelfthGenerationBeforeWindows11) {
    for (uint32_t build : {19045u, 22631u}) {
        SimEnv env(u"intel12-win10");
        env.machine().SetWindows(sim::WindowsForBuild(build));
        PowerSchemeAccess power;
        ReinitMakerPlanOnce(power);
        const bool refreshed = build < 22000;
        EXPECT_EQ(ScanMakerPlans().size(), refreshed ? 1u : 0u) << build;
        EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"OHPReinitDone", 0), refreshed ? 1u : 0u);
        if (!refreshed) continue;
        RemoveMakerPlan(power, false);  // deleted without the user's marker ...
        ReinitMakerPlanOnce(power);     // ... and not made again: it ran once
        EXPECT_EQ(ScanMakerPlans().size(), 0u);
    }
}

}  // namespace
}  // namespace quellora
