#include <gtest/gtest.h>

#include <deque>

#include "boost/boost_runtime.h"
#include "boost/boost_settings.h"
#include "model/drift.h"
#include "model/maker_plan.h"
#include "model/persisted_store.h"
#include "model/plan_settings.h"
#include "platform/registry_helpers.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/power_scheme_access.h"
#include "tests/support/sim_env.h"
#include "platform/instance_events.h"
#include "platform/startup_state.h"
#include "tray/tray_presenter.h"
#include "tray/logon_task.h"

namespace quellora {
namespace {

using testing::ManualClock;
using testing::SimEnv;

struct Posted {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// The tray window as the logic sees it: everything it asks for is recorded;
// posted messages wait until the test delivers them.
class FakeSurface : public TraySurface {
public:
    bool AddIcon(const TrayIconData& icon) override {
        ++adds;
        if (!shellAccepts) return false;
        shown = icon.icon;
        tooltip = icon.tip;
        inArea = true;
        return true;
    }
    bool ModifyIcon(const TrayIconData& icon) override {
        ++modifies;
        if (!inArea) return false;
        shown = icon.icon;
        tooltip = icon.tip;
        return true;
    }
    bool SetIconVersion(uint32_t) override { return true; }
    bool ShowBalloon(const TrayBalloon& balloon) override {
        balloons.push_back(balloon);
        return true;
    }
    uint32_t RegisterTaskbarCreated() override { return 0xC123; }
    void LoadTrayMenu() override {}
    void DestroyTrayMenu() override {}
    void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override { posted.push_back({message, wParam, lParam}); }
    void PostQuit() override { ++quits; }
    void SetTimer(uint32_t id, uint32_t ms) override { timers[id] = ms; }
    void KillTimer(uint32_t id) override { timers.erase(id); }
    uint32_t ShowMenu(const TrayMenu& m) override {
        menu = m;
        ++menus;
        return menuChoice;
    }
    int Message(std::u16string_view text, uint32_t style) override {
        messages.emplace_back(text);
        lastStyle = style;
        return mb::kIdOk;
    }
    void RunInBackground(std::function<void()> work) override { work(); }
    bool MainWindowOpen() override { return mainOpen; }
    bool MainWindowParkedCount(uint32_t& parked) override {
        if (!mainSampler) return false;
        parked = mainParked;
        return true;
    }
    void OpenMainWindow() override { ++mainOpened; }
    void CloseMainWindow() override { ++mainClosed; }
    void RunBoostDialog() override {
        ++dialogs;
        if (dialogEnables) SetBoostEnabled(true);
    }

    bool shellAccepts = true;
    bool inArea = false;
    TrayIcon shown = TrayIcon::Normal;
    std::u16string tooltip;
    int adds = 0, modifies = 0, quits = 0, menus = 0, mainOpened = 0, mainClosed = 0, dialogs = 0;
    std::vector<TrayBalloon> balloons;
    std::deque<Posted> posted;
    std::map<uint32_t, uint32_t> timers;
    TrayMenu menu;
    uint32_t menuChoice = 0;
    std::vector<std::u16string> messages;
    uint32_t lastStyle = 0;
    bool mainOpen = false, mainSampler = false, dialogEnables = false;
    uint32_t mainParked = 0;
};

class TrayTest : public ::testing::Test {
protected:
    TrayTest() {
        env.UseClock(&clock);
        State().showMainWindowAtStart = false;
        ResetDriftMemory();
        SetLatestVersionText(u"");
    }
    ~TrayTest() override {
        StopBoost();
        ResetDriftMemory();
        SetLatestVersionText(u"");
    }

    // Delivers what the logic posted to its window, as the message loop would.
    void Deliver() {
        while (!surface.posted.empty()) {
            const Posted p = surface.posted.front();
            surface.posted.pop_front();
            intptr_t result = 0;
            tray.Handle(p.message, p.wParam, p.lParam, result);
        }
    }
    size_t PostedCount(uint32_t message) {
        size_t n = 0;
        for (const Posted& p : surface.posted) n += p.message == message;
        return n;
    }
    PlanChangeRecord Record(const Guid& from, const Guid& to, std::u16string process = u"switcher.exe") {
        return PlanChangeRecord{to, from, std::move(process)};
    }
    // Every core unparked (or the Balanced default again).
    void ParkingFloor(uint32_t percent) {
        for (const Guid& s : {guids::kCoreParkingMin0, guids::kCoreParkingMin1}) {
            env.machine().WritePlanValue(guids::kBalanced, guids::kSubProcessor, s, true, percent);
        }
        env.machine().ApplyActivePlan();
    }

