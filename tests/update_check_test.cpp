#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "tests/support/sim_env.h"
#include "tray/update_check.h"

namespace quellora {
namespace {

using testing::SimEnv;

class UpdateCheckTest : public ::testing::Test {
protected:
    UpdateCheckTest() { SetLatestVersionText(u""); }
    ~UpdateCheckTest() override { SetLatestVersionText(u""); }

    void Endpoint(std::u16string_view version, sim::InstallerKind installer, std::u16string_view signer = u"Ostrima GmbH",
                  uint32_t revocationError = 0) {
        sim::UpdateEndpoint e;
        e.hasVersion = true;
        e.versionBody = version;
        e.installer = installer;
        e.signer = signer;
        e.revocationError = revocationError;
        sim::WriteUpdateEndpoint(env.machine(), e);
    }
    std::vector<sim::UpdateRequest> Requests() { return sim::UpdateRequests(env.machine()); }

    SimEnv env;
};

TEST(ProgramVersion, FourNumbersComparedInOrder) {
    struct Case {
        const char16_t* latest;
        const char16_t* running;
        bool newer;
    } cases[] = {
        {u"6.0.3.0", u"6.0.2.18", true},
        {u"6.0.2.18", u"6.0.2.18", false},
        {u"6.0.2.9", u"6.0.2.18", false},
        {u"6.1", u"6.0.2.18", true},                // missing parts are 0
        {u"6.0.2", u"6.0.2.18", false},
        {u"6.0.2.300", u"6.0.3.0", false},          // a part above 255 does not spill into the next
        {u"6.1.0.0", u"6.0.256.0", true},
        {u"10.0.0.0", u"9.255.255.255", true},
        {u"error", u"6.0.2.18", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsNewerVersion(c.latest, c.running), c.newer) << Utf16ToUtf8(c.latest) << " vs " << Utf16ToUtf8(c.running);
    }
    VersionComparison cache;
    EXPECT_TRUE(cache.IsNewer(u"6.0.3.0", u"6.0.2.18"));
    EXPECT_TRUE(cache.IsNewer(u"6.0.3.0", u"6.0.2.18"));
    EXPECT_FALSE(cache.IsNewer(u"6.0.2.18", u"6.0.2.18"));
}

TEST(ParseVersionBody, ThreeToEightCharactersWithADot) {
    struct Case {
        const char* body;
        bool ok;
        const char16_t* version;
    } cases[] = {
        {"6.1.0.2\r\n", true, u"6.1.0.2"}, {"  6.0.3.0  ", true, u"6.0.3.0"}, {"1.2", true, u"1.2"},
        {"12", false, u""},                {"error", false, u""},           {"1.2.3.4.5.6", false, u""},
        {"6.0.10.18", false, u""},  // nine characters: the service's answers are at most eight
        {"", false, u""},                  {"12345678", false, u""},
    };
    for (const Case& c : cases) {
        std::u16string version = u"old";
        EXPECT_EQ(ParseVersionBody(c.body, version), c.ok) << c.body;
        EXPECT_EQ(version, c.version) << c.body;
    }
}

TEST_F(UpdateCheckTest, TheAddressAndTheUserAgent) {
    EXPECT_EQ(UpdateCheckUrl(false, false),
              u"https://versions.ostrima.com/versioninfo/quellora/?ProductName=Quellora&Platform=x64&Vendor=Ostrima"
              u"&internalversion=60000&ReturnBetas=0");
    EXPECT_EQ(UpdateCheckUrl(true, true),
              u"https://versions.ostrima.com/versioninfo/quellora/beta/?ProductName=Quellora&Platform=x64"
              u"&Vendor=Ostrima&internalversion=60000&ReturnBetas=1&nothrottle&manual=1");
    EXPECT_EQ(UpdateUserAgent(), u"Quellora/6.0.2.18 (Windows, 10.0.26100)");
    WriteString(Hive::LocalMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"InstallationType",
                u"Server Core");
    EXPECT_EQ(UpdateUserAgent(), u"Quellora/6.0.2.18 (Windows Server, 10.0.26100)");
}

TEST_F(UpdateCheckTest, BetaUpdatesAreOnWhenEitherValueIs) {
    EXPECT_FALSE(GetBetaUpdates());
    WriteDword(Hive::LocalMachine, kAppKey, u"BetaUpdates", 1);
    EXPECT_TRUE(GetBetaUpdates());
    SetBetaUpdates(false);
    EXPECT_FALSE(GetBetaUpdates());
    EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"BetaUpdates", 9), 0u);
    SetBetaUpdates(true);
    EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"BetaUpdates", 0), 1u);
    std::u16string latest;
    Endpoint(u"6.0.3.0", sim::InstallerKind::None);
    ASSERT_TRUE(CheckForUpdate(false, latest));
    EXPECT_NE(Requests().back().url.find(u"/beta/?"), std::u16string::npos);
}

