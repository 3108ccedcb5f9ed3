// advanced_view.exe: opens the advanced settings editor for a power plan on
// demand, for the window tests (the product opens it from the plan editor).
// It prepares what the interactive start prepares for a window — the
// platform, the language module, the theme, the common controls — prints
// "result <n>" (1 after OK, 2 after Cancel) and ends with it as its exit code.
//
//   advanced_view.exe [<plan name or GUID>]      the active plan without one
#include <string>

#include "power/plan_resolution.h"
#include "power/power_scheme_access.h"
#include "tests/wine/programs/window_program.h"
#include "ui/advanced_editor.h"

int wmain(int argc, wchar_t** argv) {
    using namespace quellora;
    if (!testing::PrepareWindowProgram()) return 254;

    PowerSchemeAccess power;
    ResolvedPlan plan;
    if (!ResolvePlan(power, argc > 1 ? win32::FromWide(argv[1]) : std::u16string(), plan)) return 253;
    const int result = RunAdvancedEditor(nullptr, plan.guid);
    const std::string line = "result " + std::to_string(result) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return result;
}