    SimEnv env;
    ManualClock clock;
    FakeSurface surface;
    TrayPresenter tray{surface, &clock};
};

TEST(TrayText, CutNeverSplitsASurrogatePair) {
    const std::u16string emoji = u"\U0001F600";  // two code units
    struct Case {
        std::u16string text;
        size_t max;
        size_t length;
    } cases[] = {
        {u"abc", 5, 3}, {u"abcdef", 4, 4}, {u"ab" + emoji, 3, 2}, {u"ab" + emoji, 4, 4}, {emoji + emoji, 3, 2},
    };
    for (const Case& c : cases) EXPECT_EQ(FitText(c.text, c.max).size(), c.length) << c.max;
}

TEST_F(TrayTest, TooltipsNameTheParkedCountWithinTheShellsLimit) {
    EXPECT_EQ(ParkedTooltip(21, 24), u"Quellora v6.0.2.18\n21 of 24 logical processors are parked.");
    SetBoostEnabled(true);
    EXPECT_EQ(ParkedTooltip(21, 24),
              u"Quellora v6.0.2.18\n21 of 24 logical processors are parked.\nDynamic Boost is on.");
    // A long translation is cut at 127 code units, not inside a surrogate pair.
    std::u16string longText(125, u'x');
    longText += u"\U0001F600\U0001F600";
    const std::u16string tip = FitText(u"Quellora v6.0.2.18\n" + longText, kTooltipMax);
    EXPECT_LE(tip.size(), kTooltipMax);
    EXPECT_FALSE(tip.back() >= 0xD800 && tip.back() <= 0xDBFF);
}

TEST(TrayMenuItems, TimeoutsCheckTheirItemWithinTheFirstSecond) {
    struct Case {
        int32_t ms;
        uint32_t item;
    } cases[] = {
        {10000, traycmd::kIdle10s},    {10999, traycmd::kIdle10s},    {11000, traycmd::kIdleCustom},
        {30000, traycmd::kIdle30s},    {45000, traycmd::kIdleCustom}, {60000, traycmd::kIdle60s},
        {300000, traycmd::kIdle5min},  {300500, traycmd::kIdle5min},  {299999, traycmd::kIdleCustom},
        {900000, traycmd::kIdle15min}, {1800999, traycmd::kIdle30min}, {0, traycmd::kIdleCustom},
        {-5, traycmd::kIdleCustom},
    };
    for (const Case& c : cases) EXPECT_EQ(TimeoutMenuItem(c.ms), c.item) << c.ms;
}

TEST(PlanChangeThrottleRule, AtMostMaxMinusOneBalloonsPerCalendarMinute) {
    struct Case {
        uint32_t max;
        int reports;
        int admitted;
    } cases[] = {{10, 12, 9}, {1, 5, 0}, {0, 5, 0}, {2, 3, 1}};
    for (const Case& c : cases) {
        PlanChangeThrottle throttle;
        int admitted = 0;
        for (int i = 0; i < c.reports; ++i) admitted += throttle.Admit(CalendarTime{2026, 1, 0, 5, 10, 30, uint16_t(i), 0}, c.max);
        EXPECT_EQ(admitted, c.admitted) << c.max;
        // The next calendar minute starts again, also on another day at the same minute.
        EXPECT_EQ(throttle.Admit(CalendarTime{2026, 1, 0, 5, 10, 31, 0, 0}, c.max), c.max > 1) << c.max;
        throttle.Admit(CalendarTime{2026, 1, 0, 6, 10, 31, 0, 0}, c.max);
        EXPECT_EQ(throttle.Admit(CalendarTime{2026, 1, 0, 6, 10, 31, 1, 0}, c.max), c.max > 2) << c.max;
    }
}

TEST(TrayIconRule, ChangesOnlyWhatIsNotShownAlready) {
    struct Case {
        IconState shown;
        uint32_t parked;
        IconChange change;
    } cases[] = {
        {{true, true, 0}, 0, IconChange::None},
        {{false, true, 0}, 0, IconChange::ShowNormal},       // not in the notification area yet
        {{true, false, 4}, 0, IconChange::ShowNormal},
        {{true, true, 0}, 4, IconChange::ShowParked},
        {{true, false, 4}, 4, IconChange::None},
        {{true, false, 4}, 5, IconChange::ShowParked},       // the tooltip's count changed
        {{false, false, 4}, 4, IconChange::ShowParked},
    };
    for (const Case& c : cases) EXPECT_EQ(DecideIcon(c.shown, c.parked), c.change);
}

TEST_F(TrayTest, CreationSetsTheTimersAndTheUpdateTimersFollowTheInterval) {
    tray.OnCreate();
    EXPECT_EQ(surface.timers, (std::map<uint32_t, uint32_t>{{tray_timer::kTick, 1000},
                                                            {tray_timer::kDrift, 30000},
                                                            {tray_timer::kUpdateCheck, 86400000},
                                                            {tray_timer::kFirstUpdateCheck, 60000}}));
    struct Case {
        uint32_t seconds;
        bool timers;
        uint32_t period;
    } cases[] = {{0, false, 0}, {3600, true, 3600000}, {4294967, true, 0x7FFFFFFF}, {0xFFFFFFFF, true, 0x7FFFFFFF}};
    for (const Case& c : cases) {
        WriteDword(Hive::LocalMachine, kAppKey, u"UpdateCheckIntervalSeconds", c.seconds);
        FakeSurface s;
        TrayPresenter logic(s, &clock);
        logic.OnCreate();
        EXPECT_EQ(s.timers.contains(tray_timer::kUpdateCheck), c.timers) << c.seconds;
        EXPECT_EQ(s.timers.contains(tray_timer::kFirstUpdateCheck), c.timers) << c.seconds;
        if (c.timers) {
            EXPECT_EQ(s.timers[tray_timer::kUpdateCheck], c.period) << c.seconds;
        }
    }
}

TEST_F(TrayTest, TheIconShowsParkedCoresAndComesBackAfterExplorerRestarts) {
    tray.OnCreate();
    tray.OnIconNormal();  // the interactive start puts the icon in place
    EXPECT_TRUE(surface.inArea);
    EXPECT_EQ(surface.shown, TrayIcon::Normal);

    tray.OnTimer(tray_timer::kTick);  // Balanced parks 23 of 24 processors: all but one efficient core
    EXPECT_EQ(surface.shown, TrayIcon::Parked);
    EXPECT_EQ(surface.tooltip, u"Quellora v6.0.2.18\n23 of 24 logical processors are parked.");
    const int modifies = surface.modifies;
    tray.OnTimer(tray_timer::kTick);
    EXPECT_EQ(surface.modifies, modifies);  // nothing changed, nothing sent

    ParkingFloor(100);
    tray.OnTimer(tray_timer::kTick);
    EXPECT_EQ(surface.shown, TrayIcon::Normal);
    ParkingFloor(10);
    tray.OnTimer(tray_timer::kTick);
    EXPECT_EQ(surface.shown, TrayIcon::Parked);

    // Explorer restarts: the icon is added again, and the next tick shows the parked one.
    surface.inArea = false;
    tray.OnTaskbarCreated();
    Deliver();
    EXPECT_TRUE(surface.inArea);
    EXPECT_EQ(surface.shown, TrayIcon::Normal);
    tray.OnTimer(tray_timer::kTick);
    EXPECT_EQ(surface.shown, TrayIcon::Parked);
}

TEST_F(TrayTest, AnIconTheShellRefusedIsTriedAgainAtTheNextTick) {
    tray.OnCreate();
    surface.shellAccepts = false;
    tray.OnTimer(tray_timer::kTick);
    EXPECT_FALSE(tray.icon().added);
    const int adds = surface.adds;
    surface.shellAccepts = true;
    tray.OnTimer(tray_timer::kTick);
    EXPECT_EQ(surface.adds, adds + 1);
    EXPECT_EQ(surface.shown, TrayIcon::Parked);
}

TEST_F(TrayTest, CountersThatFailNeverShowTheParkedIconAndTheMainWindowsCountIsTaken) {
    env.machine().SetCountersDisabled(true);
    tray.OnCreate();
    tray.OnIconNormal();
    tray.OnTimer(tray_timer::kTick);
    EXPECT_EQ(surface.shown, TrayIcon::Normal);
    surface.mainSampler = true;
    surface.mainParked = 3;
    tray.OnTimer(tray_timer::kTick);
    EXPECT_EQ(surface.shown, TrayIcon::Parked);
    EXPECT_EQ(surface.tooltip, u"Quellora v6.0.2.18\n3 of 24 logical processors are parked.");
}

TEST_F(TrayTest, TheShutdownEventEndsTheLoop) {
    tray.OnCreate();
    ASSERT_TRUE(env.kernel().Signal(ShutdownEvent()));
    tray.OnTimer(tray_timer::kTick);
    EXPECT_EQ(surface.quits, 1);
    EXPECT_EQ(surface.adds, 0);
}

TEST_F(TrayTest, PlanChangeBalloonsAreThrottledPerMinute) {
    PowerSchemeAccess power;
    const PlanChangeRecord r = Record(guids::kBalanced, guids::kPowerSaver);
    for (int i = 0; i < 12; ++i) {
        clock.utc.second = uint16_t(i);
        tray.OnPlanChanged(&r);
        Deliver();
    }
    ASSERT_EQ(surface.balloons.size(), 12u);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(surface.balloons[i].title, u"switcher.exe switched the power plan");
        EXPECT_EQ(surface.balloons[i].text, u"From Balanced to Power saver. Click here to see the switches.");
        EXPECT_EQ(surface.balloons[i].timeoutMs, 3000u);
    }
    for (int i = 9; i < 12; ++i) {
        EXPECT_EQ(surface.balloons[i].title, u"Quellora");
        EXPECT_EQ(surface.balloons[i].text,
                  u"Power plans are being switched very often. Quellora shows no more notices about it this minute.");
    }
    clock.utc.minute += 1;
    tray.OnPlanChanged(&r);
    Deliver();
    EXPECT_EQ(surface.balloons.back().title, u"switcher.exe switched the power plan");
}

TEST_F(TrayTest, PlanChangeBalloonRules) {
    PowerSchemeAccess power;
    Guid unnamed;
    ASSERT_TRUE(power.DuplicatePlan(guids::kBalanced, unnamed));
    env.machine().SetPlanNameUnreadable(unnamed, true);

    tray.OnPlanChanged(nullptr);
    const PlanChangeRecord same = Record(guids::kBalanced, guids::kBalanced);
    tray.OnPlanChanged(&same);  // counted, silent
    EXPECT_TRUE(surface.balloons.empty());

    const PlanChangeRecord noProcess = Record(guids::kBalanced, guids::kPowerSaver, u"");
    tray.OnPlanChanged(&noProcess);
    EXPECT_EQ(surface.balloons.back().title, u"Unknown switched the power plan");
    const PlanChangeRecord toUnnamed = Record(guids::kBalanced, unnamed);
    tray.OnPlanChanged(&toUnnamed);
    EXPECT_EQ(surface.balloons.back().text, u"A power plan without a name was involved. Click here to see the switches.");
    EXPECT_TRUE(tray.openMainWindowOnClick());

    // Equal plans counted: with a maximum of 4, the third and later reports are throttled.
    WriteDword(Hive::CurrentUser, kAppKey, u"PowerChangeMaxNotifiesPerMinute", 4);
    const PlanChangeRecord r = Record(guids::kBalanced, guids::kPowerSaver);
    tray.OnPlanChanged(&r);
    EXPECT_EQ(PostedCount(msg::kPlanChangesThrottled), 1u);

    WriteDword(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", 0);
    const size_t balloons = surface.balloons.size();
    clock.utc.minute += 1;
    tray.OnPlanChanged(&r);
    EXPECT_EQ(surface.balloons.size(), balloons);
}

TEST_F(TrayTest, BalloonClicksOpenTheMainWindowOrInstallTheUpdate) {
    tray.OnTrayCallback(msg::kBalloonUserClick);  // nothing shown yet: nothing happens
    EXPECT_TRUE(surface.posted.empty());

    const PlanChangeRecord r = Record(guids::kBalanced, guids::kPowerSaver);
    tray.OnPlanChanged(&r);
    tray.OnTrayCallback(msg::kBalloonUserClick);
    Deliver();
    EXPECT_EQ(surface.mainOpened, 1);
    EXPECT_TRUE(tray.openMainWindowOnClick());  // the flag stays

    // An update balloon: its click installs; a failed install says so.
    tray.OnBalloonUpdate();
    EXPECT_TRUE(tray.updatePending());
    tray.OnTrayCallback(msg::kBalloonUserClick);
    EXPECT_FALSE(tray.updatePending());
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0], u"The update could not be installed. You can download it from www.ostrima.com.");
    EXPECT_EQ(surface.quits, 0);

