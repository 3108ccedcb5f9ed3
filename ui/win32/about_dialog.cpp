// The About dialog: the program's name, version and links.
#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include "platform/platform.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/main_window.h"
#include "ui/win32/theme_windows.h"

namespace quellora::win32 {

namespace {

constexpr int kVersionText = 1001;
constexpr int kProductLink = 1002;
constexpr int kTranslateLink = 1003;
constexpr int kUpdateLink = 1004;
constexpr std::u16string_view kProductPage = u"https://www.ostrima.com/quellora";
constexpr std::u16string_view kTranslatePage = u"https://www.ostrima.com/translate";

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            DialogOwner<const std::function<void()>>(dialog, message, lParam);
            SetDlgItemTextW(dialog, kVersionText, Wide(u"Version " + std::u16string(kProgramVersion)).c_str());
            SubclassDialogColours(dialog, {IDOK, kProductLink, kTranslateLink, kUpdateLink});
            ThemeTitleBar(dialog);
            ThemeChildren(dialog);
            return TRUE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->code != NM_CLICK && header->code != NM_RETURN) break;
            if (header->idFrom == kProductLink && Sys().interaction) Sys().interaction->OpenWithShell(kProductPage);
            if (header->idFrom == kTranslateLink && Sys().interaction) Sys().interaction->OpenWithShell(kTranslatePage);
            if (header->idFrom == kUpdateLink) {
                if (auto* check = DialogOwner<const std::function<void()>>(dialog, message, lParam)) (*check)();
            }
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
        case WM_CLOSE:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

void RunAboutDialog(HWND owner, HMODULE module, const std::function<void()>& checkForUpdates) {
    DialogBoxParamW(module, MAKEINTRESOURCEW(main_window::kAboutDialog), owner, AboutProc,
                    reinterpret_cast<LPARAM>(&checkForUpdates));
}

}  // namespace quellora::win32
