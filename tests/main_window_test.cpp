#include <gtest/gtest.h>

#include <set>

#include "boost/boost_settings.h"
#include "platform/interaction.h"
#include "platform/language.h"
#include "platform/registry_helpers.h"
#include "tests/support/sim_env.h"
#include "ui/main_window_layout.h"
#include "ui/main_window_presenter.h"

namespace quellora {
namespace {

using namespace main_window;

// ---- Layout and placement at the window's dpi

TEST(MainWindowLayout, ScalesEveryDistanceByTheWindowsDpi) {
    struct Case {
        int dpi;
        Size page;  // the largest page, measured at that dpi
        Size client;
        Rect navigation;
        int column;
        Rect pageArea;
    };
    const Case cases[] = {
        {96, {600, 400}, {600 + 150 + 24, 400 + 16}, {8, 8, 158, 408}, 144, {166, 8, 766, 408}},
        {144, {900, 600}, {900 + 225 + 36, 600 + 24}, {12, 12, 237, 612}, 216, {249, 12, 1149, 612}},
        {192, {1200, 800}, {1200 + 300 + 48, 800 + 32}, {16, 16, 316, 816}, 288, {332, 16, 1532, 816}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MainClientSize(c.page, c.dpi), c.client) << c.dpi;
        const MainWindowLayout l = LayOutMainWindow(c.client, c.page, c.dpi);
        EXPECT_EQ(l.navigation, c.navigation) << c.dpi;
        EXPECT_EQ(l.navigationColumn, c.column) << c.dpi;
        EXPECT_EQ(l.page, c.pageArea) << c.dpi;
    }
    // A client area smaller than the pages still gives every page its full size.
    const MainWindowLayout squeezed = LayOutMainWindow(Size{300, 200}, Size{600, 400}, 96);
    EXPECT_EQ(squeezed.page.width(), 600);
    EXPECT_EQ(squeezed.page.height(), 400);
    EXPECT_EQ(ScaleForDpi(150, 120), 188);  // MulDiv rounds half up
    EXPECT_EQ(ScaleForDpi(8, 144), 12);
}

TEST(MainWindowLayout, PlacesTheWindowInsideTheWorkArea) {
    const Rect work{0, 0, 1280, 770};
    struct Case {
        const char* what;
        Size size;
        std::optional<Point> corner;
        Rect work;
        Rect placed;
    };
    const Case cases[] = {
        {"centred", {800, 500}, std::nullopt, work, {240, 135, 1040, 635}},
        {"centred on a second monitor", {800, 500}, std::nullopt, {1280, 0, 3200, 1040}, {1840, 270, 2640, 770}},
        {"larger than the work area: left and top win", {1400, 900}, std::nullopt, work, {0, 0, 1400, 900}},
        {"at the remembered corner", {800, 500}, Point{100, 50}, work, {100, 50, 900, 550}},
        {"pulled back from the right and bottom", {800, 500}, Point{1000, 600}, work, {480, 270, 1280, 770}},
        {"pulled back from the left and top", {800, 500}, Point{-300, -20}, work, {0, 0, 800, 500}},
    };
    for (const Case& c : cases) EXPECT_EQ(PlaceWindow(c.size, c.corner, c.work), c.placed) << c.what;
}

TEST(MainWindowLayout, OnlyAWholePlacementRecordIsUsed) {
    const std::vector<uint8_t> good = MakePlacement(Rect{10, 20, 810, 520}, 1, 0);
    ASSERT_EQ(good.size(), 44u);
    EXPECT_EQ(ParsePlacement(good), (Rect{10, 20, 810, 520}));
    std::vector<uint8_t> wrongLength = good;
    wrongLength[0] = 40;
    EXPECT_FALSE(ParsePlacement(wrongLength));
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_FALSE(ParsePlacement(longer));
    EXPECT_FALSE(ParsePlacement({}));
}

// ---- The presenter

class FakeWindow : public MainWindowSurface {
public:
    bool CreatePage(int index, Size& size) override {
        if (failing.count(index)) return false;
        created.push_back(index);
        size = Size{500 + index, 380 + 2 * index};
        return true;
    }
    void DestroyPages() override {
        created.clear();
        ++destroyed;
    }
    void ShowPage(int index, bool visible) override {
        if (visible) {
            shown.insert(index);
        } else {
            shown.erase(index);
        }
    }
    void RefreshPage(int index) override { refreshed.push_back(index); }
    void SendPageCommand(int index, int command) override { pageCommands.emplace_back(index, command); }
    void SetPageCheck(int index, int control, bool checked) override {
        pageChecks[{index, control}] = checked;
    }
    void SendPendingEditsChanged(int index) override { pendingSentTo.push_back(index); }
    void ResetDashboardStatus() override { ++statusResets; }
    void DashboardCreated() override { ++dashboardCreated; }
    void DashboardTimer(uint32_t timer) override { dashboardTimers.push_back(timer); }
    void UpdateDashboardBoostLink() override { ++boostLinkUpdates; }
    bool PendingEdits() override { return pending; }
    void ClearPendingEdits() override { pending = false; }
    void ApplyDashboard() override { ++applied; }
    void SetNavigationRows(const std::vector<std::u16string>& labels) override {
        rows = labels;
        selectedRow = -1;
    }
    bool NavigationRowSelected(int row) override { return row == selectedRow; }
    void SelectNavigationRow(int row) override { selectedRow = row; }
    int Dpi() override { return dpi; }
    Size ClientSize() override { return client; }
    Size WindowSizeForClient(Size c) override { return Size{c.width + 16, c.height + 59}; }
    Rect WindowRect() override { return window; }
    Rect WorkAreaNear(Point) override { return work; }
    Rect WorkAreaOfWindow() override { return work; }
    bool OnAMonitor(const Rect& r) override { return r.left >= work.left && r.left < work.right; }
    void MoveWindow(const Rect& r) override {
        window = r;
        client = Size{r.width() - 16, r.height() - 59};
    }
    void PlaceChildren(const MainWindowLayout& l) override { layout = l; }
    bool Minimised() override { return false; }
    std::vector<uint8_t> Placement() override { return MakePlacement(window, 1, 0); }
    void ApplyTheme() override { ++themed; }
    void BringToForeground() override {}
    void Publish(bool open) override { published = open; }
    void StartTimer(uint32_t id, uint32_t ms) override { timers[id] = ms; }
    void KillTimer(uint32_t id) override { timers.erase(id); }
    void PostTimer(uint32_t id) override { postedTimers.push_back(id); }
    void PostPendingEditsChanged() override { ++pendingPosts; }
    bool ShutdownSignalled() override { return shutdown; }
    void PostQuit() override { ++quits; }
    int Ask(std::u16string_view text, uint32_t) override {
        questions.emplace_back(text);
        return answer;
    }
    void SendClose() override { ++closes; }
    void EndDialog() override { ended = true; }
    bool ForwardToTray(uint32_t command, intptr_t) override {
        if (!tray) return false;
        forwarded.push_back(command);
        return true;
    }
    void OpenAbout() override { ++about; }
    void ManualUpdateCheck() override { ++manualChecks; }
    void StartUpdateCheck() override { updateCheck = true; }
    void StopUpdateCheck() override { updateCheck = false; }

