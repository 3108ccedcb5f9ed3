#include "app/win32/main_window_stand_in.h"

#include "platform/win32/wide.h"
//
#include <atomic>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/startup_state.h"
#include "platform/win32/com_apartment.h"

namespace quellora::win32 {

namespace {

constexpr int kExecutableIcon = 140;
constexpr WORD kVersionText = 100;

std::atomic<HWND> g_open{nullptr};

// A dialog template in memory: DLGTEMPLATE, its caption and font, then the
// items, each aligned on a DWORD.
class TemplateBuilder {
public:
    void Dialog(DWORD style, short cx, short cy, std::wstring_view caption, WORD pointSize, std::wstring_view font) {
        DLGTEMPLATE t{};
        t.style = style | DS_SETFONT;
        t.cx = cx;
        t.cy = cy;
        countAt_ = offsetof(DLGTEMPLATE, cdit);
        Append(&t, sizeof t);
        Word(0);  // no menu
        Word(0);  // the standard dialog class
        Text(caption);
        Word(pointSize);
        Text(font);
    }

    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom, std::wstring_view text) {
        Align();
        DLGITEMTEMPLATE item{};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.x = x;
        item.y = y;
        item.cx = cx;
        item.cy = cy;
        item.id = id;
        Append(&item, sizeof item);
        Word(0xFFFF);
        Word(atom);
        Text(text);
        Word(0);  // no creation data
        WORD count = 0;
        std::memcpy(&count, bytes_.data() + countAt_, sizeof count);
        ++count;
        std::memcpy(bytes_.data() + countAt_, &count, sizeof count);
    }

    const DLGTEMPLATE* get() {
        Align();
        return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data());
    }

private:
    void Append(const void* data, size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void Word(WORD w) { Append(&w, sizeof w); }
    void Text(std::wstring_view text) {
        Append(text.data(), text.size() * sizeof(wchar_t));
        Word(0);
    }
    void Align() {
        while (bytes_.size() % 4 != 0) bytes_.push_back(0);
    }

    std::vector<unsigned char> bytes_;
    size_t countAt_ = 0;
};

INT_PTR CALLBACK StandInProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            g_open = dialog;
            HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kExecutableIcon));
            SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
            SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
            SetForegroundWindow(dialog);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            break;
        case WM_DESTROY:
            g_open = nullptr;
            break;
        default:
            break;
    }
    return FALSE;
}

int RunStandIn() {
    TemplateBuilder t;
    const std::wstring caption = Wide(State().productName);
    const std::wstring version = L"Quellora v" + Wide(kProgramVersion);
    t.Dialog(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 180, 62, caption, 9,
             L"MS Shell Dlg");
    t.Item(SS_LEFT, 10, 12, 160, 10, kVersionText, 0x0082, version);
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 120, 40, 50, 14, IDOK, 0x0080, L"OK");
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), nullptr, StandInProc, 0);
    return result < 0 ? 1 : static_cast<int>(result);
}

}  // namespace

int RunMainWindowStandIn() { return RunStandIn(); }

bool MainWindowStandInOpen() { return g_open.load() != nullptr; }

void CloseMainWindowStandIn() {
    if (HWND open = g_open.load()) PostMessageW(open, WM_CLOSE, 0, 0);
}

void OpenMainWindowStandIn() {
    if (HWND open = g_open.load()) {
        ShowWindow(open, SW_SHOWNORMAL);
        SetForegroundWindow(open);
        return;
    }
    KernelObjects* kernel = Sys().kernel;
    const KernelHandle mutex = State().mainWindowMutex;
    try {
        std::thread([kernel, mutex] {
            // At most one main window: whoever cannot take the mutex at once leaves it.
            if (kernel && mutex && !kernel->TryLock(mutex)) return;
            // The main window's thread hosts file dialogs: a single-threaded apartment.
            const SingleThreadedApartment apartment;
            RunStandIn();
            if (kernel && mutex) kernel->Unlock(mutex);
        }).detach();
    } catch (const std::system_error&) {
        // No thread, no window; the next click tries again.
    }
}

}  // namespace quellora::win32
