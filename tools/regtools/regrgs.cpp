// regrgs.exe [/u] [/s] script NAME=VALUE...: applies a registration script, or removes what
// it wrote with /u, replacing %NAME% by VALUE. The whole script is read and checked first and
// applied in one registry import, so a bad script or a failed write changes nothing.
#include "base/paths.h"
#include "tools/regtools/rgsscript.h"
#include "tools/regtools/toolswitch.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: regrgs.exe [/u] [/s] script NAME=VALUE...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace zem;
    bool unregister = false;
    bool silent = false;
    std::string scriptPath;
    RgsParameters parameters;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (IsSwitch(arg, "u")) {
            unregister = true;
        } else if (IsSwitch(arg, "s")) {
            silent = true;
        } else if (scriptPath.empty() && !LooksLikeSwitch(arg)) {
            scriptPath = arg;
        } else if (const size_t equals = arg.find('='); equals != std::string::npos && equals > 0) {
            parameters[arg.substr(0, equals)] = arg.substr(equals + 1);
        } else {
            return Usage();
        }
    }
    if (scriptPath.empty())
        return Usage();

    std::ifstream in(MapPath(scriptPath), std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "regrgs: cannot read the script \"%s\"\n", scriptPath.c_str());
        return 3;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string error;
    const auto script = ParseRgsScript(text.str(), parameters, &error);
    if (!script) {
        std::fprintf(stderr, "regrgs: %s, %s\n", scriptPath.c_str(), error.c_str());
        return 4;
    }
    const std::string edits = unregister ? RgsUnregisterText(*script) : RgsRegisterText(*script);
    if (RegImportText(edits, &error) != ERROR_SUCCESS) {
        std::fprintf(stderr, "regrgs: %s: %s; nothing was changed\n", scriptPath.c_str(),
                     error.c_str());
        return 5;
    }
    if (!silent)
        std::printf("%s \"%s\".\n", unregister ? "Removed" : "Applied", scriptPath.c_str());
    return 0;
}
