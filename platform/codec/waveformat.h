// The format of sample data as a WAVE file's "fmt " chunk stores it, and the format tags the
// system knows. The one definition of both for every layer above.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "WAVE structures are read and written in place as little-endian bytes");

namespace zem {

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_ALAW = 6;
constexpr uint16_t WAVE_FORMAT_MULAW = 7;
constexpr uint16_t WAVE_FORMAT_IMA_ADPCM = 17;
constexpr uint16_t WAVE_FORMAT_GSM610 = 49;

// The head of a "fmt " chunk byte for byte as stored: 18 bytes, little-endian, no padding.
// The extra bytes (cbSize of them) follow it in the chunk.
#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

struct WaveFormat {
    // Bytes before the extra data.
    static constexpr size_t kHeadSize = sizeof(WAVEFORMATEX);

    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> extra;  // cbSize bytes that follow the head

    // The head with cbSize = extra.size() (cut to what 16 bits can state), then the extra bytes.
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
