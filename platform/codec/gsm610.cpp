#include "codec/gsm610.h"

#include <algorithm>
#include <array>
#include <gsm.h>
#include <new>

namespace zem::codec {
namespace {

constexpr size_t kFrameSamples = 160;
// The first frame of a block takes 32.5 bytes; libgsm reads 33 bytes for it and starts the
// second at byte 33, and writes 32 bytes for the first and 33 for the second.
constexpr size_t kSecondFrameReadAt = 33;
constexpr size_t kSecondFrameWriteAt = 32;

// A libgsm state in the packing of WAVE files.
class GsmHandle {
public:
    GsmHandle() { Create(); }
    ~GsmHandle() { gsm_destroy(handle_); }
    GsmHandle(const GsmHandle&) = delete;
    GsmHandle& operator=(const GsmHandle&) = delete;

    gsm Get() const { return handle_; }

    void Recreate()
    {
        gsm_destroy(handle_);
        Create();
    }

private:
    void Create()
    {
        handle_ = gsm_create();
        if (!handle_)
            throw std::bad_alloc();
        int wav49 = 1;
        gsm_option(handle_, GSM_OPT_WAV49, &wav49);
    }

    gsm handle_ = nullptr;
};

class GsmDecoder : public BlockCoder {
public:
    GsmDecoder() : BlockCoder(kGsmBlockBytes, 2 * kGsmSamplesPerBlock) {}

    void Convert(const uint8_t* source, uint8_t* target, size_t blocks) override
    {
        std::array<gsm_byte, kGsmBlockBytes> block{};
        std::array<gsm_signal, kGsmSamplesPerBlock> samples{};
        for (size_t b = 0; b < blocks; ++b) {
            std::copy_n(source + b * kGsmBlockBytes, kGsmBlockBytes, block.begin());
            // In this packing libgsm has no magic to check, so decoding cannot fail.
            gsm_decode(handle_.Get(), block.data(), samples.data());
            gsm_decode(handle_.Get(), block.data() + kSecondFrameReadAt,
                       samples.data() + kFrameSamples);
            uint8_t* out = target + b * TargetBlockBytes();
            for (size_t i = 0; i < kGsmSamplesPerBlock; ++i)
                WriteSample16(out + 2 * i, samples[i]);
        }
    }

    void Reset() override { handle_.Recreate(); }

private:
    GsmHandle handle_;
};

class GsmEncoder : public BlockCoder {
public:
    GsmEncoder() : BlockCoder(2 * kGsmSamplesPerBlock, kGsmBlockBytes) {}

    void Convert(const uint8_t* source, uint8_t* target, size_t blocks) override
    {
        std::array<gsm_signal, kGsmSamplesPerBlock> samples{};
        for (size_t b = 0; b < blocks; ++b) {
            const uint8_t* in = source + b * SourceBlockBytes();
            for (size_t i = 0; i < kGsmSamplesPerBlock; ++i)
                samples[i] = ReadSample16(in + 2 * i);
            uint8_t* block = target + b * kGsmBlockBytes;
            gsm_encode(handle_.Get(), samples.data(), block);
            gsm_encode(handle_.Get(), samples.data() + kFrameSamples, block + kSecondFrameWriteAt);
        }
    }

    void Reset() override { handle_.Recreate(); }

private:
    GsmHandle handle_;
};

class GsmDriver : public PcmPairDriver {
public:
    const char* ShortName() const override { return "GSM 6.10"; }
    const char* LongName() const override { return "GSM 06.10 full-rate speech codec"; }
    uint16_t FormatTag() const override { return WAVE_FORMAT_GSM610; }

protected:
    uint16_t MaxChannels() const override { return 1; }

    WaveFormat OwnFormat(uint32_t samplesPerSec, uint16_t channels) const override
    {
        WaveFormat f;
        f.formatTag = WAVE_FORMAT_GSM610;
        f.channels = channels;
        f.samplesPerSec = samplesPerSec;
        f.blockAlign = kGsmBlockBytes;
        f.bitsPerSample = 0;
        f.avgBytesPerSec = samplesPerSec * kGsmBlockBytes / kGsmSamplesPerBlock;
        AppendLe16(f.extra, static_cast<uint16_t>(kGsmSamplesPerBlock));
        return f;
    }

    bool Accepts(const WaveFormat& own) const override
    {
        return own.blockAlign == kGsmBlockBytes &&
               (own.extra.size() < 2 || own.ExtraWord() == kGsmSamplesPerBlock);
    }

    std::unique_ptr<BlockCoder> Decoder(const WaveFormat&) const override
    {
        return std::make_unique<GsmDecoder>();
    }

    std::unique_ptr<BlockCoder> Encoder(const WaveFormat&) const override
    {
        return std::make_unique<GsmEncoder>();
    }
};

}  // namespace

const Driver& Gsm610Driver()
{
    static const GsmDriver driver;
    return driver;
}

}  // namespace zem::codec
