// Windows-style command lines: split into an argument vector by the C runtime's quoting rules
// and the program found as CreateProcess finds it. Nothing here ever goes through a shell.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zem {

// The arguments of a command-line tail: blanks and tabs separate, double quotes group,
// 2n back slashes before a quote give n and the quote groups, 2n+1 give n and a literal
// quote, "" inside quotes is a literal quote, other back slashes stay as they are.
std::vector<std::string> SplitArguments(std::string_view text);

// The native path of the program a name stands for; empty when there is none. A name with a
// separator is taken as a path (relative to the current folder); a bare name is looked for
// in the running program's folder, then along PATH. A name without an extension is also
// tried with ".exe".
std::string FindProgram(std::string_view name);

struct CommandLine {
    std::string program;            // native path of the file to run
    std::vector<std::string> argv;  // argv[0] is the program as the command line names it
};

// Reads a whole command line. A quoted first word is the program. An unquoted one with
// blanks is read as CreateProcess reads it: the text up to the first blank, then up to the
// second, and so on up to the whole line, until one of these names a program. False when
// none does.
bool ParseCommandLine(std::string_view commandLine, CommandLine& out);

}  // namespace zem