    sim::UpdateEndpoint e;
    e.installer = sim::InstallerKind::Signed;
    sim::WriteUpdateEndpoint(env.machine(), e);
    tray.OnBalloonUpdate();
    tray.OnTrayCallback(msg::kBalloonUserClick);
    EXPECT_EQ(surface.quits, 1);
    EXPECT_EQ(sim::InstallerStarts(env.machine()), 1u);

    // A plan-change balloon after an update balloon: its click opens the main window.
    tray.OnBalloonUpdate();
    tray.OnPlanChanged(&r);
    EXPECT_FALSE(tray.updatePending());
}

TEST_F(TrayTest, ANewerVersionFromTheCheckGivesTheUpdateBalloon) {
    sim::UpdateEndpoint e;
    e.hasVersion = true;
    e.versionBody = u"6.0.3.0";
    sim::WriteUpdateEndpoint(env.machine(), e);
    tray.OnCreate();
    tray.OnTimer(tray_timer::kFirstUpdateCheck);
    EXPECT_FALSE(surface.timers.contains(tray_timer::kFirstUpdateCheck));
    tray.OnTimer(tray_timer::kTick);
    ASSERT_EQ(PostedCount(msg::kBalloonUpdate), 1u);
    Deliver();
    EXPECT_EQ(surface.balloons.back().title, u"Quellora update available");
    EXPECT_EQ(surface.balloons.back().timeoutMs, 10000u);
    tray.OnTimer(tray_timer::kTick);  // the event is reset: once per check
    EXPECT_EQ(PostedCount(msg::kBalloonUpdate), 0u);

    for (const char16_t* body : {u"6.0.2.18", u"error"}) {
        e.versionBody = body;
        sim::WriteUpdateEndpoint(env.machine(), e);
        SetLatestVersionText(u"");
        tray.OnTimer(tray_timer::kUpdateCheck);
        tray.OnTimer(tray_timer::kTick);
        EXPECT_EQ(PostedCount(msg::kBalloonUpdate), 0u) << Utf16ToUtf8(body);
    }
}

TEST_F(TrayTest, TheMenuListsThePlansAndTheOptionsAsTheyAre) {
    SetIdleTimeoutMs(45000);
    WriteDword(Hive::CurrentUser, kAppKey, u"AlwaysShowEfficiencyClassSelection", 1);
    ASSERT_TRUE(CreateLogonTask(kLogonTaskName, u"C:\\Quellora\\quellora.exe", kLogonTaskArguments, true));
    const TrayMenu menu = tray.BuildMenu();
    std::vector<std::u16string> names;
    for (const TrayMenuPlan& p : menu.plans) {
        names.push_back(p.text);
        EXPECT_EQ(p.checked, p.text == u"Balanced") << Utf16ToUtf8(p.text);
    }
    // The power modes are listed as the Balanced plan's.
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Balanced", u"Balanced: Best Performance",
                                                  u"Balanced: Best Power Efficiency", u"High performance",
                                                  u"Balanced: Legacy High Performance", u"Power saver"}));
    EXPECT_EQ(menu.plans[0].command, traycmd::kPlanBase);
    std::map<uint32_t, bool> checks;
    for (const TrayMenuCheck& c : menu.checks) checks[c.command] = c.checked;
    EXPECT_EQ(checks, (std::map<uint32_t, bool>{{traycmd::kEfficiencyClassSelection, true},
                                                {traycmd::kMakerPlan, false},
                                                {traycmd::kStartAtLogon, true},
                                                {traycmd::kDynamicBoost, false},
                                                {traycmd::kPlanNotifications, true},
                                                {traycmd::kIdle10s, false},
                                                {traycmd::kIdle30s, false},
                                                {traycmd::kIdle60s, false},
                                                {traycmd::kIdle5min, false},
                                                {traycmd::kIdle15min, false},
                                                {traycmd::kIdle30min, false},
                                                {traycmd::kIdleCustom, true}}));
}

