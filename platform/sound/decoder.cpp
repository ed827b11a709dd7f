#include "sound/decoder.h"

namespace zem {
namespace {

// 8-bit PCM is unsigned with silence at 128; 16-bit is signed little-endian.
class PcmDecoder final : public Decoder {
public:
    PcmDecoder(int channels, int bytesPerSample) : channels_(channels), bytes_(bytesPerSample) {}

    size_t BlockBytes() const override { return static_cast<size_t>(channels_ * bytes_); }
    size_t BlockFrames() const override { return 1; }

    void Decode(const uint8_t* in, size_t blocks, int16_t* out) override
    {
        const size_t values = blocks * static_cast<size_t>(channels_);
        if (bytes_ == 1) {
            for (size_t i = 0; i < values; ++i)
                out[i] = static_cast<int16_t>((in[i] - 128) * 256);
            return;
        }
        for (size_t i = 0; i < values; ++i)
            out[i] = static_cast<int16_t>(in[2 * i] | (in[2 * i + 1] << 8));
    }

private:
    int channels_;
    int bytes_;
};

}  // namespace

std::unique_ptr<Decoder> MakeDecoder(const WaveFormat& format)
{
    if (format.channels == 0 || format.sampleRate == 0)
        return nullptr;
    if (format.formatTag == kWaveFormatPcm &&
        (format.bitsPerSample == 8 || format.bitsPerSample == 16))
        return std::make_unique<PcmDecoder>(format.channels, format.bitsPerSample / 8);
    return nullptr;
}

}  // namespace zem
