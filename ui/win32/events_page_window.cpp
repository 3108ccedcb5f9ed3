// Page 4: the events list (plan switches by other programs, drift, Dynamic
// Boost) and its Refresh button.
#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include <algorithm>

#include "platform/language.h"
#include "ui/events_page.h"
#include "ui/win32/event_list.h"
#include "ui/win32/main_window.h"
#include "ui/win32/theme_windows.h"

namespace quellora::win32 {

namespace {

class EventsPage : public PageWindow {
public:
    using PageWindow::PageWindow;

    void Initialise() override {
        list_ = GetDlgItem(hwnd(), events_page::kList);
        button_ = GetDlgItem(hwnd(), events_page::kRefresh);
        SetUpEventColumns(list_);
        // The distances the layout keeps, as the template has them.
        RECT page{}, list{}, button{};
        GetClientRect(hwnd(), &page);
        GetWindowRect(list_, &list);
        GetWindowRect(button_, &button);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&list), 2);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&button), 2);
        listLeft_ = list.left;
        listTop_ = list.top;
        listRightGap_ = static_cast<int>(page.right - list.right);
        buttonGap_ = static_cast<int>(list.bottom - button.top);  // negative: the button stands below the list
        buttonFromRight_ = static_cast<int>(page.right - button.left);
        buttonFromBottom_ = static_cast<int>(page.bottom - button.top);
        buttonSize_ = SIZE{button.right - button.left, button.bottom - button.top};
    }

    void Refresh() override { PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(events_page::kRefresh, BN_CLICKED), 0); }

    void Command(int id, UINT code, HWND) override {
        if (id == events_page::kRefresh && code == BN_CLICKED) Fill();
    }

    void Resized(int width, int height) override {
        if (!list_) return;
        const int buttonTop = height - buttonFromBottom_;
        ::MoveWindow(button_, width - buttonFromRight_, buttonTop, buttonSize_.cx, buttonSize_.cy, TRUE);
        const int listWidth = std::max(events_page::kMinListWidth, width - listRightGap_ - listLeft_);
        const int listHeight = std::max(events_page::kMinListHeight, buttonTop + buttonGap_ - listTop_);
        ::MoveWindow(list_, listLeft_, listTop_, listWidth, listHeight, TRUE);
    }

private:
    void Fill() { FillEventList(list_, ReadEventRows(owner_.power())); }

    HWND list_ = nullptr;
    HWND button_ = nullptr;
    int listLeft_ = 0;
    int listTop_ = 0;
    int listRightGap_ = 0;
    int buttonGap_ = 0;
    int buttonFromRight_ = 0;
    int buttonFromBottom_ = 0;
    SIZE buttonSize_{};
};

}  // namespace

void SetUpEventColumns(HWND list) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE | LVS_EX_UNDERLINEHOT |
                                                LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER);
    const int dpi = WindowDpi(list);
    for (int i = 0; i < events_page::kColumns; ++i) {
        std::wstring text = Wide(LoadText(events_page::kColumnTexts[static_cast<size_t>(i)]));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = ScaleForDpi(events_page::kColumnWidths[static_cast<size_t>(i)], dpi);
        column.pszText = text.data();
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
}

void FillEventList(HWND list, const std::vector<EventRow>& rows) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    int index = 0;
    for (const EventRow& row : rows) {
        std::wstring first = Wide(row.columns[0]);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = first.data();
        const int at = ListView_InsertItem(list, &item);
        if (at < 0) continue;
        for (int column = 1; column < events_page::kColumns; ++column) {
            std::wstring text = Wide(row.columns[static_cast<size_t>(column)]);
            ListView_SetItemText(list, at, column, text.data());
        }
        ++index;
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

std::unique_ptr<PageWindow> MakeEventsPage(MainWindow& owner, int index) {
    return std::make_unique<EventsPage>(owner, index);
}

}  // namespace quellora::win32
