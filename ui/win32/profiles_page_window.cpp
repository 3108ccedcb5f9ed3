// Page 2: the profiles. The list view, the plan box and the buttons carry out
// the ProfilesPagePresenter's decisions; the name question, the file dialogs
// and the context menu are this window's.
#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include <algorithm>

#include "platform/language.h"
#include "ui/message_box.h"
#include "ui/profiles_page.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/editor_pages.h"
#include "ui/win32/main_window.h"
#include "ui/win32/text_input_dialog.h"
#include "ui/win32/theme_windows.h"

namespace quellora::win32 {

namespace {

using namespace profiles_page;

// Keeps a control's distance from the page's bottom edge as the template has
// it; the buttons of the template's right half keep their distance from the
// right edge, and the details line takes the page's width.
struct BottomAnchor {
    HWND control = nullptr;
    int left = 0, fromBottom = 0, width = 0, height = 0;
    int fromRight = -1;     // -1: placed from the left edge
    bool stretch = false;   // as wide as the list
};

class ProfilesPage : public PageWindow, public ProfilesPageHost {
public:
    ProfilesPage(MainWindow& owner, int index) : PageWindow(owner, index), presenter_(*this, owner.power()) {}

    void Initialise() override {
        controls_.SetDialogs({hwnd()});
        list_ = GetDlgItem(hwnd(), kList);
        ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        const int dpi = WindowDpi(hwnd());
        for (size_t i = 0; i < kColumnTexts.size(); ++i) {
            std::wstring text = Wide(LoadText(kColumnTexts[i]));
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            column.cx = ScaleForDpi(kColumnWidths[i], dpi);
            column.pszText = text.data();
            column.iSubItem = static_cast<int>(i);
            ListView_InsertColumn(list_, static_cast<int>(i), &column);
        }
        MeasureLayout();
        presenter_.Initialise();
    }

    void Refresh() override { presenter_.Shown(); }
    void Rethemed() override {
        if (list_) ThemeListView(list_);
    }

    void Command(int id, UINT code, HWND) override {
        if (code == BN_CLICKED || code == 0) presenter_.OnCommand(id);
    }

    LRESULT Notify(const NMHDR& header) override {
        if (header.idFrom != static_cast<UINT_PTR>(kList)) return 0;
        switch (header.code) {
            case LVN_ITEMCHANGED: {
                const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
                if ((change.uChanged & LVIF_STATE) &&
                    ((change.uNewState ^ change.uOldState) & LVIS_SELECTED) && !filling_)
                    presenter_.OnSelectionChanged();
                return 0;
            }
            case NM_DBLCLK:
                if (reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0) presenter_.OnDoubleClick();
                return 0;
            case LVN_KEYDOWN:
                if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) presenter_.OnDeleteKey();
                return 0;
            default:
                return 0;
        }
    }

    bool Message(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
        if (message != WM_CONTEXTMENU || reinterpret_cast<HWND>(wParam) != list_) return false;
        menuAt_ = POINT{GET_X(lParam), GET_Y(lParam)};
        presenter_.OnContextMenu();
        result = TRUE;
        return true;
    }

    void Resized(int width, int height) override {
        if (!list_) return;
        const int listWidth = std::max(100, width - 2 * listLeft_);
        for (const BottomAnchor& a : anchors_) {
            const int left = a.fromRight >= 0 ? std::max(a.left, width - a.fromRight) : a.left;
            const int w = a.stretch ? std::max(a.width, listWidth) : a.width;
            ::MoveWindow(a.control, left, height - a.fromBottom, w, a.height, TRUE);
        }
        const int listHeight = std::max(60, height - listTop_ - listLeft_ - anchorBand_);
        ::MoveWindow(list_, listLeft_, listTop_, listWidth, listHeight, TRUE);
    }

    // ---- ProfilesPageHost
    ControlSurface& Controls() override { return controls_; }

