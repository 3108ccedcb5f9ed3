#include <gtest/gtest.h>

#include <limits>

#include "boost/boost_settings.h"
#include "model/maker_plan.h"
#include "platform/registry_helpers.h"
#include "power/power_scheme_access.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::ManualClock;
using testing::SimEnv;

constexpr Guid kInUse = GuidLiteral("11111111-0000-0000-0000-000000000001");
constexpr Guid kIdle = GuidLiteral("11111111-0000-0000-0000-000000000002");
constexpr Guid kInUseDC = GuidLiteral("11111111-0000-0000-0000-000000000003");
constexpr Guid kIdleDC = GuidLiteral("11111111-0000-0000-0000-000000000004");
constexpr Guid kGone = GuidLiteral("deadbeef-0000-4000-8000-000000000001");

// ---- the decision ---------------------------------------------------------------

struct DecisionCase {
    const char* name;
    BatteryMode mode = BatteryMode::SamePlans;
    bool pauseOnSaver = true;
    bool awayIsIdle = true;
    BoostInputs in;
    bool paused = false;
    bool idle = false;
    BoostReason reason = BoostReason::Input;
    Guid plan = kInUse;
};

BoostInputs Inputs(uint32_t idleMs, bool battery = false, bool saver = false, bool display = false, bool lid = false,
                   bool locked = false, bool remote = false) {
    BoostInputs in;
    in.idleMs = idleMs;
    in.onBattery = battery;
    in.batterySaver = saver;
    in.displayOff = display;
    in.lidClosed = lid;
    in.locked = locked;
    in.remoteSession = remote;
    return in;
}

constexpr uint32_t kTimeout = 300000;
constexpr uint32_t kRecent = 1200;

const DecisionCase kDecisionCases[] = {
    {"recent input on mains", {}, true, true, Inputs(kRecent), false, false, BoostReason::Input, kInUse},
    {"idle time just below the timeout", {}, true, true, Inputs(kTimeout - 1), false, false, BoostReason::Input, kInUse},
    {"idle time equal to the timeout", {}, true, true, Inputs(kTimeout), false, true, BoostReason::IdleTimeout, kIdle},
    {"idle time compared unsigned", {}, true, true, Inputs(0xFFFFFFFFu), false, true, BoostReason::IdleTimeout, kIdle},
    {"display off", {}, true, true, Inputs(kRecent, false, false, true), false, true, BoostReason::DisplayOff, kIdle},
    {"lid closed", {}, true, true, Inputs(kRecent, false, false, false, true), false, true, BoostReason::LidClosed, kIdle},
    {"session locked", {}, true, true, Inputs(kRecent, false, false, false, false, true), false, true, BoostReason::Locked,
     kIdle},
    {"display off, lid closed and locked", {}, true, true, Inputs(kRecent, false, false, true, true, true), false, true,
     BoostReason::Locked, kIdle},
    {"display off and lid closed", {}, true, true, Inputs(kRecent, false, false, true, true), false, true,
     BoostReason::LidClosed, kIdle},
    {"locked with away-is-idle off", {}, true, false, Inputs(kRecent, false, false, false, false, true), false, false,
     BoostReason::Input, kInUse},
    {"display off and lid closed with away-is-idle off", {}, true, false, Inputs(kRecent, false, false, true, true), false,
     false, BoostReason::Input, kInUse},
    {"away-is-idle off still times out", {}, true, false, Inputs(kTimeout, false, false, true), false, true,
     BoostReason::IdleTimeout, kIdle},
    {"remote session ignores the display", {}, true, true, Inputs(kRecent, false, false, true, false, false, true), false,
     false, BoostReason::Input, kInUse},
    {"remote session ignores the lid", {}, true, true, Inputs(kRecent, false, false, false, true, false, true), false,
     false, BoostReason::Input, kInUse},
    {"remote session still counts the lock", {}, true, true, Inputs(kRecent, false, false, true, true, true, true), false,
     true, BoostReason::Locked, kIdle},
    {"battery with the same plans", BatteryMode::SamePlans, true, true, Inputs(kRecent, true), false, false,
     BoostReason::Input, kInUse},
    {"battery with battery plans, recent input", BatteryMode::BatteryPlans, true, true, Inputs(kRecent, true), false,
     false, BoostReason::Input, kInUseDC},
    {"battery with battery plans, idle", BatteryMode::BatteryPlans, true, true, Inputs(kTimeout, true), false, true,
     BoostReason::IdleTimeout, kIdleDC},
    {"battery plans while on mains", BatteryMode::BatteryPlans, true, true, Inputs(kRecent), false, false,
     BoostReason::Input, kInUse},
    {"battery with pause", BatteryMode::Pause, true, true, Inputs(kRecent, true), true, true, BoostReason::BatteryPause,
     kIdle},
    {"pause mode plugged in again", BatteryMode::Pause, true, true, Inputs(kRecent), false, false, BoostReason::Input,
     kInUse},
    {"pause takes precedence over away", BatteryMode::Pause, true, true, Inputs(kRecent, true, false, true, true, true),
     true, true, BoostReason::BatteryPause, kIdle},
    {"Battery Saver pauses", {}, true, true, Inputs(kRecent, false, true), true, true, BoostReason::BatterySaver, kIdle},
    {"Battery Saver before battery pause", BatteryMode::Pause, true, true, Inputs(kRecent, true, true), true, true,
     BoostReason::BatterySaver, kIdle},
    {"Battery Saver with battery plans pauses on the battery idle plan", BatteryMode::BatteryPlans, true, true,
     Inputs(kRecent, true, true), true, true, BoostReason::BatterySaver, kIdleDC},
    {"Battery Saver ignored when not asked to pause", {}, false, true, Inputs(kRecent, false, true), false, false,
     BoostReason::Input, kInUse},
};

