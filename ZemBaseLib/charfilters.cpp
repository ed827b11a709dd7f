#include "ZemBaseLib/charfilters.h"

#include <algorithm>

namespace {

constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::string_view kDigits = "0123456789";

bool IsIn(std::string_view set, char c)
{
    return set.find(c) != std::string_view::npos;
}

std::string& Remove(std::string& text, std::string_view set, bool inSet)
{
    std::erase_if(text, [&](char c) { return IsIn(set, c) == inSet; });
    return text;
}

}  // namespace

std::string& RemoveLetters(std::string& text)
{
    return Remove(text, kLetters, true);
}

std::string& RemoveDigits(std::string& text)
{
    return Remove(text, kDigits, true);
}

std::string& RemoveChars(std::string& text, std::string_view set)
{
    return Remove(text, set, true);
}

std::string& KeepDigits(std::string& text)
{
    return Remove(text, kDigits, false);
}

std::string& KeepChars(std::string& text, std::string_view set)
{
    return Remove(text, set, false);
}

std::string& ReplaceCharsNotIn(std::string& text, std::string_view set)
{
    for (char& c : text) {
        if (!IsIn(set, c))
            c = '_';
    }
    return text;
}

std::string& LongestDigitRun(std::string& text)
{
    size_t bestStart = 0;
    size_t bestLength = 0;
    size_t i = 0;
    while (i < text.size()) {
        const size_t start = text.find_first_of(kDigits, i);
        if (start == std::string::npos)
            break;
        size_t end = text.find_first_not_of(kDigits, start);
        if (end == std::string::npos)
            end = text.size();
        if (end - start > bestLength) {
            bestStart = start;
            bestLength = end - start;
        }
        i = end;
    }
    text = text.substr(bestStart, bestLength);
    return text;
}

std::string& FillPlaceholders(std::string& text, std::string_view source, char placeholder)
{
    // Searching on behind p each time also steps over a placeholder the source cannot fill.
    for (size_t p = text.find(placeholder); p != std::string::npos && p < source.size();
         p = text.find(placeholder, p + 1))
        text[p] = source[p];
    return text;
}
