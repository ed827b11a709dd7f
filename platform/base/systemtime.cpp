#include "base/systemtime.h"

#include <ctime>

namespace zem {
namespace {

constexpr int64_t kTicksPerMs = 10000;
constexpr int64_t kMsPerDay = 86400000;

bool IsLeap(int64_t y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int64_t y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Days from 1970-01-01 to y-m-d (Howard Hinnant's civil algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

const int64_t kDaysFrom1601To1970 = -DaysFromCivil(1601, 1, 1);

SYSTEMTIME FromTm(const std::tm& tm, int milliseconds)
{
    SYSTEMTIME st {};
    st.wYear = static_cast<uint16_t>(tm.tm_year + 1900);
    st.wMonth = static_cast<uint16_t>(tm.tm_mon + 1);
    st.wDayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    st.wDay = static_cast<uint16_t>(tm.tm_mday);
    st.wHour = static_cast<uint16_t>(tm.tm_hour);
    st.wMinute = static_cast<uint16_t>(tm.tm_min);
    st.wSecond = static_cast<uint16_t>(tm.tm_sec);
    st.wMilliseconds = static_cast<uint16_t>(milliseconds);
    return st;
}

}  // namespace

bool SystemTimeToFileTime(const SYSTEMTIME& st, uint64_t& fileTime)
{
    if (st.wYear < 1601 || st.wYear > 30827 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
        st.wDay > DaysInMonth(st.wYear, st.wMonth) || st.wHour > 23 || st.wMinute > 59 ||
        st.wSecond > 59 || st.wMilliseconds > 999)
        return false;
    const int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) + kDaysFrom1601To1970;
    const int64_t ms = days * kMsPerDay +
                       ((st.wHour * 60 + st.wMinute) * 60 + st.wSecond) * int64_t{1000} +
                       st.wMilliseconds;
    fileTime = static_cast<uint64_t>(ms * kTicksPerMs);
    return true;
}

bool FileTimeToSystemTime(uint64_t fileTime, SYSTEMTIME& st)
{
    if (fileTime >= (uint64_t{1} << 63))
        return false;
    const int64_t totalMs = static_cast<int64_t>(fileTime) / kTicksPerMs;
    const int64_t days = totalMs / kMsPerDay;
    int64_t msOfDay = totalMs % kMsPerDay;
    int64_t y;
    unsigned m, d;
    CivilFromDays(days - kDaysFrom1601To1970, y, m, d);
    st.wYear = static_cast<uint16_t>(y);
    st.wMonth = static_cast<uint16_t>(m);
    st.wDay = static_cast<uint16_t>(d);
    st.wDayOfWeek = static_cast<uint16_t>((days + 1) % 7);  // 1601-01-01 was a Monday
    st.wMilliseconds = static_cast<uint16_t>(msOfDay % 1000);
    msOfDay /= 1000;
    st.wSecond = static_cast<uint16_t>(msOfDay % 60);
    msOfDay /= 60;
    st.wMinute = static_cast<uint16_t>(msOfDay % 60);
    st.wHour = static_cast<uint16_t>(msOfDay / 60);
    return true;
}

SYSTEMTIME GetLocalTime()
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local {};
    localtime_r(&now.tv_sec, &local);
    return FromTm(local, static_cast<int>(now.tv_nsec / 1000000));
}

bool UtcToLocalTime(const SYSTEMTIME& utc, SYSTEMTIME& local)
{
    uint64_t fileTime;
    if (!SystemTimeToFileTime(utc, fileTime))
        return false;
    std::tm tm {};
    tm.tm_year = utc.wYear - 1900;
    tm.tm_mon = utc.wMonth - 1;
    tm.tm_mday = utc.wDay;
    tm.tm_hour = utc.wHour;
    tm.tm_min = utc.wMinute;
    tm.tm_sec = utc.wSecond;
    const std::time_t seconds = timegm(&tm);
    std::tm out {};
    if (!localtime_r(&seconds, &out))
        return false;
    local = FromTm(out, utc.wMilliseconds);
    return true;
}

}  // namespace zem
