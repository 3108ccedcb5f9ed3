// powercfg.exe of the simulated machine, run in-process against its registry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quellora::sim {

class SimMachine;

struct PowercfgRun {
    uint32_t exitCode = 0;  // 0 on success, 1 on bad arguments or a failed operation
    std::string output;     // what it prints: UTF-8, CR LF line ends
};

// Splits a command line as CommandLineToArgvW does: the program name up to
// the next blank (or between quotes), then arguments with the quote and
// backslash rules.
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

// Whether the command line starts powercfg.exe (any folder, any case, quoted or not).
bool IsPowercfgCommand(std::u16string_view commandLine);

// Runs powercfg with its arguments (without the program name). Understands
// -setactive (/s), -attributes, /export, /import, /q (/query), /qh, /l
// (/list), /getactivescheme, /duplicatescheme, /delete (/d), /changename,
// /setacvalueindex, /setdcvalueindex and /? (options start with "-" or "/").
PowercfgRun RunPowercfg(SimMachine& machine, const std::vector<std::u16string>& args);

}  // namespace quellora::sim
