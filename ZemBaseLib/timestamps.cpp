#include "ZemBaseLib/timestamps.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace {

constexpr size_t kLength = 23;

// The runtime's decimal reading of a fixed field.
int Field(const std::string& text, size_t pos, size_t length)
{
    return std::atoi(text.substr(pos, length).c_str());
}

}  // namespace

bool NormalizeTimestamp(std::string& text)
{
    if (text.size() < kLength)
        text += std::string(kLength, '0');
    text.resize(kLength);
    text[4] = '-';
    text[7] = '-';
    text[10] = ' ';
    text[13] = ':';
    text[16] = ':';
    text[19] = '.';
    return true;
}

bool ParseTimestamp(const std::string& text, std::time_t& out)
{
    std::string normal = text;
    NormalizeTimestamp(normal);
    const struct {
        size_t pos, length;
        int min, max;
    } fields[] = {
        {0, 4, 1970, 2038}, {5, 2, 1, 12}, {8, 2, 1, 31},
        {11, 2, 0, 24},     {14, 2, 0, 59}, {17, 2, 0, 59},
    };
    int values[6];
    for (int i = 0; i < 6; ++i) {
        values[i] = Field(normal, fields[i].pos, fields[i].length);
        if (values[i] < fields[i].min || values[i] > fields[i].max)
            return false;
    }
    std::tm local {};
    local.tm_year = values[0] - 1900;
    local.tm_mon = values[1] - 1;
    local.tm_mday = values[2];
    local.tm_hour = values[3];
    local.tm_min = values[4];
    local.tm_sec = values[5];
    local.tm_isdst = -1;
    errno = 0;
    const std::time_t seconds = std::mktime(&local);
    // -1 is also a valid second (just before 1970 UTC); only errno tells a failure apart.
    if (seconds == static_cast<std::time_t>(-1) && errno != 0)
        return false;
    out = seconds;
    return true;
}

bool ParseTimestampToTime(const std::string& text, int32_t& out)
{
    out = 0;
    std::time_t seconds = 0;
    if (!ParseTimestamp(text, seconds))
        return false;
    if (seconds < std::numeric_limits<int32_t>::min() ||
        seconds > std::numeric_limits<int32_t>::max())
        return false;
    out = static_cast<int32_t>(seconds);
    return true;
}