TEST_F(TrayTest, ChoosingAPlanActivatesItAndTurnsDynamicBoostOff) {
    PowerSchemeAccess power;
    SetBoostEnabled(true);
    ASSERT_TRUE(StartBoost());
    surface.menuChoice = traycmd::kPlanBase + 5;  // Power saver, after the power modes
    tray.OnTrayCallback(msg::kRightButtonUp);
    EXPECT_EQ(surface.menus, 1);
    EXPECT_EQ(power.QueryActivePlanOrNull(), guids::kPowerSaver);
    EXPECT_FALSE(IsBoostEnabled());
    EXPECT_FALSE(IsBoostRunning());
    EXPECT_TRUE(surface.messages.empty());

    // A command beyond the plans of the menu is not taken.
    tray.OnCommand(traycmd::kPlanBase + 6);
    EXPECT_EQ(power.QueryActivePlanOrNull(), guids::kPowerSaver);
}

TEST_F(TrayTest, TimeoutItemsWriteTheIdleTimeAndOptionsToggle) {
    struct Case {
        uint32_t command;
        uint32_t seconds;
    } cases[] = {{traycmd::kIdle10s, 10},   {traycmd::kIdle30s, 30},    {traycmd::kIdle60s, 60},
                 {traycmd::kIdle5min, 300}, {traycmd::kIdle15min, 900}, {traycmd::kIdle30min, 1800}};
    for (const Case& c : cases) {
        tray.OnCommand(c.command);
        EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"IdleSecs", 0), c.seconds);
    }
    tray.OnCommand(traycmd::kPlanNotifications);
    EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", 9), 0u);
    tray.OnCommand(traycmd::kPlanNotifications);
    EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"ShowPowerPlanNotifications", 9), 1u);
    surface.mainOpen = true;
    tray.OnCommand(traycmd::kEfficiencyClassSelection);
    EXPECT_EQ(ReadDwordOr(Hive::CurrentUser, kAppKey, u"AlwaysShowEfficiencyClassSelection", 9), 1u);
    // The open main window closes, and opens again once it is gone.
    EXPECT_EQ(surface.mainClosed, 1);
    EXPECT_EQ(surface.timers[tray_timer::kReopenMain], 1000u);
    tray.OnTimer(tray_timer::kReopenMain);
    EXPECT_FALSE(surface.timers.contains(tray_timer::kReopenMain));
    EXPECT_EQ(PostedCount(msg::kTrayCallback), 1u);
    surface.posted.clear();
    tray.OnCommand(traycmd::kStartAtLogon);
    EXPECT_EQ(LogonTaskExists(kLogonTaskName), 1);
    tray.OnCommand(traycmd::kStartAtLogon);
    EXPECT_LT(LogonTaskExists(kLogonTaskName), 1);
    tray.OnCommand(traycmd::kExit);
    EXPECT_EQ(surface.quits, 1);
    tray.OnCommand(traycmd::kOpen);
    Deliver();
    EXPECT_EQ(surface.mainOpened, 1);
}

