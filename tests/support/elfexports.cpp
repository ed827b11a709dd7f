#include "support/elfexports.h"

#include "support/runprogram.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace zemtest {

// Read off nm's dynamic symbol table, as tools/check-one-copy.sh reads it.
std::vector<std::string> ExportedNames(const std::string& path)
{
    const ProgramRun run =
        RunProgram("nm", {"-D", "--defined-only", "--without-symbol-versions", "--format=posix", path});
    std::vector<std::string> names;
    if (run.exitCode != 0)
        return names;
    std::istringstream lines(run.output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name, type;
        // Global, weak and unique symbols; anything else nm prints is not a symbol line.
        if (fields >> name >> type && type.size() == 1 &&
            (std::isupper(static_cast<unsigned char>(type[0])) || type == "u" || type == "v" || type == "w"))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace zemtest
