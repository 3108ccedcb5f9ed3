// Other processes: starting them (detached, or waited for with their output
// captured) and finding running ones by image name.
#include "platform/win32/wide.h"
//
#include <tlhelp32.h>
#include <winternl.h>

#include <memory>
#include <mutex>

#include "platform/errors.h"
#include "platform/text.h"
#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

// CreateProcessW may write into the command line: it gets a copy of its own.
std::wstring MutableCommandLine(std::u16string_view commandLine) { return Wide(commandLine); }

// What the reading thread collects. Shared, because a reader whose process
// outlived the time-out may finish after Run has returned.
struct OutputReader {
    HANDLE pipe = nullptr;  // read end; closed by the reader when it ends
    std::mutex mutex;
    std::string data;
};

DWORD WINAPI ReadOutput(void* parameter) {
    std::unique_ptr<std::shared_ptr<OutputReader>> owner(static_cast<std::shared_ptr<OutputReader>*>(parameter));
    OutputReader& reader = **owner;
    char buffer[16384];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(reader.pipe, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
        std::lock_guard lock(reader.mutex);
        reader.data.append(buffer, got);
    }
    CloseHandle(reader.pipe);
    return 0;
}

// The inheritable handles of one child: the write end of its output pipe and
// the null device for its input and error output. Only these reach the child
// (PROC_THREAD_ATTRIBUTE_HANDLE_LIST), so pipes of concurrent runs never leak
// into each other's children.
class ChildHandles {
public:
    ~ChildHandles() {
        if (attributes_) DeleteProcThreadAttributeList(attributes_);
        CloseWrite();
        if (nul_) CloseHandle(nul_);
    }

    bool Create(HANDLE& readEnd) {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        if (!CreatePipe(&readEnd, &write_, &sa, 0)) return false;
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        nul_ = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                           OPEN_EXISTING, 0, nullptr);
        if (nul_ == INVALID_HANDLE_VALUE) nul_ = nullptr;
        list_[0] = write_;
        list_[1] = nul_;
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_ = std::make_unique<char[]>(size);
        auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
        if (InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
            attributes_ = attributes;
            if (!UpdateProcThreadAttribute(attributes_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, list_,
                                           (nul_ ? 2 : 1) * sizeof(HANDLE), nullptr, nullptr)) {
                DeleteProcThreadAttributeList(attributes_);
                attributes_ = nullptr;
            }
        }
        return true;
    }

    void Fill(STARTUPINFOEXW& si) const {
        si.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
        si.StartupInfo.hStdInput = nul_;
        si.StartupInfo.hStdOutput = write_;
        si.StartupInfo.hStdError = nul_;
        si.lpAttributeList = attributes_;
    }

    bool HasAttributes() const { return attributes_ != nullptr; }

    // The parent's copy of the write end: closed once the child has its own,
    // so that the reader sees the end of the output when the child ends.
    void CloseWrite() {
        if (write_) CloseHandle(write_);
        write_ = nullptr;
    }

private:
    HANDLE write_ = nullptr;
    HANDLE nul_ = nullptr;
    HANDLE list_[2] = {};
    std::unique_ptr<char[]> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST attributes_ = nullptr;
};

// How long the output may still trickle in after the process ended (a child
// of the child may hold the pipe open).
constexpr DWORD kDrainMs = 2000;

}  // namespace

bool Win32Processes::StartDetached(std::u16string_view commandLine, uint32_t& error) {
    std::wstring line = MutableCommandLine(commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP | DETACHED_PROCESS,
                        nullptr, nullptr, &si, &pi)) {
        error = static_cast<uint32_t>(GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    error = err::kSuccess;
    return true;
}

ProcessRun Win32Processes::Run(std::u16string_view commandLine, uint32_t timeoutMs, bool captureOutput) {
    ProcessRun run;
    std::wstring line = MutableCommandLine(commandLine);
    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof(STARTUPINFOW);
    DWORD flags = CREATE_NO_WINDOW;
    ChildHandles child;
    std::shared_ptr<OutputReader> reader;
    if (captureOutput) {
        reader = std::make_shared<OutputReader>();
        if (!child.Create(reader->pipe)) {
            run.error = static_cast<uint32_t>(GetLastError());
            return run;
        }
        child.Fill(si);
        if (child.HasAttributes()) {
            si.StartupInfo.cb = sizeof si;
            flags |= EXTENDED_STARTUPINFO_PRESENT;
        }
    }
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, captureOutput ? TRUE : FALSE, flags, nullptr, nullptr,
                        &si.StartupInfo, &pi)) {
        run.error = static_cast<uint32_t>(GetLastError());
        if (reader) CloseHandle(reader->pipe);
        return run;
    }
    run.started = true;
    CloseHandle(pi.hThread);
    child.CloseWrite();

    HANDLE readerThread = nullptr;
    if (reader) {
        auto* owner = new std::shared_ptr<OutputReader>(reader);
        readerThread = CreateThread(nullptr, 0, ReadOutput, owner, 0, nullptr);
        if (!readerThread) {
            delete owner;
            CloseHandle(reader->pipe);
        }
    }

    DWORD wait = WaitForSingleObject(pi.hProcess, timeoutMs);
    if (wait == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(pi.hProcess, &code)) {
            run.finished = true;
            run.exitCode = code;
        }
    } else if (wait == WAIT_TIMEOUT) {
        run.error = err::kWaitTimeout;  // left running
    } else {
        run.error = static_cast<uint32_t>(GetLastError());
    }
    CloseHandle(pi.hProcess);

    if (readerThread) {
        if (WaitForSingleObject(readerThread, run.finished ? kDrainMs : 0) != WAIT_OBJECT_0) {
            // The pipe is still open (the process runs on, or passed the pipe
            // on): stop the read; a reader that cannot be stopped ends by
            // itself when the pipe closes and frees what it holds.
            CancelSynchronousIo(readerThread);
            WaitForSingleObject(readerThread, 1000);
        }
        CloseHandle(readerThread);
        std::lock_guard lock(reader->mutex);
        run.output = reader->data;
    }
    return run;
}

