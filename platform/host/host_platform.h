// Host (Linux) implementations of the platform resources that are not
// simulated: the clock, standard output, the language modules' string tables
// beside the executable, and the folders inside the simulated machine's state
// folder.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace quellora::host {

// QUELLORA_SIM_DIR, else $XDG_STATE_HOME/quellora-sim, else ~/.local/state/quellora-sim.
std::string DefaultStateDir();

class HostClock : public Clock {
public:
    uint64_t TickCount64() override;
    CalendarTime UtcNow() override;
    CalendarTime LocalNow() override;
    bool UtcToLocal(const CalendarTime& utc, CalendarTime& local) override;
    void Sleep(uint32_t milliseconds) override;
};

// Standard output is the console command's output on the host: it is never a
// Windows console, so text goes out as UTF-8 bytes.
class HostConsole : public Console {
public:
    bool AttachForCommand() override;
    bool AttachOrAllocate(bool& ownConsole) override;
    void Detach() override;
    bool WriteConsoleText(std::u16string_view text) override;
    bool WriteBytes(std::string_view bytes) override;
    void WriteError(std::u16string_view text) override;
    void DebugOutput(std::u16string_view text) override;
    void IgnoreCtrlC(bool ignore) override;

private:
    bool attached_ = false;
};

// The language modules of the host build: files named like the Windows
// modules ("tw_rsrc_english.dll") that hold the string tables of the same
// resource scripts, in the text form written by the rcstrings tool.
class HostResourceModules : public ResourceModules {
public:
    ModuleHandle LoadByPath(std::u16string_view path) override;
    void Unload(ModuleHandle module) override;
    std::u16string LoadString(ModuleHandle module, uint32_t id, size_t maxChars) override;

    // Parses the text form; false when it is not a string table.
    static bool ParseTable(const std::string& bytes, std::map<uint32_t, std::u16string>& table);

private:
    struct Module {
        std::u16string name;
        std::map<uint32_t, std::u16string> strings;
        int references = 0;
    };
    std::mutex mutex_;
    std::vector<std::unique_ptr<Module>> modules_;  // handle = index + 1
};

// Known folders inside the simulated machine's state folder.
class HostFolders : public KnownFolders {
public:
    explicit HostFolders(std::u16string stateDir);
    std::u16string LocalAppData() override;
    std::u16string CommonAppData() override;
    std::u16string ProgramFiles() override;
    std::u16string TempPath() override;
    std::u16string ExecutablePath() override;
    std::u16string CurrentDirectory() override;
    bool FullPath(std::u16string_view path, std::u16string& out) override;

private:
    std::u16string stateDir_;
};

std::u16string HostExecutablePath();

}  // namespace quellora::host
