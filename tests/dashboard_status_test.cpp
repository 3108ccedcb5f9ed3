#include "ui/dashboard_status.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "boost/boost_settings.h"
#include "model/maker_plan.h"
#include "platform/language.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "power/main_topology.h"
#include "power/maker_plan_scan.h"
#include "power/power_scheme_access.h"
#include "tests/support/fake_measure.h"
#include "tests/support/sim_env.h"
#include "ui/message_box_presenter.h"

namespace quellora {
namespace {

using testing::SimEnv;

class FakeSurface : public DashboardStatusSurface {
public:
    bool HasControl(int id) override { return !absent.count(id); }
    void SetText(int id, std::u16string_view text) override {
        texts[id] = std::u16string(text);
        ++sets[id];
    }
    std::u16string Text(int id) override { return texts[id]; }
    void Show(int id, bool show) override { shown[id] = show; }
    void SetCheck(int id, bool checked) override { checks[id] = checked; }
    TextExtent ClientSize(int id) override {
        auto it = sizes.find(id);
        return it != sizes.end() ? it->second : TextExtent{300, 30};
    }
    TextExtent Measure(std::u16string_view text, double scale, int wrapWidth) override {
        return testing::FakeMeasure(text, scale, wrapWidth);
    }
    void SetBoldFont(int id, double scale) override { fonts[id] = scale; }
    void SetPlanNameTip(std::u16string_view whole, bool active) override {
        tip = std::u16string(whole);
        tipActive = active;
    }
    void CreateGraph() override { ++graphsCreated; }
    void SendActivePlanName(std::u16string_view name) override { sentNames.emplace_back(name); }
    int Message(std::u16string_view text, uint32_t style, int rememberOnly) override {
        messages.push_back({std::u16string(text), style, rememberOnly});
        return answer;
    }

    struct Asked {
        std::u16string text;
        uint32_t style;
        int rememberOnly;
    };
    std::map<int, std::u16string> texts;
    std::map<int, int> sets;
    std::map<int, bool> shown;
    std::map<int, bool> checks;
    std::map<int, double> fonts;
    std::map<int, TextExtent> sizes;
    std::set<int> absent;
    std::u16string tip;
    bool tipActive = false;
    int graphsCreated = 0;
    std::vector<std::u16string> sentNames;
    std::vector<Asked> messages;
    int answer = mb::kIdNo;
};

class FakeHost : public DashboardHost {
public:
    bool UpdateCheckFinished() override { return std::exchange(updateFinished, false); }
    std::u16string LatestVersion() override { return latest; }
    FrequencyReading ReadClock() override { return clock; }
    bool SettingsChangedSignalled() override { return std::exchange(settingsChanged, false); }
    bool StartedWithRestart() override { return restart; }
    void RebuildCountersAndRestart() override { ++rebuilds; }
    bool InstallUpdate() override { return installs; }
    void Quit(int code) override { quit = code; }
    void ShowBoostPage() override { ++boostPages; }
    void ReloadPlanList() override { ++planLists; }
    void ReloadProfilesPage() override { ++profilePages; }
    void SetMakerPlanListedBox(bool checked) override { listedBox = checked ? 1 : 0; }

    bool updateFinished = false;
    std::u16string latest;
    FrequencyReading clock;
    bool settingsChanged = false;
    bool restart = false;
    int rebuilds = 0;
    bool installs = false;
    int quit = -1;
    int boostPages = 0;
    int planLists = 0;
    int profilePages = 0;
    int listedBox = -1;
};

class ValueSampler : public GraphSampler {
public:
    explicit ValueSampler(size_t n) : utilities(n, 0), parkings(n, 0) {}
    void RequestSample() override { ++requests; }
    bool hasSample() const override { return sampled; }
    int32_t utility(size_t, size_t index) const override { return utilities[index]; }
    int32_t parking(size_t, size_t index) const override { return parkings[index]; }
    std::vector<int32_t> utilities, parkings;
    bool sampled = true;
    int requests = 0;
};

class DashboardStatusTest : public ::testing::Test {
protected:
    explicit DashboardStatusTest(std::u16string_view layout = u"hybrid-laptop") : env(layout) {
        ForgetCountersQuestion();
        graph.SetNodes(GraphNodesOf(MainTopology()));
        graph.SetSamplerFactory([this] {
            auto s = std::make_unique<ValueSampler>(MainTopology().logicalCount());
            sampler = s.get();
            return s;
        });
    }
    void TearDown() override { ForgetCountersQuestion(); }