TEST_F(UpdateCheckTest, TheAutomaticCheckKeepsTheAnswerAndAlwaysSignals) {
    Endpoint(u"6.0.3.0\r\n", sim::InstallerKind::None);
    ThreadEvent ready;
    AutomaticUpdateCheck(ready);
    EXPECT_TRUE(ready.TryWait());
    EXPECT_EQ(LatestVersionText(), u"6.0.3.0");
    ASSERT_EQ(Requests().size(), 1u);
    EXPECT_EQ(Requests()[0].userAgent, u"Quellora/6.0.2.18 (Windows, 10.0.26100)");

    // A failed check keeps the earlier answer; turned off, no request is made.
    Endpoint(u"error", sim::InstallerKind::None);
    AutomaticUpdateCheck(ready);
    EXPECT_TRUE(ready.TryWait());
    EXPECT_EQ(LatestVersionText(), u"6.0.3.0");
    WriteDword(Hive::LocalMachine, kAppKey, u"UpdateChecks", 0);
    AutomaticUpdateCheck(ready);
    EXPECT_TRUE(ready.TryWait());
    EXPECT_EQ(Requests().size(), 2u);
}

TEST(MakerSigner, NameOrSerial) {
    struct Case {
        const char16_t* name;
        const char16_t* serial;
        bool maker;
    } cases[] = {
        {u"Ostrima", u"01", true},
        {u"Ostrima GmbH", u"01", true},
        {u"OSTRIMA Software Ltd.", u"01", true},
        {u"Ostrima-Labs", u"01", true},
        {u"OstrimaX Tools", u"01", false},
        {u"Ostrima2", u"01", false},
        {u"Not Ostrima", u"01", false},
        {u"", u"", false},
        {u"Someone", u"5C7A0E93D1B24F68A03D", true},
        {u"Someone", u"005c7a0e93d1b24f68a03d", true},  // leading zeros and case do not matter
        {u"Someone", u"5C7A0E93D1B24F68A03E", false},
        {u"Someone", u"000", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsMakerSigner(SignerInfo{c.name, c.serial}), c.maker) << Utf16ToUtf8(c.name) << " " << Utf16ToUtf8(c.serial);
    }
}

TEST_F(UpdateCheckTest, ASignedInstallerIsStartedSilentlyAndTheUpdateIsMarked) {
    Endpoint(u"6.0.3.0", sim::InstallerKind::Signed);
    ASSERT_TRUE(InstallUpdate());
    const std::u16string path = InstallerPath();
    EXPECT_EQ(FileNamePart(path), u"quellorasetup64.exe");
    EXPECT_EQ(FileNamePart(FolderPart(path)), u"ostrima");
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(sim::InstallerStarts(env.machine()), 1u);
    EXPECT_EQ(sim::LastInstallerCommandLine(env.machine()), u"\"" + path + u"\" /S");
    EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"UpdateFinished", 0), 1u);
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].url, u"https://downloads.ostrima.com/files/quellorasetup64.exe");
    EXPECT_EQ(requests[0].userAgent, u"ostrima");
    EXPECT_EQ(env.interaction().QuestionCount(), 0u);
}

