#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "boost/boost_settings.h"
#include "platform/instance_events.h"
#include "platform/registry_helpers.h"
#include "platform/startup_state.h"
#include "tests/support/sim_env.h"
#include "tray/tray_presenter.h"

namespace quellora {
namespace {

using testing::SimEnv;

// Records what the window procedure is asked to do.
class FakeSurface : public TraySurface {
public:
    bool AddIcon(const TrayIconData& icon) override {
        calls.push_back("add");
        icons.push_back(icon);
        return addSucceeds;
    }
    bool ModifyIcon(const TrayIconData& icon) override {
        calls.push_back("modify");
        icons.push_back(icon);
        return true;
    }
    bool SetIconVersion(uint32_t version) override {
        calls.push_back("version " + std::to_string(version));
        return true;
    }
    bool ShowBalloon(const TrayBalloon& balloon) override {
        calls.push_back("balloon");
        balloons.push_back(balloon);
        return true;
    }
    uint32_t RegisterTaskbarCreated() override {
        calls.push_back("register");
        return taskbarCreated;
    }
    void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        std::lock_guard lock(mutex);
        posted.push_back({message, wParam, lParam});
    }
    void PostQuit() override { calls.push_back("quit"); }
    void SetTimer(uint32_t, uint32_t) override {}
    void KillTimer(uint32_t) override {}
    void LoadTrayMenu() override { calls.push_back("load menu"); }
    void DestroyTrayMenu() override { calls.push_back("destroy menu"); }
    uint32_t ShowMenu(const TrayMenu&) override { return 0; }
    int Message(std::u16string_view, uint32_t) override { return 1; }
    void RunInBackground(std::function<void()>) override {}
    void OpenMainWindow() override { calls.push_back("open main window"); }
    bool MainWindowOpen() override { return false; }
    bool MainWindowParkedCount(uint32_t&) override { return false; }
    void CloseMainWindow() override {}
    void RunBoostDialog() override {}

    struct Posted {
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
        bool operator==(const Posted&) const = default;
    };
    std::vector<Posted> Posts() {
        std::lock_guard lock(mutex);
        return posted;
    }

