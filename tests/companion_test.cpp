#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/language.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "tests/support/sim_env.h"
#include "tray/companion.h"

namespace quellora {
namespace {

using testing::ManualClock;
using testing::SimEnv;
using Texts = std::vector<std::u16string>;

std::string Utf16File(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

// The texts of the language module, for comparing whole lists.
std::u16string Restwell() { return LoadText(9486); }
std::u16string Rules(uint32_t count, std::u16string_view first) { return Format(LoadText(9487), count, first); }
std::u16string PerformanceAuto() { return LoadText(9488); }
std::u16string PerformanceNow() { return LoadText(9489); }
std::u16string LoadSwitcher() { return LoadText(9490); }
std::u16string StartWith(std::u16string_view plan) { return Format(LoadText(9491), plan); }

const char16_t kAllFive[] =
    u"[PowerSaver]\r\n"
    u"EnergySaverEnabled=true\r\n"
    u"PowerSaver_IdleTime=300\r\n"
    u"PowerSaver_TargetGUID=Power saver\r\n"
    u"[Rules]\r\n"
    u"DefaultPowerSchemes=game*.exe;high performance,c:\\tools\\a\\,b.exe;balanced\r\n"
    u"[Gaming]\r\n"
    u"GamingChangePowerPlan=true\r\n"
    u"AutomaticGamingModeProcessPaths=game.exe\r\n"
    u"[Load]\r\n"
    u"LoadBasedPowerSwitcherEnabled=true\r\n"
    u"[Start]\r\n"
    u"StartWithPowerPlan=Balanced\r\n"
    u"[Later]\r\n"
    u"StartWithPowerPlan=\r\n";

class CompanionTest : public ::testing::Test {
protected:
    SimEnv env;

    void SetUp() override { testing::ForgetCompanionCache(); }
    void TearDown() override { testing::ForgetCompanionCache(); }

    std::u16string File(std::u16string_view name) { return JoinPath(env.dir().path16(), name); }
    std::u16string Write(std::u16string_view name, const std::string& bytes) {
        const std::u16string path = File(name);
        CreateDirectories(FolderPart(path));
        EXPECT_TRUE(WriteFileAtomic(path, bytes));
        return path;
    }
    void CompanionValue(Hive hive, RegView view, std::u16string_view name, std::u16string_view text,
                        uint32_t type = regtype::kSz) {
        env.registry().SetValue(hive, kCompanionKey, name, RegValue::String(text, type), view);
    }
    void Install(std::u16string_view configFolder) {
        CompanionValue(Hive::LocalMachine, RegView::Force64, u"Install_Dir", u"C:\\Program Files\\Taskwarden");
        CompanionValue(Hive::LocalMachine, RegView::Force64, u"ConfigFolderEx", configFolder);
    }
    CompanionSettings Evaluate(std::u16string_view ini) {
        return EvaluateCompanionSettings(ReadFlatIni(Write(u"probe.ini", Utf16File(ini))));
    }
};

TEST_F(CompanionTest, AUtf16FileWithEveryConflictingSettingGivesAllFive) {
    const std::u16string path = Write(u"all.ini", Utf16File(kAllFive));
    const CompanionSettings s = EvaluateCompanionSettings(ReadFlatIni(path));
    EXPECT_TRUE(s.restwellOn);
    EXPECT_EQ(s.appRuleCount, 2u);
    EXPECT_EQ(s.firstAppRule, u"game*.exe");
    EXPECT_TRUE(s.performanceModeAuto);
    EXPECT_TRUE(s.performanceModeChangesPlan);
    EXPECT_TRUE(s.loadSwitcherOn);
    EXPECT_EQ(s.startWithPlan, u"Balanced");  // the later empty duplicate is ignored
    EXPECT_EQ(ConflictsForFile(path),
              (Texts{Restwell(), Rules(2, u"game*.exe"), PerformanceAuto(), LoadSwitcher(), StartWith(u"Balanced")}));
    EXPECT_EQ(ConflictsForFile(path)[4], u"Taskwarden applies the power plan \"Balanced\" when it starts.");
}

TEST_F(CompanionTest, AnEscapedCommaKeepsAPathInOneRule) {
    const FlatIni ini = ReadFlatIni(Write(u"all.ini", Utf16File(kAllFive)));
    const auto rules = SplitEscaped(ini.at(u"defaultpowerschemes"), u',');
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[1], u"c:\\tools\\a,b.exe;balanced");
    EXPECT_EQ(SplitEscaped(rules[1], u';'), (Texts{u"c:\\tools\\a,b.exe", u"balanced"}));
}

TEST(SplitEscaped, KeepsEmptyPartsAndUnescapesOnlyTheSeparators) {
    const struct {
        const char16_t* text;
        char16_t separator;
        Texts parts;
    } cases[] = {
        {u"", u',', {u""}},
        {u"a", u',', {u"a"}},
        {u"a,,b,", u',', {u"a", u"", u"b", u""}},
        {u"a\\,b,c", u',', {u"a,b", u"c"}},
        {u"a\\;b;c", u';', {u"a;b", u"c"}},
        {u"a\\;b,c", u',', {u"a;b", u"c"}},  // either escape is taken out whatever the separator
        {u"c:\\tools\\x", u',', {u"c:\\tools\\x"}},
        {u"end\\", u',', {u"end\\"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.text));
        EXPECT_EQ(SplitEscaped(c.text, c.separator), c.parts);
    }
}

TEST_F(CompanionTest, AnAnsiFileWithEverythingOffGivesNoConflicts) {
    const std::u16string path = Write(u"none.ini",
                                      "[Options]\r\nEnergySaverEnabled=false\r\nGamingChangePowerPlan=false\r\n"
                                      "LoadBasedPowerSwitcherEnabled=false\r\nStartWithPowerPlan=\r\n");
    EXPECT_TRUE(ConflictsForFile(path).empty());
    EXPECT_EQ(ReadFlatIni(path).size(), 4u);
}

TEST_F(CompanionTest, AnsiTextIsReadInTheWesternCodePage) {
    const std::u16string path = Write(u"ansi.ini", "StartWithPowerPlan=Energiespar \xE9\x80\x9F\x81\r\n");
    EXPECT_EQ(EvaluateCompanionSettings(ReadFlatIni(path)).startWithPlan, u"Energiespar \u00E9\u20AC\u0178\u0081");
    EXPECT_EQ(AnsiToUtf16("a\xA0\xFF"), u"a\u00A0\u00FF");
}

TEST_F(CompanionTest, AMissingOrEmptyFileGivesNoConflicts) {
    EXPECT_TRUE(ReadFlatIni(File(u"missing.ini")).empty());
    EXPECT_TRUE(ConflictsForFile(File(u"missing.ini")).empty());
    EXPECT_TRUE(ConflictsForFile(Write(u"empty.ini", "")).empty());
}

TEST_F(CompanionTest, SteamEngagingPerformanceModeIsAConflictWhenThePlanSwitchIsNotTurnedOff) {
    EXPECT_EQ(ConflictTexts(Evaluate(u"GamingModeEngageForSteam=TRUE\r\n"), false), (Texts{PerformanceAuto()}));
    EXPECT_TRUE(ConflictTexts(Evaluate(u"GamingModeEngageForSteam=TRUE\r\nGamingChangePowerPlan=FALSE\r\n"), false).empty());
    EXPECT_TRUE(ConflictTexts(Evaluate(u"GamingModeEngageForSteam=yes\r\n"), false).empty());
}

TEST_F(CompanionTest, RestwellNeedsATargetAPositiveIdleTimeAndTheSaverNotTurnedOff) {
    const struct {
        const char16_t* ini;
        bool on;
    } cases[] = {
        {u"PowerSaver_TargetGUID=x\nPowerSaver_IdleTime=300\n", true},
        {u"PowerSaver_TargetGUID=x\nPowerSaver_IdleTime=300\nEnergySaverEnabled=TRUE\n", true},
        {u"PowerSaver_TargetGUID=x\nPowerSaver_IdleTime= 12abc\n", true},
        {u"PowerSaver_TargetGUID=x\nPowerSaver_IdleTime=0\nEnergySaverEnabled=true\n", false},
        {u"PowerSaver_TargetGUID=x\nPowerSaver_IdleTime=-5\n", false},
        {u"PowerSaver_TargetGUID=x\nPowerSaver_IdleTime=abc\n", false},
        {u"PowerSaver_TargetGUID=x\n", false},
        {u"PowerSaver_IdleTime=300\n", false},
        {u"PowerSaver_TargetGUID=x\nPowerSaver_IdleTime=300\nEnergySaverEnabled=false\n", false},
        {u"PowerSaver_TargetGUID=x\nPowerSaver_IdleTime=300\nEnergySaverEnabled=1\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.ini));
        EXPECT_EQ(Evaluate(c.ini).restwellOn, c.on);
    }
}

TEST_F(CompanionTest, KeysAreMatchedWithoutRegardToCaseAndTheFirstOneWins) {
    const CompanionSettings s = Evaluate(u"startwithpowerplan=First\r\n[Other]\r\nSTARTWITHPOWERPLAN=Second\r\n");
    EXPECT_EQ(s.startWithPlan, u"First");
}

TEST_F(CompanionTest, CommentsSectionsAndLinesWithoutAKeyAreIgnored) {
    const FlatIni ini = ReadFlatIni(Write(u"c.ini", Utf16File(u";StartWithPowerPlan=X\r\n"
                                                               u"[StartWithPowerPlan=Y]\r\n"
                                                               u"=Z\r\n"
                                                               u"no equals sign\r\n"
                                                               u"   \t\r\n"
                                                               u"  Spaced Key  =  spaced value  \r\n"
                                                               u"a=b=c\n"
                                                               u"StartWithPowerPlan=W")));
    EXPECT_EQ(ini, (FlatIni{{u"spaced key", u"spaced value"}, {u"a", u"b=c"}, {u"startwithpowerplan", u"W"}}));
}

TEST_F(CompanionTest, RulesComeFromBothListsAndNeedTwoNonEmptyParts) {
    const struct {
        const char16_t* ini;
        uint32_t count;
        const char16_t* first;
    } cases[] = {
        {u"DefaultPowerSchemes=\n", 0, u""},
        {u"DefaultPowerSchemes=a.exe\n", 0, u""},
        {u"DefaultPowerSchemes=a.exe;\n", 0, u""},
        {u"DefaultPowerSchemes=;plan,b.exe;plan\n", 1, u"b.exe"},
        {u"DefaultPowerSchemesEx=x.exe;plan;extra\n", 1, u"x.exe"},
        {u"DefaultPowerSchemes=a.exe;p1\nDefaultPowerSchemesEx=x.exe;p2\n", 2, u"a.exe"},
        // The first split takes out both escapes, so an escaped ";" separates the parts after all.
        {u"DefaultPowerSchemes=a\\;b.exe;p1,,c;d\n", 2, u"a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.ini));
        const CompanionSettings s = Evaluate(c.ini);
        EXPECT_EQ(s.appRuleCount, c.count);
        EXPECT_EQ(s.firstAppRule, c.first);
    }
}

TEST_F(CompanionTest, LiveEventsAddWhatTheCompanionIsDoingNow) {
    CompanionSettings s;
    s.performanceModeChangesPlan = true;
    EXPECT_TRUE(ConflictTexts(s, true).empty());
    env.machine().SetEventSignalled(kRestwellEvent, true);
    env.machine().SetEventSignalled(kPerformanceModeEvent, true);
    EXPECT_TRUE(ConflictTexts(s, false).empty());
    EXPECT_EQ(ConflictTexts(s, true), (Texts{Restwell(), PerformanceNow()}));
    s.performanceModeAuto = true;
    EXPECT_EQ(ConflictTexts(s, true), (Texts{Restwell(), PerformanceNow()}));
    EXPECT_EQ(ConflictTexts(s, false), (Texts{PerformanceAuto()}));
    s.performanceModeChangesPlan = false;
    EXPECT_EQ(ConflictTexts(s, true), (Texts{Restwell()}));
    EXPECT_TRUE(RestwellActive());
}

TEST_F(CompanionTest, TheConfigFileIsInTheConfiguredFolderAndItsActiveProfile) {
    const std::u16string folder = File(u"twconfig");
    CompanionValue(Hive::LocalMachine, RegView::Force64, u"ConfigFolderEx", folder + PathSeparator() + PathSeparator());
    EXPECT_EQ(FindCompanionConfigFile(), JoinPath(folder, u"twarden.ini"));
    Write(u"twconfig/.profile", std::string("\x20\x00G\x00" "a\x00m\x00" "e\x00s\x00\r\x00\n\x00", 16));
    EXPECT_EQ(FindCompanionConfigFile(), JoinPath(JoinPath(folder, u"Games"), u"twarden.ini"));
}

TEST_F(CompanionTest, WithoutAConfiguredFolderTheServiceDecidesBetweenMachineAndUserFolders) {
    KnownFolders& folders = *env.platform().folders;
    EXPECT_EQ(FindCompanionConfigFile(),
              JoinPath(JoinPath(JoinPath(folders.LocalAppData(), u"Taskwarden"), u"config"), u"twarden.ini"));
    env.registry().CreateKey(Hive::LocalMachine, kCompanionServiceKey);
    EXPECT_EQ(FindCompanionConfigFile(),
              JoinPath(JoinPath(JoinPath(folders.CommonAppData(), u"Taskwarden"), u"config"), u"twarden.ini"));
}

TEST_F(CompanionTest, RegistryValuesAreLookedUpIn64BitThen32BitThenTheUser) {
    std::u16string text;
    EXPECT_FALSE(ReadCompanionValue(u"ConfigFolderEx", text));
    CompanionValue(Hive::CurrentUser, RegView::Default, u"ConfigFolderEx", u"user");
    ASSERT_TRUE(ReadCompanionValue(u"ConfigFolderEx", text));
    EXPECT_EQ(text, u"user");
    CompanionValue(Hive::LocalMachine, RegView::Force32, u"ConfigFolderEx", u"machine32", regtype::kExpandSz);
    ASSERT_TRUE(ReadCompanionValue(u"ConfigFolderEx", text));
    EXPECT_EQ(text, u"machine32");
    CompanionValue(Hive::LocalMachine, RegView::Force64, u"ConfigFolderEx", u"machine64");
    ASSERT_TRUE(ReadCompanionValue(u"ConfigFolderEx", text));
    EXPECT_EQ(text, u"machine64");
    // Empty, too long or not text: looked for further on.
    CompanionValue(Hive::LocalMachine, RegView::Force64, u"ConfigFolderEx", u"");
    ASSERT_TRUE(ReadCompanionValue(u"ConfigFolderEx", text));
    EXPECT_EQ(text, u"machine32");
    CompanionValue(Hive::LocalMachine, RegView::Force32, u"ConfigFolderEx", std::u16string(2048, u'x'));
    ASSERT_TRUE(ReadCompanionValue(u"ConfigFolderEx", text));
    EXPECT_EQ(text, u"user");
    CompanionValue(Hive::LocalMachine, RegView::Force32, u"ConfigFolderEx", std::u16string(2047, u'x'));
    ASSERT_TRUE(ReadCompanionValue(u"ConfigFolderEx", text));
    EXPECT_EQ(text.size(), 2047u);
    env.registry().SetValue(Hive::CurrentUser, kCompanionKey, u"Install_Dir", RegValue::Dword(1));
    EXPECT_FALSE(CompanionInstalled());
}

TEST_F(CompanionTest, LiveConflictsNeedTheCompanionInstalledAndAreCachedForFiveSeconds) {
    ManualClock clock;
    env.UseClock(&clock);
    env.machine().SetEventSignalled(kRestwellEvent, true);
    EXPECT_TRUE(GetCompanionConflicts().empty());  // not installed: nothing, not even live

    const std::u16string folder = File(u"tw");
    Write(u"tw/twarden.ini", Utf16File(u"StartWithPowerPlan=Balanced\r\n"));
    Install(folder);
    EXPECT_TRUE(GetCompanionConflicts().empty());  // still the cached "not installed"
    clock.tick += 5000;
    EXPECT_EQ(GetCompanionConflicts(), (Texts{Restwell(), StartWith(u"Balanced")}));

    // The events are asked at every call; the file only after the cache's time.
    env.machine().SetEventSignalled(kRestwellEvent, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a new modification time
    Write(u"tw/twarden.ini", Utf16File(u"LoadBasedPowerSwitcherEnabled=true\r\n"));
    clock.tick += 4999;
    EXPECT_EQ(GetCompanionConflicts(), (Texts{StartWith(u"Balanced")}));
    clock.tick += 1;
    EXPECT_EQ(GetCompanionConflicts(), (Texts{LoadSwitcher()}));

    // The file gone: the settings are the defaults (Performance Mode counts only
    // while it switches plans), so only Restwell can still show, live.
    DeleteFileAt(JoinPath(folder, u"twarden.ini"));
    env.machine().SetEventSignalled(kPerformanceModeEvent, true);
    clock.tick += 5000;
    EXPECT_TRUE(GetCompanionConflicts().empty());
    env.machine().SetEventSignalled(kRestwellEvent, true);
    EXPECT_EQ(GetCompanionConflicts(), (Texts{Restwell()}));
    env.UseClock(nullptr);
}

TEST_F(CompanionTest, ThePromptAsksOnlyWhenThereAreConflicts) {
    auto& interaction = env.interaction();
    EXPECT_TRUE(PromptCompanionConflicts());
    ShowCompanionConflicts();
    EXPECT_EQ(interaction.QuestionCount(), 0u);

    Write(u"tw/twarden.ini", Utf16File(u"LoadBasedPowerSwitcherEnabled=true\r\nStartWithPowerPlan=Balanced\r\n"));
    Install(File(u"tw"));
    testing::ForgetCompanionCache();
    env.machine().SetMessageBoxAnswer(7);
    EXPECT_FALSE(PromptCompanionConflicts());
    sim::AskedQuestion asked;
    ASSERT_TRUE(interaction.LastQuestion(asked));
    const std::u16string list = u"  " + LoadSwitcher() + u"\n  " + StartWith(u"Balanced") + u"\n";
    EXPECT_EQ(asked.text, Format(LoadText(9493), list));
    EXPECT_EQ(asked.caption, u"Quellora");
    EXPECT_EQ(asked.style, mb::kYesNo | mb::kIconExclamation);
    env.machine().SetMessageBoxAnswer(6);
    EXPECT_TRUE(PromptCompanionConflicts());

    ShowCompanionConflicts();
    ASSERT_TRUE(interaction.LastQuestion(asked));
    EXPECT_EQ(asked.text, Format(LoadText(9492), list));
    EXPECT_EQ(asked.style, mb::kOk | mb::kIconInformation);
    EXPECT_EQ(interaction.QuestionCount(), 3u);
}

}  // namespace
}  // namespace quellora
