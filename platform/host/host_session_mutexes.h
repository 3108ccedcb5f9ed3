// The session's named mutexes on the host: within the process a mutex per
// name (recursive per thread, as Windows' are), and across the processes of
// one simulated machine an exclusive lock (flock) on the file "<name>.lock"
// in the machine's state folder, held while a thread of this process owns the
// mutex. A process that dies loses its locks, as a Windows mutex is abandoned.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/session_mutexes.h"

namespace quellora::host {

class HostSessionMutexes : public SessionMutexes {
public:
    // `folder`: where the lock files lie; empty: the mutexes exclude the threads of this process only.
    explicit HostSessionMutexes(std::u16string folder);
    ~HostSessionMutexes() override;
    HostSessionMutexes(const HostSessionMutexes&) = delete;
    HostSessionMutexes& operator=(const HostSessionMutexes&) = delete;

    MutexWait Acquire(std::u16string_view name, uint32_t timeoutMs) override;
    void Release(std::u16string_view name) override;

private:
    struct Entry {
        std::condition_variable released;
        std::thread::id owner;
        uint32_t depth = 0;
        // Touched only by the thread that owns the entry (depth > 0).
        int fd = -1;
        bool fileTried = false;
    };
    bool LockFile(Entry& entry, std::u16string_view name, std::chrono::steady_clock::time_point deadline);

    std::u16string folder_;
    std::mutex mutex_;
    std::map<std::u16string, std::unique_ptr<Entry>, std::less<>> entries_;
};

}  // namespace quellora::host
