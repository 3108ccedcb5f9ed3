// ask_profile.exe: shows the windows the profiles page asks through, on
// demand, for the window tests: the text input dialog, or the open or save
// dialog for profile files (run from a thread that is not a single-threaded
// apartment, as a worker would, so that the dialog's own thread is used).
// Prints what was chosen ("text <text>", "path <path>") or "cancel".
//
//   ask_profile.exe text <prompt> <proposed>
//   ask_profile.exe open
//   ask_profile.exe save <proposed file name>
#include "platform/win32/wide.h"
//
#include <objbase.h>

#include <string>

#include "platform/assembly.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "ui/profiles_page.h"
#include "ui/win32/text_input_dialog.h"

namespace {

void Print(const std::u16string& line) {
    const std::string bytes = quellora::Utf16ToUtf8(line) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace quellora;
    if (argc < 2) return 255;
    PlatformAssembly* assembly = AssemblePlatform().release();
    SetPlatform(&assembly->platform);
    State().executablePath = assembly->platform.folders->ExecutablePath();
    SelectLanguage();
    if (!LoadResourceModule()) return 254;
    const std::wstring what = argv[1];
    std::u16string result;
    bool chosen = false;
    if (what == L"text" && argc >= 4) {
        result = win32::FromWide(argv[3]);
        chosen = win32::AskText(nullptr, win32::FromWide(argv[2]), result);
        if (chosen) result = u"text " + result;
    } else if (what == L"open" || what == L"save") {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        const bool save = what == L"save";
        chosen = win32::ChooseFile(nullptr, save, LoadText(profiles_page::kFileFilter), profiles_page::kFilePattern,
                                   profiles_page::kFileExtension, save && argc >= 3 ? win32::FromWide(argv[2]) : u"",
                                   result);
        if (chosen) result = u"path " + result;
    } else {
        return 255;
    }
    Print(chosen ? result : u"cancel");
    return chosen ? 0 : 1;
}
