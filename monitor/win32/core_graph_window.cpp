// The core utilisation graph's window. Where the bars stand, what they show
// and what their tooltips say is decided by the process-wide CoreGraph; this
// file makes the windows, places them, paints the bars and answers the
// tooltips.
#include "monitor/win32/core_graph_window.h"

#include "platform/win32/wide.h"
//
#include <commctrl.h>
#include <uxtheme.h>

#include <memory>
#include <vector>

#include "monitor/core_graph.h"

namespace quellora {

namespace {

using win32::Wide;

#ifndef PBM_SETSTATE
#define PBM_SETSTATE (WM_USER + 16)
#endif
#ifndef PBST_NORMAL
#define PBST_NORMAL 0x0001
#define PBST_ERROR 0x0002
#endif

struct Bar {
    HWND window = nullptr;
    HWND tip = nullptr;
    size_t node = 0;
    size_t index = 0;
    bool parked = false;  // shown in the parked colour
    bool efficient = false;
    bool laidOutVisible = false;
};

struct Group {
    HWND box = nullptr;
    size_t node = 0;
    bool laidOutVisible = false;
    std::vector<std::unique_ptr<Bar>> bars;
    std::wstring tipText;  // the text a tooltip shows, while it shows
};

enum Brush { kFillBrush, kBarBackgroundBrush, kFrameBrush, kBackgroundBrush, kParkedBrush, kBrushCount };

struct Graph {
    bool registered = false;
    HWND control = nullptr;
    HFONT font = nullptr;
    bool fontTried = false;
    CoreGraphColours colours;
    HBRUSH brushes[kBrushCount] = {};
    HBITMAP emblem = nullptr;  // the host's
    bool emblemForLight = true;
    int emblemWidth = 0, emblemHeight = 0;
    HBITMAP darkEmblem = nullptr;  // the emblem with its white made black, ORed onto a dark bar
    bool dark = false;
    bool unthemedBars = false;
    std::vector<std::unique_ptr<Group>> groups;
};

Graph& G() {
    static Graph graph;
    return graph;
}

// The bars of the window, for the graph's updates.
class WindowBars : public GraphBars {
public:
    void SetPosition(size_t node, size_t index, uint32_t position) override {
        if (Bar* bar = Find(node, index)) PostMessageW(bar->window, PBM_SETPOS, position, 0);
    }
    void ShowParked(size_t node, size_t index, bool parked) override {
        Bar* bar = Find(node, index);
        if (!bar) return;
        bar->parked = parked;
        if (parked) PostMessageW(bar->window, PBM_SETPOS, 0, 0);
        PostMessageW(bar->window, PBM_SETSTATE, parked ? PBST_ERROR : PBST_NORMAL, 0);
        InvalidateRect(bar->window, nullptr, FALSE);
    }

private:
    static Bar* Find(size_t node, size_t index) {
        Graph& g = G();
        if (node >= g.groups.size() || index >= g.groups[node]->bars.size()) return nullptr;
        return g.groups[node]->bars[index].get();
    }
};

WindowBars& Bars() {
    static WindowBars bars;
    return bars;
}

void FillWith(HDC dc, const RECT& r, HBRUSH brush) {
    if (brush) FillRect(dc, &r, brush);
}

// Fills a window's client area with the control's background brush; false when there is none yet.
bool FillBackground(HWND window, HDC dc) {
    HBRUSH brush = G().brushes[kBackgroundBrush];
    if (!brush) return false;
    RECT r{};
    GetClientRect(window, &r);
    FillRect(dc, &r, brush);
    return true;
}

// The emblem for a dark bar: the bitmap's pure white made black (a mask of
// the white, inverted into a copy), so that ORing it leaves the bar as it is
// where the emblem is blank.
HBITMAP MakeDarkEmblem(HBITMAP emblem, int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HDC maskDc = CreateCompatibleDC(screen);
    HDC copyDc = CreateCompatibleDC(screen);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    HBITMAP copy = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldSource = SelectObject(source, emblem);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    HGDIOBJ oldCopy = SelectObject(copyDc, copy);
    SetBkColor(source, RGB(255, 255, 255));
    BitBlt(maskDc, 0, 0, width, height, source, 0, 0, SRCCOPY);  // white -> 1
    BitBlt(copyDc, 0, 0, width, height, source, 0, 0, SRCCOPY);
    SetTextColor(copyDc, RGB(0, 0, 0));
    SetBkColor(copyDc, RGB(255, 255, 255));
    BitBlt(copyDc, 0, 0, width, height, maskDc, 0, 0, SRCINVERT);  // white XOR white = black
    SelectObject(source, oldSource);
    SelectObject(maskDc, oldMask);
    SelectObject(copyDc, oldCopy);
    DeleteObject(mask);
    DeleteDC(source);
    DeleteDC(maskDc);
    DeleteDC(copyDc);
    ReleaseDC(nullptr, screen);
    return copy;
}

// One off-screen picture for every bar, made once and grown when a bar is
// larger: a device-independent bitmap, which the system draws into in
// memory, so a paint costs no new bitmap and one copy to the screen.
HDC PaintBuffer(int width, int height) {
    static HDC dc = nullptr;
    static HBITMAP bitmap = nullptr;
    static int bufferWidth = 0, bufferHeight = 0;
    if (dc && width <= bufferWidth && height <= bufferHeight) return dc;
    const int w = std::max(width, bufferWidth), h = std::max(height, bufferHeight);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP grown = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!grown) return dc;
    if (!dc) dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, grown);
    if (bitmap) DeleteObject(bitmap);
    bitmap = grown;
    bufferWidth = w;
    bufferHeight = h;
    return dc;
}

