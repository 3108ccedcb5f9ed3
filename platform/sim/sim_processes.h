// Other processes on the simulated machine: powercfg.exe runs in-process
// against the machine's registry; anything else goes to the real platform's
// processes when there are any (under Wine), else cannot be started.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace quellora::sim {

class SimMachine;

class SimProcesses : public Processes {
public:
    // `fallback` runs what is not powercfg; null: such a start fails with ERROR_FILE_NOT_FOUND.
    explicit SimProcesses(SimMachine& machine, Processes* fallback = nullptr);

    bool StartDetached(std::u16string_view commandLine, uint32_t& error) override;
    ProcessRun Run(std::u16string_view commandLine, uint32_t timeoutMs, bool captureOutput) override;
    std::vector<uint32_t> ListByImageName(std::u16string_view imageName) override;
    uint32_t CurrentProcessId() override;

    // Every command line asked to start, in order (also those that could not start).
    std::vector<std::u16string> StartedCommandLines() const;
    void ClearLog();

private:
    void Log(std::u16string_view commandLine);

    SimMachine& machine_;
    Processes* fallback_;
    mutable std::mutex mutex_;
    std::vector<std::u16string> log_;
};

}  // namespace quellora::sim
