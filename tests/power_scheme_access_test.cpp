#include <gtest/gtest.h>

#include <algorithm>

#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

class PowerSchemeAccessTest : public ::testing::Test {
protected:
    SimEnv env;

    uint32_t PlanValue(const Guid& plan, const Guid& setting, bool ac) {
        uint32_t v = 0;
        EXPECT_EQ(env.machine().ReadPlanValue(plan, guids::kSubProcessor, setting, ac, v), 0u);
        return v;
    }
    size_t PowercfgStarts(std::u16string_view needle) {
        auto log = env.processes().StartedCommandLines();
        return static_cast<size_t>(std::count_if(log.begin(), log.end(), [&](const std::u16string& line) {
            return line.find(needle) != std::u16string::npos;
        }));
    }
};

TEST_F(PowerSchemeAccessTest, ListsPlansSortedByNameAndReadsTheActiveOne) {
    PowerSchemeAccess power;
    ASSERT_TRUE(power.available());
    // A Windows 11 laptop: the three plans and the three power-mode overlays, by name.
    EXPECT_EQ(power.EnumeratePlans(false),
              (std::vector<Guid>{guids::kBalanced, guids::kOverlay3, guids::kOverlay1, guids::kHighPerformance,
                                 guids::kOverlay2, guids::kPowerSaver}));
    EXPECT_TRUE(power.OverlaysInUse(false));
    Guid active;
    ASSERT_TRUE(power.QueryActivePlan(active));
    EXPECT_EQ(active, guids::kBalanced);  // the Balanced power mode: no overlay
    // Ultimate Performance is hidden from Windows' enumeration but readable.
    EXPECT_EQ(power.HighestBuiltInPlan(), guids::kUltimatePerformance);
    std::u16string name;
    ASSERT_TRUE(power.ReadPlanName(guids::kUltimatePerformance, name));
    EXPECT_EQ(name, u"Ultimate Performance");
}

TEST_F(PowerSchemeAccessTest, WithoutOverlayFunctionsPlanListsHoldOnlyEnumeratedPlans) {
    env.machine().AddOverlay(3);
    env.machine().WriteActiveOverlay(true, guids::kOverlay3);
    env.machine().SetOverlayFunctions(false);
    PowerSchemeAccess power;
    EXPECT_FALSE(power.HasOverlaySupport());
    EXPECT_EQ(power.EnumeratePlans(false).size(), 3u);
    EXPECT_EQ(power.QueryActivePlanOrNull(), guids::kBalanced);
    EXPECT_FALSE(power.OverlaysInUse(true));
}

TEST_F(PowerSchemeAccessTest, OverlayIsReportedActiveAndClearedBeforeAnotherPlan) {
    env.machine().AddOverlay(1);
    env.machine().AddOverlay(3);
    env.machine().WriteActiveOverlay(true, guids::kOverlay3);
    PowerSchemeAccess power;
    ASSERT_TRUE(power.HasOverlaySupport());
    EXPECT_TRUE(power.OverlaysInUse(true));
    auto plans = power.EnumeratePlans(false);
    EXPECT_EQ(plans.size(), 6u);  // three plans and the three overlay schemes
    EXPECT_EQ(power.QueryActivePlanOrNull(), guids::kOverlay3);

    ASSERT_TRUE(power.ActivatePlan(guids::kHighPerformance));
    Guid overlay;
    EXPECT_TRUE(!env.machine().ActiveOverlay(true, overlay) || overlay.IsNull());
    EXPECT_EQ(power.QueryActivePlanOrNull(), guids::kHighPerformance);

    ASSERT_TRUE(power.ActivatePlan(guids::kOverlay1));
    Guid scheme;
    ASSERT_TRUE(env.machine().ActiveScheme(scheme));
    EXPECT_EQ(scheme, guids::kBalanced);
    EXPECT_EQ(power.QueryActivePlanOrNull(), guids::kOverlay1);
}

