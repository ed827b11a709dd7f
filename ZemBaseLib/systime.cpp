#include "ZemBaseLib/systime.h"

#include "ZemBaseLib/failurelog.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

const char kSource[] = "systime";

[[noreturn]] void FailedCheck(int line)
{
    LogAndThrow(kSource, line, nullptr);
}

int Field(const std::string& padded, size_t pos, size_t len)
{
    return std::atoi(padded.substr(pos, len).c_str());
}

}  // namespace

SysTime::SysTime()
{
    SetNull();
}

SysTime::SysTime(const zem::SYSTEMTIME* record)
{
    if (record)
        Assign(*record);
    else
        SetNull();
}

SysTime& SysTime::Assign(const zem::SYSTEMTIME& record)
{
    year = record.wYear;
    month = record.wMonth;
    dayOfWeek = record.wDayOfWeek;
    day = record.wDay;
    hour = record.wHour;
    minute = record.wMinute;
    second = record.wSecond;
    milliseconds = record.wMilliseconds;
    return *this;
}

SysTime& SysTime::Assign(const SysTime& other)
{
    *this = other;
    return *this;
}

void SysTime::CopyTo(zem::SYSTEMTIME* record) const
{
    if (record)
        *record = ToRecord();
}

zem::SYSTEMTIME SysTime::ToRecord() const
{
    return zem::SYSTEMTIME{year, month, dayOfWeek, day, hour, minute, second, milliseconds};
}

SysTime SysTime::Now()
{
    const zem::SYSTEMTIME now = zem::GetLocalTime();
    return SysTime(&now);
}

SysTime SysTime::UtcToLocal() const
{
    zem::SYSTEMTIME local {};
    if (!zem::UtcToLocalTime(ToRecord(), local))
        return SysTime();
    return SysTime(&local);
}

bool SysTime::IsValid() const
{
    uint64_t fileTime;
    return zem::SystemTimeToFileTime(ToRecord(), fileTime);
}

bool SysTime::IsNull() const
{
    return year == 1971 && month == 1 && dayOfWeek == 5 && day == 1 && hour == 0 && minute == 0 &&
           second == 0 && milliseconds == 0;
}

void SysTime::SetNull()
{
    year = 1971;
    month = 1;
    dayOfWeek = 5;
    day = 1;
    hour = minute = second = milliseconds = 0;
}

SysTime& SysTime::Parse(const std::string& text)
{
    const std::string padded = text + "00000000000000000000000";
    year = static_cast<uint16_t>(Field(padded, 0, 4));
    month = static_cast<uint16_t>(Field(padded, 5, 2));
    day = static_cast<uint16_t>(Field(padded, 8, 2));
    hour = static_cast<uint16_t>(Field(padded, 11, 2));
    minute = static_cast<uint16_t>(Field(padded, 14, 2));
    second = static_cast<uint16_t>(Field(padded, 17, 2));
    milliseconds = static_cast<uint16_t>(Field(padded, 20, 3));
    return *this;
}

void SysTime::FormatTo(std::string& out, char separator) const
{
    out.clear();
    if (IsNull() || !IsValid())
        return;
    char text[64];
    std::snprintf(text, sizeof text, "%4.4d-%2.2d-%2.2d%c%2.2d:%2.2d:%2.2d.%3.3d", year, month, day,
                  separator, hour, minute, second, milliseconds);
    out = text;
}

std::string SysTime::FormatText(char separator) const
{
    std::string out;
    FormatTo(out, separator);
    return out;
}

std::string SysTime::Format(const std::string& pattern) const
{
    if (IsNull() || !IsValid())
        return {};
    const std::time_t seconds = static_cast<std::time_t>(ToCTime());
    std::tm local {};
    if (!localtime_r(&seconds, &local))
        return {};
    char text[512];
    const size_t n = std::strftime(text, sizeof text,
                                   pattern.empty() ? "%Y-%m-%d %H:%M:%S" : pattern.c_str(), &local);
    return std::string(text, n);
}

int64_t SysTime::ToCTime() const
{
    std::tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&tm));
}

int32_t SysTime::ToTimeT() const
{
    if (IsNull() || !IsValid())
        return 0;
    const int64_t seconds = ToCTime();
    if (seconds < 0 || seconds > INT32_MAX)
        return 0;
    return static_cast<int32_t>(seconds);
}

std::string SysTime::FormatSeconds(uint32_t seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%2.2d:%2.2d:%2.2d", static_cast<int>(seconds / 3600),
                  static_cast<int>((seconds % 3600) / 60), static_cast<int>(seconds % 60));
    return text;
}

uint64_t SysTime::CheckedFileTime(int line) const
{
    uint64_t fileTime;
    if (!zem::SystemTimeToFileTime(ToRecord(), fileTime))
        FailedCheck(line);
    return fileTime;
}

int32_t SysTime::Compare(const SysTime& other) const
{
    if (!IsValid())
        FailedCheck(__LINE__);
    if (!other.IsValid())
        FailedCheck(__LINE__);
    const auto self = static_cast<int64_t>(CheckedFileTime(__LINE__));
    const auto that = static_cast<int64_t>(other.CheckedFileTime(__LINE__));
    return self > that ? 1 : (self < that ? -1 : 0);
}

uint64_t SysTime::DiffMs(const SysTime& other) const
{
    if (!IsValid())
        FailedCheck(__LINE__);
    if (!other.IsValid())
        FailedCheck(__LINE__);
    const uint64_t self = CheckedFileTime(__LINE__);
    const uint64_t that = other.CheckedFileTime(__LINE__);
    const uint64_t span = self > that ? self - that : that - self;
    return span / 10 / 1000;
}

int64_t SysTime::DiffSeconds(const SysTime& other) const
{
    return static_cast<int64_t>(DiffMs(other) / 1000);
}

SysTime SysTime::Shift(uint64_t ms, int sign) const
{
    if (!IsValid())
        FailedCheck(__LINE__);
    const uint64_t fileTime = CheckedFileTime(__LINE__);
    const uint64_t span = ms * 1000 * 10;
    // Below 1601 the difference wraps to a huge value that does not convert back.
    const uint64_t shifted = sign > 0 ? fileTime + span : fileTime - span;
    zem::SYSTEMTIME record {};
    if (!zem::FileTimeToSystemTime(shifted, record))
        FailedCheck(__LINE__);
    return SysTime(&record);
}

SysTime SysTime::AddMs(uint32_t ms) const
{
    return Shift(ms, +1);
}

SysTime SysTime::SubMs(uint32_t ms) const
{
    return Shift(ms, -1);
}

SysTime SysTime::AddSeconds(uint32_t seconds) const
{
    return Shift(uint64_t{seconds} * 1000, +1);
}

SysTime SysTime::SubSeconds(uint32_t seconds) const
{
    return Shift(uint64_t{seconds} * 1000, -1);
}

SysTime SysTime::Add(const SysTime& other) const
{
    const uint64_t sum = CheckedFileTime(__LINE__) + other.CheckedFileTime(__LINE__);
    zem::SYSTEMTIME record {};
    if (!zem::FileTimeToSystemTime(sum, record))
        FailedCheck(__LINE__);
    return SysTime(&record);
}
