// Other processes: powercfg and the like, and the program's own instances.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quellora {

struct ProcessRun {
    bool started = false;   // the process was created
    bool finished = false;  // it ended within the time-out
    uint32_t exitCode = 0;  // valid when finished
    uint32_t error = 0;     // the Windows error when it could not be started
    std::string output;     // its standard output, when asked for
};

// A program started the way CreateProcessW is called by hand: with an
// application name, the command line, a working folder and the caller's own
// start-up information, detached from the console in a process group of its
// own (CREATE_NEW_PROCESS_GROUP | DETACHED_PROCESS).
struct ProcessLaunch {
    std::u16string application;  // empty: the first token of the command line
    std::u16string commandLine;
    std::u16string directory;    // empty: the caller's current folder
    uint32_t waitMs = 0;         // how long to wait for its end; 0: not at all
};

// Image names are the same when they differ at most in the case of A to Z.
bool SameImageName(std::u16string_view a, std::u16string_view b);

class Processes {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFF;

    virtual ~Processes() = default;

    // Starts a command line as a detached process in a new process group and
    // does not wait for it. False (with the error) when it cannot be created.
    virtual bool StartDetached(std::u16string_view commandLine, uint32_t& error) = 0;
    // Starts a command line without a window (CREATE_NO_WINDOW) and waits up
    // to `timeoutMs` for it; a process still running then is left running.
    virtual ProcessRun Run(std::u16string_view commandLine, uint32_t timeoutMs, bool captureOutput) = 0;
    // Starts a program as described; with a wait, `finished` and `exitCode`
    // tell how it ended. Both of its handles are closed before the answer.
    virtual ProcessRun Launch(const ProcessLaunch& launch) {
        ProcessRun run;
        run.error = 120;  // ERROR_CALL_NOT_IMPLEMENTED
        (void)launch;
        return run;
    }
    // Process identifiers whose image name is `imageName` (SameImageName), the
    // current process included when it has that name.
    virtual std::vector<uint32_t> ListByImageName(std::u16string_view imageName) = 0;
    virtual uint32_t CurrentProcessId() = 0;
    // Opens the process with SYNCHRONIZE and PROCESS_TERMINATE, terminates it
    // with `exitCode`, waits for it with a time-out of 0 and closes it. False
    // when it cannot be opened or terminated.
    virtual bool Terminate(uint32_t processId, uint32_t exitCode) {
        (void)processId;
        (void)exitCode;
        return false;
    }
    // Ends the current process at once, without an orderly shutdown. Does not
    // return on Windows; a simulated platform records it and returns.
    virtual void EndCurrentProcess(uint32_t exitCode) { (void)exitCode; }
};

}  // namespace quellora
