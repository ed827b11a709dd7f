#include "ZemBaseLib/systemtool.h"

#include "base/trace.h"
#include "process/childprocess.h"

std::string QuoteArgument(std::string_view argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string_view::npos)
        return std::string(argument);
    std::string quoted = "\"";
    size_t slashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        // Back slashes count only in front of a quote: double them there, and escape it.
        quoted.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        quoted += c;
        slashes = 0;
    }
    quoted.append(slashes * 2, '\\');  // the closing quote follows them
    quoted += '"';
    return quoted;
}

ToolRun RunSystemTool(std::string_view program, const std::vector<std::string>& arguments,
                      int64_t timeoutMs)
{
    ToolRun run;
    zem::ChildProcess::Options options;
    options.commandLine = QuoteArgument(program);
    for (const std::string& argument : arguments)
        options.commandLine += " " + QuoteArgument(argument);
    options.capture = true;
    zem::ChildProcess child;
    if (!child.Start(options)) {
        zem::Trace("RunSystemTool: %s", child.Error().c_str());
        return run;
    }
    zem::WakeEvent never;
    const auto outcome = child.Wait(timeoutMs, never, run.output);
    if (outcome != zem::ChildProcess::Outcome::Exited) {
        zem::Trace("RunSystemTool: %.*s did not end normally", static_cast<int>(program.size()),
                   program.data());
        return run;
    }
    run.exited = true;
    run.exitCode = child.ExitCode();
    return run;
}
