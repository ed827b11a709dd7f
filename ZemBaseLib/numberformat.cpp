#include "ZemBaseLib/numberformat.h"

#include <climits>
#include <langinfo.h>
#include <locale.h>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Adds one to a text of decimal digits; true when it overflowed into a new leading digit.
bool Increment(std::string& digits)
{
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    return true;
}

std::string Group(const std::string& digits, const NumberFormat& format)
{
    if (format.grouping.empty() || format.thousandsSeparator.empty())
        return digits;
    std::string out;
    size_t end = digits.size();
    size_t groupIndex = 0;
    size_t size = 0;
    while (end > 0) {
        if (groupIndex < format.grouping.size()) {
            const auto g = static_cast<unsigned char>(format.grouping[groupIndex++]);
            if (g == CHAR_MAX || g == 0)  // no more grouping
                size = end;
            else
                size = g;
        }
        const size_t take = size == 0 || size > end ? end : size;
        const std::string part = digits.substr(end - take, take);
        out = out.empty() ? part : part + format.thousandsSeparator + out;
        end -= take;
    }
    return out;
}

}  // namespace

NumberFormat UserNumberFormat()
{
    NumberFormat format;
    locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (!user)
        return format;
    format.decimalSeparator = nl_langinfo_l(RADIXCHAR, user);
    format.thousandsSeparator = nl_langinfo_l(THOUSEP, user);
    format.grouping = nl_langinfo_l(GROUPING, user);
    freelocale(user);
    if (format.decimalSeparator.empty())
        format.decimalSeparator = ".";
    return format;
}

std::string FormatNumber(std::string_view text, const NumberFormat& format)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    const size_t point = text.find('.');
    std::string whole(text.substr(0, point));
    std::string fraction(point == std::string_view::npos ? std::string_view()
                                                         : text.substr(point + 1));
    auto allDigits = [](const std::string& s) {
        for (char c : s) {
            if (!IsDigit(c))
                return false;
        }
        return true;
    };
    if ((whole.empty() && fraction.empty()) || !allDigits(whole) || !allDigits(fraction))
        return {};

    const auto decimals = static_cast<size_t>(format.decimals < 0 ? 0 : format.decimals);
    const bool roundUp = fraction.size() > decimals && fraction[decimals] >= '5';
    fraction.resize(decimals, '0');
    whole.erase(0, whole.find_first_not_of('0'));
    if (whole.empty())
        whole = "0";
    if (roundUp && Increment(fraction) && Increment(whole))
        whole.insert(whole.begin(), '1');

    const bool isZero = whole.find_first_not_of('0') == std::string::npos &&
                        fraction.find_first_not_of('0') == std::string::npos;
    std::string out = negative && !isZero ? "-" : "";
    out += Group(whole, format);
    if (decimals > 0)
        out += format.decimalSeparator + fraction;
    return out;
}
