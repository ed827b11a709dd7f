// The glue's one-line runs, each once on a WAV image made here: what each promises of the
// result's level, channels, rate or length.
#include "zemWave/engine/soxbuilders.h"

#include "platform/sound/wavfiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace {

constexpr int kRate = 8000;
constexpr int kFrames = 1600;

std::vector<int16_t> Sum(const std::vector<int16_t>& a, const std::vector<int16_t>& b)
{
    std::vector<int16_t> sum(a.size());
    for (size_t i = 0; i < a.size(); ++i)
        sum[i] = static_cast<int16_t>(a[i] + b[i]);
    return sum;
}

// 16-bit signed, or 8-bit unsigned as the typed band-reject run reads it.
std::string Wav(const std::vector<int16_t>& interleaved, uint16_t channels = 1, uint16_t bits = 16)
{
    soundtest::WavSpec spec;
    spec.channels = channels;
    spec.bits = bits;
    for (int16_t s : interleaved)
        spec.dataBytes += bits == 8 ? std::string(1, static_cast<char>((s >> 8) + 128)) : soundtest::Pcm16({s});
    return soundtest::MakeWav(spec);
}

SoxBuffer Of(const std::string& wav)
{
    return {reinterpret_cast<const uint8_t*>(wav.data()), static_cast<uint32_t>(wav.size())};
}

// One channel of a parsed result as 16-bit samples.
std::vector<int16_t> Channel(const SoxWavRecord& record, uint32_t channel)
{
    std::vector<int16_t> samples;
    const uint32_t bytes = record.outBitsPerSample / 8;
    const uint32_t frame = bytes * record.outChannels;
    for (uint32_t at = channel * bytes; frame && at + bytes <= record.outDataLength; at += frame) {
        const uint8_t* p = record.outData + at;
        samples.push_back(bytes == 1 ? static_cast<int16_t>((p[0] - 128) * 256)
                                     : static_cast<int16_t>(p[0] | (p[1] << 8)));
    }
    return samples;
}

struct Tone {
    uint32_t channel;
    double hertz;
    double amplitude;
};

struct Case {
    const char* name;
    // Runs the builder; the output image ends up in record.outImage/outImageSize.
    std::function<int(SoxWavRecord& record)> run;
    uint32_t channels, rate, bits, frames, frameSlack;
    std::vector<Tone> tones;  // measured past the first and before the last 200 frames
};

// A buffer-based run whose output becomes the record's output image.
std::function<int(SoxWavRecord&)> Buffered(std::function<int(SoxResult&)> run)
{
    return [run](SoxWavRecord& record) {
        SoxResult out;
        const int result = run(out);
        record.outImage = out.data;
        record.outImageSize = out.length;
        return result;
    };
}

// A record-based run over a 16-bit mono block.
std::function<int(SoxWavRecord&)> OnBlock(const std::vector<int16_t>& block,
                                          std::function<int(SoxWavRecord&)> run)
{
    return [&block, run](SoxWavRecord& record) {
        record.inFormatTag = 1;
        record.inChannels = 1;
        record.inSampleRate = kRate;
        record.inBitsPerSample = 16;
        record.inData = reinterpret_cast<const uint8_t*>(block.data());
        record.inDataLength = static_cast<uint32_t>(block.size() * 2);
        if (SoxBuildWavImage(record) != 0)
            return -1;
        return run(record);
    };
}