TEST_F(TrayTest, TheDynamicBoostItemOpensTheDialogWhenOffAndTurnsItOffWhenOn) {
    surface.dialogEnables = true;
    State().settingsChangedEvent = env.kernel().OpenOrCreateEvent(u"", false, false);
    auto settingsSignalled = [&] {
        return env.kernel().Wait(State().settingsChangedEvent, 0) == WaitResult::Signalled;
    };
    tray.OnCreate();
    tray.OnIconNormal();
    tray.OnCommand(traycmd::kDynamicBoost);
    EXPECT_EQ(surface.dialogs, 1);
    EXPECT_TRUE(IsBoostEnabled());
    EXPECT_TRUE(IsBoostRunning());
    EXPECT_TRUE(settingsSignalled());
    EXPECT_NE(surface.tooltip.find(u"Dynamic Boost is on."), std::u16string::npos);
    tray.OnCommand(traycmd::kDynamicBoost);
    EXPECT_EQ(surface.dialogs, 1);
    EXPECT_FALSE(IsBoostEnabled());
    EXPECT_FALSE(IsBoostRunning());
    EXPECT_EQ(surface.tooltip.find(u"Dynamic Boost"), std::u16string::npos);
    tray.OnCommand(traycmd::kIdleCustom);
    tray.OnCommand(traycmd::kBoostSettings);
    EXPECT_EQ(surface.dialogs, 3);
    EXPECT_TRUE(settingsSignalled());
}

