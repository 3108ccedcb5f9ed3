#include <gtest/gtest.h>

#include <filesystem>

#include "model/persisted_store.h"
#include "model/plan_json.h"
#include "platform/files.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "profiles/profile_store.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

class ProfileStoreTest : public ::testing::Test {
protected:
    SimEnv env;
    PowerSchemeAccess power;

    ProfileInfo Capture(std::u16string_view name, const Guid& plan = guids::kBalanced) {
        PlanSettings settings;
        ProfileInfo info;
        EXPECT_TRUE(CaptureProfile(power, plan, name, settings, info));
        EXPECT_TRUE(SaveProfile(info, settings));
        return info;
    }
    std::string Folder() { return Utf16ToUtf8(ProfileFolder()); }
    std::vector<std::string> FolderFiles() {
        std::vector<std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(Folder())) files.push_back(e.path().filename().string());
        std::sort(files.begin(), files.end());
        return files;
    }
};

TEST_F(ProfileStoreTest, SavedListedAndLoadedBackEqual) {
    env.UseClock(nullptr);
    PlanSettings captured;
    ProfileInfo info;
    ASSERT_TRUE(CaptureProfile(power, guids::kBalanced, u"Mein Profil – Spiele", captured, info));
    EXPECT_EQ(info.capturedFromPlan, u"Balanced");
    EXPECT_EQ(info.capturedFromPlanGuid, guids::kBalanced);
    EXPECT_EQ(info.cpu, u"13th Gen Intel(R) Core(TM) i7-13700HX");
    EXPECT_EQ(info.osBuild, u"10.0.26100");
    EXPECT_EQ(info.captured.size(), 20u);
    EXPECT_TRUE(captured.ac.hasHetero);
    EXPECT_EQ(captured.ac.coreParkingMin.size(), 2u);
    EXPECT_EQ(captured.ac.advanced.size(), 28u);
    ASSERT_TRUE(SaveProfile(info, captured));

    auto list = ListProfiles();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].path, ProfilePath(u"Mein Profil – Spiele"));
    PlanSettings loaded;
    ProfileInfo loadedInfo;
    ASSERT_TRUE(LoadProfile(u"Mein Profil – Spiele", loaded, loadedInfo));
    EXPECT_TRUE(Equals(loaded, captured));
    EXPECT_EQ(loaded.planName, u"Balanced");
    for (const ProfileInfo* p : {&list[0], &loadedInfo}) {
        EXPECT_EQ(p->name, info.name);
        EXPECT_EQ(p->capturedFromPlan, info.capturedFromPlan);
        EXPECT_EQ(p->capturedFromPlanGuid, info.capturedFromPlanGuid);
        EXPECT_EQ(p->cpu, info.cpu);
        EXPECT_EQ(p->osBuild, info.osBuild);
        EXPECT_EQ(p->captured, info.captured);
    }
    // The file: the settings document plus the profile object, no byte order mark.
    std::string text = testing::ReadBytes(Utf16ToUtf8(loadedInfo.path));
    EXPECT_EQ(text.substr(0, 10), "{\n  \"ac\": ");
    EXPECT_NE(text.find("\n  \"profile\": {\n    \"captured\": \""), std::string::npos);
    EXPECT_NE(text.find("\"name\": \"Mein Profil \xE2\x80\x93 Spiele\""), std::string::npos);
}