TEST(SoxBuilders, EachRunKeepsItsPromise)
{
    const std::vector<int16_t> low = soundtest::Tone(440, 8000, kRate, kFrames);
    const std::vector<int16_t> mid = soundtest::Tone(1000, 8000, kRate, kFrames);
    const std::vector<int16_t> high = soundtest::Tone(3000, 8000, kRate, kFrames);
    std::vector<int16_t> stereo;
    for (int i = 0; i < kFrames; ++i)
        stereo.insert(stereo.end(), {low[size_t(i)], mid[size_t(i)]});
    const std::string lowWav = Wav(low), midWav = Wav(mid);
    const std::string lowHighWav = Wav(Sum(low, high)), stereoWav = Wav(stereo, 2);
    const std::string quiet8 = Wav(Sum(soundtest::Tone(440, 6000, kRate, kFrames),
                                       soundtest::Tone(1000, 6000, kRate, kFrames)), 1, 8);
    const std::vector<int16_t> lowBlock = low;

    const Case cases[] = {
        {"volume", Buffered([&](SoxResult& out) { return SoxVolume(0.5, "wav", Of(lowWav), out); }),
         1, kRate, 16, kFrames, 0, {{0, 440, 4000}}},
        {"low-pass filter", Buffered([&](SoxResult& out) { return SoxFilter("-1500", "wav", Of(lowHighWav), out); }),
         1, kRate, 16, kFrames, 0, {{0, 440, 8000}, {0, 3000, 0}}},
        {"high-pass filter", Buffered([&](SoxResult& out) { return SoxFilter("1500-", "wav", Of(lowHighWav), out); }),
         1, kRate, 16, kFrames, 0, {{0, 440, 0}, {0, 3000, 8000}}},
        {"mix of two", Buffered([&](SoxResult& out) { return SoxMixTwo("wav", Of(lowWav), Of(midWav), out); }),
         1, kRate, 16, kFrames, 0, {{0, 440, 4000}, {0, 1000, 4000}}},
        {"mono to stereo", Buffered([&](SoxResult& out) { return SoxMonoToStereo(1.0, 0.5, "wav", Of(lowWav), out); }),
         2, kRate, 16, kFrames, 0, {{0, 440, 8000}, {1, 440, 4000}}},
        {"stereo to mono", Buffered([&](SoxResult& out) { return SoxStereoToMono(0.5, 0.25, "wav", Of(stereoWav), out); }),
         1, kRate, 16, kFrames, 0, {{0, 440, 4000}, {0, 1000, 2000}}},
        {"typed band-reject", Buffered([&](SoxResult& out) { return SoxBandRejectTyped(1000, 200, "wav", Of(quiet8), out); }),
         1, kRate, 8, kFrames, 0, {{0, 440, 6000}, {0, 1000, 0}}},
        {"resample", OnBlock(lowBlock, [](SoxWavRecord& r) { return SoxResampleTo(16000, r); }),
         1, 16000, 16, 2 * kFrames, 2, {{0, 440, 8000}}},
        {"stretch", OnBlock(lowBlock, [](SoxWavRecord& r) { return SoxStretch("2", r); }),
         1, kRate, 16, 2 * kFrames, 100, {}},  // its splices blur one tone's phase: length only
    };
    for (const Case& c : cases) {
        SoxWavRecord record;
        ASSERT_EQ(c.run(record), 0) << c.name << ": " << SoxLastError();
        if (!record.outData) {
            ASSERT_EQ(SoxParseWavImage(record), 0) << c.name;
        }
        EXPECT_EQ(record.outChannels, c.channels) << c.name;
        EXPECT_EQ(record.outSampleRate, c.rate) << c.name;
        EXPECT_EQ(record.outBitsPerSample, c.bits) << c.name;
        EXPECT_NEAR(record.outDataLength / (c.channels * c.bits / 8), c.frames, c.frameSlack) << c.name;
        for (const Tone& tone : c.tones) {
            const std::vector<int16_t> samples = Channel(record, tone.channel);
            ASSERT_GT(samples.size(), 400u) << c.name;
            const std::vector<int16_t> middle(samples.begin() + 200, samples.end() - 200);
            // Within a tenth of full level, or well below it for a tone that must be gone.
            const double level = soundtest::ToneLevel(middle, tone.hertz, static_cast<int>(c.rate));
            if (tone.amplitude > 0)
                EXPECT_NEAR(level, tone.amplitude, tone.amplitude / 10) << c.name << " " << tone.hertz << " Hz";
            else
                EXPECT_LT(level, 400) << c.name << " " << tone.hertz << " Hz";
        }
        SoxFreeWavImages(record);
    }
}

// Unknown builders' options fail the run as a bad command line would, and leave no buffer.
TEST(SoxBuilders, BadOptionsFailTheRun)
{
    const std::string wav = Wav(soundtest::Tone(440, 8000, kRate, kFrames));
    SoxResult out;
    EXPECT_NE(SoxFilter("nonsense", "wav", Of(wav), out), 0);
    EXPECT_EQ(out.data, nullptr);
    EXPECT_NE(SoxVolume(0.5, "nosuchtype", Of(wav), out), 0);
    EXPECT_EQ(out.data, nullptr);
    EXPECT_NE(SoxMixTwo("wav", Of(wav), {}, out), 0);
    EXPECT_EQ(SoxLastError(), "Bad Input buffer length '0' ");
}

}  // namespace
