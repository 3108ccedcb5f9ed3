// boost_dialog.exe: shows the Dynamic Boost dialog on demand, for the window
// tests (the tray opens it from its menu). It prepares what the interactive
// start prepares for a window — the platform, the language module, the theme
// — prints the result ("result 1" saved, "result 2" not) and, when the dialog
// started Dynamic Boost, lets it decide once before the end, so that its
// switch log shows what it did.
#include "platform/win32/wide.h"
//
#include <string>

#include "boost/boost_runtime.h"
#include "platform/assembly.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/startup_state.h"
#include "tray/boost_dialog_window.h"
#include "ui/theme.h"

int wmain() {
    quellora::PlatformAssembly* assembly = quellora::AssemblePlatform().release();
    quellora::SetPlatform(&assembly->platform);
    quellora::State().executablePath = assembly->platform.folders->ExecutablePath();
    quellora::SelectLanguage();
    if (!quellora::LoadResourceModule()) return 254;
    quellora::InitialiseTheme();

    const int result = quellora::RunBoostDialogWindow(nullptr);
    if (quellora::IsBoostRunning()) {
        Sleep(2000);
        quellora::StopBoost();
    }
    const std::string line = "result " + std::to_string(result) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return result;
}
