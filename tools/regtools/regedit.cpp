// regedit.exe [/s] file.reg: imports a REGEDIT4 registry file. The file is checked whole
// first; a malformed one changes nothing. /s imports without a word on success.
#include "registry/registry.h"
#include "tools/regtools/toolswitch.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    using namespace zem;
    bool silent = false;
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (IsSwitch(arg, "s")) {
            silent = true;
        } else if (LooksLikeSwitch(arg) || !file.empty()) {
            std::fprintf(stderr, "usage: regedit.exe [/s] file.reg\n");
            return 2;
        } else {
            file = arg;
        }
    }
    if (file.empty()) {
        std::fprintf(stderr, "usage: regedit.exe [/s] file.reg\n");
        return 2;
    }
    std::string error;
    if (RegImportFile(file, &error) != ERROR_SUCCESS) {
        std::fprintf(stderr, "regedit: %s: %s\n", file.c_str(), error.c_str());
        return 1;
    }
    if (!silent)
        std::printf("The keys and values of \"%s\" were entered into the registry.\n", file.c_str());
    return 0;
}
