// The message box's dialog: built in memory, laid out and coloured as the
// presenter decides, run modeless in a loop of its own with the owner disabled.
#include "platform/win32/wide.h"
//
#include <uxtheme.h>

#include <vector>

#include "platform/platform.h"
#include "ui/message_box_dialog.h"

namespace quellora {

namespace {

using win32::Wide;

// An in-memory dialog template: DLGTEMPLATE, then its items, each DWORD-aligned.
class Template {
public:
    Template(DWORD style, DWORD exStyle, std::u16string_view caption) {
        DLGTEMPLATE head{};
        head.style = style;
        head.dwExtendedStyle = exStyle;
        Append(&head, sizeof head);
        Word(0);  // no menu
        Word(0);  // the dialog class
        Text(caption);
    }

    void Item(WORD classAtom, int id, DWORD style, std::u16string_view text = {}) {
        Align();
        DLGITEMTEMPLATE item{};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.id = static_cast<WORD>(id);
        Append(&item, sizeof item);
        Word(0xFFFF);
        Word(classAtom);
        Text(text);
        Word(0);  // no creation data
        auto* head = reinterpret_cast<DLGTEMPLATE*>(bytes_.data());
        ++head->cdit;
    }

    const DLGTEMPLATE* Get() {
        Align();
        return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data());
    }

private:
    void Append(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void Word(WORD w) { Append(&w, sizeof w); }
    void Text(std::u16string_view text) {
        for (char16_t c : text) Word(c);
        Word(0);
    }
    void Align() {
        while (bytes_.size() % 4) bytes_.push_back(0);
    }

    std::vector<uint8_t> bytes_;
};

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;

COLORREF Colour(uint32_t c) { return static_cast<COLORREF>(c); }

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

int DpiOf(HWND window) {
    static const auto get = win32::BindExport<GetDpiForWindowFn>(win32::LoadedModule(L"user32.dll"), "GetDpiForWindow");
    if (get) {
        if (UINT dpi = get(window)) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(window);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return dpi > 0 ? dpi : 96;
}

int MetricForDpi(int index, int dpi) {
    static const auto get =
        win32::BindExport<GetSystemMetricsForDpiFn>(win32::LoadedModule(L"user32.dll"), "GetSystemMetricsForDpi");
    if (get) return get(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, 96);
}

// The system's message font for the window's dpi.
HFONT MessageFont(int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    static const auto forDpi = win32::BindExport<SystemParametersInfoForDpiFn>(win32::LoadedModule(L"user32.dll"),
                                                                               "SystemParametersInfoForDpi");
    bool scaled = false;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi))) {
        scaled = true;
    } else if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    if (!scaled) {
        HDC screen = GetDC(nullptr);
        const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        if (systemDpi > 0 && systemDpi != dpi) metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi);
    }
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

LPCWSTR SystemIcon(uint32_t icon) {
    switch (icon) {
        case xmb::kIconError: return IDI_HAND;
        case xmb::kIconQuestion: return IDI_QUESTION;
        case xmb::kIconWarning: return IDI_EXCLAMATION;
        case xmb::kIconInformation: return IDI_ASTERISK;
        default: return nullptr;
    }
}

class Measure : public BoxMeasure {
public:
    Measure(HWND window, HFONT font) : dc_(GetDC(window)), window_(window) { old_ = SelectObject(dc_, font); }
    ~Measure() override {
        SelectObject(dc_, old_);
        ReleaseDC(window_, dc_);
    }
    BoxSize Text(std::u16string_view text, int wrapWidth) override {
        std::wstring t = Wide(text);
        RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 32767, 0};
        UINT flags = DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE);
        if (t.empty()) t = L" ";
        DrawTextW(dc_, t.c_str(), static_cast<int>(t.size()), &r, flags);
        return BoxSize{r.right - r.left, r.bottom - r.top};
    }
    void BaseUnits(int& x, int& y) {
        TEXTMETRICW tm{};
        GetTextMetricsW(dc_, &tm);
        SIZE size{};
        GetTextExtentPoint32W(dc_, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
        x = (size.cx / 26 + 1) / 2;
        y = tm.tmHeight;
    }

private:
    HDC dc_;
    HWND window_;
    HGDIOBJ old_;
};

struct Dialog : MessageBoxSurface {
    MessageBoxPresenter* presenter = nullptr;
    HWND window = nullptr;
    HWND owner = nullptr;
    HFONT font = nullptr;
    HBRUSH areaBrush = nullptr;
    HBRUSH bandBrush = nullptr;
    COLORREF textColour = 0;
    int messageAreaHeight = 0;
    bool ended = false;
    int answer = 0;

