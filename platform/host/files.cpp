// Files and folders on the host (POSIX). Same contract as the Windows version.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>

#include "platform/text.h"

namespace quellora {

namespace {

std::atomic<int64_t> g_failWritesAfter{-1};

std::string Native(std::u16string_view path) { return Utf16ToUtf8(path); }

uint64_t ToFileTime(const struct timespec& ts) {
    // FILETIME counts 100 ns steps since 1601-01-01.
    constexpr uint64_t kEpochDifference = 11644473600ull;
    return (static_cast<uint64_t>(ts.tv_sec) + kEpochDifference) * 10000000ull + static_cast<uint64_t>(ts.tv_nsec) / 100;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

char16_t PathSeparator() { return u'/'; }

bool IsPathSeparator(char16_t c) { return c == u'/'; }

std::u16string PathIgnoringCase(std::u16string_view folder, std::u16string_view name) {
    std::u16string exact = JoinPath(folder, name);
    struct stat st {};
    if (::stat(Native(exact).c_str(), &st) == 0) return exact;
    std::vector<FileInfo> entries;
    if (ListDirectory(folder, entries)) {
        for (const auto& e : entries) {
            if (EqualsIgnoreCase(e.name, name)) return JoinPath(folder, e.name);
        }
    }
    return exact;
}

bool ReadWholeFile(std::u16string_view path, uint64_t maxBytes, std::string& bytes) {
    int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return false;
    }
    std::string data;
    data.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::read(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    data.resize(done);
    bytes.swap(data);
    return true;
}

bool GetFileInfo(std::u16string_view path, FileInfo& info) {
    struct stat st {};
    if (::stat(Native(path).c_str(), &st) != 0) return false;
    info.name = FileNamePart(path);
    info.isDirectory = S_ISDIR(st.st_mode);
    info.size = info.isDirectory ? 0 : static_cast<uint64_t>(st.st_size);
    info.lastWriteTime = ToFileTime(st.st_mtim);
    return true;
}

bool FileExists(std::u16string_view path) {
    struct stat st {};
    return ::stat(Native(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(std::u16string_view path) {
    struct stat st {};
    return ::stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDirectories(std::u16string_view path) {
    if (path.empty()) return false;
    if (DirectoryExists(path)) return true;
    std::u16string parent = FolderPart(path);
    if (!parent.empty() && parent != path) CreateDirectories(parent);
    if (::mkdir(Native(path).c_str(), 0755) == 0) return true;
    return DirectoryExists(path);
}

bool ListDirectory(std::u16string_view path, std::vector<FileInfo>& entries) {
    entries.clear();
    DIR* dir = ::opendir(Native(path).c_str());
    if (!dir) return false;
    while (struct dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        FileInfo info;
        std::u16string full = JoinPath(path, Utf8ToUtf16(name));
        if (!GetFileInfo(full, info)) continue;
        entries.push_back(std::move(info));
    }
    ::closedir(dir);
    return true;
}

bool DeleteFileAt(std::u16string_view path) { return ::unlink(Native(path).c_str()) == 0; }

bool RemoveEmptyDirectory(std::u16string_view path) { return ::rmdir(Native(path).c_str()) == 0; }

bool DeleteTree(std::u16string_view path) {
    std::vector<FileInfo> entries;
    if (!ListDirectory(path, entries)) return false;
    bool ok = true;
    for (const auto& e : entries) {
        std::u16string full = JoinPath(path, e.name);
        ok = (e.isDirectory ? DeleteTree(full) : DeleteFileAt(full)) && ok;
    }
    return RemoveEmptyDirectory(path) && ok;
}

namespace {

// Writes `bytes` to a new temporary file beside `target` and flushes it; its
// path goes to `temp`. On failure nothing is left behind.
bool WriteTemporary(const std::string& target, std::string_view bytes, std::string& temp) {
    std::mt19937_64 rng(std::random_device{}());
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(rng()));
    temp = target + suffix;
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    int64_t limit = g_failWritesAfter.load();
    if (limit >= 0 && static_cast<uint64_t>(limit) < bytes.size()) {
        // A write that stops half way, as on a full disk.
        WriteAll(fd, bytes.data(), static_cast<size_t>(limit));
        ok = false;
    } else {
        ok = WriteAll(fd, bytes.data(), bytes.size());
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

void SyncFolderOf(std::u16string_view path) {
    std::u16string folder = FolderPart(path);
    if (folder.empty()) return;
    int dfd = ::open(Native(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

}  // namespace

bool WriteFileAtomic(std::u16string_view path, std::string_view bytes) {
    const std::string target = Native(path);
    std::string temp;
    if (!WriteTemporary(target, bytes, temp)) return false;
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolderOf(path);
    return true;
}

CreateResult CreateFileAtomic(std::u16string_view path, std::string_view bytes) {
    const std::string target = Native(path);
    std::string temp;
    if (!WriteTemporary(target, bytes, temp)) return CreateResult::Failed;
    // A move that refuses to replace; a file system without it gets a hard
    // link, which refuses the same way.
    int result = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)) {
        result = ::link(temp.c_str(), target.c_str());
        const int linkError = errno;
        ::unlink(temp.c_str());
        errno = linkError;
    }
    if (result != 0) {
        const bool exists = errno == EEXIST;
        ::unlink(temp.c_str());
        return exists ? CreateResult::Exists : CreateResult::Failed;
    }
    SyncFolderOf(path);
    return CreateResult::Created;
}

bool AppendToFile(std::u16string_view path, std::string_view bytes, std::string_view headerIfEmpty) {
    int fd = ::open(Native(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    if (!headerIfEmpty.empty()) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_size == 0) ok = WriteAll(fd, headerIfEmpty.data(), headerIfEmpty.size());
    }
    ok = ok && WriteAll(fd, bytes.data(), bytes.size());
    ok = (::close(fd) == 0) && ok;
    return ok;
}

namespace testing {
void FailWritesAfter(int64_t bytes) { g_failWritesAfter.store(bytes); }
}  // namespace testing

}  // namespace quellora
