// Writes the fuzz target's seed recording files into the folder given as the only argument.
#include "qmftestfile.h"

#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    std::filesystem::create_directories(argv[1]);
    const std::string hostile =
        "<e><call id=\"H\"><tbcalltag tagtype=\"300\" idcalltag=\"1\"><tbcalltag300 fnameorig=\"../../x\"/>"
        "</tbcalltag><tbcalltag tagtype=\"1030\" idcalltag=\"2\"><zemlogv3_calltag1030 flencrypt=\"1\" sid=\"k\"/>"
        "</tbcalltag><tbcalltag tagtype=\"1250\"/><chunklist><c idcalltag=\"1\" chunkname=\"../a\"/>"
        "<c idcalltag=\"2\" chunkname=\"/b\"/></chunklist></call></e>";
    const std::vector<std::pair<std::string, std::string>> seeds{
        {"small.qmf", qmftest::MakeQmf(qmftest::SmallCallXml("key"), {{"REC1", "odd"}, {"ATT1", "attachment"}})},
        {"hostile.qmf", qmftest::MakeQmf(hostile, {{"../a", "1"}, {"/b\\.", "2"}, {std::string("\0\0..", 4), "3"}})},
        {"brokenxml.qmf", qmftest::MakeQmf("<e><call id=\"x\">\xFC<", {{"ZZZZ", std::string(40, 'z')}})},
    };
    for (const auto& [name, bytes] : seeds) {
        std::ofstream out(std::string(argv[1]) + "/" + name, std::ios::binary);
        out << bytes;
        if (!out)
            return 1;
    }
    return 0;
}
