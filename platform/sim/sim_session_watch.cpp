#include "platform/sim/sim_session_watch.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/sim/sim_machine.h"

namespace quellora::sim {

namespace {

struct AwayStates {
    bool displayOff = false;
    bool lidClosed = false;
    bool locked = false;
    bool operator==(const AwayStates&) const = default;
};

class SimSessionWatch : public SessionWatch {
public:
    explicit SimSessionWatch(SimMachine& machine) : machine_(machine) {}

    bool Begin() override {
        // Windows reports the display and the lid at registration; the lock
        // state comes only with its next change.
        const AwayStates now = Read();
        std::lock_guard lock(mutex_);
        seen_ = now;
        began_ = true;
        displayReported_ = true;
        lidReported_ = true;
        lockReported_ = false;
        return true;
    }

    void End() override {
        std::lock_guard lock(mutex_);
        began_ = false;
    }

    Wake Wait(uint32_t timeoutMs) override {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        std::unique_lock lock(mutex_);
        for (;;) {
            if (stop_) return Wake::Stop;
            if (reload_) {
                reload_ = false;
                return Wake::Reload;
            }
            if (began_) {
                lock.unlock();
                const AwayStates now = Read();
                lock.lock();
                if (Note(now)) return Wake::Report;
            }
            const auto left = deadline - Clock::now();
            if (left <= Clock::duration::zero()) return Wake::Timeout;
            const auto slice = std::min<Clock::duration>(left, std::chrono::milliseconds(kSessionPollMs));
            changed_.wait_for(lock, slice, [&] { return stop_ || reload_; });
        }
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

    void TakeReports(bool& displayOff, bool& lidClosed, bool& locked) override {
        std::lock_guard lock(mutex_);
        if (displayReported_) displayOff = seen_.displayOff;
        if (lidReported_) lidClosed = seen_.lidClosed;
        if (lockReported_) locked = seen_.locked;
        displayReported_ = lidReported_ = lockReported_ = false;
    }

private:
    AwayStates Read() {
        AwayStates s;
        s.displayOff = !machine_.DisplayOn();
        s.lidClosed = !machine_.LidOpen();
        s.locked = machine_.SessionLocked();
        return s;
    }

    // Records the changes since the last look as reports; true when there was one.
    bool Note(const AwayStates& now) {
        if (now == seen_) return false;
        if (now.displayOff != seen_.displayOff) displayReported_ = true;
        if (now.lidClosed != seen_.lidClosed) lidReported_ = true;
        if (now.locked != seen_.locked) lockReported_ = true;
        seen_ = now;
        return true;
    }

    SimMachine& machine_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool reload_ = false;
    bool began_ = false;
    AwayStates seen_;
    bool displayReported_ = false;
    bool lidReported_ = false;
    bool lockReported_ = false;
};

}  // namespace

std::unique_ptr<SessionWatch> SimSessionWatchFactory::Create() { return std::make_unique<SimSessionWatch>(machine_); }

}  // namespace quellora::sim
