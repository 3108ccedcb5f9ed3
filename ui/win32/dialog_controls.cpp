#include "ui/win32/dialog_controls.h"

namespace quellora::win32 {

std::u16string WindowText(HWND window) {
    if (!window) return {};
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    return FromWide(text.c_str(), static_cast<size_t>(got > 0 ? got : 0));
}

HWND DialogControls::Find(int id) const {
    for (HWND dialog : dialogs_) {
        if (!dialog) continue;
        if (HWND control = GetDlgItem(dialog, id)) return control;
    }
    return nullptr;
}

std::u16string DialogControls::Text(int id) { return WindowText(Find(id)); }

void DialogControls::SetText(int id, std::u16string_view text) {
    HWND control = Find(id);
    if (!control) return;
    ++settingText_;
    SetWindowTextW(control, Wide(text).c_str());
    --settingText_;
}

bool DialogControls::Checked(int id) {
    HWND control = Find(id);
    return control && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void DialogControls::SetChecked(int id, bool checked) {
    if (HWND control = Find(id)) SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool DialogControls::Visible(int id) {
    HWND control = Find(id);
    return control && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void DialogControls::Show(int id, bool visible) {
    if (HWND control = Find(id)) ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
}

bool DialogControls::Enabled(int id) {
    HWND control = Find(id);
    return control && IsWindowEnabled(control);
}

void DialogControls::Enable(int id, bool enabled) {
    if (HWND control = Find(id)) EnableWindow(control, enabled);
}

void DialogControls::SetItems(int id, const std::vector<std::u16string>& items) {
    HWND control = Find(id);
    if (!control) return;
    SendMessageW(control, CB_RESETCONTENT, 0, 0);
    for (const std::u16string& item : items) {
        SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    }
}

int DialogControls::ItemCount(int id) {
    HWND control = Find(id);
    return control ? static_cast<int>(SendMessageW(control, CB_GETCOUNT, 0, 0)) : 0;
}

std::u16string DialogControls::ItemText(int id, int index) {
    HWND control = Find(id);
    if (!control) return {};
    const auto length = SendMessageW(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return FromWide(text.c_str());
}

int DialogControls::Selection(int id) {
    HWND control = Find(id);
    if (!control) return -1;
    const auto selection = SendMessageW(control, CB_GETCURSEL, 0, 0);
    return selection == CB_ERR ? -1 : static_cast<int>(selection);
}

void DialogControls::Select(int id, int index) {
    if (HWND control = Find(id)) SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

}  // namespace quellora::win32
