#include "ui/win32/dashboard_page.h"

#include "platform/startup_state.h"
#include "tray/update_check.h"
#include "ui/main_window_presenter.h"

namespace quellora::win32 {

namespace {

// The settings page's check box for listing the maker's plan.
constexpr int kMakerPlanListedBox = 9417;

}  // namespace

DashboardPage::DashboardPage(MainWindow& owner, int index) : EditorPage(owner, index) {}

DashboardPage::~DashboardPage() = default;

void DashboardPage::Ready() {
    if (!status_) status_ = std::make_unique<DashboardStatusWindow>(hwnd(), static_cast<DashboardHost&>(*this));
    status_->Init();
    status_->status().AfterPlanListReload();
    status_->status().UpdateBoostLink();
}

LRESULT DashboardPage::Notify(const NMHDR& header) {
    if (status_ && status_->OnNotify(header)) return 0;
    return EditorPage::Notify(header);
}

bool DashboardPage::Message(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == dashboard::kActivePlanNameMessage) {
        if (status_) status_->OnActivePlanName(lParam);
        result = TRUE;
        return true;
    }
    return EditorPage::Message(message, wParam, lParam, result);
}

void DashboardPage::Resized(int, int) {
    if (status_) status_->OnSize();
}

void DashboardPage::Rethemed() {
    if (status_) status_->OnThemeChanged();
}

bool DashboardPage::UpdateCheckFinished() { return owner_.UpdateCheckFinished(); }

std::u16string DashboardPage::LatestVersion() { return LatestVersionText(); }

FrequencyReading DashboardPage::ReadClock() { return ReadProcessClock(); }

bool DashboardPage::SettingsChangedSignalled() { return SettingsChangedEventSignalled(); }

bool DashboardPage::StartedWithRestart() { return State().restarted; }

void DashboardPage::RebuildCountersAndRestart() { RunCounterRebuild(); }

bool DashboardPage::InstallUpdate() { return quellora::InstallUpdate(owner_.hwnd()); }

void DashboardPage::Quit(int code) {
    // The program ends: its tray ends the message loop of the process; without
    // a tray this window is the whole program.
    if (!owner_.ForwardToTray(main_window::kExit, 0)) PostQuitMessage(code);
}

void DashboardPage::ShowBoostPage() { owner_.presenter().ShowPage(static_cast<int>(Page::Boost)); }

void DashboardPage::ReloadPlanList() { owner_.editor().presenter().ReloadPlanList(); }

void DashboardPage::ReloadProfilesPage() { owner_.RefreshPage(static_cast<int>(Page::Profiles)); }

void DashboardPage::SetMakerPlanListedBox(bool checked) {
    owner_.SetPageCheck(static_cast<int>(Page::Settings), kMakerPlanListedBox, checked);
}

}  // namespace quellora::win32