TEST_F(TrayTest, TheMakerPlanItemCreatesAndActivatesThePlanOrListsItNoMore) {
    for (int n : {1, 2, 3}) env.machine().RemoveOverlay(n);  // a machine without power modes
    PowerSchemeAccess power;
    tray.OnCommand(traycmd::kMakerPlan);
    Guid maker;
    ASSERT_TRUE(FindMakerPlan(power, maker));
    EXPECT_EQ(power.QueryActivePlanOrNull(), maker);
    EXPECT_EQ(ReadDwordOr(Hive::LocalMachine, kAppKey, u"AlwaysShowOstrimaHighestPerformance", 0), 1u);
    EXPECT_EQ(PostedCount(msg::kTrayCallback), 1u);  // no main window open: it opens

    tray.OnCommand(traycmd::kMakerPlan);
    EXPECT_EQ(ReadDwordOr(Hive::LocalMachine, kAppKey, u"AlwaysShowOstrimaHighestPerformance", 9), 0u);
    EXPECT_EQ(power.QueryActivePlanOrNull(), maker);  // no power modes here: the plan stays active
    EXPECT_EQ(PostedCount(msg::kTrayCallback), 2u);
}

TEST_F(TrayTest, WithPowerModesTheMakerPlanIsMadeDirectlyAndTheBestModeTakesOverAfter) {
    PowerSchemeAccess setup;
    for (int n : {1, 2, 3}) env.machine().AddOverlay(n);
    for (const Guid& plan : {guids::kHighPerformance, guids::kPowerSaver}) {
        env.machine().registry().DeleteTree(Hive::LocalMachine, sim::SchemeKey(plan));
    }
    PowerSchemeAccess power;
    ASSERT_TRUE(power.OverlaysInUse(true));
    TrayPresenter logic(surface, &clock);
    logic.OnCommand(traycmd::kMakerPlan);
    EXPECT_TRUE(surface.messages.empty());
    Guid maker;
    ASSERT_TRUE(FindMakerPlan(power, maker));
    EXPECT_EQ(power.QueryActivePlanOrNull(), maker);
    logic.OnCommand(traycmd::kMakerPlan);
    EXPECT_EQ(power.QueryActivePlanOrNull(), guids::kOverlay2);
}

