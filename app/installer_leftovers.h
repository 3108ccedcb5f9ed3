// After an update the installer that ran it may still be on disk, in the
// maker's folder of the temporary directory or beside the program: a thread
// deletes it, trying again while the installer is still running.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quellora {

// The installers that exist now: "quellorasetup32.exe", "quellorasetup64.exe"
// and "quellorasetuparm64.exe", each looked for in `<temp>\ostrima\` and in
// the executable's folder.
std::vector<std::u16string> FindInstallerLeftovers();

// At most 30 passes: each deletes every listed file that still exists and
// drops from the list each file that is gone or was deleted. Before every pass
// but the first, `waitForStop(2000)` waits; when it answers true (the shutdown
// event was signalled) the clean-up stops. It stops when the list is empty.
// Answers the files left.
std::vector<std::u16string> CleanInstallerLeftovers(std::vector<std::u16string> files,
                                                    const std::function<bool(uint32_t)>& waitForStop,
                                                    const std::function<bool(const std::u16string&)>& deleteFile);

// Starts the clean-up thread when there is anything to clean (it waits on the
// shutdown event and is never joined). False when there was nothing to clean
// or the thread could not be started.
bool StartInstallerLeftoverCleanup();

}  // namespace quellora
