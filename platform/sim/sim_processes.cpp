#include "platform/sim/sim_processes.h"

#include "platform/errors.h"
#include "platform/sim/sim_powercfg.h"

namespace quellora::sim {

SimProcesses::SimProcesses(SimMachine& machine, Processes* fallback) : machine_(machine), fallback_(fallback) {}

void SimProcesses::Log(std::u16string_view commandLine) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.emplace_back(commandLine);
}

std::vector<std::u16string> SimProcesses::StartedCommandLines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

void SimProcesses::ClearLog() {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
}

bool SimProcesses::StartDetached(std::u16string_view commandLine, uint32_t& error) {
    Log(commandLine);
    if (IsPowercfgCommand(commandLine)) {
        // powercfg finishes at once; nobody waits for a detached process anyway.
        std::vector<std::u16string> args = SplitCommandLine(commandLine);
        args.erase(args.begin());
        RunPowercfg(machine_, args);
        error = err::kSuccess;
        return true;
    }
    if (fallback_ != nullptr) return fallback_->StartDetached(commandLine, error);
    error = err::kFileNotFound;
    return false;
}

ProcessRun SimProcesses::Run(std::u16string_view commandLine, uint32_t timeoutMs, bool captureOutput) {
    Log(commandLine);
    if (IsPowercfgCommand(commandLine)) {
        std::vector<std::u16string> args = SplitCommandLine(commandLine);
        args.erase(args.begin());
        PowercfgRun run = RunPowercfg(machine_, args);
        ProcessRun result;
        result.started = true;
        result.finished = true;
        result.exitCode = run.exitCode;
        if (captureOutput) result.output = std::move(run.output);
        return result;
    }
    if (fallback_ != nullptr) return fallback_->Run(commandLine, timeoutMs, captureOutput);
    ProcessRun result;
    result.error = err::kFileNotFound;
    return result;
}

std::vector<uint32_t> SimProcesses::ListByImageName(std::u16string_view imageName) {
    return fallback_ ? fallback_->ListByImageName(imageName) : std::vector<uint32_t>{};
}

uint32_t SimProcesses::CurrentProcessId() { return fallback_ ? fallback_->CurrentProcessId() : 1; }

}  // namespace quellora::sim
