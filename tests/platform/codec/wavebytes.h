// WAVE files as bytes in tests: the chunks of a file, and files built from parts.
#pragma once

#include "codec/waveformat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zemtest {

struct Chunk {
    std::string id;
    size_t offset = 0;  // of the chunk's data
    uint32_t size = 0;
};

struct WaveBytes {
    uint32_t riffLength = 0;
    std::vector<Chunk> chunks;
    zem::WaveFormat format;
    size_t dataOffset = 0;
    uint32_t dataSize = 0;
};

// Reads the chunk list (no pad bytes between chunks, as this system writes them). Throws
// when the bytes are not RIFF/WAVE with "fmt " and "data".
WaveBytes ParseWave(const std::string& bytes);

// "RIFF" <whole length> "WAVE", then the chunks in order: each id with its data.
std::string BuildWave(const std::vector<std::pair<std::string, std::string>>& chunks);

std::string FormatChunk(const zem::WaveFormat& format);
std::string Bytes16(const std::vector<int16_t>& samples);

}  // namespace zemtest