TEST_F(TrayTest, DriftIsAnnouncedOnceAndNotWhileTheMainWindowIsOpen) {
    PowerSchemeAccess power;
    PlanSettings s;
    s.plan = guids::kBalanced;
    ASSERT_TRUE(ReadFromPlan(power, s, {0, 1}, IsHeterogeneousProcessor(), {}));
    ASSERT_TRUE(SaveStoredSide(power, guids::kBalanced, true, s.ac));
    ASSERT_TRUE(SaveStoredSide(power, guids::kBalanced, false, s.dc));
    WriteDword(Hive::CurrentUser, kAppKey, u"DriftProtection", 1);
    env.machine().WritePlanValue(guids::kBalanced, guids::kSubProcessor, guids::kCoreParkingMin0, true, 77);

    surface.mainOpen = true;
    tray.OnTimer(tray_timer::kDrift);
    EXPECT_TRUE(surface.balloons.empty());
    surface.mainOpen = false;
    tray.OnTimer(tray_timer::kDrift);
    ASSERT_EQ(surface.balloons.size(), 1u);
    EXPECT_EQ(surface.balloons[0].title, u"Quellora");
    EXPECT_EQ(surface.balloons[0].text, u"Another program changed the processor settings of power plan \"Balanced\".");
    EXPECT_EQ(surface.balloons[0].timeoutMs, 10000u);
    EXPECT_TRUE(tray.openMainWindowOnClick());
    clock.tick += 30000;
    tray.OnTimer(tray_timer::kDrift);
    EXPECT_EQ(surface.balloons.size(), 1u);
}

}  // namespace
}  // namespace quellora
