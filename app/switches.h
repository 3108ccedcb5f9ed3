// The operations behind the one-shot switches of the entry and the interactive
// start, each answering the process exit code. The diagnostics and the plan
// backups declare theirs beside their own code.
#pragma once

#include <string_view>

#include "app/single_instance.h"  // TerminateAllInstances: /terminate

namespace quellora {

int UninstallCleanup();              // /uninstall
int PostUpdateFixup();               // /update
// No switch: the command line with its letters A to Z lowered.
int RunInteractiveStart(std::u16string_view loweredCommandLine);

}  // namespace quellora
