// Text from system values: error messages, dates and times, numbers, sizes, the computer
// name. Every helper returns its own text, so callers on several threads never share one.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// The system's message for an errno value, or for the calling thread's last error when
// code is 0; one line, at most 255 bytes; empty when the system has no message for it.
std::string LastErrorText(int code);

// The date, the time, or both (joined by one blank) of a calendar time in the user's locale
// format (LC_TIME of the environment); null means now. At most 255 bytes each.
std::string DateText(const std::time_t* when);
std::string TimeText(const std::time_t* when);
std::string DateTimeText(const std::time_t* when);

// A decimal text ("-", digits, ".", digits; trimmed first) in the user's number format with
// grouping and two decimals; empty when the text is not such a number.
std::string NumberText(const std::string& number);

// Byte counts for people: a number in the user's format and " Bytes", " KB", " MB" or " GB".
std::string SizeText(uint32_t bytes);
// The same with a 64-bit count, numbers in the C format: "1023 Bytes", "1 KB", "1.00 MB".
std::string SizeText64(int64_t bytes);

// This computer's host name without its domain part.
std::string ComputerName();

// "%d".
std::string IntText(int32_t value);
// n blanks; empty for n of 0 or less.
std::string Spaces(int n);
