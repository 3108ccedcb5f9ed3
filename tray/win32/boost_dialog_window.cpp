// The Dynamic Boost dialog's procedure: it shows what the presenter decides
// and hands it every click; it takes the program's theme.
#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include "platform/platform.h"
#include "platform/startup_state.h"
#include "tray/boost_dialog.h"
#include "tray/boost_dialog_window.h"
#include "tray/companion.h"
#include "ui/message_box.h"
#include "ui/message_box_presenter.h"
#include "ui/win32/theme_windows.h"

namespace quellora {

namespace {

using win32::FromWide;
using win32::Wide;

class DialogWindow : public BoostDialogSurface {
public:
    HWND window = nullptr;
    BoostDialog presenter{*this};

    HWND Item(int control) const { return GetDlgItem(window, control); }

    void SetCheck(int control, bool checked) override {
        CheckDlgButton(window, control, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    bool Checked(int control) override { return IsDlgButtonChecked(window, control) == BST_CHECKED; }
    void Enable(int control, bool enabled) override { EnableWindow(Item(control), enabled ? TRUE : FALSE); }
    void SetText(int control, std::u16string_view text) override {
        SetDlgItemTextW(window, control, Wide(text).c_str());
    }
    std::u16string Text(int control) override {
        HWND item = Item(control);
        const int length = GetWindowTextLengthW(item);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const int got = GetWindowTextW(item, text.data(), length + 1);
        return FromWide(text.data(), static_cast<size_t>(got > 0 ? got : 0));
    }
    void FillList(int control, const std::vector<std::u16string>& items, int selected) override {
        HWND list = Item(control);
        SendMessageW(list, CB_RESETCONTENT, 0, 0);
        for (const std::u16string& item : items) {
            const std::wstring text = Wide(item);
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    }
    std::u16string ListText(int control) override {
        HWND list = Item(control);
        const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR) return {};
        const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length == CB_ERR) return {};
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        return FromWide(text.c_str());
    }
    int Message(std::u16string_view text, uint32_t style) override { return AnswerOf(ShowMessage(window, text, style)); }
    bool ConfirmCompanionConflicts() override { return PromptCompanionConflicts(window); }
    void End(int result) override { EndDialog(window, result); }
};

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            self = reinterpret_cast<DialogWindow*>(lParam);
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            self->window = window;
            // The program's theme: the palette's colours, painted check boxes
            // in the dark, themed buttons and lists, the title bar.
            win32::SubclassDialogColours(window, {boostdlg::kOk, boostdlg::kCancel, boostdlg::kEnable,
                                                  boostdlg::kPauseBatterySaver, boostdlg::kPauseOnBattery,
                                                  boostdlg::kInUsePlan, boostdlg::kIdlePlan, boostdlg::kIdleSeconds});
            win32::ThemeTitleBar(window);
            win32::ThemeChildren(window);
            self->presenter.OnInit();
            return TRUE;
        case WM_COMMAND:
            if (!self) break;
            switch (LOWORD(wParam)) {
                case boostdlg::kEnable:
                    if (HIWORD(wParam) == BN_CLICKED) self->presenter.OnEnableClicked();
                    return TRUE;
                case boostdlg::kOk:
                    // OK closes the dialog the way the title bar does: both save.
                    SendMessageW(window, WM_CLOSE, 0, 0);
                    return TRUE;
                case boostdlg::kCancel:
                    self->presenter.OnCancel();
                    return TRUE;
                default:
                    break;
            }
            break;
        case WM_CLOSE:
            if (self) self->presenter.OnClose();
            return TRUE;
        default:
            break;
    }
    return FALSE;
}

HINSTANCE ModuleWithDialog() {
    for (ModuleHandle module : {State().resourceModule, State().englishModule}) {
        auto instance = reinterpret_cast<HINSTANCE>(module);
        if (instance && FindResourceW(instance, MAKEINTRESOURCEW(boostdlg::kDialog), reinterpret_cast<LPCWSTR>(RT_DIALOG))) {
            return instance;
        }
    }
    return nullptr;
}

}  // namespace

int RunBoostDialogWindow(WindowHandle owner) {
    HINSTANCE module = ModuleWithDialog();
    if (!module) return boostdlg::kCancel;
    DialogWindow dialog;
    const INT_PTR result = DialogBoxParamW(module, MAKEINTRESOURCEW(boostdlg::kDialog), static_cast<HWND>(owner),
                                           DialogProc, reinterpret_cast<LPARAM>(&dialog));
    return result == boostdlg::kOk ? boostdlg::kOk : boostdlg::kCancel;
}

}  // namespace quellora
