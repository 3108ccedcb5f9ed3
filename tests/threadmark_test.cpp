#include <gtest/gtest.h>

#include "platform/file_version.h"
#include "platform/files.h"
#include "platform/language.h"
#include "platform/string_ids.h"
#include "platform/text.h"
#include "tests/support/sim_env.h"
#include "tray/threadmark.h"

namespace quellora {
namespace {

using testing::SimEnv;

TEST(Versions, CompareAsFourNumbers) {
    struct Case {
        const char16_t* text;
        bool old;
    };
    const Case cases[] = {
        {u"1.2.0.4", true},     {u"1.2.0.3", true},   {u"1.1.300.0", true}, {u"0.9", true},
        {u"1.2.0.5", false},    {u"1.3.0.0", false},  {u"1.2.0.300", false},  // 300 would spill over in 8 bits
        {u"1.2.1.0", false},    {u"2", false},        {u"1.2.0.256", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.text));
        FileVersion v;
        ASSERT_TRUE(ParseVersion(c.text, v));
        EXPECT_EQ(IsOldThreadmark(v), c.old);
    }
    EXPECT_LT((FileVersion{1, 2, 0, 255}), (FileVersion{1, 2, 0, 256}));
    EXPECT_LT((FileVersion{1, 2, 255, 0}), (FileVersion{1, 3, 0, 0}));
    EXPECT_EQ(FileVersion::FromFixed(0x00010002, 0x0000012C), (FileVersion{1, 2, 0, 300}));
}

TEST(Versions, ParseAsTheFormatReadsThem) {
    struct Case {
        const char16_t* text;
        bool ok;
        FileVersion version;
    };
    const Case cases[] = {
        {u"6.0.2.18", true, {6, 0, 2, 18}},  {u"  6.1", true, {6, 1, 0, 0}},   {u"6.0.x.1", true, {6, 0, 0, 0}},
        {u"6.0.2.18.99", true, {6, 0, 2, 18}}, {u"7.", true, {7, 0, 0, 0}},   {u"", false, {}},
        {u"v6.0", false, {}},                 {u"99999999999.1", true, {0xFFFFFFFF, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.text));
        FileVersion v;
        EXPECT_EQ(ParseVersion(c.text, v), c.ok);
        if (c.ok) {
            EXPECT_EQ(v, c.version);
        }
    }
    EXPECT_EQ(VersionText({1, 2, 0, 300}), u"1.2.0.300");
}

class Threadmark : public ::testing::Test {
protected:
    std::u16string ProgramFiles() { return env.platform().folders->ProgramFiles(); }
    std::u16string Folder() { return JoinPath(ProgramFiles(), u"Threadmark"); }
    SimEnv env;
};

TEST_F(Threadmark, AnOldInstallationIsClosedUninstalledAndTheUserAsked) {
    ASSERT_TRUE(sim::InstallThreadmark(env.machine(), ProgramFiles(), {1, 2, 0, 4}));
    env.machine().SetMessageBoxAnswer(6);  // yes
    EXPECT_TRUE(RunThreadmarkMaintenance());

    const auto launches = env.processes().Launches();
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].commandLine, u"\"" + JoinPath(Folder(), u"Threadmark.exe") + u"\" -close");
    EXPECT_EQ(launches[0].directory, Folder());
    EXPECT_EQ(launches[0].waitMs, 5000u);
    EXPECT_EQ(launches[1].commandLine, u"\"" + JoinPath(Folder(), u"uninstall.exe") + u"\" /S");
    EXPECT_EQ(launches[1].directory, Folder());
    EXPECT_EQ(launches[1].waitMs, 0u);

    sim::AskedQuestion q;
    ASSERT_TRUE(env.interaction().LastQuestion(q));
    EXPECT_EQ(q.text, u"You have an old version of Threadmark. It should be updated. Do that now?");
    EXPECT_EQ(q.caption, u"Threadmark");
    EXPECT_EQ(q.style, mb::kYesNo | mb::kIconExclamation);
    EXPECT_EQ(env.interaction().LastOpened(), kThreadmarkPage);

    // The silent uninstaller removed it: the next start finds nothing.
    FileVersion left;
    EXPECT_FALSE(sim::InstalledThreadmark(env.machine(), left));
    EXPECT_FALSE(DirectoryExists(Folder()));
    EXPECT_FALSE(RunThreadmarkMaintenance());
}

TEST_F(Threadmark, NoIsAnsweredWithoutOpeningThePage) {
    ASSERT_TRUE(sim::InstallThreadmark(env.machine(), ProgramFiles(), {1, 0, 0, 0}));
    EXPECT_TRUE(RunThreadmarkMaintenance());
    EXPECT_EQ(env.interaction().QuestionCount(), 1u);
    EXPECT_TRUE(env.interaction().LastOpened().empty());
}

TEST_F(Threadmark, NewerInstallationsAndMissingPartsAreLeftAlone) {
    for (const FileVersion& v : {FileVersion{1, 2, 0, 5}, FileVersion{1, 3, 0, 0}, FileVersion{1, 2, 0, 300}}) {
        SCOPED_TRACE(Utf16ToUtf8(VersionText(v)));
        ASSERT_TRUE(sim::InstallThreadmark(env.machine(), ProgramFiles(), v));
        EXPECT_FALSE(RunThreadmarkMaintenance());
    }
    EXPECT_TRUE(env.processes().Launches().empty());
    EXPECT_EQ(env.interaction().QuestionCount(), 0u);

    sim::UninstallThreadmark(env.machine(), ProgramFiles());
    EXPECT_FALSE(RunThreadmarkMaintenance());  // no folder
    ASSERT_TRUE(CreateDirectories(Folder()));
    EXPECT_FALSE(RunThreadmarkMaintenance());  // no uninstaller
    ASSERT_TRUE(WriteFileAtomic(JoinPath(Folder(), u"uninstall.exe"), "MZ"));
    EXPECT_FALSE(RunThreadmarkMaintenance());  // no version resource
    EXPECT_TRUE(env.processes().Launches().empty());
    EXPECT_EQ(env.interaction().QuestionCount(), 0u);
}

TEST_F(Threadmark, TheQuestionComesFromTheLanguageModule) {
    EXPECT_EQ(LoadText(ids::kThreadmarkOutdated), u"You have an old version of Threadmark. It should be updated. Do that now?");
}

}  // namespace
}  // namespace quellora
