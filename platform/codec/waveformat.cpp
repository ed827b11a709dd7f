#include "codec/waveformat.h"

#include <algorithm>

namespace zem {
namespace {

uint16_t Get16(std::span<const uint8_t> b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t Get32(std::span<const uint8_t> b, size_t at)
{
    return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) |
           (uint32_t{b[at + 3]} << 24);
}

void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

std::vector<uint8_t> WaveFormat::ToBytes() const
{
    // cbSize is 16 bits; a longer extra would not be describable.
    const size_t extraSize = std::min<size_t>(extra.size(), 0xFFFF);
    std::vector<uint8_t> out;
    out.reserve(kHeadSize + extraSize);
    Put16(out, formatTag);
    Put16(out, channels);
    Put32(out, samplesPerSec);
    Put32(out, avgBytesPerSec);
    Put16(out, blockAlign);
    Put16(out, bitsPerSample);
    Put16(out, static_cast<uint16_t>(extraSize));
    out.insert(out.end(), extra.begin(), extra.begin() + static_cast<ptrdiff_t>(extraSize));
    return out;
}

std::optional<WaveFormat> WaveFormat::FromBytes(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 16)
        return std::nullopt;
    WaveFormat f;
    f.formatTag = Get16(bytes, 0);
    f.channels = Get16(bytes, 2);
    f.samplesPerSec = Get32(bytes, 4);
    f.avgBytesPerSec = Get32(bytes, 8);
    f.blockAlign = Get16(bytes, 12);
    f.bitsPerSample = Get16(bytes, 14);
    if (bytes.size() >= kHeadSize) {
        const size_t extraSize = std::min<size_t>(Get16(bytes, 16), bytes.size() - kHeadSize);
        f.extra.assign(bytes.begin() + kHeadSize,
                       bytes.begin() + static_cast<ptrdiff_t>(kHeadSize + extraSize));
    }
    return f;
}

uint16_t WaveFormat::ExtraWord() const
{
    return extra.size() < 2 ? 0 : Get16(extra, 0);
}

WaveFormat MakePcmFormat(uint32_t samplesPerSec, uint16_t channels, uint16_t bitsPerSample)
{
    WaveFormat f;
    f.formatTag = WAVE_FORMAT_PCM;
    f.channels = channels;
    f.samplesPerSec = samplesPerSec;
    f.bitsPerSample = bitsPerSample;
    f.blockAlign = static_cast<uint16_t>(channels * ((bitsPerSample + 7) / 8));
    f.avgBytesPerSec = samplesPerSec * f.blockAlign;
    return f;
}

}  // namespace zem
