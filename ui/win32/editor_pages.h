// The plan editor on the dashboard and the hybrid page: the EditorHost over
// both pages' controls (the dashboard's first), and the two page classes that
// hand their notifications to the editor's presenter.
#pragma once

#include "ui/plan_editor_presenter.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/main_window.h"

namespace quellora::win32 {

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
