// The base library's failure path: one line in the day's failure log, then an exception.
#pragma once

#include <stdexcept>
#include <string>

// What LogAndThrow raises: owns its text (empty when the check had no message).
class ZemFailure : public std::runtime_error {
public:
    explicit ZemFailure(const std::string& text) : std::runtime_error(text) {}
};

// Appends "[hh:mm:ss] sourceFile (L:line) - message\r\n" (without " - message" when message
// is null) to "C:\temp\zembaselib_exceptions_YYMMDD.log", best effort, then throws ZemFailure.
[[noreturn]] void LogAndThrow(const char* sourceFile, int line, const char* message);

// The daily log file's system path for a given local date (year % 1000, month, day).
std::string FailureLogName(int year, int month, int day);
