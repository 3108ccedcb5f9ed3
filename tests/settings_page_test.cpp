#include <gtest/gtest.h>

#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "power/setting_metadata.h"
#include "tests/support/fake_controls.h"
#include "tests/support/sim_env.h"
#include "ui/settings_page.h"

namespace quellora {
namespace {

using namespace settings_page;
using testing::FakeControls;
using testing::SimEnv;

class FakeSettingsHost : public SettingsPageHost {
public:
    FakeControls controls{{kStartAtLogon, kUpdateChecks, kBetaUpdates, kCheckNow, kCoreParkingVisible,
                               kListMakerPlan, kEfficiencyClassSelection, kDriftProtection, kPlanNotifications,
                               kLanguage, kMoreOptionsLink, kMoreOptionsHeading, kPowerOptionsLink}};
    std::vector<std::u16string> messages;
    int answer = mb::kIdNo;
    bool taskExists = false;
    std::vector<std::string> taskCalls;
    bool beta = false;
    std::vector<uint32_t> commands;
    std::vector<bool> makerListing;
    int classListUpdates = 0, restarts = 0;

    FakeSettingsHost() {
        for (int id : {kMoreOptionsHeading, kListMakerPlan, kEfficiencyClassSelection}) controls[id].visible = false;
    }
    ControlSurface& Controls() override { return controls; }
    int Message(std::u16string_view text, uint32_t) override {
        messages.emplace_back(text);
        return answer;
    }
    int LogonTaskExists() override { return taskExists ? 1 : 0; }
    bool CreateLogonTask() override {
        taskCalls.push_back("create");
        taskExists = true;
        return true;
    }
    bool DeleteLogonTask() override {
        taskCalls.push_back("delete");
        taskExists = false;
        return true;
    }
    bool BetaUpdates() override { return beta; }
    void SetBetaUpdates(bool on) override { beta = on; }
    void SendMainWindowCommand(uint32_t command) override { commands.push_back(command); }
    void TurnMakerPlanListing(bool on) override { makerListing.push_back(on); }
    void UpdateDashboardClassList() override { ++classListUpdates; }
    void Restart() override { ++restarts; }
};

class SettingsPageTest : public ::testing::Test {
protected:
    SimEnv env;
    FakeSettingsHost host;
    SettingsPagePresenter page{host};
    StartupState saved = State();

