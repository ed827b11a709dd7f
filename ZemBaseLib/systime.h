// SysTime: the system's date-time value, the eight 16-bit fields of a Windows system time.
// Arithmetic runs on the 64-bit file time; a failed conversion logs and throws ZemFailure.
#pragma once

#include "base/systemtime.h"

#include <cstdint>
#include <string>

class SysTime {
public:
    // The null value: 1971-01-01 00:00:00.000, day of week 5.
    SysTime();
    // Copies the record; a null pointer gives the null value.
    explicit SysTime(const zem::SYSTEMTIME* record);

    SysTime& Assign(const zem::SYSTEMTIME& record);
    SysTime& Assign(const SysTime& other);
    void CopyTo(zem::SYSTEMTIME* record) const;
    zem::SYSTEMTIME ToRecord() const;

    static SysTime Now();
    // Takes this value as UTC; the local time, or the null value when it does not convert.
    SysTime UtcToLocal() const;

    bool IsValid() const;
    bool IsNull() const;
    void SetNull();

    // Fixed positions "YYYY?MM?DD?hh?mm?ss?mmm"; missing places read as 0; nothing validated.
    SysTime& Parse(const std::string& text);
    // "%4.4d-%2.2d-%2.2d%c%2.2d:%2.2d:%2.2d.%3.3d"; empty for a null or invalid value.
    void FormatTo(std::string& out, char separator) const;
    std::string FormatText(char separator) const;
    // strftime pattern over the local calendar time; empty pattern = "%Y-%m-%d %H:%M:%S".
    std::string Format(const std::string& pattern) const;

    // Seconds since 1970 UTC with the fields taken as local time (milliseconds dropped).
    int64_t ToCTime() const;
    // ToCTime as 32 bits; 0 for a null or invalid value and past the 32-bit range.
    int32_t ToTimeT() const;
    static std::string FormatSeconds(uint32_t seconds);

    int32_t Compare(const SysTime& other) const;
    uint64_t DiffMs(const SysTime& other) const;
    int64_t DiffSeconds(const SysTime& other) const;
    SysTime AddMs(uint32_t ms) const;
    SysTime AddSeconds(uint32_t seconds) const;
    SysTime SubMs(uint32_t ms) const;
    SysTime SubSeconds(uint32_t seconds) const;
    SysTime Add(const SysTime& other) const;

    bool operator==(const SysTime& other) const = default;

    uint16_t year;
    uint16_t month;
    uint16_t dayOfWeek;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;

private:
    // A span in milliseconds, widened to 64 bits, added (sign +1) or subtracted (-1).
    SysTime Shift(uint64_t ms, int sign) const;
    uint64_t CheckedFileTime(int line) const;
};

static_assert(sizeof(SysTime) == sizeof(zem::SYSTEMTIME));
