// The advanced settings editor's dialog (template 0x143c of the language
// module): makes the form's controls where the editor places them, keeps the
// tooltips, greys the labels of disabled rows, and hands every command to
// the editor.
#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/startup_state.h"
#include "ui/advanced_editor.h"
#include "ui/message_box.h"
#include "ui/win32/resource_module.h"
#include "ui/win32/theme_windows.h"

namespace quellora {

namespace {

using win32::FromWide;
using win32::Wide;

constexpr COLORREF kDarkText = 0x00FFFFFF;
constexpr COLORREF kDarkBackground = 0x00221D19;
constexpr COLORREF kDarkGreyText = 0x00808080;
constexpr int kButtonHeight = 14;
constexpr int kBottomMargin = 7;
constexpr int kDroppedListWidth = 150;  // dialog units

class Dialog : public AdvancedEditorSurface {
public:
    Dialog(HWND window, const Guid& plan) : window_(window), editor_(*this, power_, plan) {}
    ~Dialog() override {
        if (boldFont_) DeleteObject(boldFont_);
        if (darkBrush_) DeleteObject(darkBrush_);
    }

    AdvancedEditor& editor() { return editor_; }

    void Init() {
        dark_ = State().darkTheme;
        if (dark_) darkBrush_ = CreateSolidBrush(kDarkBackground);
        font_ = reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
        LOGFONTW lf{};
        if (font_ && GetObjectW(font_, sizeof lf, &lf)) {
            lf.lfWeight = FW_BOLD;
            boldFont_ = CreateFontIndirectW(&lf);
        }
        tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        if (tip_) {
            RECT width{0, 0, advanced::kTipWidthDlu, 0};
            MapDialogRect(window_, &width);
            SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, width.right);
            SendMessageW(tip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, advanced::kTipShowMs);
        }
        editor_.Init();
        // The program's look: title bar, each control's style, the tooltip.
        win32::ThemeTitleBar(window_);
        win32::ThemeChildren(window_);
        if (tip_) win32::ThemeTooltip(tip_);
    }

