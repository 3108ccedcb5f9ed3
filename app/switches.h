// The operations behind the one-shot switches of the entry and the interactive
// start, each answering the process exit code. The diagnostics and the plan
// backups declare theirs beside their own code.
#pragma once

namespace quellora {

int TerminateAllInstances();         // /terminate
int UninstallCleanup();              // /uninstall
int PostUpdateFixup();               // /update
int RunInteractiveStart();           // no switch

}  // namespace quellora
