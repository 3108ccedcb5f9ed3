#include "ui/win32/theme_windows.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/platform.h"
#include "platform/startup_state.h"
#include "ui/theme.h"

namespace quellora::win32 {

namespace {

using OpenThemeDataForDpiFn = HTHEME(WINAPI*)(HWND, LPCWSTR, UINT);
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

constexpr UINT_PTR kCheckSubclass = 0x51C1;
constexpr UINT_PTR kLinkSubclass = 0x51C2;
constexpr UINT_PTR kListSubclass = 0x51C3;
constexpr UINT_PTR kDialogSubclass = 0x51C4;
constexpr UINT_PTR kGlowSubclass = 0x51C5;
constexpr UINT kMenuBarPaint = 0x0091;      // the menu bar's background
constexpr UINT kMenuBarItemPaint = 0x0092;  // one item of the menu bar

ThemeFacts* Facts() { return Sys().theme; }

// A subclass of ours is marked by a window property, which also carries its data.
constexpr wchar_t kCheckMark[] = L"QlDarkCheck";
constexpr wchar_t kLinkMark[] = L"QlDarkLink";
constexpr wchar_t kListMark[] = L"QlDarkList";
constexpr wchar_t kGlowMark[] = L"QlApplyGlow";

bool Subclassed(HWND window, const wchar_t* mark) { return GetPropW(window, mark) != nullptr; }

// Installs the subclass once; `data` is the subclass's reference data (may be null).
template <typename Data>
bool SubclassOnce(HWND window, SUBCLASSPROC proc, UINT_PTR id, const wchar_t* mark, Data* data) {
    if (Subclassed(window, mark) || !SetWindowSubclass(window, proc, id, reinterpret_cast<DWORD_PTR>(data))) {
        delete data;
        return false;
    }
    SetPropW(window, mark, data ? static_cast<HANDLE>(data) : reinterpret_cast<HANDLE>(1));
    return true;
}
bool Dark() { return State().darkTheme; }

// A solid brush of any colour that no control can destroy: the DC's own brush.
HBRUSH DcBrush(HDC dc, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

// The colour of the brush a parent answers WM_CTLCOLORSTATIC with.
COLORREF ParentStaticColour(HWND control, HDC dc) {
    HWND parent = GetParent(control);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    if (!brush) return GetSysColor(COLOR_BTNFACE);
    if (brush == GetStockObject(DC_BRUSH)) return GetDCBrushColor(dc);
    LOGBRUSH lb{};
    if (GetObjectW(brush, sizeof lb, &lb) == sizeof lb && lb.lbStyle == BS_SOLID) return lb.lbColor;
    return GetSysColor(COLOR_BTNFACE);
}

// Paints into a buffer of the client's size and copies it to the screen at once.
class Buffer {
public:
    Buffer(HDC target, int width, int height) : target_(target), width_(width), height_(height) {
        dc_ = CreateCompatibleDC(target);
        bitmap_ = CreateCompatibleBitmap(target, std::max(1, width), std::max(1, height));
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Buffer() {
        BitBlt(target_, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }

private:
    HDC target_;
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// ---- Tooltips

std::mutex g_tooltipsMutex;
std::vector<HWND> g_tooltips;

void ApplyTooltipTheme(HWND tip) {
    if (ThemeFacts* t = Facts()) t->AllowDarkModeForWindow(tip, Dark());
    SetWindowTheme(tip, Dark() ? L"DarkMode_Explorer" : nullptr, nullptr);
}

LRESULT CALLBACK TooltipProc(HWND tip, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        {
            std::lock_guard lock(g_tooltipsMutex);
            g_tooltips.erase(std::remove(g_tooltips.begin(), g_tooltips.end(), tip), g_tooltips.end());
        }
        RemoveWindowSubclass(tip, TooltipProc, id);
    }
    return DefSubclassProc(tip, message, wParam, lParam);
}

// ---- Check boxes and radio buttons painted in the dark theme

struct CheckData {
    bool hot = false;
};

HTHEME g_checkTheme = nullptr;
int g_checkThemeDpi = 0;

HTHEME CheckTheme(HWND button, int dpi) {
    if (g_checkTheme && g_checkThemeDpi == dpi) return g_checkTheme;
    if (g_checkTheme) CloseThemeData(g_checkTheme);
    static const auto forDpi = BindExport<OpenThemeDataForDpiFn>(LoadedModule(L"uxtheme.dll"), "OpenThemeDataForDpi");
    g_checkTheme = forDpi ? forDpi(button, L"DarkMode_Explorer::Button", static_cast<UINT>(dpi))
                          : OpenThemeData(button, L"DarkMode_Explorer::Button");
    g_checkThemeDpi = dpi;
    return g_checkTheme;
}

void PaintCheck(HWND button, HDC target, const CheckData& data) {
    RECT client{};
    GetClientRect(button, &client);
    Buffer buffer(target, client.right, client.bottom);
    HDC dc = buffer.dc();
    const int dpi = WindowDpi(button);
    const auto style = static_cast<uint32_t>(GetWindowLongW(button, GWL_STYLE));
    const auto state = static_cast<UINT>(SendMessageW(button, BM_GETSTATE, 0, 0));
    CheckState s;
    s.radio = IsRadio(style);
    s.check = (state & BST_INDETERMINATE) ? 2 : (state & BST_CHECKED) ? 1 : 0;
    s.enabled = IsWindowEnabled(button) != FALSE;
    s.pressed = (state & BST_PUSHED) != 0;
    s.hot = data.hot;
    s.focused = GetFocus() == button;
    s.focusCues = (SendMessageW(button, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
    const Rect r{client.left, client.top, client.right, client.bottom};
    const CheckPaint p = PlanCheckPaint(r, dpi, s);

    HWND parent = GetParent(button);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button)));
    FillRect(dc, &client, brush ? brush : DcBrush(dc, kDarkDialogBackground));

    RECT glyph{p.glyph.left, p.glyph.top, p.glyph.right, p.glyph.bottom};
    if (HTHEME theme = CheckTheme(button, dpi)) {
        DrawThemeBackground(theme, dc, p.part, p.state, &glyph, nullptr);
    } else {
        UINT kind = s.radio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
        if (s.check) kind |= DFCS_CHECKED;
        if (!s.enabled) kind |= DFCS_INACTIVE;
        if (s.pressed) kind |= DFCS_PUSHED;
        DrawFrameControl(dc, &glyph, DFC_BUTTON, kind);
    }

    wchar_t text[512];
    const int length = GetWindowTextW(button, text, 512);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, p.textColour);
    RECT textRect{p.text.left, p.text.top, p.text.right, p.text.bottom};
    UINT flags = DT_LEFT | ((style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER);
    if (SendMessageW(button, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) flags |= DT_HIDEPREFIX;
    if (style & BS_MULTILINE) {
        // Several lines stand in the middle too.
        RECT measure = textRect;
        DrawTextW(dc, text, length, &measure, flags | DT_CALCRECT);
        const int h = measure.bottom - measure.top;
        textRect.top += std::max(0L, (textRect.bottom - textRect.top - h) / 2);
    }
    DrawTextW(dc, text, length, &textRect, flags);
    if (p.focusRect) {
        RECT focus = textRect;
        DrawTextW(dc, text, length, &focus, flags | DT_CALCRECT);
        InflateRect(&focus, 1, 1);
        DrawFocusRect(dc, &focus);
    }
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK CheckProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR ref) {
    auto* data = reinterpret_cast<CheckData*>(ref);
    switch (message) {
        case WM_NCDESTROY:
            RemoveWindowSubclass(button, CheckProc, id);
            RemovePropW(button, kCheckMark);
            delete data;
            return DefSubclassProc(button, message, wParam, lParam);
        default:
            break;
    }
    if (!Dark()) return DefSubclassProc(button, message, wParam, lParam);
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
        case WM_PRINTCLIENT: {
            PAINTSTRUCT ps{};
            HDC dc = message == WM_PAINT ? BeginPaint(button, &ps) : reinterpret_cast<HDC>(wParam);
            PaintCheck(button, dc, *data);
            if (message == WM_PAINT) EndPaint(button, &ps);
            return 0;
        }
        case WM_MOUSEMOVE:
            if (!data->hot) {
                data->hot = true;
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, button, 0};
                TrackMouseEvent(&track);
                InvalidateRect(button, nullptr, FALSE);
            }
            break;
        case WM_MOUSELEAVE:
            data->hot = false;
            InvalidateRect(button, nullptr, FALSE);
            break;
        case BM_SETCHECK:
        case BM_SETSTATE:
        case WM_ENABLE:
        case WM_SETTEXT:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_UPDATEUISTATE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_KEYDOWN:
        case WM_KEYUP: {
            // The button paints itself at once on these; the dark look follows at once.
            const LRESULT result = DefSubclassProc(button, message, wParam, lParam);
            RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            return result;
        }
        default:
            break;
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

// ---- Links on a dark background

thread_local HWND t_plainHidden = nullptr;  // the link whose plain text is drawn in the background colour

struct DibImage {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* pixels = nullptr;
    DibImage(HDC compatible, int width, int height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        dc = CreateCompatibleDC(compatible);
        bitmap = CreateDIBSection(compatible, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<uint32_t*>(bits);
        if (bitmap) old = SelectObject(dc, bitmap);
    }
    ~DibImage() {
        if (old) SelectObject(dc, old);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
};

void PaintLink(HWND link, HDC target) {
    RECT client{};
    GetClientRect(link, &client);
    const int w = client.right, h = client.bottom;
    if (w <= 0 || h <= 0) return;
    DibImage normal(target, w, h), plain(target, w, h);
    if (!normal.pixels || !plain.pixels) {
        DefSubclassProc(link, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target), PRF_CLIENT);
        return;
    }
    const COLORREF background = ParentStaticColour(link, normal.dc);
    for (DibImage* image : {&normal, &plain}) {
        FillRect(image->dc, &client, DcBrush(image->dc, background));
        if (image == &plain) t_plainHidden = link;
        DefSubclassProc(link, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(image->dc), PRF_CLIENT);
        t_plainHidden = nullptr;
    }
    GdiFlush();
    if (IsDarkColour(background)) {
        RecolourLink(normal.pixels, plain.pixels, static_cast<size_t>(w) * static_cast<size_t>(h), background,
                     IsWindowEnabled(link) ? kLinkColour : kDisabledLinkColour);
    }
    BitBlt(target, 0, 0, w, h, normal.dc, 0, 0, SRCCOPY);
}

LRESULT CALLBACK LinkProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(link, LinkProc, id);
        RemovePropW(link, kLinkMark);
        return DefSubclassProc(link, message, wParam, lParam);
    }
    if (!Dark()) return DefSubclassProc(link, message, wParam, lParam);
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps{};
            HDC dc = BeginPaint(link, &ps);
            PaintLink(link, dc);
            EndPaint(link, &ps);
            return 0;
        }
        default:
            break;
    }
    return DefSubclassProc(link, message, wParam, lParam);
}

// ---- List views

struct ListData {
    COLORREF headerText = 0;
};

void ReadHeaderText(HWND list, ListData& data) {
    data.headerText = GetSysColor(COLOR_WINDOWTEXT);
    HWND header = ListView_GetHeader(list);
    if (HTHEME theme = OpenThemeData(header, L"Header")) {
        COLORREF c = 0;
        if (SUCCEEDED(GetThemeColor(theme, HP_HEADERITEM, 0, TMT_TEXTCOLOR, &c))) data.headerText = c;
        CloseThemeData(theme);
    }
}

LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR ref) {
    auto* data = reinterpret_cast<ListData*>(ref);
    switch (message) {
        case WM_NCDESTROY:
            RemoveWindowSubclass(list, ListProc, id);
            RemovePropW(list, kListMark);
            delete data;
            break;
        case WM_THEMECHANGED:
            ReadHeaderText(list, *data);
            break;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (Dark() && header->code == NM_CUSTOMDRAW && header->hwndFrom == ListView_GetHeader(list)) {
                auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(lParam);
                if (draw->dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
                if (draw->dwDrawStage == CDDS_ITEMPREPAINT) {
                    SetTextColor(draw->hdc, data->headerText);
                    return CDRF_DODEFAULT;
                }
            }
            break;
        }
        default:
            break;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

// ---- Dialog colours

struct DialogData {
    std::vector<int> controls;
};

LRESULT CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR ref) {
    auto* data = reinterpret_cast<DialogData*>(ref);
    switch (message) {
        case WM_NCDESTROY:
            RemoveWindowSubclass(dialog, DialogProc, id);
            delete data;
            break;
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLORSCROLLBAR:
            if (HBRUSH brush = DarkControlColour(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) {
                return reinterpret_cast<LRESULT>(brush);
            }
            break;
        case WM_THEMECHANGED: {
            RefreshTheme();
            ThemeTitleBar(dialog);
            for (int control : data->controls) {
                HWND child = GetDlgItem(dialog, control);
                if (!child) continue;
                if (ThemeFacts* t = Facts()) t->AllowDarkModeForWindow(child, Dark());
                wchar_t cls[64]{};
                GetClassNameW(child, cls, 64);
                const auto style = static_cast<uint32_t>(GetWindowLongW(child, GWL_STYLE));
                const bool push = lstrcmpiW(cls, L"Button") == 0 &&
                                  (((style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON) || (style & BS_PUSHLIKE));
                SetWindowTheme(child, push ? L"Explorer" : L"", push ? nullptr : L"");
            }
            RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
            break;
        }
        default:
            break;
    }
    return DefSubclassProc(dialog, message, wParam, lParam);
}

// ---- The menu bar

struct UahMenu {
    HMENU menu;
    HDC dc;
    DWORD flags;
};
union UahMenuItemMetrics {
    struct {
        DWORD cx;
        DWORD cy;
    } bar[2];
    struct {
        DWORD cx;
        DWORD cy;
    } popup[4];
};
struct UahMenuPopupMetrics {
    DWORD widths[4];
    DWORD updateMaxWidths : 2;
};
struct UahMenuItem {
    int position;
    UahMenuItemMetrics metrics;
    UahMenuPopupMetrics popupMetrics;
};
struct UahDrawMenuItem {
    DRAWITEMSTRUCT item;
    UahMenu menu;
    UahMenuItem menuItem;
};

HTHEME g_menuTheme = nullptr;

// ---- The glow behind Apply

struct GlowData {
    bool on = false;
    uint64_t start = 0;
    bool animations = true;
    bool highContrast = false;
    uint32_t accent = glow::kFallbackAccent;
};

void ReadGlowFacts(GlowData& g) {
    ThemeFacts* t = Facts();
    g.animations = !t || t->ClientAreaAnimations();
    g.highContrast = t && t->HighContrast();
    uint32_t colour = 0;
    const bool have = t && t->AccentColour(colour);
    g.accent = GlowAccent(have, colour, Dark());
}

void PaintGlow(HWND frame, HDC target, const GlowData& g) {
    RECT client{};
    GetClientRect(frame, &client);
    Buffer buffer(target, client.right, client.bottom);
    HDC dc = buffer.dc();
    HWND parent = GetParent(frame);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(frame)));
    COLORREF base = GetSysColor(COLOR_BTNFACE);
    if (brush) {
        if (brush == GetStockObject(DC_BRUSH)) {
            base = GetDCBrushColor(dc);
        } else {
            LOGBRUSH lb{};
            if (GetObjectW(brush, sizeof lb, &lb) == sizeof lb && lb.lbStyle == BS_SOLID) base = lb.lbColor;
        }
    }
    FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
    if (!g.on || g.highContrast) return;
    HWND button = static_cast<HWND>(GetPropW(frame, L"QlApplyGlowButton"));
    if (!button) return;
    RECT b{};
    GetWindowRect(button, &b);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&b), 2);
    const double a = GlowIntensity(GetTickCount64(), g.start, g.animations);
    for (const GlowRing& ring : GlowRings(Rect{0, 0, client.right, client.bottom}, Rect{b.left, b.top, b.right, b.bottom},
                                          base, g.accent, a)) {
        HPEN pen = CreatePen(PS_SOLID, 1, ring.colour);
        HBRUSH fill = CreateSolidBrush(ring.colour);
        HGDIOBJ oldPen = SelectObject(dc, pen);
        HGDIOBJ oldBrush = SelectObject(dc, fill);
        RoundRect(dc, ring.rect.left, ring.rect.top, ring.rect.right, ring.rect.bottom, ring.corner, ring.corner);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(pen);
        DeleteObject(fill);
    }
}

