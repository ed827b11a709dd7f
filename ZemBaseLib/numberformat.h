// Locale number formatting of a decimal text: grouping, separators and a fixed count of
// decimals, rounded half away from zero.
#pragma once

#include <string>
#include <string_view>

struct NumberFormat {
    int decimals = 2;
    std::string grouping;  // POSIX form: each byte a group size, the last repeats
    std::string thousandsSeparator;
    std::string decimalSeparator = ".";
};

// The user's number format (from the environment's LC_NUMERIC), with two decimals: the
// locale data has no default count of decimals for plain numbers.
NumberFormat UserNumberFormat();

// text: an optional "-", digits, an optional "." and digits; at least one digit. Anything
// else gives an empty text.
std::string FormatNumber(std::string_view text, const NumberFormat& format);
