// The Windows system-time record and its conversions to and from the 64-bit file time
// (100-nanosecond units since 1601-01-01 00:00:00), on the proleptic Gregorian calendar.
#pragma once

#include <cstdint>

namespace zem {

struct SYSTEMTIME {
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};

// False when a field is out of range (years 1601-30827; dayOfWeek is ignored).
bool SystemTimeToFileTime(const SYSTEMTIME& st, uint64_t& fileTime);
// False for file times of 2^63 and above; fills the day of week.
bool FileTimeToSystemTime(uint64_t fileTime, SYSTEMTIME& st);

// The current local time with milliseconds.
SYSTEMTIME GetLocalTime();
// Takes utc as UTC and converts it to local time with the active time zone.
bool UtcToLocalTime(const SYSTEMTIME& utc, SYSTEMTIME& local);

}  // namespace zem