    // The colours of the dialog and its controls.
    LRESULT ControlColour(UINT message, HDC dc, HWND control) {
        const bool grey = grey_.count(GetDlgCtrlID(control)) != 0;
        if (dark_) {
            SetTextColor(dc, grey ? kDarkGreyText : kDarkText);
            SetBkColor(dc, kDarkBackground);
            return reinterpret_cast<LRESULT>(darkBrush_);
        }
        if (grey && message == WM_CTLCOLORSTATIC) {
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        return 0;
    }

    // ---- AdvancedEditorSurface
    void SetTitle(std::u16string_view title) override { SetWindowTextW(window_, Wide(title).c_str()); }
    void SetText(int id, std::u16string_view text) override { SetDlgItemTextW(window_, id, Wide(text).c_str()); }
    std::u16string Text(int id) override {
        HWND control = GetDlgItem(window_, id);
        if (!control) return {};
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
        const int n = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
        return FromWide(text.c_str(), static_cast<size_t>(std::max(n, 0)));
    }
    void Show(int id, bool show) override {
        if (HWND control = GetDlgItem(window_, id)) ShowWindow(control, show ? SW_SHOW : SW_HIDE);
    }
    void Enable(int id, bool enable) override {
        if (HWND control = GetDlgItem(window_, id)) EnableWindow(control, enable);
    }
    bool Checked(int id) override { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
    void ClearList(int id) override { SendDlgItemMessageW(window_, id, CB_RESETCONTENT, 0, 0); }
    void AddListItem(int id, std::u16string_view text, uint32_t data) override {
        const std::wstring t = Wide(text);
        const LRESULT index = SendDlgItemMessageW(window_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
        if (index >= 0) SendDlgItemMessageW(window_, id, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
    }
    int ListCount(int id) override { return static_cast<int>(SendDlgItemMessageW(window_, id, CB_GETCOUNT, 0, 0)); }
    uint32_t ListData(int id, int index) override {
        return static_cast<uint32_t>(SendDlgItemMessageW(window_, id, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
    }
    int ListSelection(int id) override {
        const LRESULT s = SendDlgItemMessageW(window_, id, CB_GETCURSEL, 0, 0);
        return s == CB_ERR ? -1 : static_cast<int>(s);
    }
    void SelectListItem(int id, int index) override {
        SendDlgItemMessageW(window_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }

    void CreateForm(const std::vector<FormItem>& items) override {
        for (HWND control : form_) {
            if (tip_) RemoveTip(control);
            DestroyWindow(control);
        }
        form_.clear();
        grey_.clear();
        // The form comes after the show-all box in the tab order, before the note and the buttons.
        HWND after = GetDlgItem(window_, advanced::kShowAll);
        for (const FormItem& item : items) {
            RECT r{item.x, item.y, item.x + item.width, item.y + item.height};
            MapDialogRect(window_, &r);
            const wchar_t* cls = L"Static";
            DWORD style = WS_CHILD | WS_VISIBLE;
            DWORD exStyle = 0;
            switch (item.kind) {
                case FormItem::Kind::Intro:
                case FormItem::Kind::Header:
                    style |= SS_LEFT;
                    break;
                case FormItem::Kind::Label:
                    style |= SS_LEFT | SS_NOTIFY;  // SS_NOTIFY: the label's tooltip sees the mouse
                    break;
                case FormItem::Kind::Edit:
                    cls = L"Edit";
                    style |= ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP;
                    exStyle = WS_EX_CLIENTEDGE;
                    break;
                case FormItem::Kind::List:
                    cls = L"ComboBox";
                    style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
                    break;
            }
            const std::wstring text = item.kind == FormItem::Kind::List ? std::wstring() : Wide(item.text);
            HWND control = CreateWindowExW(exStyle, cls, text.c_str(), style, r.left, r.top, r.right - r.left,
                                           r.bottom - r.top, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)),
                                           GetModuleHandleW(nullptr), nullptr);
            if (!control) continue;
            HFONT font = item.kind == FormItem::Kind::Header && boldFont_ ? boldFont_ : font_;
            if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            if (item.kind == FormItem::Kind::List) {
                // The open list is wide enough for Windows' longer names.
                RECT dropped{0, 0, kDroppedListWidth, 0};
                MapDialogRect(window_, &dropped);
                SendMessageW(control, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(dropped.right), 0);
            }
            if (after) SetWindowPos(control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            after = control;
            form_.push_back(control);
        }
    }

    int LabelHeight(std::u16string_view text, int widthDlu) override {
        RECT width{0, 0, widthDlu, 8};
        MapDialogRect(window_, &width);
        HDC dc = GetDC(window_);
        HGDIOBJ old = font_ ? SelectObject(dc, font_) : nullptr;
        const std::wstring t = Wide(text);
        RECT r{0, 0, width.right, 0};
        DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        if (old) SelectObject(dc, old);
        ReleaseDC(window_, dc);
        // Pixels back to dialog units, rounded up (width.bottom is 8 units in pixels).
        return width.bottom > 0 ? static_cast<int>((static_cast<int64_t>(r.bottom - r.top) * 8 + width.bottom - 1) / width.bottom)
                                : 0;
    }

    void SetTooltip(int id, std::u16string_view text) override {
        HWND control = GetDlgItem(window_, id);
        if (!tip_ || !control) return;
        const std::wstring t = Wide(text);
        TTTOOLINFOW tool = Tool(control);
        const bool exists = SendMessageW(tip_, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
        tool = Tool(control);
        if (t.empty()) {
            if (exists) SendMessageW(tip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            return;
        }
        tool.lpszText = const_cast<wchar_t*>(t.c_str());
        SendMessageW(tip_, exists ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    void SetLabelGrey(int id, bool grey) override {
        if (grey) grey_.insert(id);
        else grey_.erase(id);
        if (HWND control = GetDlgItem(window_, id)) InvalidateRect(control, nullptr, TRUE);
    }

    void LayOut(int buttonsTop) override {
        RECT top{0, buttonsTop, 0, buttonsTop + kButtonHeight + kBottomMargin};
        MapDialogRect(window_, &top);
        for (int id : {advanced::kNote, advanced::kDefaults, advanced::kApply, advanced::kOk, advanced::kCancel}) {
            HWND control = GetDlgItem(window_, id);
            if (!control) continue;
            RECT r{};
            GetWindowRect(control, &r);
            MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
            SetWindowPos(control, nullptr, r.left, top.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        RECT client{};
        GetClientRect(window_, &client);
        RECT frame{0, 0, client.right, top.bottom};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
        // The width and the place stay; a dialog that grows past the foot of
        // the screen's work area moves up as far as it must.
        RECT place{};
        GetWindowRect(window_, &place);
        const int height = frame.bottom - frame.top;
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        int y = place.top;
        if (GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) {
            if (y + height > monitor.rcWork.bottom) y = std::max<int>(monitor.rcWork.top, monitor.rcWork.bottom - height);
        }
        SetWindowPos(window_, nullptr, place.left, y, frame.right - frame.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(window_, nullptr, TRUE);
    }

    int Message(std::u16string_view text, uint32_t style) override { return ShowMessage(window_, text, style); }
    void End(int result) override { EndDialog(window_, result); }

private:
    TTTOOLINFOW Tool(HWND control) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        return tool;
    }
    void RemoveTip(HWND control) {
        TTTOOLINFOW tool = Tool(control);
        SendMessageW(tip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    HWND window_;
    PowerSchemeAccess power_;
    AdvancedEditor editor_;
    HWND tip_ = nullptr;
    HFONT font_ = nullptr;
    HFONT boldFont_ = nullptr;
    bool dark_ = false;
    HBRUSH darkBrush_ = nullptr;
    std::vector<HWND> form_;
    std::set<int> grey_;
};

struct Opening {
    Guid plan;
};

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            const auto* opening = reinterpret_cast<const Opening*>(lParam);
            dialog = new Dialog(window, opening->plan);
            SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
            dialog->Init();
            return TRUE;
        }
        case WM_COMMAND:
            if (dialog) dialog->editor().OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            if (dialog) dialog->editor().OnCancel();
            return TRUE;
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
            if (dialog) {
                if (LRESULT brush = dialog->ControlColour(message, reinterpret_cast<HDC>(wParam),
                                                          reinterpret_cast<HWND>(lParam))) {
                    return static_cast<INT_PTR>(brush);
                }
            }
            return FALSE;
        case WM_NCDESTROY:
            delete dialog;
            SetWindowLongPtrW(window, DWLP_USER, 0);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

int RunAdvancedEditor(WindowHandle owner, const Guid& plan) {
    Opening opening{plan};
    HINSTANCE module = win32::ResourceModuleFor(RT_DIALOG, advanced::kDialog);
    if (!module) return advanced::kCancel;
    const INT_PTR result = DialogBoxParamW(module, MAKEINTRESOURCEW(advanced::kDialog), static_cast<HWND>(owner), DialogProc,
                                           reinterpret_cast<LPARAM>(&opening));
    return result == advanced::kOk ? advanced::kOk : advanced::kCancel;
}

}  // namespace quellora