TEST(DecideBoost, FollowsTheRulesInOrder) {
    for (const DecisionCase& c : kDecisionCases) {
        SCOPED_TRACE(c.name);
        BoostSettings s;
        s.activePlan = kInUse;
        s.idlePlan = kIdle;
        s.activePlanDC = kInUseDC;
        s.idlePlanDC = kIdleDC;
        s.idleTimeoutMs = kTimeout;
        s.batteryMode = c.mode;
        s.pauseOnBatterySaver = c.pauseOnSaver;
        s.awayIsIdle = c.awayIsIdle;
        const BoostDecision d = DecideBoost(s, c.in);
        EXPECT_EQ(d.paused, c.paused);
        EXPECT_EQ(d.idle, c.idle);
        EXPECT_EQ(d.reason, c.reason);
        EXPECT_EQ(d.plan, c.plan);
    }
}

TEST(DecideBoost, FreshRecordsHoldTheDocumentedDefaults) {
    BoostSettings s;
    EXPECT_TRUE(s.activePlan.IsNull() && s.idlePlan.IsNull() && s.activePlanDC.IsNull() && s.idlePlanDC.IsNull());
    EXPECT_EQ(s.idleTimeoutMs, 300000u);
    EXPECT_EQ(s.batteryMode, BatteryMode::SamePlans);
    EXPECT_TRUE(s.pauseOnBatterySaver);
    EXPECT_TRUE(s.awayIsIdle);
}

TEST(DecideBoost, RequestsCompareByPausedAndPlanOnly) {
    BoostDecision a{false, false, BoostReason::IdleTimeout, kIdle};
    BoostDecision b{false, true, BoostReason::Locked, kIdle};
    EXPECT_TRUE(SameBoostRequest(a, b));
    b.paused = true;
    EXPECT_FALSE(SameBoostRequest(a, b));
    b.paused = false;
    b.plan = kInUse;
    EXPECT_FALSE(SameBoostRequest(a, b));
}

