// writeregfiles FOLDER: writes the control module's registration script and its two registry
// files into FOLDER, for the programs that carry them. Run by the build.
#include "zemWave/registrationfiles.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

bool Write(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (file)
        return true;
    std::fprintf(stderr, "writeregfiles: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: writeregfiles FOLDER\n");
        return 2;
    }
    using namespace zemwave;
    const std::string folder = argv[1];
    const bool ok = Write(folder + "/" + kUserScriptName, UserRegistrationScript()) &&
                    Write(folder + "/" + kUserRegFileName, MissingEntriesRegFile(false)) &&
                    Write(folder + "/" + kMachineRegFileName, MissingEntriesRegFile(true));
    return ok ? 0 : 1;
}
