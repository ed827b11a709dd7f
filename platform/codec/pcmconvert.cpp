// PCM to PCM without a driver: channel count and sample width, one frame per block.
#include "codec/driver.h"

#include <vector>

namespace zem::codec {
namespace {

bool IsPlainPcm(const WaveFormat& f)
{
    return f.formatTag == WAVE_FORMAT_PCM && (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           f.blockAlign == f.channels * (f.bitsPerSample / 8);
}

// 8-bit PCM is unsigned around 128, 16-bit signed; samples travel as 16-bit values.
int ReadSample(const uint8_t* p, uint16_t bits)
{
    return bits == 8 ? (p[0] - 128) * 256 : ReadSample16(p);
}

void WriteSample(uint8_t* p, uint16_t bits, int v)
{
    if (bits == 8)
        p[0] = static_cast<uint8_t>((v >> 8) + 128);
    else
        WriteSample16(p, v);
}

class PcmConverter : public BlockCoder {
public:
    PcmConverter(const WaveFormat& source, const WaveFormat& target)
        : BlockCoder(source.blockAlign, target.blockAlign), sourceBits_(source.bitsPerSample),
          targetBits_(target.bitsPerSample), sourceChannels_(source.channels),
          targetChannels_(target.channels), frame_(source.channels)
    {
    }

    void Convert(const uint8_t* source, uint8_t* target, size_t blocks) override
    {
        const size_t inStep = sourceBits_ / 8;
        const size_t outStep = targetBits_ / 8;
        for (size_t b = 0; b < blocks; ++b) {
            const uint8_t* in = source + b * SourceBlockBytes();
            uint8_t* out = target + b * TargetBlockBytes();
            int sum = 0;
            for (size_t c = 0; c < sourceChannels_; ++c) {
                frame_[c] = ReadSample(in + c * inStep, sourceBits_);
                sum += frame_[c];
            }
            for (size_t c = 0; c < targetChannels_; ++c) {
                int v;
                if (sourceChannels_ == targetChannels_)
                    v = frame_[c];
                else if (sourceChannels_ == 1)
                    v = frame_[0];  // one channel fills every channel
                else
                    v = sum / static_cast<int>(sourceChannels_);  // many channels mix to one
                WriteSample(out + c * outStep, targetBits_, v);
            }
        }
    }

private:
    uint16_t sourceBits_;
    uint16_t targetBits_;
    size_t sourceChannels_;
    size_t targetChannels_;
    std::vector<int> frame_;
};

}  // namespace

std::unique_ptr<BlockCoder> OpenPcmConverter(const WaveFormat& source, const WaveFormat& target)
{
    if (!IsPlainPcm(source) || !IsPlainPcm(target) ||
        source.samplesPerSec != target.samplesPerSec)
        return nullptr;
    const bool channelsFit = source.channels == target.channels || source.channels == 1 ||
                             target.channels == 1;
    if (!channelsFit)
        return nullptr;
    return std::make_unique<PcmConverter>(source, target);
}

}  // namespace zem::codec
