// Time: the monotonic tick count, the calendar and waiting.
#pragma once

#include <cstdint>
#include <string_view>

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

// FILETIME units: 100 ns since 1601-01-01 00:00 UTC.
inline constexpr uint64_t kFileTimePerSecond = 10000000;
// False for a time that is not a real calendar time (month 13, 31 April, hour
// 24, a year before 1601 or after 30827), as SystemTimeToFileTime refuses it.
// The day of the week is not looked at.
bool CalendarToFileTime(const CalendarTime& time, uint64_t& fileTime);
// A time stored as "%hu-%hu-%huT%hu:%hu:%hu": six unsigned numbers with their
// separators (blanks before a number are read over, as the C library's scanner
// does); the rest of the text is not looked at.
bool ParseTimeStamp(std::u16string_view text, CalendarTime& time);
CalendarTime FileTimeToCalendar(uint64_t fileTime);

class Clock {
public:
    virtual ~Clock() = default;

    // GetTickCount64: milliseconds since an arbitrary start, never going back.
    virtual uint64_t TickCount64() = 0;
    // GetTickCount: the same, wrapping at 32 bits.
    uint32_t TickCount() { return static_cast<uint32_t>(TickCount64()); }
    virtual CalendarTime UtcNow() = 0;
    virtual CalendarTime LocalNow() = 0;
    // A UTC time as local time (SystemTimeToTzSpecificLocalTime of the
    // current time zone); false when it cannot be converted. This base
    // version treats local time as UTC.
    virtual bool UtcToLocal(const CalendarTime& utc, CalendarTime& local);
    virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace quellora