// ---- the settings in the registry -------------------------------------------------

class BoostSettingsTest : public ::testing::Test {
protected:
    SimEnv env;

    void SetUp() override { ForgetBoostSettingsCache(); }
    void TearDown() override { ForgetBoostSettingsCache(); }

    void Dword(std::u16string_view name, uint32_t value) { WriteDword(Hive::CurrentUser, kAppKey, name, value); }
    void Remove(std::u16string_view name) { env.registry().DeleteValue(Hive::CurrentUser, kAppKey, name); }
    bool Stored(std::u16string_view name, uint32_t& value) { return ReadDword(Hive::CurrentUser, kAppKey, name, value); }
    bool StoredPlan(std::u16string_view name, Guid& plan) { return ReadGuidValue(Hive::CurrentUser, kAppKey, name, plan); }
    void DeletePlan(const Guid& plan) {
        PowerSchemeAccess power;
        ASSERT_TRUE(power.DeletePlan(plan));
    }
    // A machine without power modes (a desktop, or Windows 10): no overlay schemes at all.
    void NoPowerModes() {
        for (int n : {1, 2, 3}) env.machine().RemoveOverlay(n);
    }
    // Overlay schemes listed, but Windows not using them.
    void OverlaysListedNotInUse() {
        for (int n : {1, 2, 3}) env.machine().AddOverlay(n);
        env.registry().DeleteValue(Hive::LocalMachine, kPowerSchemesKey, u"ActiveOverlayAcPowerScheme");
        env.registry().DeleteValue(Hive::LocalMachine, kPowerSchemesKey, u"ActiveOverlayDcPowerScheme");
    }
};

TEST_F(BoostSettingsTest, MissingValuesReadAsTheirDefaultsAndThePlansAreWrittenBack) {
    // A Windows 11 laptop uses its power modes: best performance in use, best power efficiency idle.
    EXPECT_FALSE(IsBoostEnabled());
    const BoostSettings s = LoadBoostSettings();
    EXPECT_EQ(s.activePlan, guids::kOverlay3);
    EXPECT_EQ(s.idlePlan, guids::kOverlay1);
    EXPECT_EQ(s.activePlanDC, guids::kOverlay3);
    EXPECT_EQ(s.idlePlanDC, guids::kOverlay1);
    EXPECT_EQ(s.idleTimeoutMs, 300000u);
    EXPECT_EQ(GetIdleTimeoutMs(), 300000);
    EXPECT_EQ(s.batteryMode, BatteryMode::SamePlans);
    EXPECT_TRUE(s.pauseOnBatterySaver);
    EXPECT_TRUE(s.awayIsIdle);
    Guid stored;
    ASSERT_TRUE(StoredPlan(u"BoostActive", stored));
    EXPECT_EQ(stored, guids::kOverlay3);
    ASSERT_TRUE(StoredPlan(u"BoostIdle", stored));
    EXPECT_EQ(stored, guids::kOverlay1);
    // The battery plans follow the mains plans without being written.
    EXPECT_FALSE(StoredPlan(u"BoostActiveDC", stored));
    EXPECT_FALSE(StoredPlan(u"BoostIdleDC", stored));
}

TEST_F(BoostSettingsTest, WithoutPowerModesTheDefaultsAreHighPerformanceAndPowerSaver) {
    NoPowerModes();
    const BoostSettings s = LoadBoostSettings();
    EXPECT_EQ(s.activePlan, guids::kHighPerformance);
    EXPECT_EQ(s.idlePlan, guids::kPowerSaver);
    EXPECT_EQ(s.activePlanDC, guids::kHighPerformance);
    EXPECT_EQ(s.idlePlanDC, guids::kPowerSaver);
}

