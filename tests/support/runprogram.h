// Runs a program of the build as a child process with the test's environment and collects
// what it wrote and how it ended.
#pragma once

#include <string>
#include <vector>

namespace zemtest {

struct ProgramRun {
    int exitCode = -1;   // -1 when it did not end normally
    std::string output;  // standard output and standard error together
};

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace zemtest