    // A fresh status area (its own power access, as a newly opened window has).
    DashboardStatus& Open() {
        power = std::make_unique<PowerSchemeAccess>();
        status = std::make_unique<DashboardStatus>(surface, host, *power, graph);
        status->Init();
        return *status;
    }

    SimEnv env;
    CoreGraph graph;
    ValueSampler* sampler = nullptr;
    FakeSurface surface;
    FakeHost host;
    std::unique_ptr<PowerSchemeAccess> power;
    std::unique_ptr<DashboardStatus> status;
};

TEST_F(DashboardStatusTest, InitShowsTheProcessorItsCompositionTheVersionAndStartsTheGraph) {
    Open();
    EXPECT_EQ(surface.texts[dashboard::kProcessorName], u"13th Gen Intel(R) Core(TM) i7-13700HX");
    EXPECT_EQ(surface.texts[dashboard::kComposition], Format(LoadText(9368), 16u, 8u));
    EXPECT_TRUE(surface.shown[dashboard::kComposition]);
    EXPECT_EQ(surface.texts[dashboard::kVersionLink], Format(LoadText(1029), kProgramVersion, kProgramVersion));
    EXPECT_FALSE(surface.shown[dashboard::kUpdateLink]);
    EXPECT_EQ(surface.graphsCreated, 1);
    EXPECT_TRUE(graph.Monitoring());
    EXPECT_EQ(surface.texts[dashboard::kMakerPlanLink], LoadText(1045));  // no maker plan yet
    EXPECT_EQ(surface.texts[dashboard::kPlanName], u"Balanced");
    EXPECT_FALSE(surface.tipActive);
}

TEST_F(DashboardStatusTest, FontsAreAsLargeAsTheirWidestTextsAllow) {
    // The frequency line's sample text "9.99 GHz"-like and the unparked line:
    // at 2.0 a character is 14 pixels wide and 32 high.
    surface.sizes[dashboard::kFrequency] = {400, 40};
    surface.sizes[dashboard::kUnparked] = {400, 40};
    surface.sizes[dashboard::kMakerPlanLink] = {1000, 30};
    surface.sizes[dashboard::kParkingSummary] = {1000, 30};
    Open();
    const double large = surface.fonts[dashboard::kFrequency];
    EXPECT_EQ(surface.fonts[dashboard::kUnparked], large);
    const std::u16string widest = Format(LoadText(1407), 24u, 24u);
    EXPECT_LE(testing::FakeMeasure(widest, large, 0).width, 400);
    if (large < 2.0) {
        EXPECT_GT(testing::FakeMeasure(widest, large + 0.05, 0).width, 400);
    }
    EXPECT_DOUBLE_EQ(surface.fonts[dashboard::kMakerPlanLink], 1.0);  // plenty of room
    EXPECT_DOUBLE_EQ(surface.fonts[dashboard::kParkingSummary], 1.0);

    surface.sizes[dashboard::kMakerPlanLink] = {20, 30};  // no room at all
    Open();
    EXPECT_DOUBLE_EQ(surface.fonts[dashboard::kMakerPlanLink], 0.6);
    EXPECT_DOUBLE_EQ(surface.fonts[dashboard::kParkingSummary], 0.6);
}

TEST(DashboardStatusAlone, AProcessorWithoutANameAndWithOneClass) {
    SimEnv env(u"desktop");
    env.registry().DeleteValue(Hive::LocalMachine, u"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                               u"ProcessorNameString");
    ResetMainTopology();
    CoreGraph graph;
    FakeSurface surface;
    FakeHost host;
    PowerSchemeAccess power;
    DashboardStatus status(surface, host, power, graph);
    status.Init();
    EXPECT_EQ(surface.texts[dashboard::kProcessorName], LoadText(419));
    EXPECT_FALSE(surface.shown[dashboard::kComposition]);
}

TEST_F(DashboardStatusTest, PlanNameAndPowerLineChangeOnlyWhenTheyChange) {
    Open();
    status->RefreshPlanAndPower();
    EXPECT_EQ(surface.sentNames, std::vector<std::u16string>{u"Balanced"});
    EXPECT_EQ(surface.texts[dashboard::kPowerSource], u"AC");
    status->RefreshPlanAndPower();
    EXPECT_EQ(surface.sentNames.size(), 1u);
    EXPECT_EQ(surface.sets[dashboard::kPowerSource], 1);

    // Another program renames the active plan: the new name is sent at the next tick.
    std::u16string cached;
    ASSERT_TRUE(power->ActivePlanName(cached));  // the access's own cache of the name is warm
    PowerSchemeAccess other;
    ASSERT_TRUE(other.WritePlanName(guids::kBalanced, u"Balanced (office)"));
    status->RefreshPlanAndPower();
    EXPECT_EQ(surface.sentNames.back(), u"Balanced (office)");

    env.machine().SetOnAcPower(false);
    status->RefreshPlanAndPower();
    EXPECT_EQ(surface.texts[dashboard::kPowerSource], u"DC");
    env.machine().SetBatterySaver(true);
    status->RefreshPlanAndPower();
    EXPECT_EQ(surface.texts[dashboard::kPowerSource], u"DC, " + LoadText(1337));
    EXPECT_EQ(surface.sets[dashboard::kPowerSource], 3);

    // A reset (the window's pages rebuilt) shows everything again.
    status->ResetCache();
    status->RefreshPlanAndPower();
    EXPECT_EQ(surface.sets[dashboard::kPowerSource], 4);
    EXPECT_EQ(surface.sentNames.size(), 3u);
}

TEST_F(DashboardStatusTest, ActivePlanNameMessageShowsTheNameAndReloadsThePlanList) {
    Open();
    status->OnActivePlanName(u"High performance");
    EXPECT_EQ(surface.texts[dashboard::kPlanName], u"High performance");
    EXPECT_EQ(host.planLists, 1);
}

TEST_F(DashboardStatusTest, ALongPlanNameIsCutAndItsTooltipHoldsTheWholeName) {
    surface.sizes[dashboard::kPlanName] = {150, 30};
    Open();
    const std::u16string name = u"Ostrima Highest Performance \U0001F680 for long evenings of rendering and compiling";
    status->ShowPlanName(name);
    EXPECT_TRUE(status->planName().cut);
    EXPECT_TRUE(surface.tipActive);
    EXPECT_EQ(surface.tip, name);
    EXPECT_DOUBLE_EQ(surface.fonts[dashboard::kPlanName], 0.8);
    EXPECT_EQ(surface.texts[dashboard::kPlanName].back(), u'\u2026');
    status->ShowPlanName(u"Balanced");
    EXPECT_FALSE(surface.tipActive);
    EXPECT_FALSE(status->planName().cut);
}

TEST_F(DashboardStatusTest, MakerPlanLinkTextFollowsThePlanEveryFiveSeconds) {
    Open();
    surface.sets.clear();
    status->RefreshMakerPlanLink();
    EXPECT_EQ(surface.sets[dashboard::kMakerPlanLink], 0);  // Init showed it already
    Guid plan;
    ASSERT_TRUE(CreateMakerPlan(*power, plan));
    status->RefreshMakerPlanLink();
    EXPECT_EQ(surface.texts[dashboard::kMakerPlanLink], LoadText(1044));
    status->RefreshMakerPlanLink();
    EXPECT_EQ(surface.sets[dashboard::kMakerPlanLink], 1);
    status->ResetCache();
    status->RefreshMakerPlanLink();
    EXPECT_EQ(surface.sets[dashboard::kMakerPlanLink], 2);
}

TEST_F(DashboardStatusTest, UpdateNoticeAppearsForANewerVersionOnly) {
    Open();
    host.updateFinished = true;
    host.latest = u"6.0.3.0";
    status->RefreshStatus();
    EXPECT_TRUE(surface.shown[dashboard::kUpdateLink]);
    EXPECT_EQ(surface.texts[dashboard::kVersionLink], Format(LoadText(1029), kProgramVersion, u"6.0.3.0"));

    host.updateFinished = true;
    host.latest = kProgramVersion;
    status->RefreshStatus();
    EXPECT_FALSE(surface.shown[dashboard::kUpdateLink]);
    EXPECT_EQ(surface.texts[dashboard::kVersionLink], Format(LoadText(1029), kProgramVersion, kProgramVersion));

    // Nothing happens until the check's event is signalled.
    host.latest = u"9.0.0.0";
    status->RefreshStatus();
    EXPECT_FALSE(surface.shown[dashboard::kUpdateLink]);
}

TEST_F(DashboardStatusTest, NoUpdateNoticeWithoutTheTray) {
    State().noTray = true;
    Open();
    host.updateFinished = true;
    host.latest = u"7.0.0.0";
    status->RefreshStatus();
    State().noTray = false;
    EXPECT_FALSE(surface.shown[dashboard::kUpdateLink]);
}

TEST(DashboardVersions, NewerIsComparedNumberByNumber) {
    struct Case {
        const char16_t* latest;
        const char16_t* running;
        bool newer;
    } cases[] = {
        {u"6.0.3.0", u"6.0.2.18", true},   {u"6.0.2.18", u"6.0.2.18", false}, {u"6.0.2.17", u"6.0.2.18", false},
        {u"6.1", u"6.0.2.18", true},       {u"7", u"6.9.9.9", true},          {u"6.0.2.300", u"6.0.2.18", true},
        {u"", u"6.0.2.18", false},         {u"error", u"6.0.2.18", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsNewerVersionText(c.latest, c.running), c.newer) << Utf16ToUtf8(c.latest);
    EXPECT_FALSE(IsNewerVersionText(u"7.0.0.0" + std::u16string(121, u'0'), u"6.0.2.18"));  // 128 characters
}

TEST_F(DashboardStatusTest, FrequencyLinesChangeWithTheReadingAndFallBackToThePowerInformation) {
    Open();
    host.clock = FrequencyReading{true, 2345.0, 3100.0, 1500.0};
    status->RefreshStatus();
    EXPECT_EQ(surface.texts[dashboard::kFrequency], Format(LoadText(1409), 2.345));
    EXPECT_EQ(surface.texts[dashboard::kNominalFrequency], Format(LoadText(9549), ProcessorTopology::NominalMhz() / 1000.0));
    EXPECT_EQ(surface.texts[dashboard::kComposition], Format(LoadText(9550), 16u, 3.1, 8u, 1.5));
    status->RefreshStatus();
    EXPECT_EQ(surface.sets[dashboard::kFrequency], 1);  // the same clock: not set again

    // No valid reading: the power information's average current clock, and the composition stays.
    host.clock = FrequencyReading{};
    status->RefreshStatus();
    EXPECT_EQ(surface.sets[dashboard::kFrequency], 2);
    EXPECT_EQ(surface.sets[dashboard::kComposition], 2);
    EXPECT_NE(surface.texts[dashboard::kFrequency], Format(LoadText(1409), 2.345));
}

TEST_F(DashboardStatusTest, UnparkedLineFollowsTheGraph) {
    Open();
    ASSERT_NE(sampler, nullptr);
    status->RefreshStatus();
    EXPECT_EQ(surface.texts[dashboard::kUnparked], Format(LoadText(1407), 24, 24));
    sampler->parkings[3] = sampler->parkings[5] = 1;
    status->RefreshStatus();
    EXPECT_EQ(surface.texts[dashboard::kUnparked], Format(LoadText(1407), 22, 24));
    status->RefreshStatus();
    EXPECT_EQ(surface.sets[dashboard::kUnparked], 2);
    // Counters that cannot be read leave the line as it was.
    std::fill(sampler->parkings.begin(), sampler->parkings.end(), -1);
    status->RefreshStatus();
    EXPECT_EQ(surface.texts[dashboard::kUnparked], Format(LoadText(1407), 22, 24));
    EXPECT_GE(sampler->requests, 4);
}

TEST_F(DashboardStatusTest, BrokenCountersAreQuestionedOnceAndOnlyNoIsRemembered) {
    Open();
    std::fill(sampler->parkings.begin(), sampler->parkings.end(), -1);
    sampler->sampled = false;
    status->RefreshStatus();
    EXPECT_TRUE(surface.messages.empty());  // no sample yet
    sampler->sampled = true;
    surface.answer = mb::kIdNo | xmb::kDoNotAskAgain;
    status->RefreshStatus();
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, LoadText(673));
    EXPECT_EQ(surface.messages[0].style, mb::kYesNo | mb::kIconExclamation | xmb::kDoNotAskAgain);
    EXPECT_EQ(surface.messages[0].rememberOnly, mb::kIdNo);
    EXPECT_EQ(host.rebuilds, 0);
    status->RefreshStatus();
    EXPECT_EQ(surface.messages.size(), 1u);  // once per process

    // Another window of the same process does not ask again either.
    FakeSurface second;
    PowerSchemeAccess power2;
    DashboardStatus again(second, host, power2, graph);
    again.Init();
    again.RefreshStatus();
    EXPECT_TRUE(second.messages.empty());
}

TEST_F(DashboardStatusTest, YesRebuildsTheCountersButNotAfterARestart) {
    Open();
    std::fill(sampler->parkings.begin(), sampler->parkings.end(), -1);
    surface.answer = mb::kIdYes;
    status->RefreshStatus();
    EXPECT_EQ(host.rebuilds, 1);

    ForgetCountersQuestion();
    host.restart = true;
    Open();
    std::fill(sampler->parkings.begin(), sampler->parkings.end(), -1);
    surface.messages.clear();
    status->RefreshStatus();
    EXPECT_TRUE(surface.messages.empty());
    EXPECT_EQ(host.rebuilds, 1);
}

TEST_F(DashboardStatusTest, WorkingCountersAskNothing) {
    Open();
    status->RefreshStatus();
    status->RefreshStatus();
    EXPECT_TRUE(surface.messages.empty());
}

TEST_F(DashboardStatusTest, SettingsChangedSetsTheBoostCheckBox) {
    Open();
    status->RefreshStatus();
    EXPECT_FALSE(surface.checks.count(dashboard::kBoostCheck));
    SetBoostEnabled(true);
    host.settingsChanged = true;
    status->RefreshStatus();
    EXPECT_TRUE(surface.checks[dashboard::kBoostCheck]);
    SetBoostEnabled(false);
}

TEST_F(DashboardStatusTest, BoostLinkShowsTheStatusWhileBoostIsOn) {
    Open();
    status->UpdateBoostLink();
    EXPECT_FALSE(surface.shown[dashboard::kBoostLink]);
    SetBoostEnabled(true);
    status->UpdateBoostLink();
    EXPECT_TRUE(surface.shown[dashboard::kBoostLink]);
    EXPECT_TRUE(surface.texts[dashboard::kBoostLink].ends_with(u" " + LoadText(9546)));
    const int sets = surface.sets[dashboard::kBoostLink];
    status->UpdateBoostLink();
    EXPECT_EQ(surface.sets[dashboard::kBoostLink], sets);  // the same text is not set again
    SetBoostEnabled(false);
    status->UpdateBoostLink();
    EXPECT_FALSE(surface.shown[dashboard::kBoostLink]);
}

TEST_F(DashboardStatusTest, LinksOpenThePageInstallTheUpdateAndShowTheBoostPage) {
    Open();
    EXPECT_TRUE(status->OnLink(dashboard::kVersionLink));
    EXPECT_EQ(env.interaction().LastOpened(), dashboard::kProductPage);
    EXPECT_TRUE(status->OnLink(dashboard::kUpdateLink));
    EXPECT_EQ(host.quit, -1);
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, LoadText(1035));
    EXPECT_EQ(surface.messages[0].style, mb::kOk | mb::kIconError);
    host.installs = true;
    status->OnLink(dashboard::kUpdateLink);
    EXPECT_EQ(host.quit, 0);
    status->OnLink(dashboard::kBoostLink);
    EXPECT_EQ(host.boostPages, 1);
    EXPECT_FALSE(status->OnLink(3101));
}

TEST_F(DashboardStatusTest, MakerPlanLinkInstallsAndRemovesThePlan) {
    for (int n : {1, 2, 3}) env.machine().RemoveOverlay(n);  // a machine without power modes
    Open();
    ASSERT_TRUE(status->OnLink(dashboard::kMakerPlanLink));
    EXPECT_TRUE(MakerPlanExists(*power));
    EXPECT_EQ(surface.texts[dashboard::kMakerPlanLink], LoadText(1044));
    EXPECT_EQ(host.planLists, 1);
    EXPECT_EQ(host.profilePages, 1);
    EXPECT_TRUE(surface.shown[dashboard::kMakerPlanLink]);
    EXPECT_EQ(host.listedBox, -1);  // the listing setting was not touched

    status->OnLink(dashboard::kMakerPlanLink);
    EXPECT_FALSE(MakerPlanExists(*power));
    EXPECT_EQ(surface.texts[dashboard::kMakerPlanLink], LoadText(1045));
    EXPECT_EQ(ReadDwordOr(Hive::LocalMachine, kAppKey, u"OHPUninstalled", 0), 1u);

    // The user's own removal does not keep the link from installing it again.
    status->OnLink(dashboard::kMakerPlanLink);
    EXPECT_TRUE(MakerPlanExists(*power));
    EXPECT_EQ(ReadDwordOr(Hive::LocalMachine, kAppKey, u"OHPUninstalled", 0), 0u);
}

class DashboardOverlaysTest : public DashboardStatusTest {
protected:
    void SetUp() override {
        for (int n : {1, 2, 3}) env.machine().AddOverlay(n);
        env.machine().WriteActiveOverlay(true, guids::kOverlay2);
    }
};

TEST_F(DashboardOverlaysTest, WhereWindowsUsesPowerModesTheLinkListsThePlanItself) {
    Open();
    status->AfterPlanListReload();
    EXPECT_FALSE(surface.shown[dashboard::kMakerPlanLink]);  // power modes and the plan not listed

    status->OnLink(dashboard::kMakerPlanLink);
    Guid plan;
    ASSERT_TRUE(FindMakerPlan(*power, plan));
    EXPECT_TRUE(UserListsMakerPlan());
    EXPECT_EQ(power->QueryActivePlanOrNull(), plan);
    EXPECT_EQ(host.listedBox, 1);
    EXPECT_TRUE(surface.shown[dashboard::kMakerPlanLink]);
    EXPECT_EQ(surface.texts[dashboard::kMakerPlanLink], LoadText(1044));

    // Removing it turns the listing off and goes back to the power mode.
    status->OnLink(dashboard::kMakerPlanLink);
    EXPECT_FALSE(MakerPlanExists(*power));
    EXPECT_FALSE(UserListsMakerPlan());
    EXPECT_EQ(host.listedBox, 0);
    EXPECT_EQ(power->QueryActivePlanOrNull(), guids::kOverlay2);
    EXPECT_FALSE(surface.shown[dashboard::kMakerPlanLink]);
}

TEST_F(DashboardStatusTest, AFailedInstallIsReported) {
    // Windows refuses to copy plans: the plan cannot be made.
    env.machine().SetWriteRefusal(guids::kCoreParkingMin0, true, 5);
    Open();
    status->OnLink(dashboard::kMakerPlanLink);
    ASSERT_FALSE(surface.messages.empty());
    EXPECT_EQ(surface.messages.back().text, LoadText(1382));
    EXPECT_EQ(surface.messages.back().style, mb::kOk | mb::kIconError);
}

TEST(DashboardLayout, TheGraphFillsThePageWithinItsCap) {
    const GraphRect place{12, 200, 100, 20};
    EXPECT_EQ(DashboardGraphPlace(place, 700, 500, 96, 156), (GraphRect{12, 200, 680, 156}));
    EXPECT_EQ(DashboardGraphPlace(place, 700, 300, 96, 156), (GraphRect{12, 200, 680, 92}));
    EXPECT_EQ(DashboardGraphPlace(place, 40, 210, 96, 156), (GraphRect{12, 200, 50, 40}));  // the minimum
    EXPECT_EQ(DashboardGraphPlace(place, 700, 800, 144, 156), (GraphRect{12, 200, 676, 234}));
}

}  // namespace
}  // namespace quellora
