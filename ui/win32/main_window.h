// The main window on Windows: the dialog that carries out the
// MainWindowPresenter's decisions, and the pages it hosts. Each page is a
// PageWindow, a modeless child dialog of the language module with a
// presenter of its own; MakePage decides which class shows which page.
#pragma once

#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include <array>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/thread_event.h"
#include "power/power_scheme_access.h"
#include "ui/main_window_presenter.h"

namespace quellora::win32 {

class MainWindow;
class EditorPages;

// The automatic update check a window starts when it opens (the main window
// or the classic dialog): it runs on a thread of its own; Finished answers
// true once, when it is done.
class WindowUpdateCheck {
public:
    void Start();
    void Stop();
    bool Finished();

private:
    std::shared_ptr<ThreadEvent> ready_;
};

// One page of the main window.
class PageWindow {
public:
    PageWindow(MainWindow& owner, int index) : owner_(owner), index_(index) {}
    virtual ~PageWindow();
    PageWindow(const PageWindow&) = delete;
    PageWindow& operator=(const PageWindow&) = delete;

    // Creates the page's dialog (hidden) as a child of the main window.
    bool Create(HWND parent, int dialog);
    HWND hwnd() const { return hwnd_; }
    int index() const { return index_; }

    // WM_INITDIALOG: the page sets up its controls.
    virtual void Initialise() {}
    // The page is shown, or asked to read what it shows again.
    virtual void Refresh() {}
    virtual void Command(int id, UINT code, HWND control);
    virtual LRESULT Notify(const NMHDR& header);
    // Any other message; true when handled (`result` is the dialog's answer).
    virtual bool Message(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    virtual void Resized(int width, int height);
    // After the theme was applied to the page's controls.
    virtual void Rethemed() {}

protected:
    MainWindow& owner_;

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    int index_;
    HWND hwnd_ = nullptr;
};

// The page class of each index (the pages other issues fill are plain pages until then).
std::unique_ptr<PageWindow> MakePage(MainWindow& owner, int index);

class MainWindow : public MainWindowSurface {
public:
    MainWindow();
    ~MainWindow() override;

    // Runs the dialog modally without an owner; answers its result.
    int Run();

    HWND hwnd() const { return hwnd_; }
    HMODULE module() const { return module_; }
    PowerSchemeAccess& power() { return power_; }
    EditorPages& editor() { return *editor_; }
    MainWindowPresenter& presenter() { return presenter_; }
    // The update check this window started has finished (its event is then dropped).
    bool UpdateCheckFinished();
    PageWindow* page(int index) const;
    // The listing of the maker's highest-performance plan, as the dashboard's link turns it.
    void TurnMakerPlanListing(bool on);
    // A balloon tooltip for controls of a page (remembered for the theme).
    HWND Tooltips(HWND page);

    // ---- MainWindowSurface
    bool CreatePage(int index, Size& size) override;
    void DestroyPages() override;
    void ShowPage(int index, bool visible) override;
    void RefreshPage(int index) override;
    void SendPageCommand(int index, int command) override;
    void SetPageCheck(int index, int control, bool checked) override;
    void SendPendingEditsChanged(int index) override;
    void ResetDashboardStatus() override;
    void DashboardCreated() override;
    void DashboardTimer(uint32_t timer) override;
    void UpdateDashboardBoostLink() override;
    bool PendingEdits() override;
    void ClearPendingEdits() override;
    void ApplyDashboard() override;
    void SetNavigationRows(const std::vector<std::u16string>& labels) override;
    bool NavigationRowSelected(int row) override;
    void SelectNavigationRow(int row) override;
    int Dpi() override;
    Size ClientSize() override;
    Size WindowSizeForClient(Size client) override;
    Rect WindowRect() override;
    Rect WorkAreaNear(Point point) override;
    Rect WorkAreaOfWindow() override;
    bool OnAMonitor(const Rect& rect) override;
    void MoveWindow(const Rect& rect) override;
    void PlaceChildren(const MainWindowLayout& layout) override;
    bool Minimised() override;
    std::vector<uint8_t> Placement() override;
    void ApplyTheme() override;
    void BringToForeground() override;
    void Publish(bool open) override;
    void StartTimer(uint32_t id, uint32_t ms) override;
    void KillTimer(uint32_t id) override;
    void PostTimer(uint32_t id) override;
    void PostPendingEditsChanged() override;
    bool ShutdownSignalled() override;
    void PostQuit() override;
    int Ask(std::u16string_view text, uint32_t style) override;
    void SendClose() override;
    void EndDialog() override;
    bool ForwardToTray(uint32_t command, intptr_t lParam) override;
    void OpenAbout() override;
    void ManualUpdateCheck() override;
    void StartUpdateCheck() override;
    void StopUpdateCheck() override;

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Initialise();

    HWND hwnd_ = nullptr;
    HWND navigation_ = nullptr;
    HMODULE module_ = nullptr;
    HMENU menu_ = nullptr;
    HICON smallIcon_ = nullptr;
    HICON largeIcon_ = nullptr;
    PowerSchemeAccess power_;
    std::unique_ptr<EditorPages> editor_;
    std::array<std::unique_ptr<PageWindow>, kPageCount> pages_;
    std::array<HWND, kPageCount> tooltips_{};
    MainWindowPresenter presenter_;
    bool ended_ = false;
    WindowUpdateCheck updateCheck_;
    // The pages take the theme when they are made (hidden, so nothing is
    // painted twice); the theme is applied to them again only when it changed.
    bool pagesDark_ = false;
    bool rethemePages_ = false;
};

// The classic dialog ("/classic"), modal without an owner; answers its result.
int RunClassicDialog();

// The About dialog, modal, owned by `owner`; its update link runs `checkForUpdates`.
void RunAboutDialog(HWND owner, HMODULE module, const std::function<void()>& checkForUpdates);

}  // namespace quellora::win32
