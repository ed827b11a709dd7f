#include "ZemBaseLib/numberpattern.h"

#include <algorithm>
#include <climits>

namespace {

constexpr size_t kLongestCount = 4;
constexpr int32_t kDefaultTail = 9999;

// The count behind "*": 1-9999 without a leading "0"; empty means the default. -1 when bad.
int32_t TailCount(std::string_view count)
{
    if (count.empty())
        return kDefaultTail;
    if (count.size() > kLongestCount || count.front() == '0')
        return -1;
    int32_t value = 0;
    for (char c : count) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

bool AnalyseNumberPattern(std::string_view pattern, int32_t* fixedLength, int32_t* maxLength)
{
    // Lengths are 32-bit results; longer patterns cannot be described by them.
    if (pattern.size() > INT32_MAX - kDefaultTail)
        return false;
    const size_t star = pattern.find('*');
    int32_t fixed = static_cast<int32_t>(pattern.size());
    int32_t longest = fixed;
    if (star != std::string_view::npos) {
        const std::string_view count = pattern.substr(star + 1);
        if (count.find('*') != std::string_view::npos || count.find('#') != std::string_view::npos)
            return false;
        const int32_t tail = TailCount(count);
        if (tail < 0)
            return false;
        fixed = static_cast<int32_t>(star);
        longest = fixed + tail;
    }
    if (fixedLength)
        *fixedLength = fixed;
    if (maxLength)
        *maxLength = longest;
    return true;
}

int32_t MatchNumber(std::string_view number, std::string_view pattern)
{
    int32_t fixed = 0;
    int32_t longest = 0;
    if (!AnalyseNumberPattern(pattern, &fixed, &longest))
        return kNumberMismatch;
    if (number.size() > static_cast<size_t>(longest))
        return kNumberMismatch;
    const auto compared = std::min(static_cast<int32_t>(number.size()), fixed);
    for (int32_t i = 0; i < compared; ++i) {
        if (pattern[i] != '#' && pattern[i] != number[i])
            return kNumberMismatch;
    }
    if (compared == longest)
        return kNumberComplete;
    if (compared >= fixed)
        return fixed;
    return compared - fixed;
}