void UpdateGlowTimer(HWND frame, const GlowData& g) {
    if (GlowAnimates(g.on, g.animations, g.highContrast)) {
        SetTimer(frame, glow::kTimer, glow::kTimerMs, nullptr);
    } else {
        KillTimer(frame, glow::kTimer);
    }
}

LRESULT CALLBACK GlowProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR ref) {
    auto* g = reinterpret_cast<GlowData*>(ref);
    switch (message) {
        case WM_NCDESTROY:
            KillTimer(frame, glow::kTimer);
            RemovePropW(frame, L"QlApplyGlowButton");
            RemovePropW(frame, kGlowMark);
            RemoveWindowSubclass(frame, GlowProc, id);
            delete g;
            return DefSubclassProc(frame, message, wParam, lParam);
        case WM_TIMER:
            if (wParam == glow::kTimer) {
                if (IsWindowVisible(frame) && !IsIconic(GetAncestor(frame, GA_ROOT))) InvalidateRect(frame, nullptr, FALSE);
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps{};
            HDC dc = BeginPaint(frame, &ps);
            PaintGlow(frame, dc, *g);
            EndPaint(frame, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintGlow(frame, reinterpret_cast<HDC>(wParam), *g);
            return 0;
        case WM_THEMECHANGED:
            ReadGlowFacts(*g);
            UpdateGlowTimer(frame, *g);
            InvalidateRect(frame, nullptr, FALSE);
            break;
        default:
            break;
    }
    return DefSubclassProc(frame, message, wParam, lParam);
}

GlowData* GlowOf(HWND page) {
    HWND frame = GetDlgItem(page, glow::kFrameId);
    return frame ? static_cast<GlowData*>(GetPropW(frame, kGlowMark)) : nullptr;
}

BOOL CALLBACK ThemeChild(HWND child, LPARAM pageParam) {
    HWND page = reinterpret_cast<HWND>(pageParam);
    if (GetParent(child) != page) return TRUE;  // the page's own children only
    wchar_t cls[64]{};
    GetClassNameW(child, cls, 64);
    const auto style = static_cast<uint32_t>(GetWindowLongW(child, GWL_STYLE));
    const bool dark = Dark();
    const ControlTheme t = ThemeForControl(FromWide(cls), style, dark);
    ThemeFacts* facts = Facts();
    using S = ControlTheme::Style;
    switch (t.style) {
        case S::Keep:
            return TRUE;
        case S::ItemsView:
            ThemeListView(child);
            break;
        case S::Explorer:
            if (facts) facts->AllowDarkModeForWindow(child, t.allowDark);
            SetWindowTheme(child, L"Explorer", nullptr);
            break;
        case S::DarkCombo:
        case S::None: {
            if (facts) facts->AllowDarkModeForWindow(child, t.allowDark);
            if (t.style == S::DarkCombo) {
                // A visual style without this class (Wine's Light style has
                // none of the dark ones) falls back to its light "Combobox":
                // the field still takes the dark colours, the frame and the
                // drop-down button stay light.
                SetWindowTheme(child, L"DarkMode_CFD", nullptr);
            } else {
                SetWindowTheme(child, L"", L"");
            }
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            if (lstrcmpiW(cls, L"ComboBox") == 0 && GetComboBoxInfo(child, &info) && info.hwndList) {
                if (facts) facts->AllowDarkModeForWindow(info.hwndList, dark);
                SetWindowTheme(info.hwndList, L"", L"");
            }
            break;
        }
    }
    if (t.recolourLink) SubclassOnce<CheckData>(child, LinkProc, kLinkSubclass, kLinkMark, nullptr);
    if (t.paintedInDark && !Subclassed(child, kCheckMark)) {
        SubclassOnce(child, CheckProc, kCheckSubclass, kCheckMark, new CheckData);
    }
    return TRUE;
}

}  // namespace

void RefreshTheme() {
    RefreshDarkTheme();
    SetPalette(State().darkTheme,
               SystemColours{GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_MENU)});
    if (g_menuTheme) {
        CloseThemeData(g_menuTheme);
        g_menuTheme = nullptr;
    }
    if (g_checkTheme) {
        CloseThemeData(g_checkTheme);
        g_checkTheme = nullptr;
        g_checkThemeDpi = 0;
    }
}

