#include "platform/clock.h"

namespace quellora {

namespace {

// Days from 1970-01-01 to the date (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool IsLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(unsigned y, unsigned m) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t kEpochDays1601 = 134774;

}  // namespace

bool CalendarToFileTime(const CalendarTime& t, uint64_t& fileTime) {
    if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 || t.second > 59 ||
        t.milliseconds > 999) {
        return false;
    }
    const int64_t days = DaysFromCivil(t.year, t.month, t.day) + kEpochDays1601;
    const uint64_t seconds = static_cast<uint64_t>(days) * 86400 + t.hour * 3600u + t.minute * 60u + t.second;
    fileTime = seconds * kFileTimePerSecond + static_cast<uint64_t>(t.milliseconds) * 10000;
    return true;
}

CalendarTime FileTimeToCalendar(uint64_t fileTime) {
    const uint64_t totalSeconds = fileTime / kFileTimePerSecond;
    const int64_t z = static_cast<int64_t>(totalSeconds / 86400) - kEpochDays1601 + 719468;
    const uint64_t secondsOfDay = totalSeconds % 86400;
    // Civil date from days (the inverse of DaysFromCivil).
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);

    CalendarTime t;
    t.year = static_cast<uint16_t>(y);
    t.month = static_cast<uint16_t>(m);
    t.day = static_cast<uint16_t>(d);
    t.hour = static_cast<uint16_t>(secondsOfDay / 3600);
    t.minute = static_cast<uint16_t>(secondsOfDay / 60 % 60);
    t.second = static_cast<uint16_t>(secondsOfDay % 60);
    t.milliseconds = static_cast<uint16_t>(fileTime % kFileTimePerSecond / 10000);
    // 1601-01-01 was a Monday.
    t.dayOfWeek = static_cast<uint16_t>((totalSeconds / 86400 + 1) % 7);
    return t;
}

bool Clock::UtcToLocal(const CalendarTime& utc, CalendarTime& local) {
    uint64_t unused = 0;
    if (!CalendarToFileTime(utc, unused)) return false;
    local = utc;
    return true;
}

bool ParseTimeStamp(std::u16string_view text, CalendarTime& t) {
    uint16_t* fields[] = {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second};
    const char16_t separators[] = {u'-', u'-', u'T', u':', u':'};
    size_t at = 0;
    for (size_t i = 0; i < 6; ++i) {
        while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) ++at;
        size_t digits = 0;
        uint32_t value = 0;
        while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
            value = value * 10 + static_cast<uint32_t>(text[at] - u'0');
            if (value > 0xFFFF) value = 0xFFFF;
            ++at;
            ++digits;
        }
        if (digits == 0) return false;
        *fields[i] = static_cast<uint16_t>(value);
        if (i < 5) {
            if (at >= text.size() || text[at] != separators[i]) return false;
            ++at;
        }
    }
    return true;
}

}  // namespace quellora
