#include "platform/host/host_session_mutexes.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/text.h"

namespace quellora::host {

namespace {

// flock has no time-out: a lock held by another process is asked for again
// after this pause until the wait is over.
constexpr auto kPollInterval = std::chrono::milliseconds(1);

}  // namespace

HostSessionMutexes::HostSessionMutexes(std::u16string folder) : folder_(std::move(folder)) {}

HostSessionMutexes::~HostSessionMutexes() {
    for (auto& [name, entry] : entries_) {
        if (entry->fd >= 0) ::close(entry->fd);
    }
}

bool HostSessionMutexes::LockFile(Entry& entry, std::u16string_view name,
                                  std::chrono::steady_clock::time_point deadline) {
    if (!entry.fileTried) {
        entry.fileTried = true;
        if (!folder_.empty()) {
            const std::string path = Utf16ToUtf8(JoinPath(folder_, std::u16string(name) + u".lock"));
            entry.fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        }
    }
    if (entry.fd < 0) return true;  // no file: the threads of this process are still kept apart
    while (::flock(entry.fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return true;  // the file cannot be locked at all: as without a file
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

MutexWait HostSessionMutexes::Acquire(std::u16string_view name, uint32_t timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock lock(mutex_);
    auto found = entries_.find(name);
    if (found == entries_.end()) found = entries_.emplace(std::u16string(name), std::make_unique<Entry>()).first;
    Entry& entry = *found->second;
    if (entry.depth > 0 && entry.owner == self) {
        ++entry.depth;
        return MutexWait::Acquired;
    }
    if (!entry.released.wait_until(lock, deadline, [&] { return entry.depth == 0; })) return MutexWait::TimedOut;
    entry.owner = self;
    entry.depth = 1;
    lock.unlock();
    // This process's threads now wait for this one; the other processes for the file.
    if (LockFile(entry, name, deadline)) return MutexWait::Acquired;
    lock.lock();
    entry.depth = 0;
    entry.owner = {};
    entry.released.notify_one();
    return MutexWait::TimedOut;
}

void HostSessionMutexes::Release(std::u16string_view name) {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(name);
    if (found == entries_.end()) return;
    Entry& entry = *found->second;
    if (entry.depth == 0 || entry.owner != std::this_thread::get_id()) return;
    if (--entry.depth > 0) return;
    if (entry.fd >= 0) ::flock(entry.fd, LOCK_UN);
    entry.owner = {};
    entry.released.notify_one();
}

}  // namespace quellora::host
