#include "ZemBaseLib/printer.h"

#include "ZemBaseLib/systemtool.h"

#include <sstream>

namespace {

constexpr int64_t kToolTimeoutMs = 15000;
constexpr size_t kLongestProfileText = 255;  // what a 256-byte profile buffer holds
constexpr size_t kLongestCupsName = 127;

// CUPS takes up to 127 printable characters but blank, "/" and "#".
bool IsCupsName(const std::string& name)
{
    if (name.empty() || name.size() > kLongestCupsName)
        return false;
    for (unsigned char c : name) {
        if (c <= ' ' || c == 0x7f || c == '/' || c == '#')
            return false;
    }
    return true;
}

}  // namespace

std::string GetDefaultPrinterName()
{
    const ToolRun run = RunSystemTool("lpstat", {"-d"}, kToolTimeoutMs);
    if (!run.exited || run.exitCode != 0)
        return {};
    // "system default destination: NAME" in the user's language; a name has no blank, so
    // it is what follows the first ": ". Without a default the line has no colon.
    // Standard error comes along, and lpstat starts its messages with its name.
    std::istringstream lines(run.output);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t colon = line.find(": ");
        if (colon == std::string::npos || line.rfind("lpstat:", 0) == 0)
            continue;  // an error line of lpstat's own, not a destination
        std::string name = line.substr(colon + 2);
        name.erase(name.find_last_not_of(" \t\r") + 1);
        if (name.size() > kLongestProfileText)
            name.resize(kLongestProfileText);
        return name;
    }
    return {};
}

int32_t SetDefaultPrinter(const std::string& printer)
{
    if (!IsCupsName(printer))
        return kPrinterNotSet;
    const ToolRun run = RunSystemTool("lpoptions", {"-d", printer}, kToolTimeoutMs);
    return run.exited && run.exitCode == 0 ? 0 : kPrinterNotSet;
}