TEST_F(BoostSettingsTest, DefaultInUsePlanIsTheMakersPlanWhenItExists) {
    NoPowerModes();
    PowerSchemeAccess power;
    Guid maker;
    ASSERT_TRUE(CreateMakerPlan(power, maker));
    EXPECT_EQ(GetActivePlan(), maker);
    Guid stored;
    ASSERT_TRUE(StoredPlan(u"BoostActive", stored));
    EXPECT_EQ(stored, maker);
    // Hidden from Windows' list, the maker's plan is still selectable.
    env.machine().SetPlanHidden(maker, true);
    EXPECT_EQ(GetActivePlan(), maker);
}

TEST_F(BoostSettingsTest, DefaultPlansAreTheOverlaysWhileWindowsUsesThem) {
    env.machine().WriteActiveOverlay(true, guids::kOverlay3);
    EXPECT_EQ(GetActivePlan(), guids::kOverlay3);
    EXPECT_EQ(GetIdlePlan(), guids::kOverlay1);
}

TEST_F(BoostSettingsTest, AStoredValueOfTheWrongSizeIsReplacedByTheDefault) {
    const uint8_t shortValue[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    WriteBinary(Hive::CurrentUser, kAppKey, u"BoostActive", shortValue, sizeof shortValue);
    EXPECT_EQ(GetActivePlan(), guids::kOverlay3);
    Guid stored;
    ASSERT_TRUE(StoredPlan(u"BoostActive", stored));
    EXPECT_EQ(stored, guids::kOverlay3);
}

TEST_F(BoostSettingsTest, AStoredPlanThatExistsIsKept) {
    SetActivePlan(guids::kBalanced);
    SetIdlePlan(guids::kHighPerformance);
    EXPECT_EQ(GetActivePlan(), guids::kBalanced);
    EXPECT_EQ(GetIdlePlan(), guids::kHighPerformance);
}

// BoostActive names a deleted plan: the default when it exists, else High
// performance, else the best-performance overlay, else Balanced.
TEST_F(BoostSettingsTest, AnInUsePlanThatIsGoneFallsBackInOrder) {
    NoPowerModes();
    SetActivePlan(kGone);
    EXPECT_EQ(GetActivePlan(), guids::kHighPerformance);  // the default here is High performance itself

    OverlaysListedNotInUse();
    PowerSchemeAccess power;
    Guid maker;
    ASSERT_TRUE(CreateMakerPlan(power, maker));
    EXPECT_EQ(GetActivePlan(), maker);

    ASSERT_TRUE(RemoveMakerPlan(power, false));
    DeletePlan(guids::kHighPerformance);
    EXPECT_EQ(GetActivePlan(), guids::kOverlay3);

    for (int n : {1, 2, 3}) env.machine().RemoveOverlay(n);
    EXPECT_EQ(GetActivePlan(), guids::kBalanced);
    // The stored value itself is left as it was.
    Guid stored;
    ASSERT_TRUE(StoredPlan(u"BoostActive", stored));
    EXPECT_EQ(stored, kGone);
}

TEST_F(BoostSettingsTest, AnIdlePlanThatIsGoneFallsBackInOrder) {
    NoPowerModes();
    SetIdlePlan(kGone);
    EXPECT_EQ(GetIdlePlan(), guids::kPowerSaver);
    DeletePlan(guids::kPowerSaver);
    OverlaysListedNotInUse();
    EXPECT_EQ(GetIdlePlan(), guids::kOverlay1);
    for (int n : {1, 2, 3}) env.machine().RemoveOverlay(n);
    EXPECT_EQ(GetIdlePlan(), guids::kBalanced);
}

TEST(ResolveBoostPlan, KeepsAStoredPlanThatNothingReplaces) {
    const std::vector<Guid> selectable{guids::kBalanced};
    EXPECT_EQ(ResolveBoostPlan(selectable, kGone, {guids::kHighPerformance}), kGone);
    EXPECT_EQ(ResolveBoostPlan(selectable, kGone, {guids::kHighPerformance, guids::kBalanced}), guids::kBalanced);
    EXPECT_EQ(ResolveBoostPlan(selectable, guids::kBalanced, {}), guids::kBalanced);
}

TEST_F(BoostSettingsTest, BatteryPlansFollowTheMainsPlansWhileMissingOrZero) {
    SetActivePlan(guids::kBalanced);
    SetIdlePlan(guids::kHighPerformance);
    EXPECT_EQ(GetActivePlanDC(), guids::kBalanced);
    EXPECT_EQ(GetIdlePlanDC(), guids::kHighPerformance);
    SetActivePlanDC(Guid{});
    SetIdlePlanDC(Guid{});
    EXPECT_EQ(GetActivePlanDC(), guids::kBalanced);
    EXPECT_EQ(GetIdlePlanDC(), guids::kHighPerformance);
    SetActivePlanDC(guids::kPowerSaver);
    SetIdlePlanDC(guids::kPowerSaver);
    EXPECT_EQ(GetActivePlanDC(), guids::kPowerSaver);
    EXPECT_EQ(GetIdlePlanDC(), guids::kPowerSaver);
    // A battery plan that is gone falls back to the mains plan.
    SetActivePlanDC(kGone);
    EXPECT_EQ(GetActivePlanDC(), guids::kBalanced);
    const BoostSettings s = LoadBoostSettings();
    EXPECT_EQ(s.activePlanDC, guids::kBalanced);
    EXPECT_EQ(s.idlePlanDC, guids::kPowerSaver);
}

struct TimeoutCase {
    const char* name;
    bool present;
    uint32_t stored;
    int32_t getter;
    uint32_t loaded;
};

TEST_F(BoostSettingsTest, IdleTimeoutReadsSecondsAndMapsNonPositiveValuesToTheDefault) {
    const TimeoutCase cases[] = {
        {"missing", false, 0, 300000, 300000},
        {"zero", true, 0, 0, 300000},
        {"negative", true, static_cast<uint32_t>(-5), -5, 300000},
        {"one second", true, 1, 1000, 1000},
        {"45 seconds", true, 45, 45000, 45000},
        {"beyond the signed range", true, 3000000, std::numeric_limits<int32_t>::max(),
         static_cast<uint32_t>(std::numeric_limits<int32_t>::max())},
    };
    for (const TimeoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.present) Dword(u"IdleSecs", c.stored);
        else Remove(u"IdleSecs");
        EXPECT_EQ(GetIdleTimeoutMs(), c.getter);
        EXPECT_EQ(LoadBoostSettings().idleTimeoutMs, c.loaded);
    }
}

