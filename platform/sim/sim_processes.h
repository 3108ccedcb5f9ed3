// Other processes on the simulated machine: powercfg.exe and the machine's
// simulated programs (an installed Threadmark, the counter tools) run
// in-process against the machine; anything else goes to the real platform's
// processes when there are any (under Wine), else cannot be started. Without
// real processes the process list is the machine's own (quellora-sim adds to
// it) with the current process in it.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace quellora::sim {

class SimMachine;

class SimProcesses : public Processes {
public:
    // `fallback` runs what is not simulated; null: such a start fails with ERROR_FILE_NOT_FOUND.
    explicit SimProcesses(SimMachine& machine, Processes* fallback = nullptr);

    bool StartDetached(std::u16string_view commandLine, uint32_t& error) override;
    ProcessRun Run(std::u16string_view commandLine, uint32_t timeoutMs, bool captureOutput) override;
    ProcessRun Launch(const ProcessLaunch& launch) override;
    std::vector<uint32_t> ListByImageName(std::u16string_view imageName) override;
    uint32_t CurrentProcessId() override;
    bool Terminate(uint32_t processId, uint32_t exitCode) override;
    void EndCurrentProcess(uint32_t exitCode) override;

    // Every command line asked to start, in order (also those that could not start).
    std::vector<std::u16string> StartedCommandLines() const;
    // The launches with their folders and waits, in order.
    std::vector<ProcessLaunch> Launches() const;
    void ClearLog();
    // Without real processes: whether EndCurrentProcess was called, and its code.
    bool Ended(uint32_t& exitCode) const;
    // The image name the current process has in the machine's process list.
    void SetOwnImageName(std::u16string imageName);

private:
    void Log(std::u16string_view commandLine);

    SimMachine& machine_;
    Processes* fallback_;
    mutable std::mutex mutex_;
    std::vector<std::u16string> log_;
    std::vector<ProcessLaunch> launches_;
    bool ended_ = false;
    uint32_t endCode_ = 0;
    std::u16string ownImageName_ = u"quellora.exe";
};

}  // namespace quellora::sim
