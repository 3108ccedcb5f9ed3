#include "ui/win32/editor_pages.h"

// The accessible-name override of Apply: the GUIDs of oleacc, defined here once.
#include <initguid.h>
#include <oleacc.h>

#include "platform/language.h"
#include "ui/advanced_editor.h"
#include "ui/message_box.h"
#include "ui/win32/theme_windows.h"

namespace quellora::win32 {

namespace {

constexpr int kTooltipWidth = 325;         // pixels at 96 dpi
constexpr int kDefaultsTooltipWidth = 220;  // dialog units
constexpr UINT kTooltipShownMs = 30000;

void AddTooltip(HWND tip, HWND control, const std::u16string& text) {
    if (!tip || !control) return;
    std::wstring wide = Wide(text);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

HWND CreateBalloonTooltips(HWND page) {
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_BALLOON | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, page, nullptr, nullptr,
                               nullptr);
    if (tip) ThemeTooltip(tip);
    return tip;
}

void AttachEditorTooltips(HWND page, HWND tip) {
    if (!tip) return;
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(kTooltipWidth, WindowDpi(page)));
    SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, kTooltipShownMs);
    for (const EditorTooltip& t : EditorTooltips()) AddTooltip(tip, GetDlgItem(page, t.control), LoadText(t.text));
    if (HWND link = GetDlgItem(page, editor::kRestoreDefaults)) {
        // Its own tooltip: narrower, in dialog units.
        HWND linkTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, page, nullptr,
                                       nullptr, nullptr);
        if (linkTip) {
            ThemeTooltip(linkTip);
            RECT width{0, 0, kDefaultsTooltipWidth, 0};
            MapDialogRect(page, &width);
            SendMessageW(linkTip, TTM_SETMAXTIPWIDTH, 0, width.right);
            SendMessageW(linkTip, TTM_SETDELAYTIME, TTDT_AUTOPOP, kTooltipShownMs);
            AddTooltip(linkTip, link, LoadText(editor::kDefaultsTooltip));
        }
    }
}

namespace {

void SetAccessibleName(HWND button, std::u16string_view name) {
    if (!button) return;
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(&services))) ||
        !services) {
        return;
    }
    if (name.empty()) {
        MSAAPROPID property = PROPID_ACC_NAME;
        services->ClearHwndProps(button, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &property, 1);
    } else {
        std::wstring text = Wide(name);
        services->SetHwndPropStr(button, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME, text.c_str());
    }
    services->Release();
}

}  // namespace

void EditorPage::Initialise() {
    InstallGlow(hwnd());
    AttachEditorTooltips(hwnd(), owner_.Tooltips(hwnd()));
}

void EditorPage::Command(int id, UINT code, HWND control) { owner_.editor().Command(id, code, control); }

LRESULT EditorPage::Notify(const NMHDR& header) { return owner_.editor().Notify(header); }

bool EditorPage::Message(UINT message, WPARAM, LPARAM, INT_PTR& result) {
    if (message != main_window::kPendingEditsChanged) return false;
    // Both pages hear of it; the dashboard answers for both (the hybrid
    // page only when there is no dashboard).
    const int dashboard = static_cast<int>(Page::Dashboard);
    if (index() == dashboard || !owner_.page(dashboard)) owner_.editor().presenter().OnPendingEditsChanged();
    result = TRUE;
    return true;
}

std::unique_ptr<PageWindow> MakeEditorPage(MainWindow& owner, int index) {
    return std::make_unique<EditorPage>(owner, index);
}

EditorPages::EditorPages(MainWindow& owner) : owner_(owner), presenter_(*this, owner.power()) {}

void EditorPages::Attach(HWND dashboard, HWND hybrid) {
    dashboard_ = dashboard;
    hybrid_ = hybrid;
    controls_.SetDialogs({dashboard, hybrid});
}

void EditorPages::PostPendingEditsChanged() {
    PostMessageW(owner_.hwnd(), main_window::kPendingEditsChanged, 0, 0);
}

int EditorPages::Message(std::u16string_view text, uint32_t style) { return ShowMessage(owner_.hwnd(), text, style); }

void EditorPages::SetGlow(bool on) {
    for (HWND page : {dashboard_, hybrid_}) {
        if (page) win32::SetGlow(page, on);
    }
}

void EditorPages::SetApplyAccessibleName(std::u16string_view name) {
    for (HWND page : {dashboard_, hybrid_}) {
        if (page) SetAccessibleName(GetDlgItem(page, editor::kApply), name);
    }
}

void EditorPages::OpenAdvancedEditor(const Guid& plan) { RunAdvancedEditor(owner_.hwnd(), plan); }

void EditorPages::BoostTurnedOff() {
    owner_.UpdateDashboardBoostLink();
    owner_.RefreshPage(static_cast<int>(Page::Boost));
}

void EditorPages::Command(int id, UINT code, HWND control) {
    // A field the program itself fills is not an edit of the user's.
    const bool focused = control && GetFocus() == control && !controls_.settingText();
    presenter_.OnCommand(id, code, focused);
}

LRESULT EditorPages::Notify(const NMHDR& header) {
    if (header.code == NM_CLICK || header.code == NM_RETURN) presenter_.OnLink(static_cast<int>(header.idFrom));
    return 0;
}

}  // namespace quellora::win32
