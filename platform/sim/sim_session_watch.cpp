#include "platform/sim/sim_session_watch.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/sim/sim_machine.h"

namespace quellora::sim {

namespace {

class SimSessionWatch : public SessionWatch {
public:
    explicit SimSessionWatch(SimMachine& machine) : machine_(machine) {}
    bool Begin() override { return true; }
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
    void TakeReports(bool& displayOff, bool& lidClosed, bool& locked) override {
        displayOff = !machine_.DisplayOn();
        lidClosed = !machine_.LidOpen();
        locked = machine_.SessionLocked();
    }

private:
    SimMachine& machine_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool reload_ = false;
};

}  // namespace

std::unique_ptr<SessionWatch> SimSessionWatchFactory::Create() { return std::make_unique<SimSessionWatch>(machine_); }

}  // namespace quellora::sim
