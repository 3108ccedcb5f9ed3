// The Dynamic Boost dialog's procedure: it shows what the presenter decides
// and hands it every click; in the dark theme it draws in the dark colours.
#include "platform/win32/wide.h"
//
#include <commctrl.h>
#include <uxtheme.h>

#include "platform/platform.h"
#include "platform/startup_state.h"
#include "tray/boost_dialog.h"
#include "tray/boost_dialog_window.h"
#include "tray/companion.h"
#include "ui/message_box.h"
#include "ui/message_box_presenter.h"

namespace quellora {

namespace {

using win32::FromWide;
using win32::Wide;

// The dark look's colours (the message box's), and the fields' a little lighter.
constexpr COLORREF kDarkFieldColour = 0x002B2B2B;

class DialogWindow : public BoostDialogSurface {
public:
    HWND window = nullptr;
    BoostDialog presenter{*this};
    bool dark = false;
    HBRUSH background = nullptr;
    HBRUSH field = nullptr;

    ~DialogWindow() override {
        if (background) DeleteObject(background);
        if (field) DeleteObject(field);
    }

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

    // The dark look: the dialog and its fields in the dark colours, the buttons
    // and lists in the system's dark style, the check boxes drawn the classic
    // way so that their text takes the dialog's colour, a dark title bar.
    void ApplyTheme() {
        dark = State().darkTheme;
        if (!dark) return;
        background = CreateSolidBrush(xmb::kDarkMessageArea);
        field = CreateSolidBrush(kDarkFieldColour);
        ThemeFacts* theme = Sys().theme;
        const bool darkControls = theme && theme->DarkMode().supported;
        for (int control : {boostdlg::kOk, boostdlg::kCancel, boostdlg::kEnable, boostdlg::kPauseBatterySaver,
                            boostdlg::kPauseOnBattery, boostdlg::kInUsePlan, boostdlg::kIdlePlan,
                            boostdlg::kIdleSeconds, boostdlg::kInUseLabel, boostdlg::kIdleLabel,
                            boostdlg::kIdleSecondsLabel, boostdlg::kSecondsLabel}) {
            HWND item = Item(control);
            if (!item) continue;
            const bool check = control == boostdlg::kEnable || control == boostdlg::kPauseBatterySaver ||
                               control == boostdlg::kPauseOnBattery;
            const bool list = control == boostdlg::kInUsePlan || control == boostdlg::kIdlePlan;
            if (check) {
                SetWindowTheme(item, L"", L"");
            } else if (darkControls && (control == boostdlg::kOk || control == boostdlg::kCancel)) {
                theme->AllowDarkModeForWindow(item, true);
                SetWindowTheme(item, L"DarkMode_Explorer", nullptr);
            } else if (darkControls && list) {
                theme->AllowDarkModeForWindow(item, true);
                SetWindowTheme(item, L"DarkMode_CFD", nullptr);
            }
        }
        if (theme) theme->SetDarkTitleBar(window, true);
    }

    INT_PTR Colours(UINT message, HDC dc, HWND control) {
        if (!dark) return FALSE;
        const bool isField = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
        SetTextColor(dc, IsWindowEnabled(control) ? xmb::kDarkText : 0x00808080);
        SetBkColor(dc, isField ? kDarkFieldColour : xmb::kDarkMessageArea);
        return reinterpret_cast<INT_PTR>(isField ? field : background);
    }
};

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            self = reinterpret_cast<DialogWindow*>(lParam);
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            self->window = window;
            self->ApplyTheme();
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
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            if (self) return self->Colours(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
            break;
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
