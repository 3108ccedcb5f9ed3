// What the Dynamic Boost worker waits for: its stop and reload requests, and
// the display, lid and session-lock reports Windows sends to a window.
#pragma once

#include <cstdint>
#include <memory>

namespace quellora {

// One per worker; Begin, Wait, TakeReports and End run on the worker's thread,
// SignalStop and SignalReload on any thread.
class SessionWatch {
public:
    enum class Wake { Stop, Reload, Report, Timeout, Failed };

    virtual ~SessionWatch() = default;

    // Starts receiving reports (on Windows: the hidden notification window and
    // its registrations). False when none can be received; waiting still works.
    virtual bool Begin() = 0;
    // Stops receiving reports.
    virtual void End() = 0;
    // Waits until stop or reload is signalled, a report arrives, or the time-out passes.
    virtual Wake Wait(uint32_t timeoutMs) = 0;
    virtual void SignalStop() = 0;
    virtual void SignalReload() = 0;
    // Applies the reports received since the last call to the three states.
    virtual void TakeReports(bool& displayOff, bool& lidClosed, bool& locked) = 0;
};

class SessionWatchFactory {
public:
    virtual ~SessionWatchFactory() = default;
    virtual std::unique_ptr<SessionWatch> Create() = 0;
};

}  // namespace quellora
