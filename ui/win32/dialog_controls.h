// The controls of one or more dialogs as a ControlSurface: an identifier is
// looked for in the dialogs in their order (the dashboard first, then the
// hybrid page). Texts the program sets are marked, so the page can tell an
// edit's change by the user from its own.
#pragma once

#include "platform/win32/wide.h"
//
#include <vector>

#include "ui/control_surface.h"

namespace quellora::win32 {

class DialogControls : public ControlSurface {
public:
    DialogControls() = default;
    explicit DialogControls(std::vector<HWND> dialogs) : dialogs_(std::move(dialogs)) {}
    void SetDialogs(std::vector<HWND> dialogs) { dialogs_ = std::move(dialogs); }

    HWND Find(int id) const;
    // The program itself is changing a control's text now.
    bool settingText() const { return settingText_ > 0; }

    bool Has(int id) override { return Find(id) != nullptr; }
    std::u16string Text(int id) override;
    void SetText(int id, std::u16string_view text) override;
    bool Checked(int id) override;
    void SetChecked(int id, bool checked) override;
    bool Visible(int id) override;
    void Show(int id, bool visible) override;
    bool Enabled(int id) override;
    void Enable(int id, bool enabled) override;
    void SetItems(int id, const std::vector<std::u16string>& items) override;
    int ItemCount(int id) override;
    std::u16string ItemText(int id, int index) override;
    int Selection(int id) override;
    void Select(int id, int index) override;

private:
    std::vector<HWND> dialogs_;
    int settingText_ = 0;
};

// The object a dialog procedure works for: taken from the creation parameter
// at WM_INITDIALOG and kept in the dialog's DWLP_USER.
template <typename T>
T* DialogOwner(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return reinterpret_cast<T*>(lParam);
    }
    return reinterpret_cast<T*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// GetWindowTextW of any window.
std::u16string WindowText(HWND window);

}  // namespace quellora::win32
