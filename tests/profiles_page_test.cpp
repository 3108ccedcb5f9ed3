#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <optional>

#include "platform/files.h"
#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"
#include "profiles/profile_store.h"
#include "tests/support/fake_controls.h"
#include "tests/support/sim_env.h"
#include "ui/profiles_page.h"

namespace quellora {
namespace {

using namespace profiles_page;
using testing::FakeControls;
using testing::ManualClock;
using testing::SimEnv;

struct Asked {
    std::u16string text;
    uint32_t style;
};

// The page's window: answers come from queues the test fills.
class FakeProfilesHost : public ProfilesPageHost {
public:
    FakeControls controls{{kDetails, kPlanCaption, kPlanBox, kSave, kApply, kImport, kExport}};
    std::vector<ProfileRow> rows;
    int selected = -1;
    std::vector<Asked> messages;
    std::deque<int> answers;  // for Yes/No questions; No when empty
    std::vector<std::pair<std::u16string, std::u16string>> textQuestions;  // (prompt, text shown)
    std::deque<std::optional<std::u16string>> typed;  // none: Cancel
    std::optional<std::u16string> openPath, savePath;
    std::u16string proposedFile;
    std::vector<int> contextMenus;
    int editorReloads = 0;
    int hourOffset = 1;  // the local time zone

    ControlSurface& Controls() override { return controls; }
    void SetRows(const std::vector<ProfileRow>& r) override {
        rows = r;
        selected = -1;
    }
    void SelectRow(int row) override { selected = row; }
    int SelectedRow() override { return selected; }
    int Message(std::u16string_view text, uint32_t style) override {
        messages.push_back({std::u16string(text), style});
        if ((style & 0xF) != mb::kYesNo) return mb::kIdOk;
        if (answers.empty()) return mb::kIdNo;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    bool AskText(std::u16string_view prompt, std::u16string& text) override {
        textQuestions.emplace_back(std::u16string(prompt), text);
        if (typed.empty() || !typed.front()) {
            if (!typed.empty()) typed.pop_front();
            return false;
        }
        text = *typed.front();
        typed.pop_front();
        return true;
    }
    bool ChooseFileToOpen(std::u16string& path) override {
        if (!openPath) return false;
        path = *openPath;
        return true;
    }
    bool ChooseFileToSave(std::u16string_view proposed, std::u16string& path) override {
        proposedFile = proposed;
        if (!savePath) return false;
        path = *savePath;
        return true;
    }
    void ShowContextMenu(int row) override { contextMenus.push_back(row); }
    void ReloadPlanEditor() override { ++editorReloads; }
    bool ToLocalTime(const CalendarTime& utc, CalendarTime& local) override {
        local = utc;
        local.hour = static_cast<uint16_t>(utc.hour + hourOffset);
        return true;
    }

    std::vector<std::u16string> Names() const {
        std::vector<std::u16string> names;
        for (const ProfileRow& r : rows) names.push_back(r[0]);
        return names;
    }
    void Select(std::u16string_view name) {
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i][0] == name) selected = static_cast<int>(i);
    }
};

class ProfilesPageTest : public ::testing::Test {
protected:
    SimEnv env;
    ManualClock clock;
    PowerSchemeAccess power;
    FakeProfilesHost host;
    ProfilesPagePresenter page{host, power};

    void SetUp() override { env.UseClock(&clock); }
    void TearDown() override { env.UseClock(nullptr); }

