// The format of sample data as a WAVE file's "fmt " chunk stores it (the WAVEFORMATEX
// layout), and the format tags the system knows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zem {

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_ALAW = 6;
constexpr uint16_t WAVE_FORMAT_MULAW = 7;
constexpr uint16_t WAVE_FORMAT_IMA_ADPCM = 17;
constexpr uint16_t WAVE_FORMAT_GSM610 = 49;

struct WaveFormat {
    // Bytes before the extra data: tag, channels, rate, average rate, block, bits, cbSize.
    static constexpr size_t kHeadSize = 18;

    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> extra;  // cbSize bytes that follow the head

    // 18 bytes little-endian with cbSize = extra.size(), then the extra bytes.
    std::vector<uint8_t> ToBytes() const;

    // Reads a "fmt " chunk body: 16 bytes (a format without cbSize) or more. Extra bytes
    // are taken up to cbSize or to the end of the body, whichever comes first. Empty when
    // the body is shorter than 16 bytes.
    static std::optional<WaveFormat> FromBytes(std::span<const uint8_t> bytes);

    // The u16 at the start of the extra data (samples per block of the block codecs), or
    // 0 when the extra data is shorter than that.
    uint16_t ExtraWord() const;

    bool operator==(const WaveFormat&) const = default;
};

// Integer PCM with the derived block alignment and average rate.
WaveFormat MakePcmFormat(uint32_t samplesPerSec, uint16_t channels, uint16_t bitsPerSample);

}  // namespace zem
