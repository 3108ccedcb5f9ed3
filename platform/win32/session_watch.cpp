// The Dynamic Boost worker's waits on Windows.
#include <condition_variable>
#include <mutex>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wide.h"

namespace quellora::win32 {

namespace {

// Waits on its stop and reload requests only; receives no reports yet.
class PlainWatch : public SessionWatch {
public:
    bool Begin() override { return false; }
    void End() override {}
    Wake Wait(uint32_t timeoutMs) override {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return stop_ || reload_; }))
            return Wake::Timeout;
        if (stop_) return Wake::Stop;
        reload_ = false;
        return Wake::Reload;
    }
    void SignalStop() override {
        std::lock_guard lock(mutex_);
        stop_ = true;
        changed_.notify_all();
    }
    void SignalReload() override {
        std::lock_guard lock(mutex_);
        reload_ = true;
        changed_.notify_all();
    }
    void TakeReports(bool&, bool&, bool&) override {}

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool reload_ = false;
};

}  // namespace

std::unique_ptr<SessionWatch> Win32SessionWatchFactory::Create() { return std::make_unique<PlainWatch>(); }

}  // namespace quellora::win32
