// Recording files for the wave tests, composed byte by byte at run time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace wavetest {

struct Chunk {
    Chunk(std::string id, std::string data, std::optional<uint32_t> size = {})
        : id(std::move(id)), data(std::move(data)), size(size)
    {
    }
    std::string id;  // four characters
    std::string data;
    std::optional<uint32_t> size;  // the stored size when it must differ from data.size()
};

std::string U16(uint16_t value);
std::string U32(uint32_t value);

// A "fmt " payload; `size` bytes long (16 or more: zero-filled beyond the 16 fields).
std::string FormatData(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                       size_t size = 16);
// A payload with explicit byte rate and block alignment, for broken formats.
std::string FormatData(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                       uint32_t avgBytes, uint16_t blockAlign);

// "RIFF", the length (default: the whole file's length), "WAVE", then the chunks as given,
// with no pad bytes.
std::string Riff(const std::vector<Chunk>& chunks, std::optional<uint32_t> riffLength = {});

// A PCM recording: "fmt " then "data" with the given sample bytes.
std::string Pcm(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& samples);

// 16-bit little-endian sample bytes.
std::string Samples16(const std::vector<int16_t>& values);

// Writes bytes to a new file below the test root and returns its path.
std::string WriteRecording(const std::string& bytes, const std::string& name = "rec.wav");

}  // namespace wavetest