void PaintBar(HWND window, HDC target, const Bar& bar) {
    Graph& g = G();
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return;
    HDC mem = PaintBuffer(width, height);
    if (!mem) return;

    if (bar.parked) {
        FillWith(mem, client, g.brushes[kParkedBrush]);
        if (g.brushes[kFrameBrush]) FrameRect(mem, &client, g.brushes[kFrameBrush]);
    } else {
        FillWith(mem, client, g.brushes[kBarBackgroundBrush]);
        if (g.brushes[kFrameBrush]) FrameRect(mem, &client, g.brushes[kFrameBrush]);
        PBRANGE range{};
        SendMessageW(window, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
        const int position = static_cast<int>(SendMessageW(window, PBM_GETPOS, 0, 0));
        const GraphRect fill = BarFill(width, height, position, range.iLow, range.iHigh);
        if (fill.height > 0 && fill.width > 0) {
            const RECT r{fill.x, fill.y, fill.x + fill.width, fill.y + fill.height};
            FillWith(mem, r, g.brushes[kFillBrush]);
        }
    }

    if (bar.efficient && g.emblem) {
        const EmblemPlace place = PlaceEmblem(width, height, g.emblemWidth, g.emblemHeight);
        if (place.kind == EmblemPlace::Kind::Emblem) {
            HDC source = CreateCompatibleDC(target);
            const bool light = g.emblemForLight || !g.darkEmblem;
            HGDIOBJ old = SelectObject(source, light ? g.emblem : g.darkEmblem);
            BitBlt(mem, place.rect.x, place.rect.y, place.rect.width, place.rect.height, source, 0, 0,
                   light ? SRCAND : SRCPAINT);
            SelectObject(source, old);
            DeleteDC(source);
        } else if (place.kind == EmblemPlace::Kind::Circle && g.brushes[kFrameBrush]) {
            HGDIOBJ oldBrush = SelectObject(mem, g.brushes[kFrameBrush]);
            HPEN pen = CreatePen(PS_SOLID, 1, g.colours.frame);
            HGDIOBJ oldPen = SelectObject(mem, pen);
            Ellipse(mem, place.rect.x, place.rect.y, place.rect.x + place.rect.width, place.rect.y + place.rect.height);
            SelectObject(mem, oldPen);
            SelectObject(mem, oldBrush);
            DeleteObject(pen);
        }
    }

    BitBlt(target, 0, 0, width, height, mem, 0, 0, SRCCOPY);
}

LRESULT CALLBACK BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
    const Bar* bar = reinterpret_cast<const Bar*>(data);
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_NCCALCSIZE:
            return 0;  // no frame of its own: the client area is the whole window
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            PaintBar(window, dc, *bar);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintBar(window, reinterpret_cast<HDC>(wParam), *bar);
            return 0;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, BarProc, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// The group box in the graph's colours: a one-pixel frame in the frame
// colour and the node's label in the text colour (the system's classic box
// would draw its etched frame and, on some systems, ignore the text colour).
void PaintGroup(HWND window, HDC dc) {
    Graph& g = G();
    RECT client{};
    GetClientRect(window, &client);
    FillWith(dc, client, g.brushes[kBackgroundBrush]);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    wchar_t text[128] = {};
    const int length = GetWindowTextW(window, text, 128);
    RECT frame{client.left, client.top + tm.tmHeight / 2, client.right, client.bottom};
    if (g.brushes[kFrameBrush]) FrameRect(dc, &frame, g.brushes[kFrameBrush]);
    if (length > 0) {
        SIZE extent{};
        GetTextExtentPoint32W(dc, text, length, &extent);
        RECT behind{6, 0, std::min<LONG>(client.right - 2, 6 + extent.cx + 4), tm.tmHeight};
        FillWith(dc, behind, g.brushes[kBackgroundBrush]);
        SetTextColor(dc, g.colours.text);
        SetBkMode(dc, TRANSPARENT);
        RECT place{8, 0, behind.right, tm.tmHeight};
        DrawTextW(dc, text, length, &place, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (oldFont) SelectObject(dc, oldFont);
}

LRESULT CALLBACK GroupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
    Group* group = reinterpret_cast<Group*>(data);
    Graph& g = G();
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            PaintGroup(window, dc);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintGroup(window, reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            if (FillBackground(window, reinterpret_cast<HDC>(wParam))) return 1;
            break;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->code == TTN_GETDISPINFOW) {
                auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
                SendMessageW(header->hwndFrom, TTM_SETMAXTIPWIDTH, 0, core_graph::kTipWidth);
                const HWND barWindow = reinterpret_cast<HWND>(header->idFrom);
                for (const auto& bar : group->bars) {
                    if (bar->window != barWindow) continue;
                    group->tipText = Wide(TheCoreGraph().TipText(bar->node, bar->index));
                    info->lpszText = group->tipText.data();
                    info->hinst = nullptr;
                    break;
                }
                return 0;
            }
            if (header->code == TTN_SHOW) {
                // One tooltip at a time over the whole graph.
                for (const auto& other : g.groups) {
                    for (const auto& bar : other->bars) {
                        if (bar->tip && bar->tip != header->hwndFrom) SendMessageW(bar->tip, TTM_POP, 0, 0);
                    }
                }
                return 0;
            }
            break;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, GroupProc, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Graph& g = G();
    switch (message) {
        case WM_CREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            return 0;
        }
        case WM_ERASEBKGND:
            return FillBackground(window, reinterpret_cast<HDC>(wParam)) ? 1 : 0;
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, g.colours.text);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(g.brushes[kBackgroundBrush]);
        }
        case core_graph::kStartMonitoring:
            TheCoreGraph().StartMonitoring();
            return 0;
        case core_graph::kStopMonitoring:
            TheCoreGraph().StopMonitoring();
            return 0;
        case core_graph::kSetTipText: {
            const auto* tip = reinterpret_cast<const CoreGraphTipText*>(lParam);
            if (tip) TheCoreGraph().SetTipText(tip->node, tip->index, tip->text);
            return 0;
        }
        case WM_DESTROY:
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void DeleteBrushes() {
    Graph& g = G();
    for (HBRUSH& b : g.brushes) {
        if (b) DeleteObject(b);
        b = nullptr;
    }
}

void EnsureFont() {
    Graph& g = G();
    if (g.fontTried) return;
    g.fontTried = true;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        g.font = CreateFontIndirectW(&metrics.lfCaptionFont);
    }
}

