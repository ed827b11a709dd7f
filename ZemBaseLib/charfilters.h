// Filters that clean a text character by character. Each changes the text it is given and
// returns it; characters are single bytes, compared with case.
#pragma once

#include <string>
#include <string_view>

// Removes the 52 ASCII letters.
std::string& RemoveLetters(std::string& text);
// Removes "0"-"9".
std::string& RemoveDigits(std::string& text);
// Removes every character that occurs in set.
std::string& RemoveChars(std::string& text, std::string_view set);
// Keeps only "0"-"9".
std::string& KeepDigits(std::string& text);
// Keeps only characters that occur in set.
std::string& KeepChars(std::string& text, std::string_view set);
// Turns every character that does not occur in set into "_".
std::string& ReplaceCharsNotIn(std::string& text, std::string_view set);
// The longest run of consecutive digits (the first of equally long runs); empty without one.
std::string& LongestDigitRun(std::string& text);
// Fills each placeholder at a position p with source[p] while the source reaches p. A
// placeholder that the source holds at the same position stays and the search goes on
// behind it.
std::string& FillPlaceholders(std::string& text, std::string_view source, char placeholder);