TEST(ProfileNames, Rules) {
    struct Case {
        std::u16string name;
        bool valid;
    };
    const Case cases[] = {
        {std::u16string(100, u'a'), true}, {std::u16string(101, u'a'), false}, {u"", false},
        {u"My.Gaming", true},              {u"Gaming.", false},                {u"Gaming ", false},
        {u" Gaming", false},               {u"a/b", false},                    {u"a:b", false},
        {u"a\"b", false},                  {u"a|b", false},                    {u"a*b", false},
        {u"tab\there", false},             {u"line\nbreak", false},            {u"CON", false},
        {u"con", false},                   {u"Nul.json", false},               {u"lpt9", false},
        {u"COM1 .txt", false},             {u"COM0", true},                    {u"COM10", true},
        {u"CONSOLE", true},                {u"Aux Power", true},               {u"Höchstleistung", true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsValidProfileName(c.name), c.valid) << Utf16ToUtf8(c.name);
}

TEST(ProfileNames, Suggestions) {
    struct Case {
        std::u16string text, expected;
    };
    const Case cases[] = {
        {u"Balanced: High Performance Overlay", u"Balanced - High Performance Overlay"},
        {u"  a/b?c. ", u"a - b - c"},
        {u"<Plan>", u"- Plan"},
        {u"Plan...", u"Plan"},
        {u"a\tb", u"ab"},
        {std::u16string(120, u'x'), std::u16string(100, u'x')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SuggestProfileName(c.text), c.expected) << Utf16ToUtf8(c.text);
    }
    EXPECT_TRUE(IsValidProfileName(SuggestProfileName(u"Balanced: Best Performance")));
}

TEST_F(ProfileStoreTest, ListIsNewestFirstAndLeavesOutWhatDoesNotLoad) {
    testing::ManualClock clock;
    env.UseClock(&clock);
    clock.utc = {2025, 3, 1, 6, 9, 30, 0, 0};
    Capture(u"Old");
    clock.utc = {2026, 1, 2, 5, 8, 0, 0, 0};
    Capture(u"New");
    const std::string folder = Folder();
    testing::WriteBytes(folder + "/Broken.json", "{ not json");
    testing::WriteBytes(folder + "/Number name.json",
                        R"({"format":1,"plan":"{381B4222-F694-41F0-9685-FF5BB260DF2E}","ac":{},"dc":{},"profile":{"name":5}})");
    testing::WriteBytes(folder + "/notes.txt", "not a profile");
    std::filesystem::create_directory(folder + "/Folder.json");
    auto list = ListProfiles();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, u"New");
    EXPECT_EQ(list[1].name, u"Old");
}

TEST_F(ProfileStoreTest, HandEditedFiles) {
    const std::string folder = Folder();
    const std::string doc = R"({"format":1,"plan":"{381B4222-F694-41F0-9685-FF5BB260DF2E}","ac":{"coreParkingMin":{"0":50}},"dc":{}})";
    testing::WriteBytes(folder + "/My.Gaming.json", "\xEF\xBB\xBF" + doc);  // byte order mark, no profile object
    PlanSettings settings;
    ProfileInfo info;
    ASSERT_TRUE(LoadProfile(u"My.Gaming", settings, info));
    EXPECT_EQ(info.name, u"My.Gaming");  // named after the file, up to its last full stop
    EXPECT_EQ(info.captured, u"");
    EXPECT_TRUE(info.capturedFromPlanGuid.IsNull());
    EXPECT_EQ(settings.ac.coreParkingMin.at(0), 50u);
    // A file larger than 4 MiB is not read.
    testing::WriteBytes(folder + "/Huge.json", doc + std::string(kMaxProfileFileBytes, ' '));
    EXPECT_FALSE(LoadProfile(u"Huge", settings, info));
}

TEST_F(ProfileStoreTest, NamesDifferingOnlyInCaseAreOneProfile) {
    Capture(u"My Gaming");
    EXPECT_TRUE(ProfileExists(u"my gaming"));
    EXPECT_TRUE(ProfileExists(u"MY GAMING"));
    PlanSettings settings;
    ProfileInfo info;
    ASSERT_TRUE(LoadProfile(u"mY gAMING", settings, info));
    EXPECT_EQ(info.name, u"My Gaming");
    Capture(u"MY GAMING");  // replaces the same file
    EXPECT_EQ(FolderFiles(), std::vector<std::string>{"My Gaming.json"});
    EXPECT_FALSE(RenameProfile(u"My Gaming", u"my gaming"));  // the new name exists
    ASSERT_TRUE(DeleteProfile(u"my GAMING"));
    EXPECT_TRUE(FolderFiles().empty());
    EXPECT_TRUE(DeleteProfile(u"my GAMING"));  // nothing to delete is fine
}

