// advanced_view.exe: opens the advanced settings editor for a power plan on
// demand, for the window tests (the product opens it from the plan editor).
// It prepares what the interactive start prepares for a window — the
// platform, the language module, the theme, the common controls — prints
// "result <n>" (1 after OK, 2 after Cancel) and ends with it as its exit code.
//
//   advanced_view.exe [<plan name or GUID>]      the active plan without one
#include "platform/win32/wide.h"
//
#include <commctrl.h>

#include <string>

#include "platform/assembly.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/startup_state.h"
#include "power/plan_resolution.h"
#include "power/power_scheme_access.h"
#include "ui/advanced_editor.h"
#include "ui/theme.h"

int wmain(int argc, wchar_t** argv) {
    using namespace quellora;
    PlatformAssembly* assembly = AssemblePlatform().release();
    SetPlatform(&assembly->platform);
    State().executablePath = assembly->platform.folders->ExecutablePath();
    SelectLanguage();
    if (!LoadResourceModule()) return 254;
    InitialiseTheme();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    PowerSchemeAccess power;
    ResolvedPlan plan;
    if (!ResolvePlan(power, argc > 1 ? win32::FromWide(argv[1]) : std::u16string(), plan)) return 253;
    const int result = RunAdvancedEditor(nullptr, plan.guid);
    const std::string line = "result " + std::to_string(result) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return result;
}
