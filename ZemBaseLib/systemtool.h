// Runs a system tool (systemctl, lpstat, ...) as a child process, never through a shell, and
// collects what it writes to standard output and error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ToolRun {
    bool exited = false;  // false: not found, not started, timed out or killed
    int exitCode = -1;
    std::string output;   // standard output and error as they came
};

// One argument in the quoting that SplitArguments reads back unchanged.
std::string QuoteArgument(std::string_view argument);

// Looks program up as a command line's program is looked up (the running program's folder,
// then PATH) and waits at most timeoutMs for it to end.
ToolRun RunSystemTool(std::string_view program, const std::vector<std::string>& arguments,
                      int64_t timeoutMs);