int LabelHeight() {
    Graph& g = G();
    if (!g.font || g.groups.empty()) return GroupLabelHeight(false, 0, 0);
    HDC dc = GetDC(g.groups.front()->box);
    HGDIOBJ old = SelectObject(dc, g.font);
    TEXTMETRICW tm{};
    const bool read = GetTextMetricsW(dc, &tm) != 0;
    SelectObject(dc, old);
    ReleaseDC(g.groups.front()->box, dc);
    return read ? GroupLabelHeight(true, tm.tmHeight, tm.tmExternalLeading) : GroupLabelHeight(false, 0, 0);
}

void ApplyBarTheme(HWND bar) {
    Graph& g = G();
    if (g.unthemedBars) SetWindowTheme(bar, L"", L"");
    else SetWindowTheme(bar, L"Explorer", nullptr);
}

}  // namespace

bool RegisterCoreGraph(std::u16string_view singleNode, std::u16string_view nodeFormat, std::u16string_view parked,
                       std::u16string_view efficient) {
    TheCoreGraph().SetLabels(singleNode, nodeFormat, parked, efficient);
    Graph& g = G();
    if (g.registered) return true;
    const std::wstring name = Wide(core_graph::kClassName);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ControlProc;
    wc.cbWndExtra = 8;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name.c_str();
    g.registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return g.registered;
}