    std::set<int> failing;
    std::vector<int> created;
    int destroyed = 0;
    std::set<int> shown;
    std::vector<int> refreshed;
    std::vector<std::pair<int, int>> pageCommands;
    std::map<std::pair<int, int>, bool> pageChecks;
    std::vector<int> pendingSentTo;
    int statusResets = 0, dashboardCreated = 0, boostLinkUpdates = 0, applied = 0;
    std::vector<uint32_t> dashboardTimers;
    bool pending = false;
    std::vector<std::u16string> rows;
    int selectedRow = -1;
    int dpi = 96;
    Size client{400, 300};
    Rect window{0, 0, 416, 359};
    Rect work{0, 0, 1280, 770};
    MainWindowLayout layout;
    int themed = 0;
    bool published = false;
    std::map<uint32_t, uint32_t> timers;
    std::vector<uint32_t> postedTimers;
    int pendingPosts = 0;
    bool shutdown = false;
    int quits = 0;
    std::vector<std::u16string> questions;
    int answer = mb::kIdYes;
    int closes = 0;
    bool ended = false;
    bool tray = true;
    std::vector<uint32_t> forwarded;
    int about = 0, manualChecks = 0;
    bool updateCheck = false;
};

class MainWindowTest : public ::testing::Test {
protected:
    std::u16string Stored(std::u16string_view name) {
        std::u16string text;
        ReadString(Hive::CurrentUser, kAppKey, name, text);
        return text;
    }
    void Store(std::u16string_view page, std::u16string_view version) {
        WriteString(Hive::CurrentUser, kAppKey, kPageValue, page);
        WriteString(Hive::CurrentUser, kAppKey, kPageVersionValue, version);
    }
    std::unique_ptr<MainWindowPresenter> Open(bool heterogeneous) {
        auto p = std::make_unique<MainWindowPresenter>(window, heterogeneous, u"6.0.2.18");
        p->Initialise();
        return p;
    }

