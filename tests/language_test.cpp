#include <gtest/gtest.h>

#include "platform/language.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "tests/support/run_program.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

TEST(Language, ChosenFromTheUserInterfaceLanguageByPrimaryLanguage) {
    struct Case {
        uint16_t ui;
        uint16_t chosen;
    };
    const Case cases[] = {
        {0x407, 0x407}, {0xC07, 0x407},  // German (Germany, Austria)
        {0x816, 0x416},                  // Portuguese (Portugal) matches the Brazilian row
        {0x413, 0},                      // Dutch is not offered
        {0x409, 0x409}, {0x809, 0x409},
    };
    for (const auto& c : cases) {
        SimEnv env;
        env.machine().SetUserDefaultUILanguage(c.ui);
        EXPECT_EQ(SelectLanguage(), c.chosen) << std::hex << c.ui;
        uint32_t stored = 0;
        bool written = ReadDword(Hive::CurrentUser, kAppKey, u"Language", stored);
        EXPECT_EQ(written, c.chosen != 0);
        if (c.chosen == 0) {
            EXPECT_EQ(State().currentLanguage, 0x409);
            continue;
        }
        EXPECT_EQ(stored, c.chosen);
        EXPECT_TRUE(ReadDword(Hive::LocalMachine, kAppKey, u"Language", stored));
        EXPECT_EQ(stored, c.chosen);
        std::vector<uint8_t> binary;
        ASSERT_TRUE(ReadBinary(Hive::LocalMachine, u"SOFTWARE\\Quellora", u"Quellora", binary));
        EXPECT_EQ(binary, (std::vector<uint8_t>{static_cast<uint8_t>(c.chosen), static_cast<uint8_t>(c.chosen >> 8), 0, 0}));
        EXPECT_EQ(State().currentLanguage, c.chosen);
    }
}

TEST(Language, RegistryValuesComeFirstInTheirOrder) {
    SimEnv env;
    env.machine().SetUserDefaultUILanguage(0x409);
    WriteDword(Hive::LocalMachine, kAppKey, u"Language", 0x40c);
    EXPECT_EQ(ReadLanguage(), 0x40c);
    WriteString(Hive::CurrentUser, kAppKey, u"InstallerLanguage", u"1031");  // too long for four bytes: skipped
    EXPECT_EQ(ReadLanguage(), 0x40c);
    WriteDword(Hive::LocalMachine, kAppKey, u"InstallerLanguage", 0x410);
    EXPECT_EQ(ReadLanguage(), 0x410);  // HKCU's unreadable value falls through to HKLM's
    WriteDword(Hive::CurrentUser, kAppKey, u"InstallerLanguageDWORD", 0);  // 0 does not count
    EXPECT_EQ(ReadLanguage(), 0x410);
    WriteDword(Hive::LocalMachine, kAppKey, u"InstallerLanguageDWORD", 0x407);
    EXPECT_EQ(ReadLanguage(), 0x410);  // HKCU's 0 was read: HKLM is not asked
    WriteDword(Hive::CurrentUser, kAppKey, u"InstallerLanguageDWORD", 0x419);
    EXPECT_EQ(ReadLanguage(), 0x419);
}

TEST(Language, MissingStringsFallBackToEnglish) {
    SimEnv env;
    State().currentLanguage = 0x407;
    ASSERT_TRUE(LoadResourceModule());
    EXPECT_EQ(LoadText(9383), u"Der Vorgang ist fehlgeschlagen.");
    EXPECT_EQ(LoadText(9621), u"Copies a profile to a file.");  // the German module lacks it
    EXPECT_EQ(LoadText(1427), u"NUMA nodes");
    EXPECT_EQ(LoadText(1), u"");  // in neither module
    EXPECT_FALSE(State().englishFallbackLoaded);
}

TEST(Language, TableQuestions) {
    SimEnv env;
    EXPECT_TRUE(IsLanguageSupported(0x407));
    EXPECT_FALSE(IsLanguageSupported(0));
    EXPECT_FALSE(IsLanguageSupported(0x413));
    EXPECT_TRUE(IsLanguageAvailable(0x409));
    EXPECT_TRUE(IsLanguageAvailable(0x407));
    EXPECT_FALSE(IsLanguageAvailable(0x419));  // no Russian module is shipped
    EXPECT_FALSE(IsLanguageAvailable(0x413));
    EXPECT_EQ(LanguageName(0x416), u"Portuguese/Brazilian");
    EXPECT_EQ(LanguageName(0x413), u"");
}

TEST(Language, ChangingItWritesThreeValues) {
    SimEnv env;
    State().currentLanguage = 0x409;
    EXPECT_TRUE(ChangeLanguage(0x407));
    uint32_t v = 0;
    EXPECT_TRUE(ReadDword(Hive::CurrentUser, kAppKey, u"InstallerLanguageDWORD", v));
    EXPECT_EQ(v, 0x407u);
    EXPECT_TRUE(ReadDword(Hive::CurrentUser, kAppKey, u"Language", v));
    EXPECT_EQ(v, 0x407u);
    std::u16string text;
    EXPECT_TRUE(ReadString(Hive::CurrentUser, kAppKey, u"InstallerLanguage", text));
    EXPECT_EQ(text, u"1031");
    EXPECT_FALSE(ChangeLanguage(0x409));
}

class LanguageCli : public ::testing::Test {
protected:
    testing::TempDir state;
    testing::ProgramResult Run(const std::string& program, const std::vector<std::string>& args) {
        return testing::RunProgram(program, args, {{"QUELLORA_SIM_DIR", state.path()}});
    }
};

TEST_F(LanguageCli, AGermanUserInterfaceGetsGermanTextsWithEnglishGaps) {
    ASSERT_EQ(Run("quellora-sim", {"ui-language", "0x407"}).exitCode, 0);
    auto help = Run("quellora", {"/help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Konsolenbefehle von Quellora.", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("    Copies a profile to a file.\r\n"), std::string::npos);
    // The Windows build prints the same bytes under Wine (tests/wine).
    EXPECT_EQ(help.out, testing::ReadBytes(testing::SourceDir() + "/tests/data/help-german.txt"));
    auto usage = Run("quellora", {"/plans", "x"});
    EXPECT_EQ(usage.exitCode, 1);
    EXPECT_EQ(usage.out, "Falsche Argumente f\xC3\xBCr /plans. Mit quellora.exe /help wird die Verwendung angezeigt.\r\n");
}

TEST_F(LanguageCli, AChosenLanguageWithoutItsModuleEndsTheStart) {
    ASSERT_EQ(Run("quellora-sim", {"ui-language", "0x419"}).exitCode, 0);  // Russian: no module shipped
    auto r = Run("quellora", {"/plans"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "There was an error loading the resource DLL tw_rsrc_english.dll!\n");
}

}  // namespace
}  // namespace quellora
