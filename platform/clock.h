// Time: the monotonic tick count, the calendar and waiting.
#pragma once

#include <cstdint>

namespace quellora {

// The fields of SYSTEMTIME.
struct CalendarTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t dayOfWeek = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

class Clock {
public:
    virtual ~Clock() = default;

    // GetTickCount64: milliseconds since an arbitrary start, never going back.
    virtual uint64_t TickCount64() = 0;
    // GetTickCount: the same, wrapping at 32 bits.
    uint32_t TickCount() { return static_cast<uint32_t>(TickCount64()); }
    virtual CalendarTime UtcNow() = 0;
    virtual CalendarTime LocalNow() = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace quellora