    // A profile of the Balanced plan saved at a given UTC hour of 2026-12-04.
    void Saved(std::u16string_view name, uint16_t hour, const Guid& plan = guids::kBalanced) {
        clock.utc = {2026, 12, 5, 4, hour, 5, 30, 0};  // a Friday
        PlanSettings settings;
        ProfileInfo info;
        ASSERT_TRUE(CaptureProfile(power, plan, name, settings, info));
        ASSERT_TRUE(SaveProfile(info, settings));
    }
    void ChoosePlan(std::u16string_view name) { ASSERT_TRUE(host.controls.Choose(kPlanBox, name)); }
    std::string FileOf(std::u16string_view name) { return testing::ReadBytes(Utf16ToUtf8(ProfilePath(name))); }
    std::u16string Last() { return host.messages.empty() ? std::u16string() : host.messages.back().text; }
};

TEST(ProfileCaptureTime, ShownInLocalTimeOrAsStored) {
    const LocalTimeConverter plusOne = [](const CalendarTime& utc, CalendarTime& local) {
        local = utc;
        local.hour = static_cast<uint16_t>(utc.hour + 1);
        return true;
    };
    const LocalTimeConverter fails = [](const CalendarTime&, CalendarTime&) { return false; };
    struct Case {
        std::u16string stored;
        const LocalTimeConverter* toLocal;
        std::u16string shown;
    };
    const Case cases[] = {
        {u"2026-12-04T09:05:30Z", &plusOne, u"2026-12-04 10:05"},
        {u"2026-1-4T9:5:3", &plusOne, u"2026-01-04 10:05"},
        {u"yesterday", &plusOne, u"yesterday"},
        {u"2026-12-04 09:05:30", &plusOne, u"2026-12-04 09:05:30"},
        {u"", &plusOne, u""},
        {u"2026-12-04T09:05:30Z", &fails, u"2026-12-04T09:05:30Z"},
    };
    for (const Case& c : cases) EXPECT_EQ(CaptureTimeText(c.stored, *c.toLocal), c.shown) << Utf16ToUtf8(c.stored);
}

TEST_F(ProfilesPageTest, ListNewestFirstWithLocalTimesAndNothingSelected) {
    Saved(u"Morning", 7);
    Saved(u"Evening", 19);
    Saved(u"Noon", 12, guids::kHighPerformance);
    page.Initialise();
    ASSERT_EQ(host.rows.size(), 3u);
    EXPECT_EQ(host.rows[0], (ProfileRow{u"Evening", u"Balanced", u"2026-12-04 20:05"}));
    EXPECT_EQ(host.rows[1], (ProfileRow{u"Noon", u"High performance", u"2026-12-04 13:05"}));
    EXPECT_EQ(host.rows[2][0], u"Morning");
    EXPECT_EQ(host.selected, -1);
    // The plan box lists the plans with the active one chosen.
    EXPECT_GE(host.controls.ItemCount(kPlanBox), 3);
    EXPECT_EQ(host.controls.ItemText(kPlanBox, host.controls.Selection(kPlanBox)), u"Balanced");
}

TEST_F(ProfilesPageTest, WithoutSelectionApplyAndExportAreOffAndNoContextMenu) {
    Saved(u"One", 7);
    page.Initialise();
    EXPECT_FALSE(host.controls[kApply].enabled);
    EXPECT_FALSE(host.controls[kExport].enabled);
    EXPECT_EQ(host.controls[kDetails].text, u"");
    page.OnContextMenu();
    page.OnDoubleClick();
    page.OnDeleteKey();
    page.OnCommand(kRename);
    page.OnCommand(kExport);
    EXPECT_TRUE(host.contextMenus.empty());
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.textQuestions.empty());

    host.Select(u"One");
    page.OnSelectionChanged();
    EXPECT_TRUE(host.controls[kApply].enabled);
    EXPECT_TRUE(host.controls[kExport].enabled);
    EXPECT_EQ(host.controls[kDetails].text,
              Format(LoadText(kDetailsText), std::u16string(u"Balanced"), std::u16string(u"2026-12-04 08:05"),
                     std::u16string(u"13th Gen Intel(R) Core(TM) i7-13700HX")));
    page.OnContextMenu();
    EXPECT_EQ(host.contextMenus, std::vector<int>{0});
}

