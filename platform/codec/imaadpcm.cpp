#include "codec/imaadpcm.h"

#include <algorithm>
#include <array>
#include <vector>

namespace zem::codec {
namespace {

constexpr std::array<int, 89> kStepSizes{
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<int, 16> kIndexSteps{-1, -1, -1, -1, 2, 4, 6, 8,
                                          -1, -1, -1, -1, 2, 4, 6, 8};

constexpr int kMaxIndex = static_cast<int>(kStepSizes.size()) - 1;

// What one code does at one step index: the signed change of the predictor and the next index.
struct CodeStep {
    int diff;
    int index;
};

// Worked out once for every index and code, so decoding a sample is one lookup.
constexpr auto kCodeSteps = [] {
    std::array<std::array<CodeStep, 16>, kStepSizes.size()> table{};
    for (size_t i = 0; i < kStepSizes.size(); ++i) {
        for (size_t code = 0; code < 16; ++code) {
            const int step = kStepSizes[i];
            int diff = step >> 3;
            if (code & 4)
                diff += step;
            if (code & 2)
                diff += step >> 1;
            if (code & 1)
                diff += step >> 2;
            table[i][code] = {(code & 8) ? -diff : diff,
                              std::clamp(static_cast<int>(i) + kIndexSteps[code], 0, kMaxIndex)};
        }
    }
    return table;
}();

// Predictor and step index of one channel.
struct ChannelState {
    int predictor = 0;
    int index = 0;

    // Applies one 4-bit code and returns the new sample.
    int16_t Step(int code)
    {
        const CodeStep& next = kCodeSteps[static_cast<size_t>(index)][static_cast<size_t>(code)];
        predictor = std::clamp(predictor + next.diff, -32768, 32767);
        index = next.index;
        return static_cast<int16_t>(predictor);
    }

    // The code that brings the predictor closest from below in magnitude to sample.
    int Encode(int sample)
    {
        int diff = sample - predictor;
        int code = 0;
        if (diff < 0) {
            code = 8;
            diff = -diff;
        }
        int step = kStepSizes[static_cast<size_t>(index)];
        for (int bit = 4; bit > 0; bit >>= 1) {
            if (diff >= step) {
                code |= bit;
                diff -= step;
            }
            step >>= 1;
        }
        Step(code);
        return code;
    }
};

class ImaDecoder : public BlockCoder {
public:
    ImaDecoder(size_t blockAlign, size_t channels, size_t samplesPerBlock)
        : BlockCoder(blockAlign, 2 * channels * samplesPerBlock), channels_(channels),
          samplesPerBlock_(samplesPerBlock)
    {
    }

    void Convert(const uint8_t* source, uint8_t* target, size_t blocks) override
    {
        for (size_t b = 0; b < blocks; ++b)
            DecodeBlock(source + b * SourceBlockBytes(), target + b * TargetBlockBytes());
    }

private:
    void DecodeBlock(const uint8_t* block, uint8_t* out)
    {
        const size_t frameBytes = 2 * channels_;
        for (size_t c = 0; c < channels_; ++c) {
            const uint8_t* header = block + 4 * c;
            ChannelState state{ReadSample16(header), std::min<int>(header[2], kMaxIndex)};
            uint8_t* at = out + 2 * c;
            WriteSample16(at, state.predictor);
            // Eight samples per four-byte group, low nibble first; group g of channel c
            // follows the groups of the channels before it.
            const uint8_t* codes = block + 4 * channels_ + 4 * c;
            size_t left = samplesPerBlock_ - 1;
            const auto step = [&](int code) {
                at += frameBytes;
                WriteSample16(at, state.Step(code));
            };
            for (; left >= 8; left -= 8, codes += 4 * channels_) {
                for (size_t i = 0; i < 4; ++i) {
                    step(codes[i] & 0x0F);
                    step(codes[i] >> 4);
                }
            }
            for (size_t k = 0; k < left; ++k)
                step(k % 2 == 0 ? (codes[k / 2] & 0x0F) : (codes[k / 2] >> 4));
        }
    }

    size_t channels_;
    size_t samplesPerBlock_;
};

class ImaEncoder : public BlockCoder {
public:
    ImaEncoder(size_t blockAlign, size_t channels, size_t samplesPerBlock)
        : BlockCoder(2 * channels * samplesPerBlock, blockAlign), channels_(channels),
          samplesPerBlock_(samplesPerBlock), states_(channels)
    {
    }

    void Convert(const uint8_t* source, uint8_t* target, size_t blocks) override
    {
        for (size_t b = 0; b < blocks; ++b)
            EncodeBlock(source + b * SourceBlockBytes(), target + b * TargetBlockBytes());
    }

    void Reset() override
    {
        states_.assign(channels_, ChannelState{});
        started_ = false;
    }

private:
    // The step index that encodes this channel of the block with the least error. A stream
    // starting at the smallest step would spend its first samples climbing to the signal's
    // level, and its first block would sound worse than the rest.
    size_t BestStartIndex(const uint8_t* in, size_t c) const
    {
        const size_t frameBytes = 2 * channels_;
        size_t best = 0;
        double bestError = -1;
        for (size_t index = 0; index < kStepSizes.size(); ++index) {
            ChannelState trial{ReadSample16(in + 2 * c), static_cast<int>(index)};
            double error = 0;
            for (size_t s = 1; s < samplesPerBlock_; ++s) {
                const int sample = ReadSample16(in + s * frameBytes + 2 * c);
                trial.Encode(sample);
                const double d = sample - trial.predictor;
                error += d * d;
            }
            if (bestError < 0 || error < bestError) {
                bestError = error;
                best = index;
            }
        }
        return best;
    }

    void EncodeBlock(const uint8_t* in, uint8_t* block)
    {
        const size_t frameBytes = 2 * channels_;
        std::fill(block, block + TargetBlockBytes(), uint8_t{0});
        for (size_t c = 0; c < channels_ && !started_; ++c)
            states_[c].index = static_cast<int>(BestStartIndex(in, c));
        started_ = true;
        for (size_t c = 0; c < channels_; ++c) {
            ChannelState& state = states_[c];
            // The header carries the first sample exactly and the index the stream has
            // reached, so each block decodes on its own.
            state.predictor = ReadSample16(in + 2 * c);
            WriteSample16(block + 4 * c, state.predictor);
            block[4 * c + 2] = static_cast<uint8_t>(state.index);
            uint8_t* codes = block + 4 * channels_;
            for (size_t s = 1; s < samplesPerBlock_; ++s) {
                const size_t k = s - 1;
                const size_t group = k / 8;
                const int code = state.Encode(ReadSample16(in + s * frameBytes + 2 * c));
                uint8_t& byte = codes[(group * channels_ + c) * 4 + (k % 8) / 2];
                byte |= static_cast<uint8_t>((k % 2 == 0) ? code : code << 4);
            }
        }
    }

    size_t channels_;
    size_t samplesPerBlock_;
    std::vector<ChannelState> states_;
    bool started_ = false;  // the first block has chosen its step indices
};

class ImaDriver : public PcmPairDriver {
public:
    const char* ShortName() const override { return "IMA ADPCM"; }
    const char* LongName() const override { return "IMA ADPCM codec, 4 bits per sample"; }
    uint16_t FormatTag() const override { return WAVE_FORMAT_IMA_ADPCM; }

protected:
    uint16_t MaxChannels() const override { return 2; }

    WaveFormat OwnFormat(uint32_t samplesPerSec, uint16_t channels) const override
    {
        // 256 bytes per channel up to 11025 Hz, doubled for each doubling of the rate.
        const uint32_t perChannel = 256 * std::max<uint32_t>(1, samplesPerSec / 11025);
        WaveFormat f;
        f.formatTag = WAVE_FORMAT_IMA_ADPCM;
        f.channels = channels;
        f.samplesPerSec = samplesPerSec;
        f.blockAlign = static_cast<uint16_t>(perChannel * channels);
        f.bitsPerSample = 4;
        const uint32_t samplesPerBlock = ImaSamplesPerBlock(f.blockAlign, channels);
        f.avgBytesPerSec = samplesPerSec * f.blockAlign / samplesPerBlock;
        AppendLe16(f.extra, static_cast<uint16_t>(samplesPerBlock));
        return f;
    }

    bool Accepts(const WaveFormat& own) const override
    {
        const uint32_t samplesPerBlock = ImaSamplesPerBlock(own.blockAlign, own.channels);
        if (own.bitsPerSample != 4 || samplesPerBlock == 0)
            return false;
        // A stated samples-per-block must agree with the block size.
        return own.extra.size() < 2 || own.ExtraWord() == samplesPerBlock;
    }

    std::unique_ptr<BlockCoder> Decoder(const WaveFormat& own) const override
    {
        return std::make_unique<ImaDecoder>(own.blockAlign, own.channels,
                                            ImaSamplesPerBlock(own.blockAlign, own.channels));
    }

    std::unique_ptr<BlockCoder> Encoder(const WaveFormat& own) const override
    {
        return std::make_unique<ImaEncoder>(own.blockAlign, own.channels,
                                            ImaSamplesPerBlock(own.blockAlign, own.channels));
    }
};

}  // namespace

uint32_t ImaSamplesPerBlock(uint32_t blockAlign, uint16_t channels)
{
    const uint32_t headerBytes = 4u * channels;
    if (channels == 0 || blockAlign < headerBytes || (blockAlign - headerBytes) % headerBytes != 0)
        return 0;
    return (blockAlign - headerBytes) * 2 / channels + 1;
}

const Driver& ImaAdpcmDriver()
{
    static const ImaDriver driver;
    return driver;
}

}  // namespace zem::codec
