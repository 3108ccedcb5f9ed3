// Console output of a GUI-subsystem program: a redirected standard output is
// used as it is; otherwise the program borrows its parent's console (or, for
// the reports, makes one of its own) and writes through "CONOUT$".
#include "platform/win32/wide.h"
//
#include "platform/text.h"
#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

bool IsUsable(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

// A file or a pipe: standard output that the caller redirected.
bool IsRedirected(HANDLE h) {
    if (!IsUsable(h)) return false;
    DWORD type = GetFileType(h);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

HANDLE OpenConsoleOutput() {
    HANDLE h = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

bool WriteAllBytes(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(h, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// WriteConsoleW in pieces small enough for every console host, never
// splitting a surrogate pair.
bool WriteAllConsole(HANDLE h, std::u16string_view text) {
    constexpr size_t kPiece = 8192;
    while (!text.empty()) {
        size_t n = text.size() < kPiece ? text.size() : kPiece;
        if (n < text.size() && n > 1 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
        DWORD written = 0;
        if (!WriteConsoleW(h, text.data(), static_cast<DWORD>(n), &written, nullptr) || written == 0) return false;
        text.remove_prefix(written < n ? written : n);
    }
    return true;
}

}  // namespace

Win32Console::~Win32Console() { Detach(); }

bool Win32Console::AttachForCommand() {
    Detach();
    HANDLE standardOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!IsUsable(standardOutput) || GetFileType(standardOutput) == FILE_TYPE_CHAR) {
        // Started from a console window (or with nothing at all): write to the parent's console.
        if (AttachConsole(ATTACH_PARENT_PROCESS)) {
            attachedConsole_ = true;
        } else if (GetLastError() != ERROR_ACCESS_DENIED) {
            return false;
        }
        // ERROR_ACCESS_DENIED: the process has its parent's console already
        // (Wine hands it to GUI programs too); write to that one and leave it
        // attached afterwards.
        return OpenConsole();
    }
    output_ = standardOutput;
    return true;
}

bool Win32Console::AttachOrAllocate(bool& ownConsole) {
    Detach();
    ownConsole = false;
    HANDLE standardOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    if (IsRedirected(standardOutput)) {
        output_ = standardOutput;
        return true;
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        attachedConsole_ = true;
    } else if (GetLastError() == ERROR_ACCESS_DENIED) {
        // The process has a console already (a console program): use it as it is.
    } else if (AllocConsole()) {
        attachedConsole_ = true;
        ownConsole = true;
    } else {
        return false;
    }
    return OpenConsole();
}

bool Win32Console::OpenConsole() {
    output_ = OpenConsoleOutput();
    ownsOutput_ = output_ != nullptr;
    if (!output_) Detach();  // no output after all: let go of the console again
    return output_ != nullptr;
}

void Win32Console::Detach() {
    if (ownsOutput_ && output_) CloseHandle(static_cast<HANDLE>(output_));
    if (attachedConsole_) FreeConsole();
    output_ = nullptr;
    ownsOutput_ = false;
    attachedConsole_ = false;
}

bool Win32Console::WriteConsoleText(std::u16string_view text) {
    if (!output_) return false;
    HANDLE h = static_cast<HANDLE>(output_);
    DWORD mode = 0;
    if (!GetConsoleMode(h, &mode)) return false;  // a file or a pipe: the caller writes bytes
    return WriteAllConsole(h, text);
}

bool Win32Console::WriteBytes(std::string_view bytes) {
    if (!output_) return false;
    return WriteAllBytes(static_cast<HANDLE>(output_), bytes);
}

void Win32Console::WriteError(std::u16string_view text) {
    HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
    if (!IsUsable(h)) return;
    std::u16string line(text);
    line += u"\r\n";
    DWORD mode = 0;
    if (GetFileType(h) == FILE_TYPE_CHAR && GetConsoleMode(h, &mode) && WriteAllConsole(h, line)) return;
    WriteAllBytes(h, Utf16ToUtf8(line));
}

void Win32Console::DebugOutput(std::u16string_view text) {
    std::wstring t = Wide(text);
    OutputDebugStringW(t.c_str());
}

void Win32Console::IgnoreCtrlC(bool ignore) { SetConsoleCtrlHandler(nullptr, ignore ? TRUE : FALSE); }

}  // namespace quellora::win32
