// The process entry: chooses between a console command, a one-shot switch and
// the interactive application.
#pragma once

#include <string>
#include <string_view>

namespace quellora {

// Runs the program for a whole command line (the executable included, as
// GetCommandLineW gives it) and answers the process exit code. The platform
// must be set (SetPlatform) before.
int RunEntry(std::u16string_view commandLine);

// The one-shot switch that decides, or an empty text for the interactive
// start. "/classic" and the modifiers never decide.
std::u16string DecidingSwitch(std::u16string_view commandLine);

}  // namespace quellora
