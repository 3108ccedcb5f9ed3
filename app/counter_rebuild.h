// Rebuilds the system's performance counters when they are broken: the
// counter registrations are loaded anew and the services that serve them are
// restarted. The dashboard offers it, followed by a restart of the program.
#pragma once

namespace quellora {

void RebuildPerformanceCounters();

}  // namespace quellora
