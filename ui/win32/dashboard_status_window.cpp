#include "ui/win32/dashboard_status_window.h"

#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include <cmath>

#include "monitor/core_graph.h"
#include "monitor/win32/core_graph_window.h"
#include "platform/language.h"
#include "power/main_topology.h"
#include "ui/geometry.h"
#include "ui/message_box.h"
#include "ui/win32/graph_theme.h"

namespace quellora {

namespace {

using win32::FromWide;
using win32::Wide;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

constexpr int kScaleKeyFactor = 100;

}  // namespace

DashboardStatusWindow::DashboardStatusWindow(HWND page, DashboardHost& host, bool graphInPlace)
    : page_(page), status_(*this, host, power_, TheCoreGraph()), graphInPlace_(graphInPlace) {}

DashboardStatusWindow::~DashboardStatusWindow() {
    if (graphCreated_) {
        TheCoreGraph().StopMonitoring();
        DestroyCoreGraph();
    }
    if (planTip_) {
        RemovePropW(page_, Wide(dashboard::kPlanNameTipProperty).c_str());
        DestroyWindow(planTip_);
    }
    for (auto& [scale, font] : bold_) DeleteObject(font);
}

void DashboardStatusWindow::Init() {
    RECT client{};
    GetClientRect(page_, &client);
    for (int id : {dashboard::kVersionLink, dashboard::kUpdateLink}) {
        if (HasControl(id)) fromBottom_[id] = client.bottom - ControlRect(id).top;
    }
    status_.Init();
}

int DashboardStatusWindow::Dpi() {
    static const auto get = win32::BindExport<GetDpiForWindowFn>(win32::LoadedModule(L"user32.dll"), "GetDpiForWindow");
    if (get) {
        if (UINT dpi = get(page_)) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(page_);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(page_, dc);
    return dpi > 0 ? dpi : 96;
}

RECT DashboardStatusWindow::ControlRect(int id) {
    RECT r{};
    if (HWND control = GetDlgItem(page_, id)) {
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, page_, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

void DashboardStatusWindow::OnSize() {
    RECT client{};
    GetClientRect(page_, &client);
    for (const auto& [id, distance] : fromBottom_) {
        const RECT r = ControlRect(id);
        SetWindowPos(GetDlgItem(page_, id), nullptr, r.left, client.bottom - distance, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (graphCreated_) {
        const GraphRect place = GraphPlace();
        LayoutCoreGraph(place.x, place.y, place.width, place.height);
    }
}

bool DashboardStatusWindow::OnNotify(const NMHDR& header) {
    if (header.code != NM_CLICK && header.code != NM_RETURN) return false;
    return status_.OnLink(static_cast<int>(header.idFrom));
}

void DashboardStatusWindow::OnActivePlanName(LPARAM name) {
    status_.OnActivePlanName(name ? FromWide(reinterpret_cast<const wchar_t*>(name)) : std::u16string());
}

void DashboardStatusWindow::OnThemeChanged() {
    if (graphCreated_) ApplyGraphTheme();
}

bool DashboardStatusWindow::HasControl(int id) { return GetDlgItem(page_, id) != nullptr; }

void DashboardStatusWindow::SetText(int id, std::u16string_view text) {
    SetDlgItemTextW(page_, id, Wide(text).c_str());
}

std::u16string DashboardStatusWindow::Text(int id) {
    HWND control = GetDlgItem(page_, id);
    if (!control) return {};
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    const int n = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    return FromWide(text.c_str(), static_cast<size_t>(std::max(n, 0)));
}

void DashboardStatusWindow::Show(int id, bool show) {
    if (HWND control = GetDlgItem(page_, id)) ShowWindow(control, show ? SW_SHOW : SW_HIDE);
}

void DashboardStatusWindow::SetCheck(int id, bool checked) {
    if (HasControl(id)) CheckDlgButton(page_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

TextExtent DashboardStatusWindow::ClientSize(int id) {
    RECT r{};
    if (HWND control = GetDlgItem(page_, id)) GetClientRect(control, &r);
    return TextExtent{r.right, r.bottom};
}

HFONT DashboardStatusWindow::BoldFont(double scale) {
    const int key = static_cast<int>(std::lround(scale * kScaleKeyFactor));
    if (auto it = bold_.find(key); it != bold_.end()) return it->second;
    HFONT base = reinterpret_cast<HFONT>(SendMessageW(page_, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    if (!base || !GetObjectW(base, sizeof lf, &lf)) GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfWeight = FW_BOLD;
    lf.lfHeight = static_cast<LONG>(std::lround(lf.lfHeight * scale));
    lf.lfWidth = 0;
    HFONT font = CreateFontIndirectW(&lf);
    bold_[key] = font;
    return font;
}

TextExtent DashboardStatusWindow::Measure(std::u16string_view text, double scale, int wrapWidth) {
    HDC dc = GetDC(page_);
    HGDIOBJ old = SelectObject(dc, BoldFont(scale));
    std::wstring t = Wide(text);
    if (t.empty()) t = L" ";
    RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 32767, 0};
    DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &r,
              DT_CALCRECT | DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(page_, dc);
    return TextExtent{r.right - r.left, r.bottom - r.top};
}

void DashboardStatusWindow::SetBoldFont(int id, double scale) {
    if (HWND control = GetDlgItem(page_, id)) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(BoldFont(scale)), TRUE);
}

void DashboardStatusWindow::SetPlanNameTip(std::u16string_view whole, bool active) {
    HWND name = GetDlgItem(page_, dashboard::kPlanName);
    if (!name) return;
    if (!planTip_) {
        if (!active) return;  // made when first needed, then kept
        planTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, page_, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        if (!planTip_) return;
        SetPropW(page_, Wide(dashboard::kPlanNameTipProperty).c_str(), planTip_);
        RECT width{0, 0, dashboard::kPlanNameTipWidthDlu, 0};
        MapDialogRect(page_, &width);
        SendMessageW(planTip_, TTM_SETMAXTIPWIDTH, 0, width.right);
        SendMessageW(planTip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, dashboard::kTipShowMs);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = page_;
        tool.uId = reinterpret_cast<UINT_PTR>(name);
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(planTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    const std::wstring text = Wide(whole);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = page_;
    tool.uId = reinterpret_cast<UINT_PTR>(name);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(planTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(planTip_, TTM_ACTIVATE, active ? TRUE : FALSE, 0);
}

GraphRect DashboardStatusWindow::GraphPlace() {
    RECT room{};
    GetClientRect(page_, &room);
    if (graphInPlace_) {
        // The placeholder's edges stand in for the page's.
        const int margin = ScaleForDpi(dashboard::kGraphMargin, Dpi());
        room.right = placeholder_.right + margin;
        room.bottom = placeholder_.bottom + margin;
    }
    return DashboardGraphPlace(GraphRect{placeholder_.left, placeholder_.top, placeholder_.right - placeholder_.left,
                                         placeholder_.bottom - placeholder_.top},
                               room.right, room.bottom, Dpi(), CoreGraphMaxHeight(TheCoreGraph().nodes()));
}

void DashboardStatusWindow::CreateGraph() {
    CoreGraph& graph = TheCoreGraph();
    if (graph.nodes().empty()) graph.SetNodes(GraphNodesOf(MainTopology()));
    RegisterCoreGraph(LoadText(core_graph::kSingleNodeLabelText), LoadText(core_graph::kNodeLabelFormatText),
                      LoadText(core_graph::kParkedLabelText), LoadText(core_graph::kEfficientLabelText));
    placeholder_ = ControlRect(dashboard::kGraphPlace);
    const GraphRect place = GraphPlace();
    if (!CreateCoreGraph(page_, place.x, place.y, place.width, place.height)) return;
    graphCreated_ = true;
    Show(dashboard::kGraphPlace, false);
    ApplyGraphTheme();
    ShowCoreGraph();
}

void DashboardStatusWindow::SendActivePlanName(std::u16string_view name) {
    const std::wstring text = Wide(name);
    SendMessageW(page_, dashboard::kActivePlanNameMessage, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int DashboardStatusWindow::Message(std::u16string_view text, uint32_t style, int rememberOnly) {
    if (rememberOnly != 0) return ShowMessageRememberingOnly(page_, text, style, rememberOnly);
    return ShowMessage(page_, text, style);
}

}  // namespace quellora
