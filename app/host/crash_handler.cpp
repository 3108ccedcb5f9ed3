#include "app/crash_handler.h"

namespace quellora {

// The host program has no unhandled-exception filter: a crash there ends the
// process as the host ends any.
void InstallCrashHandler(int) {}

}  // namespace quellora
