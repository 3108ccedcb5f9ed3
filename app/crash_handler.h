// The crash handler: when an exception reaches no handler in any thread, the
// program writes a memory dump of itself into the user's local application
// data folder, tells the user where it is, and ends. The flow and the dump
// callback's decisions are portable; the Windows part (app/win32/) installs
// the process's unhandled-exception filter and does what the flow asks.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace quellora {

// Where users are asked to send dumps (string 1288's second argument).
inline constexpr std::u16string_view kDumpSupportLocation = u"https://support.ostrima.com/quellora/crash";
inline constexpr std::u16string_view kDumpFolder = u"Taskwarden";
inline constexpr std::u16string_view kDumpFileName = u"quellora.exe.dmp";
inline constexpr uint32_t kCrashDelayMs = 5000;
inline constexpr int kCrashDumpLevel = 2;
inline constexpr uint32_t kTextDumpFailed = 727;
inline constexpr uint32_t kTextDumpWritten = 1288;

// Unhandled-exception filter results.
inline constexpr long kContinueSearch = 0;

// MiniDumpWriteDump's dump type for a level: 0 scans memory and what it
// references, 1 adds data segments, handles, unloaded modules, private memory,
// memory and thread information, 2 adds all memory.
uint32_t DumpTypeFlags(int level);

// What the dump callback decides for a module.
struct DumpModuleChoice {
    bool keepModule = true;
    bool keepDataSegments = true;
};
// Level 0 leaves out modules nothing in memory refers to; level 1 writes data
// segments only for the executable, kernel32 and ntdll; level 2 keeps all.
DumpModuleChoice ChooseDumpModule(int level, std::u16string_view modulePath, std::u16string_view executablePath,
                                  bool referencedByMemory);
// The writer thread is left out of the dump.
inline bool IncludeDumpThread(uint32_t threadId, uint32_t writerThreadId) { return threadId != writerThreadId; }

// What the handler does; the Windows one acts, the tests' one records.
class CrashActions {
public:
    virtual ~CrashActions() = default;
    virtual std::u16string LocalAppData() = 0;
    virtual bool CreateFolder(std::u16string_view path) = 0;
    virtual void RemoveFile(std::u16string_view path) = 0;
    // The program's shutdown event is signalled (`/terminate` is stopping it).
    virtual bool ShutdownSignalled() = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;
    // Writes the dump with the other threads suspended; true when written.
    virtual bool WriteDump(std::u16string_view path, int level) = 0;
    // A text of the language module (the English one when none is loaded yet).
    virtual std::u16string Text(uint32_t id) = 0;
    // A system-modal box with an error icon; answers the button.
    virtual int ShowError(std::u16string_view text, uint32_t style) = 0;
    virtual void ShowInExplorer(std::u16string_view path) = 0;
    // Ends the process; never returns in the program.
    virtual void EndProcess(uint32_t exitCode) = 0;
    // Blocks the calling thread until the process ends.
    virtual void WaitForEnd() = 0;
};

// Who handles the crash: the first thread that gets here. A crash inside the
// handler (the same thread again) continues the search; another thread that
// crashes meanwhile waits for the first one to end the process (continuing
// its search would let the system end the process before the dump is written).
class CrashGate {
public:
    enum class Entry { First, Again, Other };
    Entry Enter(uint32_t threadId);

private:
    std::atomic<uint32_t> owner_{0};
};

// The unhandled-exception filter's work: the dump path (folders created, the
// old dump deleted), at once exit code 0 when the program is being stopped,
// otherwise a pause, the dump, message 1288 (Yes shows the dump in Explorer)
// or 727, and exit code 1. Answers kContinueSearch for a crash inside the
// handler; otherwise it does not return in the program.
long HandleCrash(CrashActions& actions, CrashGate& gate, uint32_t threadId, int dumpLevel = kCrashDumpLevel);

// The dump's full path under a local application data folder.
std::u16string CrashDumpPath(std::u16string_view localAppData);

// Installs the handler as the process's unhandled-exception filter (nothing on
// the host). The entry does this before anything else, with the program's
// level; the crash tests choose a smaller one (a full dump under Wine takes
// minutes and hundreds of megabytes).
void InstallCrashHandler(int dumpLevel = kCrashDumpLevel);

}  // namespace quellora
