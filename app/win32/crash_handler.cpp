// The Windows half of the crash handler: the unhandled-exception filter, the
// dump written by a thread of its own with dbghelp's MiniDumpWriteDump while
// every other thread is suspended, the boxes, Explorer, the end.
#include "platform/win32/wide.h"
//
#include <dbghelp.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <atomic>
#include <vector>

#include "app/crash_handler.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/startup_state.h"

namespace quellora {

namespace {

using win32::Wide;

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

CrashGate g_gate;
std::atomic<int> g_level{kCrashDumpLevel};

struct DumpJob {
    std::wstring path;
    int level = 0;
    EXCEPTION_POINTERS* exception = nullptr;
    DWORD crashedThread = 0;
    DWORD writerThread = 0;
    std::u16string executable;
    bool written = false;
};

BOOL CALLBACK DumpCallback(PVOID param, PMINIDUMP_CALLBACK_INPUT input, PMINIDUMP_CALLBACK_OUTPUT output) {
    const auto* job = static_cast<const DumpJob*>(param);
    if (!input || !output) return TRUE;
    switch (input->CallbackType) {
        case IncludeThreadCallback:
            return IncludeDumpThread(input->IncludeThread.ThreadId, job->writerThread) ? TRUE : FALSE;
        case ModuleCallback: {
            const wchar_t* name = input->Module.FullPath ? input->Module.FullPath : L"";
            const DumpModuleChoice choice =
                ChooseDumpModule(job->level, win32::FromWide(name), job->executable,
                                 (output->ModuleWriteFlags & ModuleReferencedByMemory) != 0);
            if (!choice.keepModule) output->ModuleWriteFlags &= ~ModuleWriteModule;
            if (!choice.keepDataSegments) output->ModuleWriteFlags &= ~ModuleWriteDataSeg;
            return TRUE;
        }
        default:
            return TRUE;
    }
}

DWORD WINAPI DumpWriter(LPVOID param) {
    auto* job = static_cast<DumpJob*>(param);
    static const auto write = win32::BindExport<MiniDumpWriteDumpFn>(win32::SystemLibrary(L"dbghelp.dll"),
                                                                      "MiniDumpWriteDump");
    if (!write) return 1;
    HANDLE file = CreateFileW(job->path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    MINIDUMP_EXCEPTION_INFORMATION exception{job->crashedThread, job->exception, FALSE};
    MINIDUMP_CALLBACK_INFORMATION callback{DumpCallback, job};
    job->written = write(GetCurrentProcess(), GetCurrentProcessId(), file,
                         static_cast<MINIDUMP_TYPE>(DumpTypeFlags(job->level)), job->exception ? &exception : nullptr,
                         nullptr, &callback) != FALSE;
    CloseHandle(file);
    return 0;
}

// Suspends every thread of the process but these two; answers their handles.
std::vector<HANDLE> SuspendOthers(DWORD keep1, DWORD keep2) {
    std::vector<HANDLE> suspended;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return suspended;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    const DWORD pid = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid || entry.th32ThreadID == keep1 || entry.th32ThreadID == keep2) continue;
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (!thread) continue;
        if (SuspendThread(thread) != static_cast<DWORD>(-1)) {
            suspended.push_back(thread);
        } else {
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
    return suspended;
}

class Win32CrashActions : public CrashActions {
public:
    Win32CrashActions(EXCEPTION_POINTERS* exception, DWORD thread) : exception_(exception), thread_(thread) {}

    std::u16string LocalAppData() override { return Sys().folders ? Sys().folders->LocalAppData() : std::u16string(); }
    bool CreateFolder(std::u16string_view path) override {
        return CreateDirectoryW(Wide(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    }
    void RemoveFile(std::u16string_view path) override { DeleteFileW(Wide(path).c_str()); }
    bool ShutdownSignalled() override {
        HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, Wide(kShutdownEventName).c_str());
        if (!event) return false;
        const bool signalled = WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
        CloseHandle(event);
        return signalled;
    }
    void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
    bool WriteDump(std::u16string_view path, int level) override {
        DumpJob job;
        job.path = Wide(path);
        job.level = level;
        job.exception = exception_;
        job.crashedThread = thread_;
        job.executable = Sys().folders ? Sys().folders->ExecutablePath() : std::u16string();
        HANDLE writer = CreateThread(nullptr, 0, DumpWriter, &job, CREATE_SUSPENDED, &job.writerThread);
        if (!writer) return false;
        std::vector<HANDLE> suspended = SuspendOthers(job.writerThread, GetCurrentThreadId());
        ResumeThread(writer);
        WaitForSingleObject(writer, INFINITE);
        CloseHandle(writer);
        for (HANDLE thread : suspended) {
            ResumeThread(thread);
            CloseHandle(thread);
        }
        return job.written;
    }
    std::u16string Text(uint32_t id) override {
        if (!State().resourceModule && !State().englishModule) LoadEnglishModuleOnly();
        return LoadText(id);
    }
    int ShowError(std::u16string_view text, uint32_t style) override {
        return MessageBoxW(nullptr, Wide(text).c_str(), Wide(State().productName).c_str(), style);
    }
    void ShowInExplorer(std::u16string_view path) override {
        const std::wstring parameters = L"/select,\"" + Wide(path) + L"\"";
        ShellExecuteW(nullptr, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
    }
    // Ended at once: other threads may hold locks that an orderly exit would wait for.
    void EndProcess(uint32_t exitCode) override { TerminateProcess(GetCurrentProcess(), exitCode); }
    void WaitForEnd() override {
        for (;;) ::Sleep(INFINITE);
    }

private:
    EXCEPTION_POINTERS* exception_;
    DWORD thread_;
};

LONG WINAPI UnhandledExceptionHandler(EXCEPTION_POINTERS* exception) {
    const DWORD thread = GetCurrentThreadId();
    Win32CrashActions actions(exception, thread);
    return HandleCrash(actions, g_gate, thread, g_level);
}

}  // namespace

void InstallCrashHandler(int dumpLevel) {
    g_level = dumpLevel;
    SetUnhandledExceptionFilter(UnhandledExceptionHandler);
}

}  // namespace quellora
