#include "codec/waveformat.h"

#include "base/littleendian.h"

#include <algorithm>
#include <cstring>

namespace zem {

std::vector<uint8_t> WaveFormat::ToBytes() const
{
    const size_t extraSize = std::min<size_t>(extra.size(), 0xFFFF);
    const WAVEFORMATEX head{formatTag,  channels,      samplesPerSec,
                            avgBytesPerSec, blockAlign, bitsPerSample,
                            static_cast<uint16_t>(extraSize)};
    std::vector<uint8_t> out(kHeadSize + extraSize);
    std::memcpy(out.data(), &head, kHeadSize);
    std::copy_n(extra.begin(), extraSize, out.begin() + kHeadSize);
    return out;
}

std::optional<WaveFormat> WaveFormat::FromBytes(std::span<const uint8_t> bytes)
{
    if (bytes.size() < offsetof(WAVEFORMATEX, cbSize))
        return std::nullopt;
    // A 16-byte body has no cbSize: the zeroed head states no extra bytes then.
    WAVEFORMATEX head{};
    std::memcpy(&head, bytes.data(), std::min(bytes.size(), kHeadSize));
    WaveFormat f;
    f.formatTag = head.wFormatTag;
    f.channels = head.nChannels;
    f.samplesPerSec = head.nSamplesPerSec;
    f.avgBytesPerSec = head.nAvgBytesPerSec;
    f.blockAlign = head.nBlockAlign;
    f.bitsPerSample = head.wBitsPerSample;
    if (bytes.size() > kHeadSize) {
        const size_t extraSize = std::min<size_t>(head.cbSize, bytes.size() - kHeadSize);
        f.extra.assign(bytes.begin() + kHeadSize,
                       bytes.begin() + static_cast<ptrdiff_t>(kHeadSize + extraSize));
    }
    return f;
}

uint16_t WaveFormat::ExtraWord() const
{
    return extra.size() < 2 ? 0 : ReadLe16(extra.data());
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
