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
    // Process identifiers whose image name equals `imageName` without regard to case.
    virtual std::vector<uint32_t> ListByImageName(std::u16string_view imageName) = 0;
    virtual uint32_t CurrentProcessId() = 0;
};

}  // namespace quellora
