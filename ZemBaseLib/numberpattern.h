// Number patterns: a text compared from its start, character by character, with a pattern of
// fixed characters and "#" (any one character), optionally ending in "*" and a count of
// further characters that may follow (none given: 9999).
#pragma once

#include <cstdint>
#include <string_view>

// MatchNumber's result for a number that cannot match, and for a complete number.
inline constexpr int32_t kNumberMismatch = -9999;
inline constexpr int32_t kNumberComplete = 9999;

// False for a bad pattern: more than one "*", a "#" behind it, or a count behind it that
// is not 1-9999 written without a leading "0". Either out pointer may be null.
bool AnalyseNumberPattern(std::string_view pattern, int32_t* fixedLength, int32_t* maxLength);

// kNumberMismatch for a bad pattern, a number that is too long or a character that differs;
// kNumberComplete when the number fills a pattern without tail; the fixed length when the
// fixed part is complete and a tail may follow; else minus the count of missing characters.
int32_t MatchNumber(std::string_view number, std::string_view pattern);
