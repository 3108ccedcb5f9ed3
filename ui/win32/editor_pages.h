// The plan editor on the dashboard and the hybrid page: the EditorHost over
// both pages' controls (the dashboard's first), and the two page classes that
// hand their notifications to the editor's presenter.
#pragma once

#include "ui/plan_editor_presenter.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/main_window.h"

namespace quellora::win32 {

// A balloon tooltip window for controls of a page (themed, and re-themed with the program).
HWND CreateBalloonTooltips(HWND page);
// The plan editor's tooltips on the controls of a page (or the classic dialog).
void AttachEditorTooltips(HWND page, HWND tip);

// Pages 0 and 1: the dashboard (whose status area and graph are the
// DashboardPage's) and the scheduling policies of a hybrid processor. The
// editor's controls on both are the presenter's; the hybrid page's Apply is
// the dashboard's.
class EditorPage : public PageWindow {
public:
    using PageWindow::PageWindow;

    void Initialise() override;
    void Command(int id, UINT code, HWND control) override;
    LRESULT Notify(const NMHDR& header) override;
    bool Message(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
};

class EditorPages : public EditorHost {
public:
    explicit EditorPages(MainWindow& owner);

    PlanEditorPresenter& presenter() { return presenter_; }
    DialogControls& controls() { return controls_; }
    // The pages were created (or destroyed): the controls are looked for there.
    void Attach(HWND dashboard, HWND hybrid);

    ControlSurface& Controls() override { return controls_; }
    void PostPendingEditsChanged() override;
    int Message(std::u16string_view text, uint32_t style) override;
    void SetGlow(bool on) override;
    void SetApplyAccessibleName(std::u16string_view name) override;
    void OpenAdvancedEditor(const Guid& plan) override;
    void BoostTurnedOff() override;

    // WM_COMMAND and WM_NOTIFY of either page.
    void Command(int id, UINT code, HWND control);
    LRESULT Notify(const NMHDR& header);

private:
    MainWindow& owner_;
    DialogControls controls_;
    PlanEditorPresenter presenter_;
    HWND dashboard_ = nullptr;
    HWND hybrid_ = nullptr;
};

}  // namespace quellora::win32
