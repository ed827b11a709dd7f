#include "wavefiles.h"

#include "scratch.h"

#include <cstring>

namespace wavetest {

std::string U16(uint16_t value)
{
    return std::string{static_cast<char>(value & 0xff), static_cast<char>(value >> 8)};
}

std::string U32(uint32_t value)
{
    return U16(static_cast<uint16_t>(value & 0xffff)) + U16(static_cast<uint16_t>(value >> 16));
}

std::string FormatData(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, size_t size)
{
    const uint16_t block = static_cast<uint16_t>(channels * bits / 8);
    std::string data = FormatData(tag, channels, rate, bits, rate * block, block);
    data.resize(size, '\0');
    return data;
}

std::string FormatData(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                       uint32_t avgBytes, uint16_t blockAlign)
{
    return U16(tag) + U16(channels) + U32(rate) + U32(avgBytes) + U16(blockAlign) + U16(bits);
}

std::string Riff(const std::vector<Chunk>& chunks, std::optional<uint32_t> riffLength)
{
    std::string body;
    for (const Chunk& chunk : chunks)
        body += chunk.id + U32(chunk.size.value_or(static_cast<uint32_t>(chunk.data.size()))) + chunk.data;
    const auto length = static_cast<uint32_t>(12 + body.size());
    return "RIFF" + U32(riffLength.value_or(length)) + "WAVE" + body;
}

std::string Pcm(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& samples)
{
    return Riff({{"fmt ", FormatData(1, channels, rate, bits)}, {"data", samples}});
}

std::string Samples16(const std::vector<int16_t>& values)
{
    std::string bytes(values.size() * 2, '\0');
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

std::string WriteRecording(const std::string& bytes, const std::string& name)
{
    const std::string path = zemtest::NewFolder("wave") + "/" + name;
    zemtest::WriteFile(path, bytes);
    return path;
}

}  // namespace wavetest