    ~Dialog() override {
        if (font && font != GetStockObject(DEFAULT_GUI_FONT)) DeleteObject(font);
        if (areaBrush) DeleteObject(areaBrush);
        if (bandBrush) DeleteObject(bandBrush);
    }

    void SetButtonText(int id, std::u16string_view text) override {
        SetDlgItemTextW(window, id, Wide(text).c_str());
    }
    void EnableButtons(bool enable) override {
        for (const BoxButton& b : presenter->Buttons()) EnableWindow(GetDlgItem(window, b.id), enable);
    }
    void EnableClose(bool enable) override {
        EnableMenuItem(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    }
    void StartTimer(int id, uint32_t ms) override { SetTimer(window, static_cast<UINT_PTR>(id), ms, nullptr); }
    void StopTimer(int id) override { KillTimer(window, static_cast<UINT_PTR>(id)); }
    bool CheckBoxTicked() override { return IsDlgButtonChecked(window, xmb::kCheckBoxId) == BST_CHECKED; }
    void CopyToClipboard(std::u16string_view text) override {
        if (!OpenClipboard(window)) return;
        EmptyClipboard();
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            if (auto* p = static_cast<wchar_t*>(GlobalLock(memory))) {
                std::wstring t = Wide(text);
                std::copy(t.c_str(), t.c_str() + t.size() + 1, p);
                GlobalUnlock(memory);
                if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
            } else {
                GlobalFree(memory);
            }
        }
        CloseClipboard();
    }
    void End(int result) override {
        ended = true;
        answer = result;
    }

    void Initialise() {
        const int dpi = DpiOf(window);
        font = MessageFont(dpi);
        const BoxColours colours = presenter->Colours();
        if (colours.dark) {
            areaBrush = CreateSolidBrush(Colour(colours.messageArea));
            bandBrush = CreateSolidBrush(Colour(colours.buttonBand));
            textColour = Colour(colours.text);
        } else {
            areaBrush = CreateSolidBrush(GetSysColor(colours.windowColourMessageArea ? COLOR_WINDOW : COLOR_3DFACE));
            bandBrush = CreateSolidBrush(GetSysColor(COLOR_3DFACE));
            textColour = GetSysColor(colours.windowColourMessageArea ? COLOR_WINDOWTEXT : COLOR_BTNTEXT);
        }

        BoxMetrics metrics;
        metrics.dpi = dpi;
        HMONITOR monitor = MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(monitor, &info)) {
            const RECT& w = info.rcWork;
            metrics.workArea = BoxRect{w.left, w.top, w.right - w.left, w.bottom - w.top};
        }
        metrics.iconSize = MetricForDpi(SM_CXICON, dpi);
        metrics.checkGlyph = MetricForDpi(SM_CXMENUCHECK, dpi);
        Measure measure(window, font);
        measure.BaseUnits(metrics.baseUnitX, metrics.baseUnitY);
        const BoxLayout layout = presenter->Layout(metrics, measure);
        messageAreaHeight = layout.messageAreaHeight;

