#include "tests/win32/support.h"

#include <atomic>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/samples.h"

namespace quellora::wintest {

namespace {
std::atomic<int> g_scratchCounter{0};

void AppendQuoted(std::u16string& line, const std::u16string& argument) {
    bool plain = !argument.empty() && argument.find_first_of(u" \t\"") == std::u16string::npos;
    if (!plain) line.push_back(u'"');
    line.append(argument);
    if (!plain) line.push_back(u'"');
}

HANDLE OpenForChild(std::u16string_view path) {
    if (path.empty()) return nullptr;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    std::wstring p = win32::Wide(path);
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}
}  // namespace

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::u16string SelfPath() { return win32::Win32Folders().ExecutablePath(); }

std::u16string SelfName() { return FileNamePart(SelfPath()); }

ScratchFolder::ScratchFolder() {
    std::u16string base = win32::Win32Folders().TempPath();
    path_ = JoinPath(base, Format(u"quellora-win32-tests-%u-%u-%u", static_cast<unsigned>(GetCurrentProcessId()),
                                  static_cast<unsigned>(GetTickCount64() % 100000),
                                  static_cast<unsigned>(g_scratchCounter.fetch_add(1))));
    CreateDirectories(path_);
}

ScratchFolder::~ScratchFolder() {
    if (DirectoryExists(path_)) DeleteTree(path_);
}

std::u16string ScratchFolder::operator/(std::u16string_view name) const { return JoinPath(path_, name); }

std::u16string ChildCommandLine(std::u16string_view role, const std::vector<std::u16string>& arguments) {
    std::u16string line;
    AppendQuoted(line, SelfPath());
    line.append(u" --child=");
    line.append(role);
    for (const auto& a : arguments) {
        line.push_back(u' ');
        AppendQuoted(line, a);
    }
    return line;
}

ChildResult RunWithFiles(std::u16string_view commandLine, std::u16string_view outputFile,
                         std::u16string_view errorFile, uint32_t timeoutMs) {
    ChildResult result;
    HANDLE out = OpenForChild(outputFile);
    HANDLE err = OpenForChild(errorFile);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    std::wstring line = win32::Wide(commandLine);
    // DETACHED_PROCESS: no console of its own, as a GUI program started from Explorer.
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr, &si, &pi)) {
        result.started = true;
        if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(pi.hProcess, &code);
            result.exitCode = code;
        } else {
            TerminateProcess(pi.hProcess, 99);
            result.exitCode = 99;
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (out) CloseHandle(out);
    if (err) CloseHandle(err);
    return result;
}

std::string FileBytes(std::u16string_view path) {
    std::string bytes;
    ReadWholeFile(path, 64u << 20, bytes);
    return bytes;
}

int RunChildRole(std::u16string_view role, const std::vector<std::u16string>& arguments) {
    auto argument = [&](size_t i) { return i < arguments.size() ? arguments[i] : std::u16string(); };
    if (role == u"console-lines") {
        // What the console commands do: attach, then a line at a time as
        // console text, or as UTF-8 bytes where the output is a file or a pipe.
        win32::Win32Console console;
        if (!console.AttachForCommand()) return 3;
        int code = 0;
        for (std::u16string_view text : samples::kConsoleLines) {
            std::u16string line = std::u16string(text) + u"\r\n";
            if (console.WriteConsoleText(line)) {
                code = 10;
            } else if (!console.WriteBytes(Utf16ToUtf8(line))) {
                return 4;
            }
        }
        console.Detach();
        return code;
    }
    if (role == u"console-error") {
        win32::Win32Console().WriteError(samples::kErrorText);
        return 0;
    }
    if (role == u"big-output") {
        // Many more bytes than a pipe holds: the reader must keep up.
        size_t total = static_cast<size_t>(ParseLeadingInt(argument(0)));
        std::string chunk(4096, 'x');
        for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>('a' + i % 26);
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        size_t done = 0;
        while (done < total) {
            DWORD n = static_cast<DWORD>(total - done < chunk.size() ? total - done : chunk.size());
            DWORD written = 0;
            if (!WriteFile(out, chunk.data(), n, &written, nullptr) || written == 0) return 5;
            done += written;
        }
        return 0;
    }
    if (role == u"sleep") {
        Sleep(static_cast<DWORD>(ParseLeadingInt(argument(0))));
        return 0;
    }
    if (role == u"touch") {
        return WriteFileAtomic(argument(0), "started") ? 0 : 6;
    }
    if (role == u"pid-then-sleep") {
        // Tells its process identifier through a file, then waits to be ended.
        if (!WriteFileAtomic(argument(0), Utf16ToUtf8(ToDecimal(static_cast<uint32_t>(GetCurrentProcessId()))))) return 6;
        Sleep(static_cast<DWORD>(ParseLeadingInt(argument(1))));
        return 0;
    }
    if (role == u"exit") {
        return static_cast<int>(ParseLeadingInt(argument(0)));
    }
    if (role == u"try-mutex") {
        // Another process of the session asks for a named mutex without waiting.
        win32::Win32SessionMutexes mutexes;
        switch (mutexes.Acquire(argument(0), 0)) {
            case MutexWait::Acquired:
                mutexes.Release(argument(0));
                return 20;
            case MutexWait::TimedOut:
                return 21;
            case MutexWait::Unavailable:
                return 22;
        }
    }
    return 2;
}

}  // namespace quellora::wintest