TEST_F(ProfileStoreTest, RenameReplacesAnotherProfileOnlyWhenAskedAndNeverItsOwnFile) {
    Capture(u"Work");
    Capture(u"Play", guids::kHighPerformance);
    EXPECT_FALSE(RenameProfile(u"Work", u"Play"));  // kept without consent
    EXPECT_EQ(FolderFiles(), (std::vector<std::string>{"Play.json", "Work.json"}));
    // Another spelling of the same name is the same file: refused, the profile kept.
    EXPECT_FALSE(RenameProfile(u"Work", u"WORK", true));
    EXPECT_EQ(FolderFiles(), (std::vector<std::string>{"Play.json", "Work.json"}));
    ASSERT_TRUE(RenameProfile(u"Work", u"play", true));
    EXPECT_EQ(FolderFiles().size(), 1u);
    PlanSettings settings;
    ProfileInfo info;
    ASSERT_TRUE(LoadProfile(u"Play", settings, info));
    EXPECT_EQ(info.name, u"play");
    EXPECT_EQ(info.capturedFromPlanGuid, guids::kBalanced);
}

TEST_F(ProfileStoreTest, ImportRefusesToOverwriteWithoutConsent) {
    Capture(u"Shared");
    testing::TempDir elsewhere;
    std::u16string exported = elsewhere.path16() + u"/shared-copy.json";
    ASSERT_TRUE(ExportProfile(u"Shared", exported));
    std::string original = testing::ReadBytes(Utf16ToUtf8(ProfilePath(u"Shared")));
    EXPECT_EQ(testing::ReadBytes(Utf16ToUtf8(exported)), original);  // byte for byte

    std::u16string name;
    bool existed = false;
    EXPECT_FALSE(ImportProfile(exported, false, name, existed));
    EXPECT_TRUE(existed);
    EXPECT_EQ(name, u"Shared");
    EXPECT_TRUE(ImportProfile(exported, true, name, existed));
    EXPECT_TRUE(existed);
    ASSERT_TRUE(DeleteProfile(u"Shared"));
    EXPECT_TRUE(ImportProfile(exported, false, name, existed));
    EXPECT_FALSE(existed);
    EXPECT_FALSE(ImportProfile(elsewhere.path16() + u"/missing.json", false, name, existed));

    // Export replaces an existing target.
    testing::WriteBytes(elsewhere.path() + "/target.json", "old");
    ASSERT_TRUE(ExportProfile(u"Shared", elsewhere.path16() + u"/target.json"));
    EXPECT_EQ(testing::ReadBytes(elsewhere.path() + "/target.json"), original);
    EXPECT_FALSE(ExportProfile(u"Nobody", elsewhere.path16() + u"/nobody.json"));
    EXPECT_FALSE(std::filesystem::exists(elsewhere.path() + "/nobody.json"));
}

TEST_F(ProfileStoreTest, AnInterruptedWriteLeavesThePreviousFileIntact) {
    Capture(u"Keep");
    const std::string path = Utf16ToUtf8(ProfilePath(u"Keep"));
    const std::string before = testing::ReadBytes(path);
    testing::TempDir elsewhere;
    const std::string exportTarget = elsewhere.path() + "/export.json";
    testing::WriteBytes(exportTarget, "previous export");

    PlanSettings settings;
    ProfileInfo info;
    ASSERT_TRUE(LoadProfile(u"Keep", settings, info));
    settings.ac.coreParkingMin[0] = 1;
    quellora::testing::FailWritesAfter(100);  // the disk fills up half way
    EXPECT_FALSE(SaveProfile(info, settings));
    EXPECT_FALSE(ExportProfile(u"Keep", Utf8ToUtf16(exportTarget)));
    std::u16string name;
    bool existed = false;
    EXPECT_FALSE(ImportProfile(Utf8ToUtf16(path), true, name, existed));
    EXPECT_FALSE(RenameProfile(u"Keep", u"Kept"));
    quellora::testing::FailWritesAfter(-1);

    EXPECT_EQ(testing::ReadBytes(path), before);
    EXPECT_EQ(FolderFiles(), std::vector<std::string>{"Keep.json"});  // no half-written or temporary file
    EXPECT_EQ(testing::ReadBytes(exportTarget), "previous export");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(elsewhere.path()), {}), 1);
}