TEST_F(PowerSchemeAccessTest, FindsOverlaysByTheirListedNameInAnyCase) {
    env.machine().AddOverlay(3);
    PowerSchemeAccess power;
    std::u16string overlayName;
    ASSERT_TRUE(power.ReadPlanName(guids::kOverlay3, overlayName));
    std::u16string listed;
    ASSERT_TRUE(power.PlanDisplayName(guids::kOverlay3, listed));
    EXPECT_EQ(listed, u"Balanced: " + overlayName);
    Guid found;
    ASSERT_TRUE(power.FindPlanByName(listed, found));
    EXPECT_EQ(found, guids::kOverlay3);
    std::u16string upper = listed;
    for (auto& c : upper) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    ASSERT_TRUE(power.FindPlanByName(upper, found));
    EXPECT_EQ(found, guids::kOverlay3);
    ASSERT_TRUE(power.FindPlanByName(u"high PERFORMANCE", found));
    EXPECT_EQ(found, guids::kHighPerformance);
    EXPECT_FALSE(power.FindPlanByName(u"No such plan", found));
    EXPECT_TRUE(found.IsNull());
}

TEST_F(PowerSchemeAccessTest, ReadingAnOverlayFallsBackToBalancedUntilItOverrides) {
    env.machine().AddOverlay(2);
    PowerSchemeAccess power;
    const Guid& setting = guids::kMinProcessorState0;
    env.machine().WritePlanValue(guids::kBalanced, guids::kSubProcessor, setting, true, 17);
    env.machine().UnsetPlanValue(guids::kOverlay2, guids::kSubProcessor, setting, true);
    uint32_t value = 0;
    ASSERT_TRUE(power.ReadSetting(guids::kOverlay2, guids::kSubProcessor, setting, true, value));
    EXPECT_EQ(value, 17u);
    ASSERT_TRUE(power.WriteSetting(guids::kOverlay2, guids::kSubProcessor, setting, true, 88));
    ASSERT_TRUE(power.ReadSetting(guids::kOverlay2, guids::kSubProcessor, setting, true, value));
    EXPECT_EQ(value, 88u);
}

TEST_F(PowerSchemeAccessTest, TypedOperationsAddressClassesZeroAndOneOnly) {
    PowerSchemeAccess power;
    uint32_t value = 0;
    EXPECT_TRUE(power.ReadCoreParkingMin(guids::kBalanced, 1, true, value));
    EXPECT_TRUE(power.WriteMinProcessorState(guids::kBalanced, 1, false, 12));
    EXPECT_EQ(PlanValue(guids::kBalanced, guids::kMinProcessorState1, false), 12u);
    auto callsBefore = env.power().TotalCalls();
    EXPECT_FALSE(power.ReadCoreParkingMin(guids::kBalanced, 2, true, value));
    EXPECT_FALSE(power.WriteCoreParkingMin(guids::kBalanced, 2, true, 50));
    EXPECT_FALSE(power.ReadMaxProcessorState(guids::kBalanced, -1, true, value));
    EXPECT_FALSE(power.WriteMaxProcessorState(guids::kBalanced, 3, true, 50));
    EXPECT_EQ(env.power().TotalCalls(), callsBefore);  // refused without asking Windows
}

TEST_F(PowerSchemeAccessTest, BatchRollsBackWhenTheThirdEntryIsRefused) {
    PowerSchemeAccess power;
    const Guid perfCheck = GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5");
    const Guid increaseTime = GuidLiteral("2ddd5a84-5a71-437e-912a-db0b8c788732");
    const Guid decreaseTime = GuidLiteral("dfd10d17-d5eb-45dd-877a-9a34ddd15c82");
    const uint32_t before1 = PlanValue(guids::kBalanced, perfCheck, true);
    const uint32_t before2 = PlanValue(guids::kBalanced, increaseTime, false);
    env.machine().SetWriteRefusal(decreaseTime, false, 5);
    std::vector<SettingWrite> batch = {{perfCheck, true, 21}, {increaseTime, false, 3}, {decreaseTime, false, 7},
                                       {perfCheck, false, 40}};
    WriteFailure failure;
    EXPECT_FALSE(power.WriteSettings(guids::kBalanced, batch, true, &failure));
    EXPECT_EQ(PlanValue(guids::kBalanced, perfCheck, true), before1);
    EXPECT_EQ(PlanValue(guids::kBalanced, increaseTime, false), before2);
    EXPECT_TRUE(failure.failed);
    EXPECT_FALSE(failure.activationFailed);
    EXPECT_EQ(failure.entry.setting, decreaseTime);
    EXPECT_FALSE(failure.entry.ac);
    EXPECT_EQ(failure.entry.value, 7u);
    EXPECT_EQ(failure.error, 5u);
    EXPECT_EQ(PowercfgStarts(u"-setactive"), 0u);  // nothing is activated after a refusal

    // The next batch has a clean record of its own and activates.
    env.machine().ClearAllWriteRefusals();
    EXPECT_TRUE(power.WriteSettings(guids::kBalanced, batch, true, &failure));
    EXPECT_FALSE(failure.failed);
    EXPECT_EQ(PlanValue(guids::kBalanced, decreaseTime, false), 7u);
    EXPECT_EQ(PowercfgStarts(u"-setactive scheme_current"), 1u);
}