bool Win32Processes::ListWithNtQuery(std::u16string_view imageName, std::vector<uint32_t>& ids) {
    using QueryFn = LONG(NTAPI*)(ULONG, void*, ULONG, ULONG*);
    static const auto query = BindExport<QueryFn>(LoadedModule(L"ntdll.dll"), "ZwQuerySystemInformation");
    if (!query) return false;
    constexpr ULONG kSystemProcessInformation = 5;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    constexpr size_t kStep = 256 * 1024;
    std::vector<unsigned char> buffer;
    LONG status = kInfoLengthMismatch;
    // The list grows while it is read: grow the buffer in fixed steps until it fits.
    for (size_t size = kStep; size <= 256 * kStep; size += kStep) {
        buffer.assign(size, 0);
        ULONG needed = 0;
        status = query(kSystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status != kInfoLengthMismatch) break;
    }
    if (status < 0) return false;
    ids.clear();
    size_t offset = 0;
    for (;;) {
        if (offset + sizeof(SYSTEM_PROCESS_INFORMATION) > buffer.size()) break;
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
        if (entry->ImageName.Buffer && entry->ImageName.Length > 0) {
            std::u16string_view name(reinterpret_cast<const char16_t*>(entry->ImageName.Buffer),
                                     entry->ImageName.Length / sizeof(wchar_t));
            if (SameImageName(name, imageName))
                ids.push_back(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(entry->UniqueProcessId)));
        }
        if (entry->NextEntryOffset == 0) break;
        offset += entry->NextEntryOffset;
    }
    return true;
}

bool Win32Processes::ListWithToolhelp(std::u16string_view imageName, std::vector<uint32_t>& ids) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    ids.clear();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (SameImageName(FromWide(entry.szExeFile), imageName)) ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return true;
}

std::vector<uint32_t> Win32Processes::ListByImageName(std::u16string_view imageName) {
    std::vector<uint32_t> ids;
    if (!ListWithNtQuery(imageName, ids)) ListWithToolhelp(imageName, ids);
    return ids;
}

uint32_t Win32Processes::CurrentProcessId() { return GetCurrentProcessId(); }

ProcessRun Win32Processes::Launch(const ProcessLaunch& launch) {
    ProcessRun run;
    std::wstring application = Wide(launch.application);
    std::wstring line = MutableCommandLine(launch.commandLine);
    std::wstring directory = Wide(launch.directory);
    // The caller's own start-up information, as a program restarting itself passes on.
    STARTUPINFOW si{};
    si.cb = sizeof si;
    GetStartupInfoW(&si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_PROCESS_GROUP | DETACHED_PROCESS, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &si, &pi)) {
        run.error = static_cast<uint32_t>(GetLastError());
        return run;
    }
    run.started = true;
    CloseHandle(pi.hThread);
    if (launch.waitMs > 0) {
        const DWORD wait = WaitForSingleObject(pi.hProcess, launch.waitMs);
        DWORD code = 0;
        if (wait == WAIT_OBJECT_0 && GetExitCodeProcess(pi.hProcess, &code)) {
            run.finished = true;
            run.exitCode = code;
        } else if (wait == WAIT_TIMEOUT) {
            run.error = err::kWaitTimeout;
        }
    }
    CloseHandle(pi.hProcess);
    return run;
}

bool Win32Processes::Terminate(uint32_t processId, uint32_t exitCode) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);
    if (!process) return false;
    const bool terminated = TerminateProcess(process, exitCode) != FALSE;
    WaitForSingleObject(process, 0);
    CloseHandle(process);
    return terminated;
}

void Win32Processes::EndCurrentProcess(uint32_t exitCode) { TerminateProcess(GetCurrentProcess(), exitCode); }

}  // namespace quellora::win32