TEST_F(BoostSettingsTest, SettingTheTimeoutStoresWholeSeconds) {
    SetIdleTimeoutMs(90500);
    uint32_t seconds = 0;
    ASSERT_TRUE(Stored(u"IdleSecs", seconds));
    EXPECT_EQ(seconds, 90u);
    EXPECT_EQ(GetIdleTimeoutMs(), 90000);
}

struct ModeCase {
    const char* name;
    bool modePresent;
    uint32_t mode;
    bool oldPresent;
    uint32_t old;
    BatteryMode expected;
};

TEST_F(BoostSettingsTest, BatteryModeFallsBackToTheOlderValue) {
    const ModeCase cases[] = {
        {"nothing stored", false, 0, false, 0, BatteryMode::SamePlans},
        {"older value set", false, 0, true, 1, BatteryMode::Pause},
        {"older value clear", false, 0, true, 0, BatteryMode::SamePlans},
        {"same plans", true, 0, true, 1, BatteryMode::SamePlans},
        {"battery plans", true, 1, true, 1, BatteryMode::BatteryPlans},
        {"pause", true, 2, false, 0, BatteryMode::Pause},
        {"out of range, older clear", true, 7, true, 0, BatteryMode::SamePlans},
        {"out of range, older set", true, 7, true, 1, BatteryMode::Pause},
        {"negative", true, 0xFFFFFFFFu, false, 0, BatteryMode::SamePlans},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.modePresent) Dword(u"DynDCMode", c.mode);
        else Remove(u"DynDCMode");
        if (c.oldPresent) Dword(u"DynDisableOnDC", c.old);
        else Remove(u"DynDisableOnDC");
        EXPECT_EQ(GetBatteryMode(), c.expected);
    }
}

