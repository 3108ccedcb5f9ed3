#include "platform/sim/sim_processes.h"

#include "platform/errors.h"
#include "platform/sim/sim_instance_windows.h"
#include "platform/sim/sim_powercfg.h"
#include "platform/sim/sim_programs.h"
#include "platform/sim/sim_update_endpoint.h"

namespace quellora::sim {

namespace {
constexpr uint32_t kOwnProcessId = 1;
}

SimProcesses::SimProcesses(SimMachine& machine, Processes* fallback) : machine_(machine), fallback_(fallback) {}

void SimProcesses::Log(std::u16string_view commandLine) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.emplace_back(commandLine);
}

std::vector<std::u16string> SimProcesses::StartedCommandLines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

std::vector<ProcessLaunch> SimProcesses::Launches() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return launches_;
}

void SimProcesses::ClearLog() {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
    launches_.clear();
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
    ProcessRun simulated;
    if (RunSimulatedProgram(machine_, u"", commandLine, simulated)) {
        error = simulated.started ? err::kSuccess : simulated.error;
        return simulated.started;
    }
    // The maker's installer as the simulated endpoint serves it: its start is recorded, not done.
    if (StartSimulatedInstaller(machine_, commandLine)) {
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
    ProcessRun simulated;
    if (RunSimulatedProgram(machine_, u"", commandLine, simulated)) return simulated;
    if (fallback_ != nullptr) return fallback_->Run(commandLine, timeoutMs, captureOutput);
    ProcessRun result;
    result.error = err::kFileNotFound;
    return result;
}

ProcessRun SimProcesses::Launch(const ProcessLaunch& launch) {
    Log(launch.commandLine);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        launches_.push_back(launch);
    }
    ProcessRun simulated;
    if (RunSimulatedProgram(machine_, launch.application, launch.commandLine, simulated)) {
        if (launch.waitMs == 0) simulated.finished = false;  // nobody waited for it
        return simulated;
    }
    if (fallback_ != nullptr) return fallback_->Launch(launch);
    ProcessRun result;
    result.error = err::kFileNotFound;
    return result;
}

std::vector<uint32_t> SimProcesses::ListByImageName(std::u16string_view imageName) {
    if (fallback_ != nullptr) return fallback_->ListByImageName(imageName);
    std::vector<uint32_t> ids;
    std::u16string own;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        own = ownImageName_;
    }
    if (SameImageName(own, imageName)) ids.push_back(kOwnProcessId);
    for (const SimProcess& p : SimProcessList(machine_)) {
        if (SameImageName(p.imageName, imageName)) ids.push_back(p.id);
    }
    return ids;
}

uint32_t SimProcesses::CurrentProcessId() { return fallback_ ? fallback_->CurrentProcessId() : kOwnProcessId; }

bool SimProcesses::Terminate(uint32_t processId, uint32_t exitCode) {
    if (fallback_ != nullptr) return fallback_->Terminate(processId, exitCode);
    if (processId == kOwnProcessId) {
        EndCurrentProcess(exitCode);
        return true;
    }
    if (!RemoveSimProcess(machine_, processId)) return false;
    // Its windows go with it.
    for (const SimWindow& window : SimInstanceWindows::List(machine_)) {
        if (window.processId == processId) SimInstanceWindows::Remove(machine_, window.number);
    }
    return true;
}

void SimProcesses::EndCurrentProcess(uint32_t exitCode) {
    if (fallback_ != nullptr) {
        fallback_->EndCurrentProcess(exitCode);
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    endCode_ = exitCode;
}

bool SimProcesses::Ended(uint32_t& exitCode) const {
    std::lock_guard<std::mutex> lock(mutex_);
    exitCode = endCode_;
    return ended_;
}

void SimProcesses::SetOwnImageName(std::u16string imageName) {
    std::lock_guard<std::mutex> lock(mutex_);
    ownImageName_ = std::move(imageName);
}

}  // namespace quellora::sim
