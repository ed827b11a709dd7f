// Compressed recordings in the mixer: decoded block by block, after seeks and while they grow.
#include "mixerfixture.h"

#include "base/file.h"
#include "support/scratch.h"
#include "platform/codec/soxfixture.h"
#include "platform/codec/wavebytes.h"
#include "wavfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <fstream>

using namespace soundtest;
using zemtest::SoxEncoding;

namespace {

const char* Name(SoxEncoding encoding)
{
    switch (encoding) {
    case SoxEncoding::ALaw: return "A-law";
    case SoxEncoding::ImaAdpcm: return "IMA ADPCM";
    case SoxEncoding::Gsm: return "GSM 6.10";
    default: return "PCM";
    }
}

// Frames one block decodes to: the samples per block that the block codecs state.
size_t BlockFrames(const zem::WaveFormat& format)
{
    return format.ExtraWord() != 0 ? format.ExtraWord() : 1;
}

// The file with its data cut to begin at `block`: what a decoder that starts afresh there
// makes of it, as libsox decodes it.
std::vector<int16_t> DecodeFromBlock(const std::string& bytes, size_t block, const std::string& path)
{
    const zemtest::WaveBytes wave = zemtest::ParseWave(bytes);
    const size_t from = wave.dataOffset + block * wave.format.blockAlign;
    const std::string data = bytes.substr(from, wave.dataOffset + wave.dataSize - from);
    zemtest::WriteFile(path, zemtest::BuildWave({{"fmt ", zemtest::FormatChunk(wave.format)},
                                                 {"data", data}}));
    return zemtest::SoxDecode(path);
}

class CompressedMixer : public Mixer {
protected:
    // A mono recording at the mix rate of KnownSignal in the encoding, written by libsox.
    std::string Record(SoxEncoding encoding, size_t frames, const std::string& name = "rec.wav")
    {
        const std::string path = folder_ + "/" + name;
        zemtest::SoxWrite(path, encoding, kRate, 1, zemtest::KnownSignal(frames, 1, kRate));
        return path;
    }
};

// Each move starts the next block with the frame it names, decoded from the start of its
// codec block with a fresh codec state: GSM carries state from block to block, so a decoder
// that kept it would sound different from libsox starting there.
class SeekMixer : public CompressedMixer, public ::testing::WithParamInterface<SoxEncoding> {};

TEST_P(SeekMixer, SetTimeDecodesAfreshFromTheBlockThatHoldsTheTime)
{
    const int moves[] = {1234, 40, 1500, 0, 777};
    const std::string path = Record(GetParam(), 2 * kRate);
    const std::string bytes = zemtest::ReadFile(path);
    const size_t blockFrames = BlockFrames(zemtest::ParseWave(bytes).format);
    const zem::SoundStream stream = sound_->StreamOpen(path);
    ASSERT_NE(stream, 0u) << sound_->LastError();
    ASSERT_GE(sound_->StreamPlay(zem::kFreeChannel, stream), 0);
    Mix(kBlock);
    for (int ms : moves) {
        ASSERT_TRUE(sound_->StreamSetTime(stream, ms));
        EXPECT_EQ(sound_->StreamGetTime(stream), ms);
        Mix(kBlock);
    }
    const auto mix = Finish();
    for (size_t i = 0; i < std::size(moves); ++i) {
        const size_t frame = static_cast<size_t>(moves[i]) * kRate / 1000;
        const std::vector<int16_t> fresh =
            DecodeFromBlock(bytes, frame / blockFrames, folder_ + "/cut.wav");
        const size_t skip = frame % blockFrames;
        ASSERT_GE(fresh.size(), skip + kRate * kBlock / 1000);
        const std::vector<int16_t> expected(fresh.begin() + static_cast<long>(skip),
                                            fresh.begin() + static_cast<long>(skip + kRate * kBlock / 1000));
        const int at = kBlock * static_cast<int>(i + 1);
        EXPECT_EQ(FirstDifference(Side(mix, 0, kRate, at, at + kBlock), expected), -1)
            << "move to " << moves[i] << " ms";
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, SeekMixer,
                         ::testing::Values(SoxEncoding::ALaw, SoxEncoding::ImaAdpcm, SoxEncoding::Gsm),
                         [](const ::testing::TestParamInfo<SoxEncoding>& info) {
                             std::string name = Name(info.param);
                             std::erase_if(name, [](unsigned char c) { return !std::isalnum(c); });
                             return name;
                         });

// A GSM recording still downloading, cut inside a block: the whole blocks play, the stream
// waits without ending, and once the rest is there it goes on as if it had never stopped.
TEST_F(CompressedMixer, GrowingGsmFilePlaysWholeBlocksAndGoesOnWhenItGrows)
{
    const std::string full = zemtest::ReadFile(Record(SoxEncoding::Gsm, 2 * kRate, "full.wav"));
    const std::vector<int16_t> decoded = zemtest::SoxDecode(folder_ + "/full.wav");
    const size_t cut = zemtest::ParseWave(full).dataOffset + 10 * 65 + 20;
    const GrowingRun run = PlayGrowing(Write("growing.wav", full.substr(0, cut)), full.substr(cut));
    ExpectWaitedThenEnded(run);
    const auto mix = Finish();

    // Ten whole blocks of 320 frames play, but for the last frame or so, which waits for the
    // next one to interpolate towards.
    EXPECT_GE(run.waitingAt, 390);
    EXPECT_LE(run.waitingAt, 400);
    // Heard without the silence of the wait, the recording plays as one piece.
    const auto heard = Side(mix, 0, kRate, 0, 3000);
    const auto gap = std::search_n(heard.begin(), heard.end(), kRate / 10, int16_t{0});
    ASSERT_NE(gap, heard.end());
    EXPECT_GE(gap - heard.begin(), 3120);
    const auto resumed = std::find_if(gap, heard.end(), [](int16_t v) { return v != 0; });
    std::vector<int16_t> joined(heard.begin(), gap);
    joined.insert(joined.end(), resumed, heard.end());
    ASSERT_GE(joined.size(), decoded.size());
    joined.resize(decoded.size());
    EXPECT_EQ(FirstDifference(joined, decoded), -1);
}

// Strongest frequency of the samples between two frequencies, in 1 Hz steps.
double PeakFrequency(const std::vector<int16_t>& samples, int fromHz, int toHz)
{
    int best = fromHz;
    for (int hz = fromHz; hz <= toHz; ++hz)
        if (ToneLevel(samples, hz, kRate) > ToneLevel(samples, best, kRate))
            best = hz;
    return best;
}

// Lossy but faithful: a GSM recording of a 700 Hz tone at a third of full scale sounds, in
// the mix, at 700 Hz within 5 Hz and at its level within 0.5 dB, and the tone is nearly all
// of what is heard.
TEST_F(CompressedMixer, GsmRecordingCarriesTheToneOfItsSource)
{
    constexpr double kHz = 700;
    constexpr double kPeak = 10000;
    const std::string path = folder_ + "/tone.wav";
    zemtest::SoxWrite(path, SoxEncoding::Gsm, kRate, 1, zemtest::Sine(kRate, 1, kRate, kHz, kPeak));
    const int channel = sound_->StreamPlay(zem::kFreeChannel, sound_->StreamOpen(path));
    ASSERT_GE(channel, 0) << sound_->LastError();
    Mix(1000);
    const auto mix = Finish();
    for (int side = 0; side < 2; ++side) {
        const auto heard = Side(mix, side, kRate, 100, 900);
        EXPECT_NEAR(PeakFrequency(heard, 500, 900), kHz, 5) << side;
        const double level = ToneLevel(heard, kHz, kRate);
        EXPECT_NEAR(20 * std::log10(level / kPeak), 0, 0.5) << side;
        EXPECT_GT(level / std::sqrt(2.0) / Rms(heard), 0.98) << "the tone's share of the sound";
    }
}

}  // namespace
