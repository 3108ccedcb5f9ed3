#include <gtest/gtest.h>

#include "model/persisted_store.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

constexpr Guid kPerfCheck = GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5");

class PersistedStoreTest : public ::testing::Test {
protected:
    SimEnv env;
    PowerSchemeAccess power;

    PlanSettings Model(const Guid& plan) {
        PlanSettings s;
        s.plan = plan;
        s.ac.coreParkingMin = {{0, 37}, {1, 64}};
        s.ac.minFrequency = {{0, 23}};
        s.ac.hasHetero = true;
        s.ac.heteroPolicy = 4;
        s.ac.heteroShortPolicy = 2;
        s.ac.heteroLongPolicy = 1;
        s.ac.advanced = {{kPerfCheck, 15}};
        s.dc = s.ac;
        s.dc.coreParkingMin[0] = 41;
        return s;
    }
    void Save(const PlanSettings& s) {
        ASSERT_TRUE(SaveStoredSide(power, s.plan, true, s.ac));
        ASSERT_TRUE(SaveStoredSide(power, s.plan, false, s.dc));
    }
    std::u16string SideKey(const char16_t* plan, const char16_t* side) {
        return std::u16string(kPersistedPlansKey) + u"\\" + plan + u"\\" + side;
    }
};

TEST_F(PersistedStoreTest, SavedCopyLoadsBackEqual) {
    PlanSettings s = Model(guids::kBalanced);
    Save(s);
    PlanSettings loaded;
    ASSERT_TRUE(LoadStored(power, guids::kBalanced, loaded));
    EXPECT_TRUE(Equals(loaded, s));
    EXPECT_EQ(loaded.planName, u"Balanced");
    EXPECT_TRUE(HasStored(power, guids::kBalanced));
    EXPECT_FALSE(HasStored(power, guids::kPowerSaver));
    RegValue v;
    EXPECT_EQ(env.registry().QueryValue(Hive::CurrentUser, SideKey(u"Balanced", u"DC"),
                                        u"EfficiencyClassToCoreParking_0", v),
              0u);
    EXPECT_EQ(env.registry().QueryValue(Hive::CurrentUser, SideKey(u"Balanced", u"AC"),
                                        u"Advanced_{4D2B0152-7D5C-498B-88E2-34345392A2C5}", v),
              0u);
}

TEST_F(PersistedStoreTest, ASideWithoutClassValuesDoesNotLoad) {
    SourceSettings only;
    only.advanced = {{kPerfCheck, 15}};
    only.hasHetero = true;
    ASSERT_TRUE(SaveStoredSide(power, guids::kBalanced, true, only));
    ASSERT_TRUE(SaveStoredSide(power, guids::kBalanced, false, only));
    PlanSettings target = Model(guids::kHighPerformance);
    EXPECT_FALSE(LoadStored(power, guids::kBalanced, target));
    EXPECT_EQ(target.plan, guids::kHighPerformance);  // left alone
    SourceSettings side;
    EXPECT_FALSE(LoadStoredSide(power, guids::kBalanced, true, true, side));
    EXPECT_EQ(side.advanced.size(), 1u);
}

TEST(PersistedStore, HeteroValuesAreNeededOnlyOnAHeterogeneousProcessor) {
    for (const char16_t* layout : {u"hybrid-laptop", u"desktop"}) {
        SimEnv env(layout);
        PowerSchemeAccess power;
        SourceSettings side;
        side.coreParkingMin = {{0, 50}};
        side.minFrequency = {{0, 5}};
        ASSERT_TRUE(SaveStoredSide(power, guids::kBalanced, true, side));
        ASSERT_TRUE(SaveStoredSide(power, guids::kBalanced, false, side));
        EXPECT_EQ(HasStored(power, guids::kBalanced), !IsHeterogeneousProcessor()) << Utf16ToUtf8(layout);
    }
}

TEST_F(PersistedStoreTest, PlansAreKeyedByName) {
    Guid copy;
    ASSERT_TRUE(power.DuplicatePlan(guids::kBalanced, copy));  // the copy is called "Balanced" too
    Save(Model(guids::kBalanced));
    EXPECT_TRUE(HasStored(power, copy));
    ASSERT_TRUE(power.WritePlanName(copy, u"Renamed"));
    EXPECT_FALSE(HasStored(power, copy));  // renaming detaches the plan from the copy
    env.machine().SetPlanNameUnreadable(copy, true);
    EXPECT_FALSE(SaveStoredSide(power, copy, true, Model(copy).ac));
    EXPECT_FALSE(DeleteStored(power, copy));
}

TEST_F(PersistedStoreTest, DeleteRemovesBothSidesAndRepeats) {
    Save(Model(guids::kBalanced));
    ASSERT_TRUE(DeleteStored(power, guids::kBalanced));
    EXPECT_FALSE(HasStored(power, guids::kBalanced));
    EXPECT_NE(env.registry().OpenKey(Hive::CurrentUser, std::u16string(kPersistedPlansKey) + u"\\Balanced"), 0u);
    EXPECT_TRUE(DeleteStored(power, guids::kBalanced));
}

TEST_F(PersistedStoreTest, RefreshFollowsThePlanForWhatTheCopyCovers) {
    EXPECT_TRUE(RefreshStored(power, guids::kBalanced));  // no copy: nothing to do
    EXPECT_FALSE(HasStored(power, guids::kBalanced));
    PlanSettings s = Model(guids::kBalanced);
    ASSERT_TRUE(WriteToPlan(power, s, true, false, false));
    Save(s);
    ASSERT_TRUE(power.WriteCoreParkingMin(guids::kBalanced, 0, true, 90));
    ASSERT_TRUE(power.WriteSetting(guids::kBalanced, guids::kSubProcessor, kPerfCheck, false, 44));
    ASSERT_TRUE(RefreshStored(power, guids::kBalanced));
    PlanSettings loaded;
    ASSERT_TRUE(LoadStored(power, guids::kBalanced, loaded));
    EXPECT_EQ(loaded.ac.coreParkingMin.at(0), 90u);
    EXPECT_EQ(loaded.dc.advanced.at(kPerfCheck), 44u);
    EXPECT_EQ(loaded.ac.advanced.size(), 1u);  // nothing beyond what it covered
}

TEST_F(PersistedStoreTest, ReapplyWritesEveryStoredCopyBack) {
    PlanSettings s = Model(guids::kPowerSaver);
    Save(s);
    PlanSettings live;
    live.plan = guids::kPowerSaver;
    ReadFromPlan(power, live, {0, 1}, true, {kPerfCheck});
    EXPECT_FALSE(Equals(live, s));
    EXPECT_TRUE(ReapplyStored(power));
    ASSERT_TRUE(ReadFromPlan(power, live, {0, 1}, true, {kPerfCheck}));
    PlanSettings expected = s;
    expected.ac.minFrequency[1] = live.ac.minFrequency[1];  // not part of the copy
    expected.dc.minFrequency[1] = live.dc.minFrequency[1];
    EXPECT_TRUE(Equals(live, expected));
}

}  // namespace
}  // namespace quellora