TEST_F(BoostSettingsTest, SettingTheBatteryModeKeepsTheOlderValueInStep) {
    Dword(u"DynDisableOnDC", 1);
    EXPECT_EQ(GetBatteryMode(), BatteryMode::Pause);
    SetBatteryMode(BatteryMode::BatteryPlans);
    uint32_t mode = 9;
    uint32_t old = 9;
    ASSERT_TRUE(Stored(u"DynDCMode", mode));
    ASSERT_TRUE(Stored(u"DynDisableOnDC", old));
    EXPECT_EQ(mode, 1u);
    EXPECT_EQ(old, 0u);
    EXPECT_EQ(GetBatteryMode(), BatteryMode::BatteryPlans);
    SetBatteryMode(BatteryMode::Pause);
    ASSERT_TRUE(Stored(u"DynDisableOnDC", old));
    EXPECT_EQ(old, 1u);
}

TEST_F(BoostSettingsTest, APauseOnBatteryCheckBoxLeavesBatteryPlansAlone) {
    SetBatteryMode(BatteryMode::BatteryPlans);
    SetPauseOnBattery(false);
    EXPECT_EQ(GetBatteryMode(), BatteryMode::BatteryPlans);
    SetPauseOnBattery(true);
    EXPECT_EQ(GetBatteryMode(), BatteryMode::Pause);
    SetPauseOnBattery(false);
    EXPECT_EQ(GetBatteryMode(), BatteryMode::SamePlans);
}

TEST_F(BoostSettingsTest, FlagsAreTrueWhenNotZero) {
    Dword(u"DynDisableWhenBatterySaver", 0);
    Dword(u"DynAwayIsIdle", 0);
    Dword(u"DynPwr", 5);
    EXPECT_FALSE(GetPauseOnBatterySaver());
    EXPECT_FALSE(GetAwayIsIdle());
    EXPECT_TRUE(IsBoostEnabled());
    const BoostSettings s = LoadBoostSettings();
    EXPECT_FALSE(s.pauseOnBatterySaver);
    EXPECT_FALSE(s.awayIsIdle);
    SetPauseOnBatterySaver(true);
    SetAwayIsIdle(true);
    SetBoostEnabled(false);
    EXPECT_TRUE(GetPauseOnBatterySaver());
    EXPECT_TRUE(GetAwayIsIdle());
    EXPECT_FALSE(IsBoostEnabled());
}

TEST_F(BoostSettingsTest, TheCachedRecordIsReadAgainAfterThreeSeconds) {
    ManualClock clock;
    env.UseClock(&clock);
    Dword(u"IdleSecs", 10);
    EXPECT_EQ(LoadBoostSettingsCached().idleTimeoutMs, 10000u);  // the first call reads
    Dword(u"IdleSecs", 20);
    clock.tick += 3000;
    EXPECT_EQ(LoadBoostSettingsCached().idleTimeoutMs, 10000u);
    clock.tick += 1;
    EXPECT_EQ(LoadBoostSettingsCached().idleTimeoutMs, 20000u);
    // Uncached reads always go to the registry.
    Dword(u"IdleSecs", 30);
    EXPECT_EQ(LoadBoostSettings().idleTimeoutMs, 30000u);
    EXPECT_EQ(LoadBoostSettingsCached().idleTimeoutMs, 20000u);
    env.UseClock(nullptr);
}

}  // namespace
}  // namespace quellora
