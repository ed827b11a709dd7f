#include "qmftestfile.h"

#include "base/littleendian.h"
#include "base/riff.h"

#include <filesystem>
#include <fstream>

namespace qmftest {

std::string MakeQmf(const std::string& xml, const std::vector<Chunk>& chunks)
{
    zem::RiffWriter writer(zem::RiffLength::Standard, "QMF1");
    writer.Chunk("XML ", xml);
    for (const Chunk& chunk : chunks)
        writer.Chunk(chunk.id, chunk.data);
    return writer.Bytes();
}

void WriteBigQmf(const std::string& path, uint32_t size)
{
    {
        std::ofstream out(path, std::ios::binary);
        uint8_t length[4];
        zem::WriteLe32(length, size);
        out << MakeQmf(SmallCallXml(), {}) << "BIG1";
        out.write(reinterpret_cast<const char*>(length), 4);
    }
    std::filesystem::resize_file(path, std::filesystem::file_size(path) + size);
}

std::string SmallCallXml(const std::string& recordingKey)
{
    const std::string cipher = recordingKey.empty()
        ? "<zemlogv3_calltag1030 flencrypt=\"0\" sid=\"\"/>"
        : "<zemlogv3_calltag1030 flencrypt=\"1\" sid=\"" + recordingKey + "\"/>";
    return "<export><call id=\"C1\">"
           "<tbcall direction=\"in\" cli=\"0301\" dni=\"0402\" tsfirst=\"2024-05-01 13:30:05.000\" "
           "tslast=\"2024-05-01 14:32:07.250\"><zemlogv3_vline name=\"Line 7\"/></tbcall>"
           "<tbcalltag tagtype=\"1030\" idcalltag=\"11\" tstagset=\"2024-05-01 13:30:05.120\" "
           "tstagbegin=\"2024-05-01 13:30:05.000\" tstagend=\"2024-05-01 13:31:00.000\" tagdetails=\"rec\">"
           "<tbuser name=\"anna\"/>" + cipher + "</tbcalltag>"
           "<tbcalltag tagtype=\"300\" idcalltag=\"12\" tagdetails=\"c:\\docs\\n.txt\">"
           "<tbcalltag300 fnameorig=\"note.txt\"><tbuser name=\"otto\"/></tbcalltag300></tbcalltag>"
           "<tbcalltag tagtype=\"204\"><tbcalltag204 projectnote=\"ok\"><tbuser name=\"eva\">"
           "<tbproject shortsign=\"PX\" name=\"Proj\"/></tbuser></tbcalltag204></tbcalltag>"
           "<tbcalltag tagtype=\"1201\" tagdetails=\"fsk 5\"/>"
           "<chunklist><chunk idcalltag=\"11\" chunkname=\"REC1\"/><chunk idcalltag=\"12\" chunkname=\"ATT1\"/></chunklist>"
           "</call></export>";
}

}  // namespace qmftest
