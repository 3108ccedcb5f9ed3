// Pages 3 and 5: Dynamic Boost and the program's settings. Every control
// writes its setting at once through the pages' presenters; these windows
// hand them the notifications and carry out the rest of the program's part.
#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include "app/single_instance.h"
#include "platform/startup_state.h"
#include "tray/companion.h"
#include "tray/logon_task.h"
#include "tray/update_check.h"
#include "ui/boost_page.h"
#include "ui/message_box.h"
#include "ui/settings_page.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/editor_pages.h"
#include "ui/win32/main_window.h"

namespace quellora::win32 {

namespace {

class BoostPage : public PageWindow, public BoostPageHost {
public:
    BoostPage(MainWindow& owner, int index) : PageWindow(owner, index), presenter_(*this, owner.power()) {}

    void Initialise() override {
        controls_.SetDialogs({hwnd()});
        presenter_.Initialise();
        presenter_.Load();
        presenter_.Refresh();
    }
    void Refresh() override { presenter_.Refresh(); }
    void Command(int id, UINT code, HWND) override { presenter_.OnCommand(id, code); }
    LRESULT Notify(const NMHDR& header) override {
        if (header.code == NM_CLICK || header.code == NM_RETURN) presenter_.OnLink(static_cast<int>(header.idFrom));
        return 0;
    }
    bool Message(UINT message, WPARAM wParam, LPARAM, INT_PTR&) override {
        if (message == WM_SHOWWINDOW && wParam) {
            presenter_.Load();
            presenter_.Refresh();
        }
        return false;
    }

    ControlSurface& Controls() override { return controls_; }
    int Message(std::u16string_view text, uint32_t style) override { return ShowMessage(TopLevel(), text, style); }
    bool PromptConflicts() override { return PromptCompanionConflicts(TopLevel()); }
    void ShowConflicts() override { ShowCompanionConflicts(TopLevel()); }
    void UpdateDashboardBoostLink() override { owner_.UpdateDashboardBoostLink(); }

private:
    HWND TopLevel() { return GetAncestor(hwnd(), GA_ROOT); }

    BoostPagePresenter presenter_;
    DialogControls controls_;
};

class SettingsPage : public PageWindow, public SettingsPageHost {
public:
    SettingsPage(MainWindow& owner, int index) : PageWindow(owner, index), presenter_(*this) {}

    void Initialise() override {
        controls_.SetDialogs({hwnd()});
        presenter_.Initialise();
    }
    void Command(int id, UINT code, HWND) override { presenter_.OnCommand(id, code); }
    LRESULT Notify(const NMHDR& header) override {
        if (header.code == NM_CLICK || header.code == NM_RETURN) presenter_.OnLink(static_cast<int>(header.idFrom));
        return 0;
    }

    ControlSurface& Controls() override { return controls_; }
    int Message(std::u16string_view text, uint32_t style) override {
        return ShowMessage(GetAncestor(hwnd(), GA_ROOT), text, style);
    }
    int LogonTaskExists() override { return quellora::LogonTaskExists(kLogonTaskName); }
    bool CreateLogonTask() override {
        return quellora::CreateLogonTask(kLogonTaskName, State().executablePath, kLogonTaskArguments, true);
    }
    bool DeleteLogonTask() override { return quellora::DeleteLogonTask(kLogonTaskName); }
    bool BetaUpdates() override { return GetBetaUpdates(); }
    void SetBetaUpdates(bool beta) override { quellora::SetBetaUpdates(beta); }
    void SendMainWindowCommand(uint32_t command) override {
        PostMessageW(GetAncestor(hwnd(), GA_ROOT), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
    void TurnMakerPlanListing(bool on) override { owner_.TurnMakerPlanListing(on); }
    void UpdateDashboardClassList() override { owner_.editor().presenter().Initialise(); }
    void Restart() override { RestartProgram(); }

private:
    SettingsPagePresenter presenter_;
    DialogControls controls_;
};

}  // namespace

std::unique_ptr<PageWindow> MakeBoostPage(MainWindow& owner, int index) {
    return std::make_unique<BoostPage>(owner, index);
}

std::unique_ptr<PageWindow> MakeSettingsPage(MainWindow& owner, int index) {
    return std::make_unique<SettingsPage>(owner, index);
}

}  // namespace quellora::win32