    void SetRows(const std::vector<ProfileRow>& rows) override {
        filling_ = true;
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
        ListView_DeleteAllItems(list_);
        ListView_SetItemCount(list_, static_cast<int>(rows.size()));
        int index = 0;
        for (const ProfileRow& row : rows) {
            std::wstring first = Wide(row[0]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = index;
            item.pszText = first.data();
            const int at = ListView_InsertItem(list_, &item);
            if (at < 0) continue;
            for (int column = 1; column < 3; ++column) {
                std::wstring text = Wide(row[static_cast<size_t>(column)]);
                ListView_SetItemText(list_, at, column, text.data());
            }
            ++index;
        }
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
        filling_ = false;
    }

    void SelectRow(int row) override {
        filling_ = true;
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        if (row >= 0) {
            ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            ListView_EnsureVisible(list_, row, FALSE);
        }
        filling_ = false;
    }

    int SelectedRow() override { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }

    int Message(std::u16string_view text, uint32_t style) override { return ShowMessage(TopLevel(), text, style); }

    bool AskText(std::u16string_view prompt, std::u16string& text) override {
        return win32::AskText(TopLevel(), prompt, text);
    }
    bool ChooseFileToOpen(std::u16string& path) override {
        return ChooseFile(TopLevel(), false, LoadText(kFileFilter), kFilePattern, kFileExtension, {}, path);
    }
    bool ChooseFileToSave(std::u16string_view proposedName, std::u16string& path) override {
        return ChooseFile(TopLevel(), true, LoadText(kFileFilter), kFilePattern, kFileExtension, proposedName, path);
    }

    void ShowContextMenu(int row) override {
        HMENU menu = LoadMenuW(owner_.module(), MAKEINTRESOURCEW(kMenu));
        if (!menu) return;
        POINT at = menuAt_;
        if (at.x == -1 && at.y == -1) {
            // The keyboard's menu key: at the selected row.
            RECT r{};
            ListView_GetItemRect(list_, row, &r, LVIR_LABEL);
            at = POINT{r.left, r.bottom};
            ClientToScreen(list_, &at);
        }
        const UINT command = TrackPopupMenu(GetSubMenu(menu, 0), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0,
                                            hwnd(), nullptr);
        DestroyMenu(menu);
        if (command) presenter_.OnCommand(static_cast<int>(command));
    }

    void ReloadPlanEditor() override { owner_.editor().presenter().Reload(); }

    bool ToLocalTime(const CalendarTime& utc, CalendarTime& local) override {
        SYSTEMTIME u{utc.year, utc.month, utc.dayOfWeek, utc.day, utc.hour, utc.minute, utc.second, 0};
        SYSTEMTIME l{};
        if (!SystemTimeToTzSpecificLocalTime(nullptr, &u, &l)) return false;
        local = CalendarTime{l.wYear, l.wMonth, l.wDayOfWeek, l.wDay, l.wHour, l.wMinute, l.wSecond, 0};
        return true;
    }

private:
    static int GET_X(LPARAM l) { return static_cast<short>(LOWORD(l)); }
    static int GET_Y(LPARAM l) { return static_cast<short>(HIWORD(l)); }
    HWND TopLevel() { return GetAncestor(hwnd(), GA_ROOT); }

    // The distances the layout keeps, as the template has them.
    void MeasureLayout() {
        RECT page{}, list{};
        GetClientRect(hwnd(), &page);
        GetWindowRect(list_, &list);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&list), 2);
        listLeft_ = list.left;
        listTop_ = list.top;
        int highest = page.bottom;
        for (int id : {kDetails, kPlanCaption, kPlanBox, kSave, kApply, kImport, kExport}) {
            HWND control = GetDlgItem(hwnd(), id);
            if (!control) continue;
            RECT r{};
            GetWindowRect(control, &r);
            MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
            BottomAnchor a{control, r.left, page.bottom - r.top, r.right - r.left, r.bottom - r.top};
            if (id == kDetails) a.stretch = true;
            else if (id == kImport || id == kExport) a.fromRight = page.right - r.left;
            anchors_.push_back(a);
            highest = std::min(highest, static_cast<int>(r.top));
        }
        anchorBand_ = page.bottom - highest;
    }

    ProfilesPagePresenter presenter_;
    DialogControls controls_;
    HWND list_ = nullptr;
    bool filling_ = false;
    POINT menuAt_{-1, -1};
    int listLeft_ = 0, listTop_ = 0, anchorBand_ = 0;
    std::vector<BottomAnchor> anchors_;
};

}  // namespace

std::unique_ptr<PageWindow> MakeProfilesPage(MainWindow& owner, int index) {
    return std::make_unique<ProfilesPage>(owner, index);
}

}  // namespace quellora::win32