bool DarkThemeNow() { return Dark(); }

int WindowDpi(HWND window) {
    static const auto get = BindExport<GetDpiForWindowFn>(LoadedModule(L"user32.dll"), "GetDpiForWindow");
    if (get && window) {
        if (UINT dpi = get(window)) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

void ThemeTitleBar(HWND window) {
    ThemeFacts* t = Facts();
    if (!t || !State().darkModeSupported) return;
    t->AllowDarkModeForWindow(window, Dark());
    const bool dark = t->IsDarkModeAllowedForWindow(window) && t->AppsUseDarkMode() && !t->HighContrast();
    t->SetDarkTitleBar(window, dark);
}

void ThemeChildren(HWND page) {
    EnumChildWindows(page, ThemeChild, reinterpret_cast<LPARAM>(page));
    RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void ThemeListView(HWND list) {
    HWND header = ListView_GetHeader(list);
    const bool dark = Dark();
    if (ThemeFacts* t = Facts()) {
        t->AllowDarkModeForWindow(list, dark);
        if (header) t->AllowDarkModeForWindow(header, dark);
    }
    SetWindowTheme(list, L"ItemsView", nullptr);
    if (header) SetWindowTheme(header, L"ItemsView", nullptr);
    const Palette p = CurrentPalette();
    ListView_SetBkColor(list, p[palette::kListBackground]);
    ListView_SetTextBkColor(list, p[palette::kListBackground]);
    ListView_SetTextColor(list, p[palette::kListText]);
    SendMessageW(list, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    if (!Subclassed(list, kListMark)) {
        auto* data = new ListData;
        ReadHeaderText(list, *data);
        SubclassOnce(list, ListProc, kListSubclass, kListMark, data);
    }
    SendMessageW(list, WM_THEMECHANGED, 0, 0);
}

void ThemeTooltip(HWND tip) {
    {
        std::lock_guard lock(g_tooltipsMutex);
        if (std::find(g_tooltips.begin(), g_tooltips.end(), tip) == g_tooltips.end()) {
            g_tooltips.push_back(tip);
            SetWindowSubclass(tip, TooltipProc, 1, 0);
        }
    }
    ApplyTooltipTheme(tip);
}

void RethemeTooltips() {
    std::vector<HWND> tips;
    {
        std::lock_guard lock(g_tooltipsMutex);
        tips = g_tooltips;
    }
    for (HWND tip : tips) ApplyTooltipTheme(tip);
}

HBRUSH DarkControlColour(UINT message, HDC dc, HWND control) {
    if (!Dark()) return nullptr;
    const Palette p = CurrentPalette();
    if (message == WM_CTLCOLORLISTBOX) {
        SetTextColor(dc, p[palette::kListText]);
        SetBkColor(dc, p[palette::kListBackground]);
        return DcBrush(dc, p[palette::kListBackground]);
    }
    const COLORREF background = kDarkDialogBackground;
    // A link painted with its plain text hidden (see the link recolouring).
    SetTextColor(dc, control && control == t_plainHidden ? background : kDarkDialogText);
    SetBkColor(dc, background);
    if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) SetBkMode(dc, TRANSPARENT);
    return DcBrush(dc, background);
}

bool AnswerControlColour(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer) {
    switch (message) {
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            answer = reinterpret_cast<INT_PTR>(
                DarkControlColour(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
            return true;
        default:
            return false;
    }
}

void SubclassDialogColours(HWND dialog, std::initializer_list<int> controls) {
    auto* data = new DialogData{std::vector<int>(controls)};
    if (!SetWindowSubclass(dialog, DialogProc, kDialogSubclass, reinterpret_cast<DWORD_PTR>(data))) delete data;
}

bool PaintDarkMenuBar(HWND window, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if ((message != kMenuBarPaint && message != kMenuBarItemPaint) || !Dark()) return false;
    if (!g_menuTheme) g_menuTheme = OpenThemeData(window, L"Menu");
    if (!g_menuTheme) return false;
    if (message == kMenuBarPaint) {
        auto* menu = reinterpret_cast<UahMenu*>(lParam);
        MENUBARINFO bar{};
        bar.cbSize = sizeof bar;
        if (!GetMenuBarInfo(window, OBJID_MENU, 0, &bar)) return false;
        RECT windowRect{};
        GetWindowRect(window, &windowRect);
        RECT r = bar.rcBar;
        OffsetRect(&r, -windowRect.left, -windowRect.top);
        DrawThemeBackground(g_menuTheme, menu->dc, kMenuBarPart, 1, &r, nullptr);
    } else {
        auto* draw = reinterpret_cast<UahDrawMenuItem*>(lParam);
        wchar_t text[256]{};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 255;
        GetMenuItemInfoW(draw->menu.menu, static_cast<UINT>(draw->menuItem.position), TRUE, &info);
        const UINT s = draw->item.itemState;
        const int state = MenuBarItemState((s & (ODS_INACTIVE | ODS_DISABLED)) != 0, (s & ODS_GRAYED) != 0,
                                           (s & ODS_SELECTED) != 0, (s & ODS_HOTLIGHT) != 0);
        DrawThemeBackground(g_menuTheme, draw->item.hDC, kMenuBarPart, state, &draw->item.rcItem, nullptr);
        DWORD flags = DT_CENTER | DT_SINGLELINE | DT_VCENTER;
        if (s & ODS_NOACCEL) flags |= DT_HIDEPREFIX;
        DrawThemeText(g_menuTheme, draw->item.hDC, kMenuBarPart, state, text, -1, flags, 0, &draw->item.rcItem);
    }
    result = TRUE;
    return true;
}

bool AnswerMenuDialogTheme(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer) {
    LRESULT menuResult = 0;
    if (PaintDarkMenuBar(dialog, message, wParam, lParam, menuResult)) {
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, menuResult);
        answer = TRUE;
        return true;
    }
    return AnswerControlColour(message, wParam, lParam, answer);
}

void InstallGlow(HWND page) {
    HWND frame = GetDlgItem(page, glow::kFrameId);
    HWND button = GetDlgItem(page, glow::kButtonId);
    if (!frame || !button) return;
    SetPropW(frame, L"QlApplyGlowButton", button);
    if (Subclassed(frame, kGlowMark)) return;
    auto* g = new GlowData;
    ReadGlowFacts(*g);
    SubclassOnce(frame, GlowProc, kGlowSubclass, kGlowMark, g);
}

void SetGlow(HWND page, bool on) {
    GlowData* g = GlowOf(page);
    if (!g) return;
    HWND frame = GetDlgItem(page, glow::kFrameId);
    if (on && !g->on) g->start = GetTickCount64();
    g->on = on;
    ReadGlowFacts(*g);
    UpdateGlowTimer(frame, *g);
    InvalidateRect(frame, nullptr, FALSE);
}

bool GlowOn(HWND page) {
    const GlowData* g = GlowOf(page);
    return g && g->on;
}

}  // namespace quellora::win32
