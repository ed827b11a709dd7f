// Writes the fuzz target's seed archives into the folder given as the only argument.
#include "ziptestfile.h"

#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    std::filesystem::create_directories(argv[1]);
    using ziptest::Entry;
    const std::vector<std::pair<std::string, std::vector<Entry>>> seeds{
        {"tree.zip", {{"pages/", ""}, {"pages/img/", ""}, {"pages/img/a.gif", "GIF89a"}, {"start.html", "<html/>"}}},
        {"unix.zip", {{"tool", "#!/bin/sh\n", 0100755}, {"link", "../x", 0120777}}},
        {"hostile.zip", {{"../x", "1"}, {"/abs", "2"}, {std::string("a\0b", 3), "3"}}},
        {"folderbit.zip", {{"data", "", 0, 0x10}, {"data\\f.txt", "text"}}},
    };
    for (const auto& [name, entries] : seeds) {
        std::ofstream out(std::string(argv[1]) + "/" + name, std::ios::binary);
        out << ziptest::MakeZip(entries);
        if (!out)
            return 1;
    }
    return 0;
}
