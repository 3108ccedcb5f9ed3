// Switches whose operations are not part of this build yet. Each says so on
// standard error and ends with exit code 1, so an installer or a script never
// takes them for done.
#include "app/switches.h"
#include "platform/platform.h"

namespace quellora {

namespace {
int NotAvailable(const char16_t* what) {
    if (Sys().console) Sys().console->WriteError(std::u16string(what) + u" is not available in this build.");
    return 1;
}
}  // namespace

int TerminateAllInstances() { return NotAvailable(u"/terminate"); }
int UninstallCleanup() { return NotAvailable(u"/uninstall"); }
int RunInteractiveStart() { return NotAvailable(u"The interactive application"); }

}  // namespace quellora