TEST_F(ProfilesPageTest, SaveProposesAValidNameAndAsksAgainWithTheTypedText) {
    Guid plan;
    ASSERT_TRUE(power.FindPlanByName(u"High performance", plan));
    ASSERT_TRUE(power.WritePlanName(plan, u"Games: fast/loud?"));
    page.Initialise();
    ChoosePlan(u"Games: fast/loud?");
    host.typed = {u"  bad|name ", u"  Loud games  "};
    page.OnCommand(kSave);
    ASSERT_EQ(host.textQuestions.size(), 2u);
    EXPECT_EQ(host.textQuestions[0], std::make_pair(LoadText(kSavePrompt), std::u16string(u"Games - fast - loud")));
    EXPECT_EQ(host.textQuestions[1].second, u"  bad|name ");  // asked again with what was typed
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, LoadText(kInvalidName));
    EXPECT_EQ(host.messages[0].style, mb::kIconError);
    EXPECT_EQ(host.messages[1].text, Format(LoadText(kSaved), std::u16string(u"Games: fast/loud?"),
                                            std::u16string(u"Loud games")));
    EXPECT_EQ(host.messages[1].style, mb::kIconInformation);
    EXPECT_TRUE(ProfileExists(u"Loud games"));
    ASSERT_GE(host.selected, 0);
    EXPECT_EQ(host.rows[static_cast<size_t>(host.selected)][0], u"Loud games");

    // Saving over it asks first; No keeps the old file, Cancel ends at once.
    const std::string before = FileOf(u"Loud games");
    clock.utc.hour = 23;
    host.messages.clear();
    host.typed = {u"loud GAMES"};
    page.Save();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, Format(LoadText(kReplaceQuestion), std::u16string(u"loud GAMES")));
    EXPECT_EQ(FileOf(u"Loud games"), before);
    host.typed = {std::nullopt};
    page.Save();
    EXPECT_EQ(host.messages.size(), 1u);
    host.typed = {u"Loud games"};
    host.answers = {mb::kIdYes};
    page.Save();
    EXPECT_NE(FileOf(u"Loud games"), before);
    EXPECT_EQ(host.Names(), std::vector<std::u16string>{u"Loud games"});
}

TEST_F(ProfilesPageTest, ApplyAsksThenWritesThePlanAndReportsIt) {
    Saved(u"Fast", 7, guids::kHighPerformance);
    page.Initialise();
    host.Select(u"Fast");
    page.OnSelectionChanged();
    ChoosePlan(u"Power saver");
    uint32_t before = 0, after = 0;
    ASSERT_TRUE(power.ReadCoreParkingMin(guids::kPowerSaver, 0, true, before));

    page.OnDoubleClick();  // answered No
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              Format(LoadText(kApplyQuestion), std::u16string(u"Fast"), std::u16string(u"Power saver")));
    EXPECT_EQ(host.messages[0].style, mb::kYesNo | mb::kIconQuestion);
    EXPECT_EQ(host.editorReloads, 0);

    host.answers = {mb::kIdYes};
    page.OnCommand(kApply);
    EXPECT_EQ(Last(), Format(LoadText(kApplied), std::u16string(u"Fast"), std::u16string(u"Power saver")));
    EXPECT_EQ(host.editorReloads, 1);
    uint32_t fast = 0;
    ASSERT_TRUE(power.ReadCoreParkingMin(guids::kHighPerformance, 0, true, fast));
    ASSERT_TRUE(power.ReadCoreParkingMin(guids::kPowerSaver, 0, true, after));
    EXPECT_EQ(after, fast);
    EXPECT_NE(before, fast);

    // A profile file that went away meanwhile is reported, nothing written.
    ASSERT_TRUE(DeleteProfile(u"Fast"));
    host.answers = {mb::kIdYes};
    page.Apply();
    EXPECT_EQ(Last(), LoadText(kFailed));
    EXPECT_EQ(host.editorReloads, 1);
}

