// The console or redirected standard output the command-line parts write to.
#pragma once

#include <string_view>

namespace quellora {

class Console {
public:
    virtual ~Console() = default;

    // The console command rules: standard output when it is a file or a pipe;
    // otherwise (missing, invalid or a character device) the parent's console
    // through "CONOUT$". False when no output handle could be set.
    virtual bool AttachForCommand() = 0;
    // The report switches: the parent's console, else a console of the
    // process's own. `ownConsole` tells which one it became.
    virtual bool AttachOrAllocate(bool& ownConsole) = 0;
    // Closes what the attach opened and releases the console.
    virtual void Detach() = 0;
    // WriteConsoleW to the output handle; false when the handle is no console
    // (a file or a pipe) or none is set.
    virtual bool WriteConsoleText(std::u16string_view text) = 0;
    // WriteFile of the bytes to the output handle; false when none is set.
    virtual bool WriteBytes(std::string_view bytes) = 0;
    // One line to standard error (the host shows start-up failures there).
    virtual void WriteError(std::u16string_view text) = 0;
    // OutputDebugStringW.
    virtual void DebugOutput(std::u16string_view text) = 0;
    // SetConsoleCtrlHandler(NULL, ignore): Ctrl+C is ignored while set.
    virtual void IgnoreCtrlC(bool ignore) = 0;
};

}  // namespace quellora