    testing::SimEnv env;
    FakeWindow window;
};

TEST_F(MainWindowTest, SixRowsOnAHybridProcessorFiveOnAOneClassOne) {
    auto hybrid = Open(true);
    EXPECT_EQ(window.rows, (std::vector<std::u16string>{LoadText(9360), LoadText(9362), LoadText(9373), LoadText(9363),
                                                        LoadText(9364), LoadText(9365)}));
    EXPECT_EQ(hybrid->rows(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(window.dashboardCreated, 1);
    EXPECT_TRUE(window.published);

    FakeWindow oneClassWindow;
    MainWindowPresenter oneClass(oneClassWindow, false, u"6.0.2.18");
    oneClass.Initialise();
    EXPECT_EQ(oneClassWindow.rows.size(), 5u);
    EXPECT_EQ(oneClass.rows(), (std::vector<int>{0, 2, 3, 4, 5}));
    EXPECT_FALSE(oneClass.pageExists(1));
    // The fourth row shows the Dynamic Boost page.
    oneClass.OnNavigationChanged(2, true, false);
    EXPECT_EQ(oneClass.currentPage(), 3);
}

TEST_F(MainWindowTest, OpensOnTheRememberedPageOfTheSameVersionOnly) {
    struct Case {
        const char* what;
        std::u16string page;
        std::u16string version;
        bool heterogeneous;
        int opened;
    };
    const Case cases[] = {
        {"the events page", u"events", u"6.0.2.18", true, 4},
        {"another version", u"events", u"6.0.2.17", true, 0},
        {"hybrid on a hybrid processor", u"hybrid", u"6.0.2.18", true, 1},
        {"hybrid on a one-class processor", u"hybrid", u"6.0.2.18", false, 0},
        {"the old key plan", u"plan", u"6.0.2.18", true, 0},
        {"the old key overview", u"overview", u"6.0.2.18", true, 0},
        {"keys are compared exactly", u"Events", u"6.0.2.18", true, 0},
        {"unknown", u"graph", u"6.0.2.18", true, 0},
    };
    for (const Case& c : cases) {
        Store(c.page, c.version);
        FakeWindow w;
        MainWindowPresenter p(w, c.heterogeneous, u"6.0.2.18");
        p.Initialise();
        EXPECT_EQ(p.currentPage(), c.opened) << c.what;
        EXPECT_EQ(w.shown, std::set<int>{c.opened}) << c.what;
        EXPECT_TRUE(w.NavigationRowSelected(static_cast<int>(
            std::find(p.rows().begin(), p.rows().end(), c.opened) - p.rows().begin())))
            << c.what;
        // What opened is remembered at once.
        EXPECT_EQ(Stored(kPageValue), PageTable()[static_cast<size_t>(c.opened)].key) << c.what;
        EXPECT_EQ(Stored(kPageVersionValue), u"6.0.2.18") << c.what;
    }
}

TEST_F(MainWindowTest, EveryPageChangeIsRememberedAndRefreshesItsPage) {
    auto p = Open(true);
    window.refreshed.clear();
    p->ShowPage(4);
    EXPECT_EQ(Stored(kPageValue), u"events");
    EXPECT_EQ(window.refreshed, std::vector<int>{4});
    p->ShowPage(2);
    p->ShowPage(3);
    EXPECT_EQ(window.refreshed, (std::vector<int>{4, 2, 3}));
    EXPECT_EQ(window.shown, std::set<int>{3});
    p->ShowPage(6);  // no such page
    p->ShowPage(-1);
    EXPECT_EQ(p->currentPage(), 3);
    EXPECT_EQ(Stored(kPageValue), u"dynboost");
    // The window's own selection of a row does not show a page twice.
    window.refreshed.clear();
    p->OnNavigationChanged(4, true, true);  // already selected
    p->OnNavigationChanged(4, false, true);  // deselected
    EXPECT_TRUE(window.refreshed.empty());
    p->OnNavigationChanged(4, true, false);
    EXPECT_EQ(p->currentPage(), 4);
}

TEST_F(MainWindowTest, APageThatCannotBeCreatedIsAbsent) {
    window.failing = {4};
    auto p = Open(true);
    EXPECT_EQ(window.rows.size(), 5u);
    EXPECT_FALSE(p->pageExists(4));
    p->OnCommand(kEventsPage, 0);
    EXPECT_EQ(p->currentPage(), 0);
}

TEST_F(MainWindowTest, TheWindowIsSizedForTheLargestPageAndPlaced) {
    EXPECT_FALSE(MainWindowPresenter(window, true, u"x").FixedWindowSize()) << "nothing measured yet";
    window.dpi = 144;
    auto p = Open(true);
    // Pages measure 500+i by 380+2i: the largest is the settings page.
    EXPECT_EQ(p->largestPage(), (Size{505, 390}));
    const Size client = MainClientSize(Size{505, 390}, 144);
    const std::optional<Size> fixed = p->FixedWindowSize();
    ASSERT_TRUE(fixed);
    EXPECT_EQ(*fixed, (Size{client.width + 16, client.height + 59}));
    EXPECT_EQ(window.window, PlaceWindow(*fixed, std::nullopt, window.work)) << "centred without a stored placement";
    EXPECT_EQ(window.layout.page, LayOutMainWindow(client, Size{505, 390}, 144).page);
    EXPECT_TRUE(MainWindowPresenter::SwallowsSysCommand(0xF000));
    EXPECT_TRUE(MainWindowPresenter::SwallowsSysCommand(0xF032));  // SC_MAXIMIZE from a double click
    EXPECT_FALSE(MainWindowPresenter::SwallowsSysCommand(0xF020));  // minimising is allowed
}

TEST_F(MainWindowTest, TheRememberedCornerIsUsedWhenItIsOnAMonitor) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool atCorner;
    };
    std::vector<uint8_t> shortRecord = MakePlacement(Rect{100, 60, 900, 600}, 1, 0);
    shortRecord.resize(40);
    const Case cases[] = {
        {"on the monitor", MakePlacement(Rect{100, 60, 900, 600}, 1, 0), true},
        {"on a monitor that is gone", MakePlacement(Rect{3000, 60, 3800, 600}, 1, 0), false},
        {"not a placement", shortRecord, false},
    };
    for (const Case& c : cases) {
        WriteBinary(Hive::CurrentUser, kAppKey, kPlacementValue, c.bytes.data(), c.bytes.size());
        FakeWindow w;
        MainWindowPresenter p(w, true, u"6.0.2.18");
        p.Initialise();
        const Size size = *p.FixedWindowSize();
        const Rect expected = c.atCorner ? RectAt(100, 60, size.width, size.height) : PlaceWindow(size, std::nullopt, w.work);
        EXPECT_EQ(w.window, expected) << c.what;
    }
    // Closing stores where the window stands.
    FakeWindow w;
    MainWindowPresenter p(w, true, u"6.0.2.18");
    p.Initialise();
    w.window = Rect{200, 100, 900, 600};
    p.OnClose();
    std::vector<uint8_t> stored;
    ASSERT_TRUE(ReadBinary(Hive::CurrentUser, kAppKey, kPlacementValue, stored));
    EXPECT_EQ(ParsePlacement(stored), (Rect{200, 100, 900, 600}));
    EXPECT_TRUE(w.ended);
    EXPECT_FALSE(w.published);
    EXPECT_TRUE(w.questions.empty()) << "the title bar's close does not ask";
}

TEST_F(MainWindowTest, EscapeWithPendingEditsOffersToApplyThenCloses) {
    struct Case {
        const char* what;
        bool pending;
        int answer;
        bool asked;
        bool applied;
    };
    const Case cases[] = {
        {"pending, Yes", true, mb::kIdYes, true, true},
        {"pending, No", true, mb::kIdNo, true, false},
        {"nothing pending", false, mb::kIdYes, false, false},
    };
    for (const Case& c : cases) {
        FakeWindow w;
        MainWindowPresenter p(w, true, u"6.0.2.18");
        p.Initialise();
        w.pending = c.pending;
        w.answer = c.answer;
        const int posts = w.pendingPosts;
        p.OnCommand(2, 0);  // IDCANCEL
        EXPECT_EQ(w.questions.size(), c.asked ? 1u : 0u) << c.what;
        if (c.asked) {
            EXPECT_EQ(w.questions[0], LoadText(kApplyQuestion)) << c.what;
        }
        EXPECT_EQ(w.applied, c.applied ? 1 : 0) << c.what;
        EXPECT_FALSE(w.pending) << c.what;
        EXPECT_EQ(w.pendingPosts, posts + 1) << c.what;
        EXPECT_EQ(w.closes, 1) << c.what;
    }
    // Without a dashboard there is nothing to apply.
    FakeWindow w;
    w.failing = {0};
    MainWindowPresenter p(w, true, u"6.0.2.18");
    p.Initialise();
    w.pending = true;
    p.OnCommand(1, 0);  // IDOK
    EXPECT_TRUE(w.questions.empty());
    EXPECT_EQ(w.closes, 1);
}

TEST_F(MainWindowTest, MenuCommandsGoToTheTrayOrActHere) {
    auto p = Open(true);
    window.refreshed.clear();
    for (uint32_t command : {kExit, kStartAtLogon, kIdle10s, 34750u, kIdle30min, kIdleCustom, kEfficiencyClassSelection,
                             kMakerPlan}) {
        p->OnCommand(command, 0);
    }
    EXPECT_EQ(window.forwarded, (std::vector<uint32_t>{kExit, kStartAtLogon, kIdle10s, 34750u, kIdle30min, kIdleCustom,
                                                        kEfficiencyClassSelection, kMakerPlan}));
    EXPECT_EQ(window.refreshed, std::vector<int>(8, 3)) << "the Dynamic Boost page re-reads after each";
    window.tray = false;
    window.refreshed.clear();
    p->OnCommand(kExit, 0);
    EXPECT_TRUE(window.refreshed.empty()) << "without a tray window nothing happens";

    p->OnCommand(kBoostOnOff, 0);
    EXPECT_EQ(window.pageCommands, (std::vector<std::pair<int, int>>{{3, kBoostOnOffControl}}));
    p->OnCommand(kBoostPage, 0);
    EXPECT_EQ(p->currentPage(), 3);
    p->OnCommand(kEventsPage, 0);
    EXPECT_EQ(p->currentPage(), 4);
    p->OnCommand(kProfilesPage, 0);
    EXPECT_EQ(p->currentPage(), 2);

    const bool notices = ReadDwordOr(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", 1) != 0;
    p->OnCommand(kPlanNotifications, 0);
    EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", 1) != 0, !notices);
    EXPECT_EQ((window.pageChecks[{5, kNotificationsControl}]), !notices);

    p->OnCommand(kUpdateChecks, 0);
    EXPECT_EQ(ReadDwordOr(Hive::LocalMachine, kAppKey, u"UpdateChecks", 1), 0u);
    p->OnCommand(kBetaUpdates, 0);
    EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"BetaUpdates", 0), 1u);
    EXPECT_EQ(ReadDwordOr(Hive::LocalMachine, kAppKey, u"BetaUpdates", 0), 1u);
    p->OnCommand(kCheckForUpdates, 0);
    p->OnCommand(kAbout, 0);
    EXPECT_EQ(window.manualChecks, 1);
    EXPECT_EQ(window.about, 1);
    p->OnCommand(kClose, 0);
    EXPECT_EQ(window.closes, 1);
    EXPECT_TRUE(window.questions.empty());
}

TEST_F(MainWindowTest, TheMenuShowsTheSettingsAsTheyStand) {
    using Check = MainWindowPresenter::MenuCheck;
    auto checked = [](uint32_t command) {
        for (const Check& c : MainWindowPresenter::MenuChecks()) {
            if (c.command == command) return c.checked;
        }
        ADD_FAILURE() << command;
        return false;
    };
    EXPECT_TRUE(checked(kPlanNotifications)) << "on while missing";
    EXPECT_TRUE(checked(kUpdateChecks)) << "on while missing";
    EXPECT_FALSE(checked(kBetaUpdates));
    EXPECT_TRUE(checked(34750)) << "the default idle time is five minutes";
    WriteDword(Hive::LocalMachine, kAppKey, u"BetaUpdates", 1);
    WriteDword(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", 0);
    WriteDword(Hive::CurrentUser, kAppKey, u"AlwaysShowEfficiencyClassSelection", 1);
    SetIdleTimeoutMs(45000);
    EXPECT_TRUE(checked(kBetaUpdates)) << "either value turns it on";
    EXPECT_FALSE(checked(kPlanNotifications));
    EXPECT_TRUE(checked(kEfficiencyClassSelection));
    EXPECT_TRUE(checked(kIdleCustom)) << "45 s is no preset";
    EXPECT_FALSE(checked(34750));
    SetIdleTimeoutMs(300500);
    EXPECT_TRUE(checked(34750)) << "within the preset's first second";
}

TEST_F(MainWindowTest, TimersFeedTheDashboardUnlessTheProgramIsShuttingDown) {
    auto p = Open(true);
    EXPECT_EQ(window.timers, (std::map<uint32_t, uint32_t>{{kStatusTimer, 1000}, {kPlanNameTimer, 750}, {kMakerLinkTimer, 5000}}));
    EXPECT_EQ(window.postedTimers, (std::vector<uint32_t>{kMakerLinkTimer, kPlanNameTimer, kStatusTimer}));
    EXPECT_TRUE(window.updateCheck);

    p->OnTimer(kStatusTimer);  // on the dashboard
    EXPECT_EQ(window.dashboardTimers, std::vector<uint32_t>{kStatusTimer});
    EXPECT_EQ(window.boostLinkUpdates, 1);
    p->ShowPage(3);
    window.refreshed.clear();
    p->OnTimer(kStatusTimer);
    EXPECT_EQ(window.refreshed, std::vector<int>{3});
    EXPECT_EQ(window.boostLinkUpdates, 1);

    window.shutdown = true;
    window.dashboardTimers.clear();
    p->OnTimer(kPlanNameTimer);
    EXPECT_EQ(window.quits, 1);
    EXPECT_TRUE(window.dashboardTimers.empty());

    p->OnDestroy();
    EXPECT_TRUE(window.timers.empty());
    EXPECT_FALSE(window.updateCheck);
}

TEST_F(MainWindowTest, PendingEditsReachBothEditorPages) {
    auto p = Open(true);
    p->OnPendingEditsChanged();
    EXPECT_EQ(window.pendingSentTo, (std::vector<int>{0, 1}));
    FakeWindow w;
    MainWindowPresenter oneClass(w, false, u"6.0.2.18");
    oneClass.Initialise();
    oneClass.OnPendingEditsChanged();
    EXPECT_EQ(w.pendingSentTo, std::vector<int>{0});
}

TEST_F(MainWindowTest, ARebuildKeepsThePageAndTheCorner) {
    auto p = Open(true);
    p->ShowPage(4);
    window.window = Rect{300, 200, 300 + window.window.width(), 200 + window.window.height()};
    window.dpi = 192;
    p->OnDpiChanged(Rect{300, 200, 1500, 1100});
    EXPECT_EQ(window.destroyed, 1);
    EXPECT_EQ(p->currentPage(), 4);
    EXPECT_EQ(window.shown, std::set<int>{4});
    EXPECT_EQ(window.window.left, 300);
    EXPECT_EQ(window.window.top, 200);
    EXPECT_EQ(window.window.width(), p->FixedWindowSize()->width);
    // A change of the non-client metrics rebuilds too; other settings do not.
    p->OnSettingChange(0, u"Environment");
    EXPECT_EQ(window.destroyed, 1);
    p->OnSettingChange(42, u"");
    EXPECT_EQ(window.destroyed, 2);
}

}  // namespace
}  // namespace quellora
