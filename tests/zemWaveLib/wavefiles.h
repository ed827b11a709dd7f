// Recording files for the wave tests, composed byte by byte at run time.
#pragma once

#include "support/scratch.h"
#include "zemWaveLib/wave.h"

#include "base/littleendian.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace wavetest {

struct Chunk {
    Chunk(std::string id, std::string data, std::optional<uint32_t> size = {})
        : id(std::move(id)), data(std::move(data)), size(size) {}
    std::string id, data;
    std::optional<uint32_t> size;  // the stored size when it differs from data.size()
};

inline std::string U16(uint16_t v)
{
    std::string bytes;
    zem::AppendLe16(bytes, v);
    return bytes;
}
inline std::string U32(uint32_t v)
{
    std::string bytes;
    zem::AppendLe32(bytes, v);
    return bytes;
}

// A 16-byte "fmt " payload; byte rate and block alignment follow from the rest unless given.
inline std::string Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                       std::optional<uint32_t> avgBytes = {}, std::optional<uint16_t> block = {})
{
    const uint16_t align = block.value_or(static_cast<uint16_t>(channels * bits / 8));
    return U16(tag) + U16(channels) + U32(rate) + U32(avgBytes.value_or(rate * align)) + U16(align) + U16(bits);
}

// "RIFF", the length (default: the whole file), "WAVE", the chunks as given, no pad bytes.
inline std::string Riff(const std::vector<Chunk>& chunks, std::optional<uint32_t> riffLength = {})
{
    std::string body;
    for (const Chunk& c : chunks)
        body += c.id + U32(c.size.value_or(static_cast<uint32_t>(c.data.size()))) + c.data;
    return "RIFF" + U32(riffLength.value_or(static_cast<uint32_t>(12 + body.size()))) + "WAVE" + body;
}

inline std::string Pcm(uint16_t channels, uint16_t bits, const std::string& samples)
{
    return Riff({{"fmt ", Fmt(1, channels, 8000, bits)}, {"data", samples}});
}

inline uint32_t U32At(const std::string& bytes, size_t at)
{
    return zem::ReadLe32(bytes.data() + at);
}

inline std::string Samples16(const std::vector<int16_t>& values)
{
    std::string bytes(values.size() * 2, '\0');
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

inline std::string WriteRecording(const std::string& bytes)
{
    const std::string path = zemtest::NewFolder("wave") + "/rec.wav";
    zemtest::WriteFile(path, bytes);
    return path;
}

// The overview record as stored: channels, points (u16 each), then the values.
inline std::vector<uint8_t> PromptBytes(_Wave& wave)
{
    std::lock_guard lock(wave.GetLock());
    const uint8_t* data = wave.GetPrompt();
    if (!data)
        return {};
    const uint16_t channels = zem::ReadLe16(data), points = zem::ReadLe16(data + 2);
    return std::vector<uint8_t>(data, data + 4 + size_t{2} * channels * points);
}

}  // namespace wavetest