    void TearDown() override { State() = saved; }
    void Click(int control) {
        host.controls[control].checked = !host.controls[control].checked;
        page.OnCommand(control, kButtonClicked);
    }
    uint32_t User(std::u16string_view name) { return ReadDwordOr(Hive::CurrentUser, kAppKey, name, 12345); }
    bool MoreOptionsShown() {
        return !host.controls[kMoreOptionsLink].visible && host.controls[kMoreOptionsHeading].visible &&
               host.controls[kListMakerPlan].visible && host.controls[kEfficiencyClassSelection].visible;
    }
};

TEST_F(SettingsPageTest, DriftProtectionIsOnlyEverRestoreOrOff) {
    WriteDword(Hive::CurrentUser, kAppKey, kDriftValue, 1);  // log only
    page.Initialise();
    EXPECT_FALSE(host.controls[kDriftProtection].checked);
    Click(kDriftProtection);
    EXPECT_EQ(User(kDriftValue), 2u);
    Click(kDriftProtection);
    EXPECT_EQ(User(kDriftValue), 0u);
    WriteDword(Hive::CurrentUser, kAppKey, kDriftValue, 2);
    page.Load();
    EXPECT_TRUE(host.controls[kDriftProtection].checked);
}

TEST_F(SettingsPageTest, OptionsReadAndWrittenWhereTheyLive) {
    uint32_t missing = 0;
    ASSERT_FALSE(ReadDword(Hive::CurrentUser, kAppKey, kNotificationsValue, missing));
    page.Initialise();
    // A missing notifications value is created on.
    EXPECT_TRUE(host.controls[kPlanNotifications].checked);
    EXPECT_EQ(User(kNotificationsValue), 1u);
    EXPECT_TRUE(host.controls[kUpdateChecks].checked);  // on while missing
    EXPECT_FALSE(host.controls[kListMakerPlan].checked);
    EXPECT_FALSE(MoreOptionsShown());

    Click(kPlanNotifications);
    EXPECT_EQ(User(kNotificationsValue), 0u);
    Click(kUpdateChecks);
    EXPECT_EQ(ReadDwordOr(Hive::LocalMachine, kAppKey, kUpdateChecksValue, 7), 0u);
    Click(kBetaUpdates);
    EXPECT_TRUE(host.beta);
    Click(kCheckNow);
    EXPECT_EQ(host.commands, std::vector<uint32_t>{kManualUpdateCheck});
    Click(kListMakerPlan);
    EXPECT_EQ(host.makerListing, std::vector<bool>{true});
    Click(kEfficiencyClassSelection);
    EXPECT_EQ(User(kClassSelectionValue), 1u);
    EXPECT_EQ(host.classListUpdates, 1);

    page.OnLink(kPowerOptionsLink);
    EXPECT_EQ(env.interaction().LastOpened(), kPowerOptions);
    page.OnLink(kMoreOptionsLink);
    EXPECT_TRUE(MoreOptionsShown());
}

TEST_F(SettingsPageTest, ASetOptionOpensThePageWithMoreOptionsShown) {
    WriteDword(Hive::CurrentUser, kAppKey, kClassSelectionValue, 1);
    page.Initialise();
    EXPECT_TRUE(host.controls[kEfficiencyClassSelection].checked);
    EXPECT_TRUE(MoreOptionsShown());
}

TEST_F(SettingsPageTest, StartAtLogonRegistersTheTaskAfresh) {
    page.Initialise();
    EXPECT_FALSE(host.controls[kStartAtLogon].checked);
    Click(kStartAtLogon);
    EXPECT_EQ(host.taskCalls, (std::vector<std::string>{"delete", "create"}));
    EXPECT_TRUE(host.controls[kStartAtLogon].checked);
    Click(kStartAtLogon);
    EXPECT_EQ(host.taskCalls.back(), "delete");
    EXPECT_FALSE(host.controls[kStartAtLogon].checked);
}

TEST_F(SettingsPageTest, CoreParkingVisibilityIsWindowsOwnAttribute) {
    page.Initialise();
    EXPECT_EQ(host.controls[kCoreParkingVisible].checked, !IsCoreParkingHidden());
    host.controls[kCoreParkingVisible].checked = true;
    Click(kCoreParkingVisible);
    EXPECT_TRUE(IsCoreParkingHidden());
    page.Load();
    EXPECT_FALSE(host.controls[kCoreParkingVisible].checked);
    Click(kCoreParkingVisible);
    EXPECT_FALSE(IsCoreParkingHidden());
}

TEST_F(SettingsPageTest, ALanguageChangeOffersARestart) {
    State().currentLanguage = 0x409;
    page.Initialise();
    ASSERT_EQ(page.languages().size(), 2u);
    EXPECT_EQ(host.controls.ItemText(kLanguage, host.controls.Selection(kLanguage)), FindLanguage(0x409)->nativeName);
    const int german = page.languages()[0] == 0x407 ? 0 : 1;
    const int english = 1 - german;

    // The language in use is stored again without a question.
    host.controls[kLanguage].selection = english;
    page.OnCommand(kLanguage, kSelectionChange);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(User(u"Language"), 0x409u);

    host.controls[kLanguage].selection = german;
    page.OnCommand(kLanguage, kSelectionChange);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], LoadText(kRestartQuestion));
    EXPECT_EQ(host.restarts, 0);  // answered No: stored for the next start
    EXPECT_EQ(User(u"Language"), 0x407u);
    EXPECT_EQ(User(u"InstallerLanguageDWORD"), 0x407u);
    host.answer = mb::kIdYes;
    page.OnCommand(kLanguage, kSelectionChange);
    EXPECT_EQ(host.restarts, 1);
}

TEST_F(SettingsPageTest, WithoutTheTrayNoLogonStartAndNoLanguageChange) {
    State().noTray = true;
    page.Initialise();
    EXPECT_FALSE(host.controls[kStartAtLogon].enabled);
    EXPECT_FALSE(host.controls[kLanguage].enabled);
    EXPECT_TRUE(host.controls[kDriftProtection].enabled);
}

}  // namespace
}  // namespace quellora
