// Files and folders on Windows. Same contract as the host version.
#include "platform/win32/wide.h"
//
#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <random>

#include "platform/files.h"
#include "platform/text.h"

namespace quellora {

namespace {

using win32::FromWide;

std::atomic<int64_t> g_failWritesAfter{-1};

// The path for a file call: separators made backslashes and, for a full path
// longer than MAX_PATH allows, the "\\?\" form that lifts the limit.
std::wstring NativePath(std::u16string_view path) {
    std::wstring p = win32::Wide(path);
    if (p.size() < MAX_PATH - 12) return p;
    if (p.rfind(L"\\\\?\\", 0) == 0) return p;
    for (wchar_t& c : p) {
        if (c == L'/') c = L'\\';
    }
    if (p.size() >= 3 && p[1] == L':' && p[2] == L'\\') return L"\\\\?\\" + p;
    if (p.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + p.substr(2);
    return p;
}

uint64_t FileTimeValue(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

uint64_t SizeValue(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

bool WriteAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

DWORD Attributes(std::u16string_view path) {
    if (path.empty()) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(NativePath(path).c_str());
}

// A folder path without its trailing separators ("C:\" keeps its one).
std::u16string WithoutTrailingSeparators(std::u16string_view path) {
    std::u16string p(path);
    while (p.size() > 1 && IsPathSeparator(p.back()) && !(p.size() == 3 && p[1] == u':')) p.pop_back();
    return p;
}

bool CreateDirectoriesOneByOne(const std::u16string& path) {
    if (DirectoryExists(path)) return true;
    std::u16string parent = FolderPart(path);
    if (!parent.empty() && parent.size() < path.size() && !(parent.size() == 2 && parent[1] == u':'))
        CreateDirectoriesOneByOne(parent);
    if (CreateDirectoryW(NativePath(path).c_str(), nullptr)) return true;
    return DirectoryExists(path);
}

}  // namespace

char16_t PathSeparator() { return u'\\'; }

bool IsPathSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

std::u16string PathIgnoringCase(std::u16string_view folder, std::u16string_view name) { return JoinPath(folder, name); }

bool ReadWholeFile(std::u16string_view path, uint64_t maxBytes, std::string& bytes) {
    HANDLE file = CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || GetFileType(file) != FILE_TYPE_DISK ||
        static_cast<uint64_t>(size.QuadPart) > maxBytes) {
        CloseHandle(file);
        return false;
    }
    std::string data;
    data.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < data.size()) {
        size_t left = data.size() - done;
        DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
        DWORD got = 0;
        if (!ReadFile(file, data.data() + done, chunk, &got, nullptr) || got == 0) break;
        done += got;
    }
    CloseHandle(file);
    data.resize(done);
    bytes.swap(data);
    return true;
}

bool GetFileInfo(std::u16string_view path, FileInfo& info) {
    if (path.empty()) return false;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(NativePath(path).c_str(), GetFileExInfoStandard, &data)) return false;
    info.name = FileNamePart(WithoutTrailingSeparators(path));
    info.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.size = info.isDirectory ? 0 : SizeValue(data.nFileSizeHigh, data.nFileSizeLow);
    info.lastWriteTime = FileTimeValue(data.ftLastWriteTime);
    return true;
}

bool FileExists(std::u16string_view path) {
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(std::u16string_view path) {
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateDirectories(std::u16string_view path) {
    if (path.empty()) return false;
    if (DirectoryExists(path)) return true;
    // SHCreateDirectoryExW wants a full path with backslashes.
    std::wstring in = win32::Wide(path);
    std::wstring full(MAX_PATH + 1, L'\0');
    DWORD length = GetFullPathNameW(in.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length > 0 && length < full.size()) {
        full.resize(length);
        int e = SHCreateDirectoryExW(nullptr, full.c_str(), nullptr);
        if (e == ERROR_SUCCESS || e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS) return DirectoryExists(path);
        if (e != ERROR_FILENAME_EXCED_RANGE && e != ERROR_BAD_PATHNAME) return DirectoryExists(path);
    }
    // Paths too long for the shell: one folder at a time.
    return CreateDirectoriesOneByOne(WithoutTrailingSeparators(path));
}

bool ListDirectory(std::u16string_view path, std::vector<FileInfo>& entries) {
    entries.clear();
    if (path.empty()) return false;
    std::wstring pattern = NativePath(JoinPath(path, u"*"));
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        // An empty folder has no entry at all; a missing one is an error.
        return GetLastError() == ERROR_FILE_NOT_FOUND && DirectoryExists(path);
    }
    do {
        std::u16string name = FromWide(found.cFileName);
        if (name == u"." || name == u"..") continue;
        FileInfo info;
        info.name = std::move(name);
        info.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        info.size = info.isDirectory ? 0 : SizeValue(found.nFileSizeHigh, found.nFileSizeLow);
        info.lastWriteTime = FileTimeValue(found.ftLastWriteTime);
        entries.push_back(std::move(info));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return true;
}

bool DeleteFileAt(std::u16string_view path) {
    if (path.empty()) return false;
    return DeleteFileW(NativePath(path).c_str()) != FALSE;
}

bool RemoveEmptyDirectory(std::u16string_view path) {
    if (path.empty()) return false;
    return RemoveDirectoryW(NativePath(path).c_str()) != FALSE;
}

bool DeleteTree(std::u16string_view path) {
    DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A junction or a folder link: remove the link, never what it points to.
        return RemoveEmptyDirectory(path);
    }
    std::vector<FileInfo> entries;
    if (!ListDirectory(path, entries)) return false;
    bool ok = true;
    for (const auto& e : entries) {
        std::u16string full = JoinPath(path, e.name);
        if (e.isDirectory) {
            ok = DeleteTree(full) && ok;
            continue;
        }
        if (!DeleteFileAt(full)) {
            // A read-only file: clear the flag and try once more.
            std::wstring native = NativePath(full);
            SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_NORMAL);
            ok = DeleteFileW(native.c_str()) && ok;
        }
    }
    return RemoveEmptyDirectory(path) && ok;
}

namespace {

// Writes `bytes` to a new temporary file beside `target` and flushes it; its
// path goes to `temp`. On failure nothing is left behind.
bool WriteTemporary(const std::wstring& target, std::string_view bytes, std::wstring& temp) {
    std::mt19937_64 rng(std::random_device{}() ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^
                        GetTickCount64());
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 8 && file == INVALID_HANDLE_VALUE; ++attempt) {
        wchar_t suffix[32];
        _snwprintf(suffix, 32, L".%016llx.tmp", static_cast<unsigned long long>(rng()));
        suffix[31] = 0;
        temp = target + suffix;
        // No sharing: nobody reads the file while it is half written.
        file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    int64_t limit = g_failWritesAfter.load();
    if (limit >= 0 && static_cast<uint64_t>(limit) < bytes.size()) {
        // A write that stops half way, as on a full disk.
        WriteAll(file, bytes.data(), static_cast<size_t>(limit));
        ok = false;
    } else {
        ok = WriteAll(file, bytes.data(), bytes.size());
    }
    ok = ok && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (!ok) DeleteFileW(temp.c_str());
    return ok;
}

}  // namespace

bool WriteFileAtomic(std::u16string_view path, std::string_view bytes) {
    if (path.empty()) return false;
    const std::wstring target = NativePath(path);
    std::wstring temp;
    if (!WriteTemporary(target, bytes, temp)) return false;
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

CreateResult CreateFileAtomic(std::u16string_view path, std::string_view bytes) {
    if (path.empty()) return CreateResult::Failed;
    const std::wstring target = NativePath(path);
    std::wstring temp;
    if (!WriteTemporary(target, bytes, temp)) return CreateResult::Failed;
    // Without MOVEFILE_REPLACE_EXISTING the move refuses an existing target.
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(temp.c_str());
        return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? CreateResult::Exists
                                                                            : CreateResult::Failed;
    }
    return CreateResult::Created;
}

bool AppendToFile(std::u16string_view path, std::string_view bytes, std::string_view headerIfEmpty) {
    if (path.empty()) return false;
    // FILE_APPEND_DATA alone: every write lands at the end, even with other writers.
    HANDLE file = CreateFileW(NativePath(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    if (!headerIfEmpty.empty()) {
        LARGE_INTEGER size{};
        if (GetFileSizeEx(file, &size) && size.QuadPart == 0) ok = WriteAll(file, headerIfEmpty.data(), headerIfEmpty.size());
    }
    ok = ok && WriteAll(file, bytes.data(), bytes.size());
    ok = CloseHandle(file) && ok;
    return ok;
}

namespace testing {
void FailWritesAfter(int64_t bytes) { g_failWritesAfter.store(bytes); }
}  // namespace testing

}  // namespace quellora
