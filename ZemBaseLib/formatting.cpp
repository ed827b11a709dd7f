#include "ZemBaseLib/formatting.h"

#include "ZemBaseLib/numberformat.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <locale.h>
#include <unistd.h>

namespace {

// Fixed-point text of value in the C format ("%.*f"), right-aligned to width.
std::string Fixed(double value, int decimals, size_t width = 0)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}

// strftime in the user's LC_TIME of the local time of *when (or now).
std::string LocaleTimeText(const std::time_t* when, const char* pattern)
{
    const std::time_t seconds = when ? *when : std::time(nullptr);
    std::tm local {};
    if (!localtime_r(&seconds, &local))
        return {};
    locale_t user = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (!user)
        user = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    if (!user)
        return {};
    char text[256];
    const size_t n = strftime_l(text, sizeof text, pattern, &local, user);
    freelocale(user);
    return std::string(text, n);
}

}  // namespace

std::string LastErrorText(int code)
{
    if (code == 0)
        code = errno;
    if (code == 0)
        return {};
    char buffer[256];
    // GNU strerror_r returns the message, which need not be in buffer.
    const char* message = strerror_r(code, buffer, sizeof buffer);
    std::string text = message ? message : "";
    if (text.rfind("Unknown error", 0) == 0)
        return {};
    if (text.size() > 255)
        text.resize(255);
    return text;
}

std::string DateText(const std::time_t* when)
{
    return LocaleTimeText(when, "%x");
}

std::string TimeText(const std::time_t* when)
{
    return LocaleTimeText(when, "%X");
}

std::string DateTimeText(const std::time_t* when)
{
    // One moment for both halves, so a call at midnight cannot mix two days.
    const std::time_t moment = when ? *when : std::time(nullptr);
    return DateText(&moment) + " " + TimeText(&moment);
}

std::string NumberText(const std::string& number)
{
    const size_t first = number.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const size_t last = number.find_last_not_of(" \t\r\n");
    return FormatNumber(std::string_view(number).substr(first, last - first + 1),
                        UserNumberFormat());
}

std::string SizeText(uint32_t bytes)
{
    double value = bytes;
    std::string number = Fixed(value, 0, 6);
    const char* unit = " Bytes";
    if (value >= 1024) {
        value /= 1024;
        number = Fixed(value, 2, 6);
        unit = " KB";
        if (value >= 1024) {
            value /= 1024;
            number = Fixed(value, 2, 6);
            unit = " MB";
            // Strictly greater: exactly 1024 MB stays in megabytes.
            if (value > 1024) {
                value /= 1024;
                number = Fixed(value, 2, 6);
                unit = " GB";
            }
        }
    }
    return NumberText(number) + unit;
}

std::string SizeText64(int64_t bytes)
{
    const auto count = static_cast<uint64_t>(bytes);
    const bool highZero = (count >> 32) == 0;
    const auto low = static_cast<uint32_t>(count);
    if (highZero && low < 1024)
        return std::to_string(low) + " Bytes";
    if (highZero && low < 1048576)
        return std::to_string(low / 1024) + " KB";
    if (highZero && low < 1073741824)
        return Fixed(static_cast<double>(bytes) / 1048576.0, 2) + " MB";
    return Fixed(static_cast<double>(bytes) / 1073741824.0, 2) + " GB";
}

std::string ComputerName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    std::string text = name;
    return text.substr(0, text.find('.'));
}

std::string IntText(int32_t value)
{
    return std::to_string(value);
}

std::string Spaces(int n)
{
    return n > 0 ? std::string(static_cast<size_t>(n), ' ') : std::string();
}
