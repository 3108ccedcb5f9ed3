// Events between the threads of this process, as Windows' unnamed events
// behave: an auto-reset event lets one waiter through per signal and resets
// itself; a manual-reset event stays signalled until it is reset.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace quellora {

class ThreadEvent {
public:
    enum class Reset { Auto, Manual };
    explicit ThreadEvent(Reset reset = Reset::Auto, bool signalled = false)
        : manual_(reset == Reset::Manual), signalled_(signalled) {}
    ThreadEvent(const ThreadEvent&) = delete;
    ThreadEvent& operator=(const ThreadEvent&) = delete;

    void Set() {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        if (manual_) changed_.notify_all();
        else changed_.notify_one();
    }
    void ResetEvent() {
        std::lock_guard lock(mutex_);
        signalled_ = false;
    }
    // Waits up to `timeoutMs` (kInfinite: without end); true when signalled.
    static constexpr uint32_t kInfinite = 0xFFFFFFFF;
    bool Wait(uint32_t timeoutMs = kInfinite) {
        std::unique_lock lock(mutex_);
        if (timeoutMs == kInfinite) {
            changed_.wait(lock, [&] { return signalled_; });
        } else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return signalled_; })) {
            return false;
        }
        if (!manual_) signalled_ = false;
        return true;
    }
    // Whether it is signalled, without waiting (an auto-reset event is reset by a true answer).
    bool TryWait() { return Wait(0); }

private:
    const bool manual_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_;
};

}  // namespace quellora