TEST_F(PowerSchemeAccessTest, EmptyBatchSucceedsWithoutStartingPowercfg) {
    PowerSchemeAccess power;
    EXPECT_TRUE(power.WriteSettings(guids::kBalanced, {}, true));
    EXPECT_TRUE(env.processes().StartedCommandLines().empty());
}

TEST_F(PowerSchemeAccessTest, HiddenSettingIsUnhiddenOnceThroughPowercfg) {
    PowerSchemeAccess power;
    const Guid& setting = guids::kCoreParkingMin0;
    env.registry().DeleteValue(Hive::LocalMachine, ProcessorSettingKey(setting), u"Attributes");
    EXPECT_TRUE(power.IsSettingHidden(setting));
    ASSERT_TRUE(power.UnhideSetting(setting));
    auto log = env.processes().StartedCommandLines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], u"\"C:\\Windows\\system32\\powercfg.exe\" -attributes SUB_PROCESSOR "
                      u"0CC5B647-C1DF-4637-891A-DEC35C318583 -ATTRIB_HIDE");
    EXPECT_FALSE(power.IsSettingHidden(setting));  // powercfg cleared the hide flag
    ASSERT_TRUE(power.UnhideSetting(setting));
    EXPECT_EQ(env.processes().StartedCommandLines().size(), 1u);
    EXPECT_EQ(power.UnhiddenSettings(), std::vector<Guid>{setting});
}

TEST_F(PowerSchemeAccessTest, DuplicateRenameAndDelete) {
    PowerSchemeAccess power;
    Guid copy;
    ASSERT_TRUE(power.DuplicatePlan(guids::kBalanced, copy));
    ASSERT_TRUE(power.WritePlanName(copy, u"Mein Plan – Ä"));
    std::u16string name;
    ASSERT_TRUE(power.ReadPlanName(copy, name));
    EXPECT_EQ(name, u"Mein Plan – Ä");
    ASSERT_TRUE(power.ReadPlanNameFromRegistry(copy, name));
    EXPECT_EQ(name, u"Mein Plan – Ä");
    const size_t listed = power.EnumeratePlans(false).size();
    ASSERT_TRUE(power.ActivatePlan(copy));
    EXPECT_FALSE(power.DeletePlan(copy));  // Windows keeps the active plan
    ASSERT_TRUE(power.ActivatePlan(guids::kBalanced));
    EXPECT_TRUE(power.DeletePlan(copy));
    EXPECT_EQ(power.EnumeratePlans(false).size(), listed - 1);
}

TEST_F(PowerSchemeAccessTest, UnreadableNamesSortFirstAndSayNothing) {
    env.machine().SetPlanNameUnreadable(guids::kPowerSaver, true);
    PowerSchemeAccess power;
    auto named = power.EnumerateNamedPlans(false);
    ASSERT_EQ(named.size(), 6u);
    EXPECT_EQ(named[0].plan, guids::kPowerSaver);
    EXPECT_FALSE(named[0].named);
    EXPECT_EQ(named[0].name, u"");
}

}  // namespace
}  // namespace quellora
