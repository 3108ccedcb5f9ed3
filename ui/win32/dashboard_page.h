// Page 0, the dashboard: the plan editor's page with the status area, the
// core utilisation graph and the links. The editor is the EditorPage's; the
// status area is a DashboardStatusWindow, and this page offers it what the
// main window and the other pages do for it.
#pragma once

#include <memory>

#include "ui/dashboard_status.h"
#include "ui/win32/dashboard_status_window.h"
#include "ui/win32/editor_pages.h"

namespace quellora::win32 {

class DashboardPage final : public EditorPage, private DashboardHost {
public:
    DashboardPage(MainWindow& owner, int index);
    ~DashboardPage() override;

    // After the editor's presenter filled the page: the status area fills in.
    void Ready();
    // The status area (null before Ready).
    DashboardStatusWindow* status() { return status_.get(); }

    LRESULT Notify(const NMHDR& header) override;
    bool Message(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void Resized(int width, int height) override;
    void Rethemed() override;

private:
    // ---- DashboardHost
    bool UpdateCheckFinished() override;
    std::u16string LatestVersion() override;
    FrequencyReading ReadClock() override;
    bool SettingsChangedSignalled() override;
    bool StartedWithRestart() override;
    void RebuildCountersAndRestart() override;
    bool InstallUpdate() override;
    void Quit(int code) override;
    void ShowBoostPage() override;
    void ReloadPlanList() override;
    void ReloadProfilesPage() override;
    void SetMakerPlanListedBox(bool checked) override;

    std::unique_ptr<DashboardStatusWindow> status_;
};

}  // namespace quellora::win32