TEST_F(ProfileStoreTest, RenameMovesTheProfile) {
    Capture(u"Before");
    ASSERT_TRUE(RenameProfile(u"Before", u"After"));
    EXPECT_FALSE(ProfileExists(u"Before"));
    PlanSettings settings;
    ProfileInfo info;
    ASSERT_TRUE(LoadProfile(u"After", settings, info));
    EXPECT_EQ(info.name, u"After");
    EXPECT_FALSE(RenameProfile(u"Missing", u"Other"));
    EXPECT_FALSE(RenameProfile(u"After", u"bad/name"));
}

TEST(ProfileApply, AHybridProfileOnAnOlderOneClassMachineAppliesWhatThePlanHas) {
    SimEnv env;
    PowerSchemeAccess power;
    PlanSettings captured;
    ProfileInfo info;
    ASSERT_TRUE(CaptureProfile(power, guids::kBalanced, u"Hybrid", captured, info));
    captured.ac.coreParkingMin = {{0, 33}, {1, 77}};
    captured.dc.minFrequency = {{0, 21}, {1, 42}};
    captured.ac.advanced[GuidLiteral("4d2b0152-7d5c-498b-88e2-34345392a2c5")] = 25;

    // One efficiency class, on a Windows release that lacks the class-1 settings.
    env.SetLayout(u"desktop");
    env.machine().SetWindows(sim::WindowsForBuild(9600));
    ASSERT_FALSE(IsHeterogeneousProcessor());
    // The plan has a remembered copy: it follows the applied settings.
    PlanSettings stored;
    stored.plan = guids::kPowerSaver;
    ASSERT_TRUE(ReadFromPlan(power, stored, {0}, false, {}));
    ASSERT_TRUE(SaveStoredSide(power, guids::kPowerSaver, true, stored.ac));
    ASSERT_TRUE(SaveStoredSide(power, guids::kPowerSaver, false, stored.dc));

    ASSERT_TRUE(ApplyProfile(power, captured, guids::kPowerSaver, true));
    PlanSettings back;
    back.plan = guids::kPowerSaver;
    ASSERT_TRUE(ReadFromPlan(power, back, {0, 1}, false, AdvancedSettingGuids()));
    EXPECT_EQ(back.ac.coreParkingMin, (std::map<int32_t, uint32_t>{{0, 33}}));
    EXPECT_EQ(back.dc.minFrequency, (std::map<int32_t, uint32_t>{{0, 21}}));
    EXPECT_FALSE(back.ac.hasHetero);
    // Reading it back with what the plan has gives exactly what was applied.
    PlanSettings expected = captured;
    for (SourceSettings* side : {&expected.ac, &expected.dc}) {
        side->coreParkingMin.erase(1);
        side->minFrequency.erase(1);
        side->hasHetero = false;
        std::erase_if(side->advanced, [&](const auto& e) { return back.ac.advanced.count(e.first) == 0; });
    }
    EXPECT_TRUE(Equals(back, expected));
    PlanSettings remembered;
    ASSERT_TRUE(LoadStored(power, guids::kPowerSaver, remembered));
    EXPECT_EQ(remembered.ac.coreParkingMin.at(0), 33u);
    EXPECT_EQ(remembered.ac.advanced.size(), expected.ac.advanced.size());
    auto started = env.processes().StartedCommandLines();
    EXPECT_NE(std::find_if(started.begin(), started.end(),
                           [](const std::u16string& s) { return s.find(u"-setactive scheme_current") != s.npos; }),
              started.end());
}

}  // namespace
}  // namespace quellora
