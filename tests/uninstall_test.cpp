#include <gtest/gtest.h>

#include "app/switches.h"
#include "model/maker_plan.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "tests/support/sim_env.h"
#include "tray/logon_task.h"

namespace quellora {
namespace {

using testing::SimEnv;

class Uninstall : public ::testing::Test {
protected:
    // The program as installed and used: its plan active, its settings and markers written.
    void Install() {
        PowerSchemeAccess power;
        ASSERT_TRUE(CreateMakerPlan(power, maker));
        ASSERT_TRUE(power.ActivatePlan(maker));
        WriteDword(Hive::CurrentUser, kAppKey, u"DynPwr", 1);
        WriteDword(Hive::CurrentUser, u"Software\\Quellora\\PersistedPowerPlans\\Balanced\\AC", u"HeteroPolicy", 4);
        WriteDword(Hive::LocalMachine, kAppKey, u"Installed", 1);
        WriteDword(Hive::LocalMachine, u"Software\\Ostrima\\Language", u"Quellora", 0x409);
        ASSERT_TRUE(CreateLogonTask(kLogonTaskName, u"C:\\Q\\quellora.exe", u"/systray", true));
    }

    bool KeyExists(Hive hive, std::u16string_view key) { return env.registry().OpenKey(hive, key) == 0; }

    Guid Active() {
        Guid active;
        env.machine().ActiveScheme(active);
        return active;
    }

    SimEnv env;
    Guid maker;
};

TEST_F(Uninstall, RemovesTheProgramsPlanSettingsMarkersAndTask) {
    Install();
    WriteDword(Hive::CurrentUser, u"Software\\Other", u"Kept", 1);  // not the program's: no guard word
    EXPECT_EQ(UninstallCleanup(), 0);
    EXPECT_FALSE(env.machine().PlanExists(maker));
    EXPECT_EQ(Active(), guids::kBalanced);
    EXPECT_FALSE(KeyExists(Hive::CurrentUser, kAppKey));
    EXPECT_FALSE(KeyExists(Hive::LocalMachine, kAppKey));
    EXPECT_FALSE(KeyExists(Hive::LocalMachine, u"Software\\Ostrima\\Language"));
    EXPECT_FALSE(KeyExists(Hive::LocalMachine, u"Software\\Ostrima"));
    EXPECT_TRUE(KeyExists(Hive::CurrentUser, u"Software\\Other"));
    EXPECT_LT(LogonTaskExists(kLogonTaskName), 1);
}

TEST_F(Uninstall, LeavesThePlansToTheCompanionProductButNotItsOwnKeys) {
    Install();
    WriteString(Hive::LocalMachine, u"Software\\Taskwarden", u"GUIStart", u"1");
    EXPECT_EQ(UninstallCleanup(), 0);
    EXPECT_TRUE(env.machine().PlanExists(maker));
    EXPECT_EQ(Active(), maker);
    EXPECT_FALSE(KeyExists(Hive::CurrentUser, kAppKey));
    EXPECT_FALSE(KeyExists(Hive::LocalMachine, kAppKey));
    EXPECT_TRUE(KeyExists(Hive::LocalMachine, u"Software\\Taskwarden"));
    EXPECT_LT(LogonTaskExists(kLogonTaskName), 1);
}

TEST_F(Uninstall, KeepsTheMakersSharedKeysWhileAnotherProductUsesThem) {
    Install();
    WriteDword(Hive::LocalMachine, u"Software\\Ostrima\\Language", u"Taskwarden", 0x407);
    WriteDword(Hive::LocalMachine, u"Software\\Ostrima\\Vantrel", u"Installed", 1);
    EXPECT_EQ(UninstallCleanup(), 0);
    uint32_t language = 0;
    EXPECT_FALSE(ReadDword(Hive::LocalMachine, u"Software\\Ostrima\\Language", u"Quellora", language));
    EXPECT_TRUE(ReadDword(Hive::LocalMachine, u"Software\\Ostrima\\Language", u"Taskwarden", language));
    EXPECT_EQ(language, 0x407u);
    EXPECT_TRUE(KeyExists(Hive::LocalMachine, u"Software\\Ostrima\\Vantrel"));
}

TEST_F(Uninstall, ActivatesOverlayOneWhereOverlaysAreInUse) {
    for (int n : {1, 2, 3}) env.machine().AddOverlay(n);
    Install();
    EXPECT_EQ(UninstallCleanup(), 0);
    EXPECT_FALSE(env.machine().PlanExists(maker));
    Guid overlay;
    ASSERT_TRUE(env.machine().ActiveOverlay(true, overlay));
    EXPECT_EQ(overlay, guids::kOverlay1);
    EXPECT_EQ(Active(), guids::kBalanced);
}

TEST_F(Uninstall, AKeyTreeIsDeletedOnlyWhenItsPathHoldsAGuardWord) {
    struct Case {
        const char16_t* key;
        bool deleted;
    };
    const Case cases[] = {
        {u"Software\\Quellora", true},       {u"SOFTWARE\\QUELLORA\\Sub", true},  // "quel", in any case
        {u"Software\\Taskwarden", true},     {u"Software\\Ostrima", true},
        {u"Software\\Zubro", true},          {u"Software\\Kefir", true},
        {u"Software\\Other", false},         {u"Software", false},
        {u"Software\\Que", false},           {u"Software\\O-strima", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.key));
        WriteDword(Hive::CurrentUser, std::u16string(c.key) + u"\\Inner", u"Value", 1);
        EXPECT_EQ(DeleteGuardedKeyTree(Hive::CurrentUser, c.key), c.deleted);
        EXPECT_EQ(KeyExists(Hive::CurrentUser, c.key), !c.deleted);
    }
}

TEST_F(Uninstall, OnACleanMachineDoesNothingHarmful) {
    EXPECT_EQ(UninstallCleanup(), 0);
    EXPECT_EQ(Active(), guids::kBalanced);
    EXPECT_TRUE(env.machine().PlanExists(guids::kHighPerformance));
}

}  // namespace
}  // namespace quellora
