// Programs of the simulated machine that the program starts or looks at:
// an installed Threadmark (its Threadmark.exe and uninstall.exe, with the
// version in the uninstaller's version resource), the counter tools lodctr.exe
// and winmgmt.exe, and other instances of the program in the process list.
// What they do when started is simulated here; every start is logged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_version.h"
#include "platform/processes.h"

namespace quellora {
class KnownFolders;
}

namespace quellora::sim {

class SimMachine;

// Installs Threadmark of `version` into `<programFiles>\Threadmark` (the
// folder and both programs are created as files); false when the folder
// cannot be made.
bool InstallThreadmark(SimMachine& machine, std::u16string_view programFiles, const FileVersion& version);
// Removes it as its uninstaller does (files, folder and records).
void UninstallThreadmark(SimMachine& machine, std::u16string_view programFiles);
// The installed version; false when none is installed.
bool InstalledThreadmark(SimMachine& machine, FileVersion& version);

// Runs `commandLine` when its program is one of the machine's simulated
// programs; false when it is not (the caller starts it otherwise).
bool RunSimulatedProgram(SimMachine& machine, std::u16string_view application, std::u16string_view commandLine,
                         ProcessRun& run);

// The programs started on the machine (not powercfg), in order.
std::vector<std::u16string> ProgramLog(SimMachine& machine);
void LogProgram(SimMachine& machine, std::u16string_view commandLine);

// The process list: other processes of the machine, by identifier.
struct SimProcess {
    uint32_t id = 0;
    std::u16string imageName;
};
std::vector<SimProcess> SimProcessList(SimMachine& machine);
uint32_t AddSimProcess(SimMachine& machine, std::u16string_view imageName, uint32_t id = 0);
bool RemoveSimProcess(SimMachine& machine, uint32_t id);

// File versions of the machine's simulated programs; other files go to
// `fallback` when there is one (the Windows build's own files).
class SimFileVersions : public FileVersions {
public:
    SimFileVersions(SimMachine& machine, FileVersions* fallback) : machine_(machine), fallback_(fallback) {}
    bool FixedFileVersion(std::u16string_view path, FileVersion& version) override;

private:
    SimMachine& machine_;
    FileVersions* fallback_;
};

}  // namespace quellora::sim