TEST_F(UpdateCheckTest, AnInstallerThatDoesNotCheckOutIsReportedAndNotStarted) {
    struct Case {
        sim::InstallerKind kind;
        const char16_t* signer;
        const char16_t* description;
    } cases[] = {
        {sim::InstallerKind::Unsigned, u"", u"No signature was present in the subject."},
        {sim::InstallerKind::Signed, u"Somebody Else", u"0xA0B50001"},
    };
    for (const Case& c : cases) {
        Endpoint(u"6.0.3.0", c.kind, c.signer);
        env.machine().SetMessageBoxAnswer(mb::kIdNo);
        env.interaction().OpenWithShell(u"");
        EXPECT_FALSE(InstallUpdate());
        sim::AskedQuestion asked;
        ASSERT_TRUE(env.interaction().LastQuestion(asked));
        EXPECT_NE(asked.text.find(c.description), std::u16string::npos) << Utf16ToUtf8(asked.text);
        EXPECT_EQ(asked.style & mb::kYesNo, mb::kYesNo);
        EXPECT_EQ(env.interaction().LastOpened(), u"");
        // Yes opens the download page.
        env.machine().SetMessageBoxAnswer(mb::kIdYes);
        EXPECT_FALSE(InstallUpdate());
        EXPECT_EQ(env.interaction().LastOpened(), kDownloadPage);
        EXPECT_EQ(sim::InstallerStarts(env.machine()), 0u);
        EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"UpdateFinished", 0), 0u);
    }
}

TEST_F(UpdateCheckTest, ARevocationCheckThatCannotFinishIsLeftOut) {
    for (uint32_t error : {trust::kRevocationOffline, trust::kRevocationFailure}) {
        Endpoint(u"6.0.3.0", sim::InstallerKind::Signed, u"Ostrima GmbH", error);
        EXPECT_TRUE(InstallUpdate());
    }
    Endpoint(u"6.0.3.0", sim::InstallerKind::Signed, u"Ostrima GmbH", trust::kUntrustedRoot);
    EXPECT_EQ(VerifyInstaller(InstallerPath()), trust::kUntrustedRoot);
}

TEST_F(UpdateCheckTest, ASmallOrMissingDownloadIsNotWritten) {
    for (sim::InstallerKind kind : {sim::InstallerKind::Small, sim::InstallerKind::None}) {
        Endpoint(u"6.0.3.0", kind);
        EXPECT_FALSE(InstallUpdate());
        EXPECT_FALSE(FileExists(InstallerPath()));
        EXPECT_EQ(env.interaction().QuestionCount(), 0u);
    }
}

TEST_F(UpdateCheckTest, TheManualCheckAsksOrSaysItIsTheLatest) {
    Endpoint(u"6.0.3.0", sim::InstallerKind::Signed);
    env.machine().SetMessageBoxAnswer(mb::kIdYes);
    EXPECT_TRUE(ManualUpdateCheck(nullptr));
    sim::AskedQuestion asked;
    ASSERT_TRUE(env.interaction().LastQuestion(asked));
    EXPECT_EQ(asked.text, u"Quellora 6.0.3.0 is available (you have 6.0.2.18). Install it now?");
    EXPECT_NE(Requests()[0].url.find(u"&nothrottle&manual=1"), std::u16string::npos);

    Endpoint(u"6.0.2.18", sim::InstallerKind::Signed);
    EXPECT_FALSE(ManualUpdateCheck(nullptr));
    ASSERT_TRUE(env.interaction().LastQuestion(asked));
    EXPECT_EQ(asked.text, u"You have the latest version of Quellora.");

    const uint32_t shown = env.interaction().QuestionCount();
    Endpoint(u"error", sim::InstallerKind::Signed);
    EXPECT_FALSE(ManualUpdateCheck(nullptr));
    EXPECT_EQ(env.interaction().QuestionCount(), shown);  // a failed check says nothing
}

}  // namespace
}  // namespace quellora