TEST_F(ProfilesPageTest, RenameIgnoresLetterCaseAndReplacesAnotherProfileInOneStep) {
    Saved(u"Work", 7);
    Saved(u"Play", 8, guids::kHighPerformance);
    page.Initialise();
    host.Select(u"Work");
    const std::string work = FileOf(u"Work");

    host.typed = {u"WORK "};
    page.OnCommand(kRename);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.textQuestions[0], std::make_pair(LoadText(kRenamePrompt), std::u16string(u"Work")));
    EXPECT_EQ(FileOf(u"Work"), work);

    // Onto an existing name: asked; No keeps both.
    host.Select(u"Work");
    host.typed = {u"Play"};
    page.Rename();
    EXPECT_EQ(Last(), Format(LoadText(kReplaceQuestion), std::u16string(u"Play")));
    EXPECT_EQ(host.Names(), (std::vector<std::u16string>{u"Play", u"Work"}));

    // A rename that fails half way loses neither profile.
    const std::string play = FileOf(u"Play");
    host.Select(u"Work");
    host.typed = {u"Play"};
    host.answers = {mb::kIdYes};
    quellora::testing::FailWritesAfter(100);
    page.Rename();
    quellora::testing::FailWritesAfter(-1);
    EXPECT_EQ(Last(), LoadText(kFailed));
    EXPECT_EQ(FileOf(u"Play"), play);
    EXPECT_EQ(FileOf(u"Work"), work);
    EXPECT_EQ(host.Names(), (std::vector<std::u16string>{u"Play", u"Work"}));
    EXPECT_EQ(host.rows[static_cast<size_t>(host.selected)][0], u"Work");

    // Yes: the other profile is replaced by the renamed one.
    host.typed = {u"Play"};
    host.answers = {mb::kIdYes};
    page.Rename();
    EXPECT_EQ(host.Names(), std::vector<std::u16string>{u"Play"});
    PlanSettings settings;
    ProfileInfo info;
    ASSERT_TRUE(LoadProfile(u"Play", settings, info));
    EXPECT_EQ(info.capturedFromPlan, u"Balanced");  // Work's content under its new name
    EXPECT_EQ(host.selected, 0);
}

TEST_F(ProfilesPageTest, DeleteAsksFirst) {
    Saved(u"Gone", 7);
    page.Initialise();
    host.Select(u"Gone");
    page.OnDeleteKey();
    EXPECT_EQ(Last(), Format(LoadText(kDeleteQuestion), std::u16string(u"Gone")));
    EXPECT_TRUE(ProfileExists(u"Gone"));
    host.answers = {mb::kIdYes};
    page.OnCommand(kDelete);
    EXPECT_FALSE(ProfileExists(u"Gone"));
    EXPECT_TRUE(host.rows.empty());
    EXPECT_FALSE(host.controls[kApply].enabled);
}

TEST_F(ProfilesPageTest, ImportAsksBeforeReplacingAndExportWritesTheChosenFile) {
    Saved(u"Shared", 7);
    page.Initialise();
    host.Select(u"Shared");
    testing::TempDir elsewhere;
    const std::u16string target = elsewhere.path16() + u"/copy.json";

    page.OnCommand(kExport);  // the dialog was cancelled
    EXPECT_EQ(host.proposedFile, u"Shared.json");
    EXPECT_FALSE(std::filesystem::exists(Utf16ToUtf8(target)));
    host.savePath = target;
    page.Export();
    EXPECT_TRUE(host.messages.empty());  // success says nothing
    EXPECT_EQ(testing::ReadBytes(Utf16ToUtf8(target)), FileOf(u"Shared"));

    host.openPath = target;
    page.OnCommand(kImport);  // exists: asked, No
    EXPECT_EQ(Last(), Format(LoadText(kReplaceQuestion), std::u16string(u"Shared")));
    host.answers = {mb::kIdYes};
    page.Import();
    EXPECT_EQ(Last(), Format(LoadText(kImported), std::u16string(u"Shared")));
    ASSERT_TRUE(DeleteProfile(u"Shared"));
    page.Import();  // no question when it is new
    EXPECT_EQ(Last(), Format(LoadText(kImported), std::u16string(u"Shared")));
    EXPECT_EQ(host.rows[static_cast<size_t>(host.selected)][0], u"Shared");

    testing::WriteBytes(elsewhere.path() + "/broken.json", "{ not a profile");
    host.openPath = elsewhere.path16() + u"/broken.json";
    page.Import();
    EXPECT_EQ(Last(), LoadText(kFailed));
    EXPECT_EQ(host.messages.back().style, mb::kIconError);
}

TEST_F(ProfilesPageTest, ShownAgainKeepsTheSelectedProfile) {
    Saved(u"A", 7);
    Saved(u"B", 8);
    page.Initialise();
    host.Select(u"A");
    Saved(u"C", 9);  // saved by the console meanwhile
    page.Shown();
    EXPECT_EQ(host.Names(), (std::vector<std::u16string>{u"C", u"B", u"A"}));
    EXPECT_EQ(host.selected, 2);
    EXPECT_TRUE(host.controls[kApply].enabled);
}


}  // namespace
}  // namespace quellora