bool CreateCoreGraph(HWND parent, int x, int y, int width, int height) {
    Graph& g = G();
    if (!g.registered) return false;
    DestroyCoreGraph();
    CoreGraph& graph = TheCoreGraph();
    const std::wstring name = Wide(core_graph::kClassName);
    g.control = CreateWindowExW(0, name.c_str(), L"", WS_CHILD | WS_CLIPCHILDREN, x, y, width, height, parent, nullptr,
                                GetModuleHandleW(nullptr), &graph);
    if (!g.control) return false;
    SetWindowTheme(g.control, L"Explorer", nullptr);

    const std::vector<GraphNode>& nodes = graph.nodes();
    const CoreGraphLabels labels = graph.labels();
    int barId = kGraphBarIdBase;
    for (size_t i = 0; i < nodes.size(); ++i) {
        auto group = std::make_unique<Group>();
        group->node = i;
        const std::wstring label = Wide(NodeLabel(labels, nodes.size(), static_cast<uint32_t>(i)));
        group->box = CreateWindowExW(0, L"Button", label.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | BS_GROUPBOX, 0,
                                     0, 0, 0, g.control, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kGraphGroupIdBase + i)),
                                     GetModuleHandleW(nullptr), nullptr);
        if (!group->box) {
            g.groups.push_back(std::move(group));  // the node keeps its place, without bars
            continue;
        }
        SetWindowTheme(group->box, L"", L"");
        ShowWindow(group->box, SW_HIDE);
        SetWindowSubclass(group->box, GroupProc, 0, reinterpret_cast<DWORD_PTR>(group.get()));
        for (size_t j = 0; j < nodes[i].efficient.size(); ++j) {
            auto bar = std::make_unique<Bar>();
            bar->node = i;
            bar->index = j;
            bar->efficient = nodes[i].efficient[j];
            const BarState* state = graph.Bar(i, j);
            bar->parked = state && !state->shownUnparked;
            bar->window = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | PBS_VERTICAL, 0, 0, 0, 0, group->box,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(barId++)),
                                          GetModuleHandleW(nullptr), nullptr);
            if (!bar->window) continue;
            SendMessageW(bar->window, PBM_SETRANGE32, core_graph::kRangeLow, core_graph::kRangeHigh);
            if (state) SendMessageW(bar->window, PBM_SETPOS, state->lastPosition, 0);
            ApplyBarTheme(bar->window);
            SetWindowSubclass(bar->window, BarProc, core_graph::kBarSubclassId, reinterpret_cast<DWORD_PTR>(bar.get()));

            bar->tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, group->box, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
            if (bar->tip) {
                TTTOOLINFOW tool{};
                tool.cbSize = sizeof tool;
                tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
                tool.hwnd = group->box;
                tool.uId = reinterpret_cast<UINT_PTR>(bar->window);
                tool.lpszText = LPSTR_TEXTCALLBACKW;
                SendMessageW(bar->tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            }
            group->bars.push_back(std::move(bar));
        }
        g.groups.push_back(std::move(group));
    }
    graph.AttachBars(&Bars());

    EnsureFont();
    if (g.font) {
        SendMessageW(g.control, WM_SETFONT, reinterpret_cast<WPARAM>(g.font), FALSE);
        for (const auto& group : g.groups) {
            SendMessageW(group->box, WM_SETFONT, reinterpret_cast<WPARAM>(g.font), FALSE);
            for (const auto& bar : group->bars) SendMessageW(bar->window, WM_SETFONT, reinterpret_cast<WPARAM>(g.font), FALSE);
        }
    }
    ApplyCoreGraphColors();
    LayoutCoreGraph(x, y, width, height);
    return true;
}

