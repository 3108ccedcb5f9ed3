#include "ui/win32/text_input_dialog.h"
//
#include <commdlg.h>
#include <objbase.h>

#include <vector>

#include "platform/startup_state.h"

namespace quellora::win32 {

namespace {

struct AskState {
    std::u16string prompt;
    std::u16string text;
};

INT_PTR CALLBACK AskProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* state = reinterpret_cast<AskState*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            SetWindowTextW(dialog, Wide(State().productName).c_str());
            SetDlgItemTextW(dialog, text_input::kPrompt, Wide(state->prompt).c_str());
            HWND field = GetDlgItem(dialog, text_input::kField);
            SendMessageW(field, EM_LIMITTEXT, text_input::kMaxCharacters, 0);
            SetWindowTextW(field, Wide(state->text).c_str());
            SendMessageW(field, EM_SETSEL, 0, -1);
            SetFocus(field);
            return FALSE;  // the focus is set
        }
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (id == IDOK) {
                auto* state = reinterpret_cast<AskState*>(GetWindowLongPtrW(dialog, DWLP_USER));
                HWND field = GetDlgItem(dialog, text_input::kField);
                std::wstring typed(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
                const int got = GetWindowTextW(field, typed.data(), static_cast<int>(typed.size()));
                state->text = FromWide(typed.c_str(), static_cast<size_t>(got > 0 ? got : 0));
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (id == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

using GetFileNameFn = BOOL(WINAPI*)(LPOPENFILENAMEW);

struct FileRequest {
    HWND owner;
    bool save;
    std::wstring filter;  // text, NUL, pattern, NUL, NUL
    std::wstring extension;
    std::vector<wchar_t> file;
    bool chosen = false;
};

void RunFileDialog(FileRequest& r) {
    static HMODULE comdlg = LoadLibraryW(L"comdlg32.dll");
    const auto fn = BindExport<GetFileNameFn>(comdlg, r.save ? "GetSaveFileNameW" : "GetOpenFileNameW");
    if (!fn) return;
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = r.owner;
    ofn.lpstrFilter = r.filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = r.file.data();
    ofn.nMaxFile = static_cast<DWORD>(r.file.size());
    ofn.lpstrDefExt = r.extension.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                (r.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    r.chosen = fn(&ofn) != FALSE;
}

DWORD WINAPI FileDialogThread(LPVOID parameter) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    RunFileDialog(*static_cast<FileRequest*>(parameter));
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

// CoGetApartmentType is bound at run time: older systems lack it, and then
// the dialog takes a thread of its own.
bool OnSingleThreadedApartment() {
    using GetApartmentTypeFn = HRESULT(WINAPI*)(APTTYPE*, APTTYPEQUALIFIER*);
    static const auto fn = BindExport<GetApartmentTypeFn>(LoadLibraryW(L"ole32.dll"), "CoGetApartmentType");
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    return fn && SUCCEEDED(fn(&type, &qualifier)) && (type == APTTYPE_STA || type == APTTYPE_MAINSTA);
}

}  // namespace

bool AskText(HWND owner, std::u16string_view prompt, std::u16string& text) {
    AskState state{std::u16string(prompt), text.substr(0, text_input::kMaxCharacters)};
    HMODULE module = reinterpret_cast<HMODULE>(State().resourceModule);
    const INT_PTR result = DialogBoxParamW(module, MAKEINTRESOURCEW(text_input::kDialog), owner, AskProc,
                                           reinterpret_cast<LPARAM>(&state));
    if (result != IDOK) return false;
    text = state.text;
    return true;
}

bool ChooseFile(HWND owner, bool save, std::u16string_view filterText, std::u16string_view pattern,
                std::u16string_view extension, std::u16string_view proposedName, std::u16string& path) {
    FileRequest r{owner, save, {}, Wide(extension), std::vector<wchar_t>(32768, L'\0')};
    r.filter = Wide(filterText);
    r.filter.push_back(L'\0');
    r.filter += Wide(pattern);
    r.filter.push_back(L'\0');
    const std::wstring proposed = Wide(proposedName.substr(0, r.file.size() - 1));
    std::copy(proposed.begin(), proposed.end(), r.file.begin());
    if (OnSingleThreadedApartment()) {
        RunFileDialog(r);
    } else {
        HANDLE thread = CreateThread(nullptr, 0, FileDialogThread, &r, 0, nullptr);
        if (!thread) return false;
        // The owner's thread keeps answering (the dialog sends its owner messages) until the dialog ends.
        bool quit = false;
        WPARAM quitCode = 0;
        while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    quit = true;
                    quitCode = msg.wParam;
                    continue;
                }
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        CloseHandle(thread);
        if (quit) PostQuitMessage(static_cast<int>(quitCode));  // for the loop that waits for it
    }
    if (!r.chosen) return false;
    path = FromWide(r.file.data());
    return true;
}

}  // namespace quellora::win32
