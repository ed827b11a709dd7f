// Turns a recording's coded sample data into 16-bit PCM, one whole block at a time. PCM is
// decoded here; compressed formats plug in through MakeDecoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zem {

// The "fmt " chunk of a WAV file.
struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> extra;  // the bytes after cbSize, when there are any
};

constexpr uint16_t kWaveFormatPcm = 1;

class Decoder {
public:
    virtual ~Decoder() = default;
    virtual size_t BlockBytes() const = 0;   // coded bytes of one block
    virtual size_t BlockFrames() const = 0;  // frames one block decodes to
    // Decodes `blocks` whole blocks from `in` into `out`, which holds
    // blocks x BlockFrames() x channels values.
    virtual void Decode(const uint8_t* in, size_t blocks, int16_t* out) = 0;
};

// Null when this build cannot decode the format.
std::unique_ptr<Decoder> MakeDecoder(const WaveFormat& format);

}  // namespace zem
