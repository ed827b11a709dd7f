// Character filters and number patterns, each as one table of cases.
#include "ZemBaseLib/charfilters.h"
#include "ZemBaseLib/numberpattern.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

using Filter = std::function<std::string&(std::string&)>;

Filter WithSet(std::string& (*filter)(std::string&, std::string_view), std::string set)
{
    return [filter, set](std::string& text) -> std::string& { return filter(text, set); };
}

Filter Fill(std::string source, char placeholder)
{
    return [source, placeholder](std::string& text) -> std::string& {
        return FillPlaceholders(text, source, placeholder);
    };
}

}  // namespace

TEST(CharFilters, ChangeTheTextInPlaceAndReturnIt)
{
    const struct {
        const char* name;
        Filter filter;
        std::string text;
        std::string expected;
    } cases[] = {
        {"RemoveLetters", RemoveLetters, "a1Z-zA9VW\xe4", "1-9\xe4"},
        {"RemoveDigits", RemoveDigits, "a0b9 8", "ab "},
        {"RemoveChars", WithSet(RemoveChars, "-/ "), "01-23/45 6", "0123456"},
        {"KeepDigits", KeepDigits, "ab12", "12"},
        {"KeepChars", WithSet(KeepChars, "1"), "xyx1", "1"},
        {"KeepChars keeps order and repeats", WithSet(KeepChars, "ba"), "cabcab", "abab"},
        {"ReplaceCharsNotIn", WithSet(ReplaceCharsNotIn, "ab"), "a-b", "a_b"},
        {"ReplaceCharsNotIn with case", WithSet(ReplaceCharsNotIn, "ab"), "AbA", "_b_"},
        {"LongestDigitRun", LongestDigitRun, "a12b345c67", "345"},
        {"LongestDigitRun first of equals", LongestDigitRun, "12x34", "12"},
        {"LongestDigitRun without digits", LongestDigitRun, "abc", ""},
        {"FillPlaceholders", Fill("0401234", '?'), "04??2?4", "0401234"},
        {"FillPlaceholders short source", Fill("012", '?'), "0?2??", "012??"},
        // The source's own placeholder cannot fill its position; the rest still fills.
        {"FillPlaceholders source placeholder", Fill("0?23", '?'), "????", "0?23"},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        std::string& result = c.filter(text);
        EXPECT_EQ(text, c.expected) << c.name;
        EXPECT_EQ(&result, &text) << c.name;
    }
}

TEST(NumberPatterns, MatchTellsHowFarANumberIsFromTheirPattern)
{
    const struct {
        std::string number;
        const char* pattern;
        int32_t expected;
    } cases[] = {
        {"12", "1#3", -1},
        {"123", "1#3", kNumberComplete},
        {"1x3", "1#3", kNumberComplete},
        {"124", "1#3", kNumberMismatch},
        {"1234", "1#3", kNumberMismatch},
        {"", "1#3", -3},
        {"123", "12*2", 2},
        {"1234", "12*2", 2},
        {"12345", "12*2", kNumberMismatch},
        {"1", "12*2", -1},
        {"12", "12*", 2},
        {std::string(9999 + 2, '1'), "11*", 2},
        {std::string(9999 + 3, '1'), "11*", kNumberMismatch},
        {"0815", "*4", 0},
        {"", "", kNumberComplete},
        {"12", "1*2*", kNumberMismatch},
        {"12", "1*0", kNumberMismatch},
        {"12", "1*05", kNumberMismatch},
        {"12", "1*12345", kNumberMismatch},
        {"12", "1*#", kNumberMismatch},
        {"12", "1*2a", kNumberMismatch},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchNumber(c.number, c.pattern), c.expected)
            << c.number.substr(0, 20) << " / " << c.pattern;
}