void LayoutCoreGraph(int x, int y, int width, int height) {
    Graph& g = G();
    if (!g.control) return;
    MoveWindow(g.control, x, y, width, height, TRUE);
    const GraphLayout layout = LayOutCoreGraph(TheCoreGraph().nodes(), width, height, LabelHeight());
    for (auto& group : g.groups) {
        if (group->node >= layout.groups.size()) continue;
        const GroupPlace& place = layout.groups[group->node];
        group->laidOutVisible = place.visible;
        SetWindowPos(group->box, nullptr, place.rect.x, place.rect.y, place.rect.width, place.rect.height,
                     SWP_NOZORDER | SWP_NOACTIVATE | (place.visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        for (auto& bar : group->bars) {
            if (bar->index >= place.bars.size()) continue;
            const BarPlace& b = place.bars[bar->index];
            bar->laidOutVisible = b.visible;
            SetWindowPos(bar->window, nullptr, b.rect.x, b.rect.y, std::max(b.rect.width, 0), std::max(b.rect.height, 0),
                         SWP_NOZORDER | SWP_NOACTIVATE | (b.visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        }
    }
    InvalidateRect(g.control, nullptr, TRUE);
}

void SetCoreGraphColours(const CoreGraphColours& colours) { G().colours = colours; }

void SetCoreGraphEmblem(HBITMAP emblem, bool forLightBackground) {
    Graph& g = G();
    g.emblem = emblem;
    g.emblemForLight = forLightBackground;
    g.emblemWidth = g.emblemHeight = 0;
    BITMAP info{};
    if (emblem && GetObjectW(emblem, sizeof info, &info)) {
        g.emblemWidth = info.bmWidth;
        g.emblemHeight = info.bmHeight;
    }
}

void SetCoreGraphTheme(bool dark, bool unthemedBars) {
    Graph& g = G();
    g.dark = dark;
    g.unthemedBars = unthemedBars;
    for (const auto& group : g.groups) {
        for (const auto& bar : group->bars) ApplyBarTheme(bar->window);
    }
}

void ApplyCoreGraphColors() {
    Graph& g = G();
    DeleteBrushes();
    g.brushes[kFillBrush] = CreateSolidBrush(g.colours.barFill);
    g.brushes[kBarBackgroundBrush] = CreateSolidBrush(g.colours.barBackground);
    g.brushes[kFrameBrush] = CreateSolidBrush(g.colours.frame);
    g.brushes[kBackgroundBrush] = CreateSolidBrush(g.colours.background);
    g.brushes[kParkedBrush] = CreateSolidBrush(g.colours.parkedFill);
    if (g.darkEmblem) DeleteObject(g.darkEmblem);
    g.darkEmblem = nullptr;
    if (g.emblem && !g.emblemForLight && g.emblemWidth > 0 && g.emblemHeight > 0) {
        g.darkEmblem = MakeDarkEmblem(g.emblem, g.emblemWidth, g.emblemHeight);
    }
    if (g.control) {
        SetClassLongPtrW(g.control, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(g.brushes[kBackgroundBrush]));
        RedrawWindow(g.control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

void ShowCoreGraph() {
    Graph& g = G();
    if (!g.control) return;
    for (const auto& group : g.groups) {
        ShowWindow(group->box, group->laidOutVisible ? SW_SHOW : SW_HIDE);
        for (const auto& bar : group->bars) ShowWindow(bar->window, bar->laidOutVisible ? SW_SHOW : SW_HIDE);
    }
    ShowWindow(g.control, SW_SHOW);
}

void DestroyCoreGraph() {
    Graph& g = G();
    TheCoreGraph().AttachBars(nullptr);
    if (g.control) DestroyWindow(g.control);  // its children and their tooltips go with it
    g.control = nullptr;
    g.groups.clear();
    DeleteBrushes();
    if (g.darkEmblem) DeleteObject(g.darkEmblem);
    g.darkEmblem = nullptr;
    if (g.font) DeleteObject(g.font);
    g.font = nullptr;
    g.fontTried = false;
}

HWND CoreGraphWindow() { return G().control; }

HWND CoreGraphBar(size_t node, size_t index) {
    Graph& g = G();
    if (node >= g.groups.size() || index >= g.groups[node]->bars.size()) return nullptr;
    return g.groups[node]->bars[index]->window;
}

}  // namespace quellora