    bool addSucceeds = true;
    uint32_t taskbarCreated = 0xC123;
    std::vector<std::string> calls;
    std::vector<TrayIconData> icons;
    std::vector<TrayBalloon> balloons;
    std::mutex mutex;
    std::vector<Posted> posted;
};

class Tray : public ::testing::Test {
protected:
    intptr_t Send(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0, bool* handled = nullptr) {
        intptr_t result = -1;
        const bool h = presenter.Handle(message, wParam, lParam, result);
        if (handled) *handled = h;
        return result;
    }
    SimEnv env;
    FakeSurface surface;
    TrayPresenter presenter{surface};
};

TEST_F(Tray, CreationLoadsTheMenuRegistersTaskbarCreatedAndWatchesForTerminate) {
    Send(msg::kCreate);
    EXPECT_EQ(surface.calls, (std::vector<std::string>{"load menu", "register"}));
    EXPECT_EQ(presenter.taskbarCreatedMessage(), 0xC123u);
    EXPECT_TRUE(presenter.watching());
    // The main window opens at once unless "/systray" or "/nosystray" said otherwise.
    EXPECT_EQ(surface.Posts(), (std::vector<FakeSurface::Posted>{{msg::kTrayCallback, 0, msg::kLeftButtonUp}}));

    State().showMainWindowAtStart = false;
    FakeSurface quiet;
    TrayPresenter hidden(quiet);
    intptr_t result = 0;
    hidden.Handle(msg::kCreate, 0, 0, result);
    EXPECT_TRUE(quiet.Posts().empty());
}

TEST_F(Tray, TheNormalIconIsAddedOnceWithVersionThreeAndThenModified) {
    Send(msg::kCreate);
    surface.calls.clear();
    Send(msg::kIconNormal);
    EXPECT_EQ(surface.calls, (std::vector<std::string>{"add", "version 3", "modify"}));
    EXPECT_TRUE(presenter.iconAdded());
    surface.calls.clear();
    Send(msg::kIconNormal);
    EXPECT_EQ(surface.calls, (std::vector<std::string>{"modify"}));
    ASSERT_FALSE(surface.icons.empty());
    EXPECT_EQ(surface.icons.back().icon, TrayIcon::Normal);
    EXPECT_EQ(surface.icons.back().tip, u"Quellora v" + std::u16string(kProgramVersion) + u"\nNo cores are parked.");
}

TEST_F(Tray, AFailedAddIsTriedAgainAndRegistersTaskbarCreatedWhenStillMissing) {
    surface.addSucceeds = false;
    surface.taskbarCreated = 0;  // registering failed at creation
    Send(msg::kCreate);
    surface.calls.clear();
    Send(msg::kIconNormal);
    EXPECT_EQ(surface.calls, (std::vector<std::string>{"add", "modify"}));
    EXPECT_FALSE(presenter.iconAdded());
    surface.addSucceeds = true;
    surface.taskbarCreated = 0xC200;
    surface.calls.clear();
    Send(msg::kIconNormal);
    EXPECT_EQ(surface.calls, (std::vector<std::string>{"add", "version 3", "register", "modify"}));
    EXPECT_EQ(presenter.taskbarCreatedMessage(), 0xC200u);
}

TEST_F(Tray, WhenExplorerRestartsTheIconComesBack) {
    Send(msg::kCreate);
    Send(msg::kIconNormal);
    const size_t postsBefore = surface.Posts().size();
    bool handled = false;
    Send(0xC123, 0, 0, &handled);
    EXPECT_TRUE(handled);
    EXPECT_FALSE(presenter.iconAdded());
    const auto posts = surface.Posts();
    ASSERT_EQ(posts.size(), postsBefore + 1);
    EXPECT_EQ(posts.back(), (FakeSurface::Posted{msg::kIconNormal, 0, 0}));
    surface.calls.clear();
    Send(msg::kIconNormal);
    EXPECT_EQ(surface.calls, (std::vector<std::string>{"add", "version 3", "modify"}));
}

TEST_F(Tray, CloseEndSessionAndDestroyEndTheMessageLoop) {
    Send(msg::kCreate);
    surface.calls.clear();
    Send(msg::kClose);
    Send(msg::kEndSession, 1);
    EXPECT_EQ(Send(msg::kQueryEndSession), 1);  // the session may end
    EXPECT_EQ(surface.calls, (std::vector<std::string>{"quit", "quit"}));
    surface.calls.clear();
    Send(msg::kDestroy);
    EXPECT_EQ(surface.calls, (std::vector<std::string>{"destroy menu", "quit"}));
    EXPECT_FALSE(presenter.watching());
    bool handled = true;
    Send(0x000F, 0, 0, &handled);  // WM_PAINT and the like go to the default procedure
    EXPECT_FALSE(handled);
}

TEST_F(Tray, TheShutdownEventClosesTheWindow) {
    State().showMainWindowAtStart = false;
    Send(msg::kCreate);
    ASSERT_TRUE(env.kernel().Signal(ShutdownEvent()));
    std::vector<FakeSurface::Posted> posts;
    for (int i = 0; i < 500 && posts.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        posts = surface.Posts();
    }
    EXPECT_EQ(posts, (std::vector<FakeSurface::Posted>{{msg::kClose, 0, 0}}));
    Send(msg::kDestroy);
    EXPECT_FALSE(presenter.watching());
}

TEST_F(Tray, ALeftClickOpensTheMainWindow) {
    Send(msg::kTrayCallback, 0, msg::kLeftButtonUp);
    EXPECT_EQ(surface.calls, (std::vector<std::string>{"open main window"}));
}

TEST_F(Tray, TheUpdateFinishedBalloonNamesTheVersion) {
    Send(msg::kBalloonUpdated);
    ASSERT_EQ(surface.balloons.size(), 1u);
    EXPECT_EQ(surface.balloons[0].title, u"Quellora was updated");
    EXPECT_EQ(surface.balloons[0].text, u"Quellora has been updated to version " + std::u16string(kProgramVersion) + u".");
    EXPECT_EQ(surface.balloons[0].timeoutMs, 10000u);
}

TEST_F(Tray, TheTooltipSaysWhenDynamicBoostIsOn) {
    SetBoostEnabled(true);
    EXPECT_EQ(NormalTooltip(),
              u"Quellora v" + std::u16string(kProgramVersion) + u"\nNo cores are parked.\nDynamic Boost is on.");
}

TEST(TrayTexts, FitWithoutSplittingASurrogatePair) {
    EXPECT_EQ(FitText(u"abc", 5), u"abc");
    EXPECT_EQ(FitText(u"abcdef", 3), u"abc");
    const std::u16string emoji = u"ab\U0001F600";  // a, b, high and low surrogate
    EXPECT_EQ(FitText(emoji, 4), emoji);
    EXPECT_EQ(FitText(emoji, 3), u"ab");
    EXPECT_EQ(FitText(std::u16string(200, u'x'), kTooltipMax).size(), 127u);
}

}  // namespace
}  // namespace quellora
