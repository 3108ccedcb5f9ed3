// The frame around the console commands: which argument is a command, the
// dispatch, the help text and the plan listing. Output and plan resolution,
// which the commands share, are in platform/console_output.h and
// power/plan_resolution.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console_output.h"
#include "power/plan_resolution.h"

namespace quellora {

using Arguments = std::vector<std::u16string>;

// True when the first argument is "/help" (any case), exactly "/?", or one of
// the seven command names (any case).
bool IsConsoleCommand(const Arguments& arguments);
// Attaches the output, runs the command, detaches; answers the exit code.
int RunConsoleCommand(const Arguments& arguments);

// The `/plans` command.
int ListPlansCommand();

}  // namespace quellora
