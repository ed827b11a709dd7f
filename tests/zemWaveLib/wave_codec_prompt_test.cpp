// Overviews of compressed recordings: sampled from a decoded copy that is gone afterwards.
#include "zemWaveLib/wave.h"

#include "base/paths.h"
#include "support/scratch.h"
#include "platform/codec/soxfixture.h"
#include "wavefiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

using zemtest::SoxEncoding;

namespace {

// Files in TMP, where decoded copies are made.
size_t TempFileCount()
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(std::getenv("TMP")))
        ++n;
    return n;
}

// A compressed recording of a known signal and the overview of its PCM twin: libsox's
// decode of it, written as 16-bit PCM and sampled directly.
struct Fixture {
    std::string path;
    std::vector<uint8_t> expected;
};

// frames is a whole number of the codec's blocks, so that the decoded copy holds exactly
// the frames libsox decodes.
Fixture MakeFixture(const std::string& folder, SoxEncoding encoding, uint32_t rate,
                    uint16_t channels, size_t frames, uint16_t points)
{
    Fixture f;
    f.path = folder + "/rec.wav";
    zemtest::SoxWrite(f.path, encoding, rate, channels,
                      zemtest::KnownSignal(frames, channels, rate));
    const std::vector<int16_t> decoded = zemtest::SoxDecode(f.path);
    EXPECT_EQ(decoded.size(), frames * channels) << "not a whole number of blocks";
    const std::string twinPath = folder + "/twin.wav";
    zemtest::SoxWrite(twinPath, SoxEncoding::Pcm16, rate, channels, decoded);
    _Wave twin;
    EXPECT_TRUE(twin.SetFileName(twinPath));
    EXPECT_TRUE(twin.GeneratePrompt(points)) << twin.GetLastError();
    f.expected = wavetest::PromptBytes(twin);
    return f;
}

TEST(WaveCodecPrompt, EqualsTheOverviewOfTheDecodedCopyAndLeavesNoFile)
{
    const struct {
        const char* what;
        SoxEncoding encoding;
        uint32_t rate;
        uint16_t channels;
        size_t frames;
        uint16_t points;
    } cases[] = {
        {"GSM 6.10, 50 blocks of 320", SoxEncoding::Gsm, 8000, 1, 50 * 320, 1024},
        {"IMA ADPCM mono, 20 blocks of 505", SoxEncoding::ImaAdpcm, 8000, 1, 20 * 505, 1024},
        {"IMA ADPCM stereo, 20 blocks of 505", SoxEncoding::ImaAdpcm, 8000, 2, 20 * 505, 333},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Fixture f = MakeFixture(zemtest::NewFolder("rec"), c.encoding, c.rate, c.channels,
                                      c.frames, c.points);
        ASSERT_EQ(f.expected.size(), 4 + 2u * c.channels * c.points);
        const size_t tempFiles = TempFileCount();

        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(f.path)) << wave.GetLastError();
        ASSERT_TRUE(wave.GeneratePrompt(c.points)) << wave.GetLastError();
        EXPECT_EQ(wavetest::PromptBytes(wave), f.expected);
        EXPECT_EQ(TempFileCount(), tempFiles);
        EXPECT_FALSE(zemtest::Exists(zem::DriveFolder('C') + "/tmpdec.wav"));
    }
}

TEST(WaveCodecPrompt, FailuresKeepTheStoredOverviewAndLeaveNoFile)
{
    using wavetest::Fmt;
    using wavetest::U16;
    const std::string stored = U16(1) + U16(1) + U16(1234);
    const std::string gsmFmt = Fmt(49, 1, 8000, 0, 1625, 65) + U16(2) + U16(320);
    const struct {
        const char* what;
        std::vector<wavetest::Chunk> chunks;
        std::string error;  // "%s": the recording's path
    } cases[] = {
        {"a tag without a driver",
         {{"fmt ", Fmt(2, 1, 8000, 4, 4096, 256)}, {"zemp", stored}, {"data", std::string(512, 'x')}},
         "Driver for codec 2 not found!"},
        {"less than one block",
         {{"fmt ", gsmFmt}, {"zemp", stored}, {"data", std::string(64, 'x')}},
         "The recording has no sample data."},
        {"\"fmt \" not the first chunk",
         {{"zemp", stored}, {"fmt ", gsmFmt}, {"data", std::string(650, 'x')}},
         "File '%s' ist not a valid audio file!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = wavetest::WriteRecording(wavetest::Riff(c.chunks));
        const size_t tempFiles = TempFileCount();
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(path));
        EXPECT_FALSE(wave.GeneratePrompt(64));
        std::string error = c.error;
        if (const size_t at = error.find("%s"); at != std::string::npos)
            error.replace(at, 2, path);
        EXPECT_EQ(wave.GetLastError(), error);
        EXPECT_EQ(wavetest::PromptBytes(wave), std::vector<uint8_t>(stored.begin(), stored.end()));
        EXPECT_EQ(TempFileCount(), tempFiles);
    }
}

// Two loader threads make overviews at once, each of its own recording, again and again.
TEST(WaveCodecPrompt, RecordingsDecodingAtOnceDoNotDisturbEachOther)
{
    const Fixture fixtures[] = {
        MakeFixture(zemtest::NewFolder("gsm"), SoxEncoding::Gsm, 8000, 1, 100 * 320, 1024),
        MakeFixture(zemtest::NewFolder("ima"), SoxEncoding::ImaAdpcm, 8000, 1, 60 * 505, 1024)};
    const size_t tempFiles = TempFileCount();
    constexpr int kRounds = 8;
    int matches[2] = {0, 0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 2; ++i) {
        threads.emplace_back([&, i] {
            _Wave wave;
            if (!wave.SetFileName(fixtures[i].path))
                return;
            for (int round = 0; round < kRounds; ++round)
                if (wave.GeneratePrompt(1024) && wavetest::PromptBytes(wave) == fixtures[i].expected)
                    ++matches[i];
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(matches[0], kRounds);
    EXPECT_EQ(matches[1], kRounds);
    EXPECT_EQ(TempFileCount(), tempFiles);
}

}  // namespace