        auto place = [this](int id, const BoxRect& r) {
            HWND control = GetDlgItem(window, id);
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            MoveWindow(control, r.x, r.y, r.width, r.height, FALSE);
            return control;
        };
        if (layout.hasIcon) {
            HWND icon = place(xmb::kIconId, layout.icon);
            auto handle = static_cast<HICON>(LoadImageW(nullptr, SystemIcon(presenter->Icon()), IMAGE_ICON,
                                                        layout.icon.width, layout.icon.height, LR_SHARED));
            SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(handle), 0);
        }
        place(xmb::kTextId, layout.text);
        SetDlgItemTextW(window, xmb::kTextId, Wide(presenter->Text()).c_str());
        if (layout.hasCheckBox) {
            HWND check = place(xmb::kCheckBoxId, layout.checkBox);
            // The visual style draws a check box's text in its own colour:
            // the dark look draws it the classic way, in the box's colours.
            if (colours.dark) SetWindowTheme(check, L"", L"");
        }
        ThemeFacts* theme = Sys().theme;
        const bool darkButtons = colours.dark && theme && theme->DarkMode().supported;
        for (const BoxButton& b : layout.buttons) {
            HWND button = place(b.id, b.place);
            if (darkButtons) {
                theme->AllowDarkModeForWindow(button, true);
                SetWindowTheme(button, L"DarkMode_Explorer", nullptr);
            }
        }
        if (colours.dark && theme) theme->SetDarkTitleBar(window, true);

        // The window around the client area, placed on the owner.
        RECT frame{0, 0, layout.clientWidth, layout.clientHeight};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
        BoxRect ownerRect;
        RECT o{};
        const bool hasOwner = owner && IsWindowVisible(owner) && !IsIconic(owner) && GetWindowRect(owner, &o);
        if (hasOwner) ownerRect = BoxRect{o.left, o.top, o.right - o.left, o.bottom - o.top};
        const BoxRect r = presenter->Place(BoxSize{frame.right - frame.left, frame.bottom - frame.top},
                                           hasOwner ? &ownerRect : nullptr, metrics.workArea);
        SetWindowPos(window, presenter->Topmost() ? HWND_TOPMOST : nullptr, r.x, r.y, r.width, r.height,
                     SWP_NOACTIVATE | (presenter->Topmost() ? 0 : SWP_NOZORDER));

        SendMessageW(window, DM_SETDEFID, static_cast<WPARAM>(presenter->DefaultButton()), 0);
        presenter->Start(*this);
    }

    void Paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client{};
        GetClientRect(window, &client);
        RECT area = client;
        area.bottom = messageAreaHeight;
        FillRect(dc, &area, areaBrush);
        RECT band = client;
        band.top = messageAreaHeight;
        FillRect(dc, &band, bandBrush);
        EndPaint(window, &ps);
    }
};

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            d = reinterpret_cast<Dialog*>(lParam);
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            d->window = window;
            d->Initialise();
            SetFocus(GetDlgItem(window, d->presenter->DefaultButton()));
            return FALSE;
        }
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT:
            if (!d) break;
            d->Paint();
            return TRUE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            if (!d) break;
            auto dc = reinterpret_cast<HDC>(wParam);
            const bool inBand = message == WM_CTLCOLORBTN && GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != xmb::kCheckBoxId;
            SetTextColor(dc, d->textColour);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(inBand ? d->bandBrush : d->areaBrush);
        }
        case WM_TIMER:
            if (d) d->presenter->OnTimer(static_cast<int>(wParam), *d);
            return TRUE;
        case WM_COMMAND: {
            if (!d) break;
            const int id = LOWORD(wParam);
            if (id == xmb::kCheckBoxId) return TRUE;
            if (id == IDCANCEL && lParam == 0) {
                d->presenter->OnClose(*d);  // Escape
            } else if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
                d->presenter->OnButton(id, *d);
            }
            return TRUE;
        }
        case WM_CLOSE:
            if (d) d->presenter->OnClose(*d);
            return TRUE;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

int RunMessageBoxDialog(WindowHandle ownerHandle, MessageBoxPresenter& presenter) {
    HWND owner = static_cast<HWND>(ownerHandle);
    if (!owner) {
        if (HWND active = GetActiveWindow()) owner = GetLastActivePopup(active);
    }

    Template t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_NOIDLEMSG, WS_EX_DLGMODALFRAME,
               presenter.Caption());
    if (presenter.Icon() != 0) t.Item(kStaticClass, xmb::kIconId, SS_ICON);
    t.Item(kStaticClass, xmb::kTextId, SS_LEFT | SS_NOPREFIX);
    if (presenter.AgainBit() != 0) {
        t.Item(kButtonClass, xmb::kCheckBoxId, BS_AUTOCHECKBOX | WS_TABSTOP, presenter.CheckBoxLabel());
    }
    for (const BoxButton& b : presenter.Buttons()) {
        const DWORD kind = b.id == presenter.DefaultButton() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        t.Item(kButtonClass, b.id, kind | WS_TABSTOP, b.label);
    }

    if (presenter.Sound() && presenter.Icon() != 0) MessageBeep(presenter.Icon());

    Dialog dialog;
    dialog.presenter = &presenter;
    dialog.owner = owner;
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    HWND window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner, DialogProc,
                                             reinterpret_cast<LPARAM>(&dialog));
    if (!window) {
        if (ownerWasEnabled) EnableWindow(owner, TRUE);
        return 0;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    if (presenter.Foreground() || !owner) SetForegroundWindow(window);

    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg;
    while (!dialog.ended) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            quit = got == 0;
            quitCode = msg.wParam;
            break;
        }
        if (msg.message == WM_KEYDOWN && (msg.hwnd == window || IsChild(window, msg.hwnd)) &&
            presenter.OnKey(static_cast<char16_t>(msg.wParam), GetKeyState(VK_CONTROL) < 0, dialog)) {
            continue;
        }
        if (!IsDialogMessageW(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    // The owner gets the focus back before the box goes.
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    DestroyWindow(window);
    return dialog.answer;
}

}  // namespace quellora
