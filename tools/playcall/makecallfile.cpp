// makecallfile FILE.qmf: writes an exported call file as the recording installation does:
// one call of two recordings (tags of type 1030; the second one enciphered with zemcrypt,
// found beside this program) and a text attachment (a tag of type 300).
#include "callrecordings.h"

#include "QMFPlayer/qmfplay/childwait.h"
#include "ZemBaseLib/systemtool.h"
#include "base/riff.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr char kKey[] = "demo key 7";

const char kCallXml[] =
    "<export><call id=\"4711\">"
    "<tbcall direction=\"in\" cli=\"030 1234\" dni=\"040 5678\" tsfirst=\"2024-03-05 10:00:00.000\" "
    "tslast=\"2024-03-05 10:00:05.000\"><zemlogv3_vline name=\"Zugfunk 3\"/></tbcall>"
    "<tbcalltag tagtype=\"1030\" idcalltag=\"1\" tstagset=\"2024-03-05 10:00:00.000\" "
    "tstagbegin=\"2024-03-05 10:00:00.000\" tstagend=\"2024-03-05 10:00:03.000\" tagdetails=\"train\">"
    "<tbuser name=\"anna\"/><zemlogv3_calltag1030 flencrypt=\"0\" sid=\"\"/></tbcalltag>"
    "<tbcalltag tagtype=\"1030\" idcalltag=\"2\" tstagset=\"2024-03-05 10:00:02.000\" "
    "tstagbegin=\"2024-03-05 10:00:02.000\" tstagend=\"2024-03-05 10:00:05.000\" tagdetails=\"centre\">"
    "<tbuser name=\"anna\"/><zemlogv3_calltag1030 flencrypt=\"1\" sid=\"demo key 7\"/></tbcalltag>"
    "<tbcalltag tagtype=\"300\" idcalltag=\"3\" tstagset=\"2024-03-05 10:00:06.000\" tagdetails=\"note\">"
    "<tbcalltag300 fnameorig=\"notiz.txt\"><tbuser name=\"otto\"/></tbcalltag300></tbcalltag>"
    "<chunklist><chunk idcalltag=\"1\" chunkname=\"TRN1\"/><chunk idcalltag=\"2\" chunkname=\"CTR1\"/>"
    "<chunk idcalltag=\"3\" chunkname=\"NOTE\"/></chunklist>"
    "</call></export>";

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makecallfile FILE.qmf\n");
        return 2;
    }
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    const fs::path work = fs::path(argv[1]).string() + ".parts";
    fs::create_directories(work, error);
    const std::string train = (work / "train.wav").string();
    const std::string centre = (work / "centre.wav").string();
    if (!playcall::WriteToneRecording(train, {{600, 8000}}, 3000) ||
        !playcall::WriteToneRecording(centre, {{900, 8000}}, 3000)) {
        std::fprintf(stderr, "makecallfile: cannot write the recordings in %s\n", work.c_str());
        return 1;
    }
    ChildRun encipher;
    encipher.program = QuoteArgument((self.parent_path() / "zemcrypt").string());
    encipher.arguments = "-k " + QuoteArgument(kKey) + " " + QuoteArgument(centre);
    encipher.timeoutSeconds = 30;
    // The tool replaces the file; a file still in plain RIFF was not enciphered.
    if (RunToEnd(encipher) != CProcessRunner::kFinishedExited || ReadAll(centre).rfind("RIFF", 0) == 0) {
        std::fprintf(stderr, "makecallfile: zemcrypt could not encipher %s\n", centre.c_str());
        return 1;
    }
    zem::RiffWriter file(zem::RiffLength::Standard, "QMF1");
    file.Chunk("XML ", kCallXml);
    file.Chunk("TRN1", ReadAll(train));
    file.Chunk("CTR1", ReadAll(centre));
    file.Chunk("NOTE", "Zugfunk 3: Anruf der Leitstelle, Bremsprobe bestaetigt.\n");
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    const std::string bytes = file.Bytes();
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    fs::remove_all(work, error);
    if (!out.flush()) {
        std::fprintf(stderr, "makecallfile: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
