#include "wavebytes.h"

#include "base/littleendian.h"
#include "base/riff.h"

#include <stdexcept>

namespace zemtest {

WaveBytes ParseWave(const std::string& bytes)
{
    zem::RiffReader riff = zem::RiffReader::OverBytes(bytes.data(), bytes.size(), zem::RiffPad::Never);
    zem::RiffHead head;
    if (riff.ReadHead(head) < 12 || !head.Is("RIFF", "WAVE"))
        throw std::runtime_error("not RIFF/WAVE");
    WaveBytes w;
    w.riffLength = head.length;
    bool haveFmt = false;
    bool haveData = false;
    zem::RiffChunk found;
    while (riff.Next(found) == zem::RiffReader::Step::Chunk) {
        Chunk c{std::string(found.id.data(), 4), static_cast<size_t>(found.offset), found.size};
        w.chunks.push_back(c);
        if (c.id == "fmt ") {
            const std::string body = bytes.substr(c.offset, c.size);
            w.format = *zem::WaveFormat::FromBytes(
                {reinterpret_cast<const uint8_t*>(body.data()), body.size()});
            haveFmt = true;
        } else if (c.id == "data") {
            w.dataOffset = c.offset;
            w.dataSize = c.size;
            haveData = true;
        }
    }
    if (!haveFmt || !haveData)
        throw std::runtime_error("no fmt or data chunk");
    return w;
}

std::string BuildWave(const std::vector<std::pair<std::string, std::string>>& chunks)
{
    zem::RiffWriter riff(zem::RiffLength::WholeFile);
    for (const auto& [id, data] : chunks)
        riff.Chunk(id, data);
    return riff.Bytes();
}

std::string FormatChunk(const zem::WaveFormat& format)
{
    const std::vector<uint8_t> b = format.ToBytes();
    return std::string(b.begin(), b.end());
}

std::string Bytes16(const std::vector<int16_t>& samples)
{
    std::string s;
    for (int16_t v : samples)
        zem::AppendLe16(s, static_cast<uint16_t>(v));
    return s;
}

}  // namespace zemtest
