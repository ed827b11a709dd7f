#include "wavebytes.h"

#include <stdexcept>

namespace zemtest {
namespace {

uint32_t Get32(const std::string& b, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(b.at(at + static_cast<size_t>(i)));
    return v;
}

std::string Le32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    return s;
}

}  // namespace

WaveBytes ParseWave(const std::string& bytes)
{
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        throw std::runtime_error("not RIFF/WAVE");
    WaveBytes w;
    w.riffLength = Get32(bytes, 4);
    size_t at = 12;
    bool haveFmt = false;
    bool haveData = false;
    while (at + 8 <= bytes.size()) {
        Chunk c{bytes.substr(at, 4), at + 8, Get32(bytes, at + 4)};
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
        at = c.offset + c.size;
    }
    if (!haveFmt || !haveData)
        throw std::runtime_error("no fmt or data chunk");
    return w;
}

std::string BuildWave(const std::vector<std::pair<std::string, std::string>>& chunks)
{
    std::string body = "WAVE";
    for (const auto& [id, data] : chunks)
        body += id + Le32(static_cast<uint32_t>(data.size())) + data;
    return "RIFF" + Le32(static_cast<uint32_t>(body.size() + 8)) + body;
}

std::string FormatChunk(const zem::WaveFormat& format)
{
    const std::vector<uint8_t> b = format.ToBytes();
    return std::string(b.begin(), b.end());
}

std::string Bytes16(const std::vector<int16_t>& samples)
{
    std::string s(samples.size() * 2, '\0');
    for (size_t i = 0; i < samples.size(); ++i) {
        s[2 * i] = static_cast<char>(samples[i] & 0xFF);
        s[2 * i + 1] = static_cast<char>((samples[i] >> 8) & 0xFF);
    }
    return s;
}

}  // namespace zemtest
