#include "zemWaveLib/wave.h"
#include "wavefiles.h"

#include <gtest/gtest.h>

using namespace wavetest;

namespace {

TEST(WaveData, MsAndBytesRoundToNearest)
{
    const struct {
        uint16_t channels, bits;
        uint32_t rate;
        uint32_t ms, bytes;        // MsToBytes(ms) == bytes
        uint32_t fromBytes, toMs;  // BytesToMs(fromBytes) == toMs
    } cases[] = {
        {1, 16, 8000, 1000, 16000, 16000, 1000},
        {1, 16, 8000, 1, 16, 7, 0},            // 0.44 ms
        {1, 16, 8000, 3, 48, 8, 1},            // 0.5 ms rounds up
        {1, 8, 11025, 20, 221, 11025, 1000},   // 220.5 bytes rounds up
        {1, 8, 11025, 2, 22, 5, 0},            // 22.05 bytes; 0.45 ms
        {2, 16, 44100, 1, 176, 88, 0},         // 176.4 bytes; 0.499 ms
        {1, 8, 8000, 4294967, 34359736, 4294967295u, 536870912},  // 64-bit products
    };
    for (const auto& c : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(WriteRecording(Riff({{"fmt ", Fmt(1, c.channels, c.rate, c.bits)}, {"data", "abcd"}}))));
        EXPECT_EQ(wave.MsToBytes(c.ms), c.bytes) << c.rate << " Hz " << c.bits << " bit, " << c.ms << " ms";
        EXPECT_EQ(wave.BytesToMs(c.fromBytes), c.toMs) << c.rate << " Hz " << c.bits << " bit, " << c.fromBytes;
    }
    _Wave closed;
    EXPECT_EQ(closed.MsToBytes(1000) + closed.BytesToMs(1000), 0u);
}

TEST(WaveData, ZeroByteRateOrBlockAlignmentIsAnInvalidFormat)
{
    const std::pair<uint32_t, uint16_t> cases[] = {{0, 2}, {16000, 0}, {0, 0}};
    for (const auto& [avgBytes, block] : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(WriteRecording(Riff({{"fmt ", Fmt(1, 1, 8000, 16, avgBytes, block)}, {"data", "abcd"}}))));
        char buffer[8];
        EXPECT_EQ(wave.BytesToMs(100) + wave.MsToBytes(100), 0u) << avgBytes << "/" << block;
        EXPECT_FALSE(wave.Seek(2, true));
        EXPECT_EQ(wave.Read(buffer, sizeof buffer), 0u);
        EXPECT_EQ(wave.GetLevelAt(0, 4), 0.0);
        EXPECT_FALSE(wave.GeneratePrompt(4));
    }
}

TEST(WaveData, ReadsWholeBlocksWithinTheDataChunk)
{
    // 16-bit stereo, 1000 frames: frame i holds (i, -i). A "ksti" chunk follows the data.
    std::vector<int16_t> values;
    for (int16_t i = 0; i < 1000; ++i)
        values.insert(values.end(), {i, static_cast<int16_t>(-i)});
    const std::string bytes = Riff({{"fmt ", Fmt(1, 2, 8000, 16)}, {"data", Samples16(values)}, {"ksti", "<meta/>\r\n "}});
    const struct {
        const char* what;
        int64_t seek;  // -1: none; else the position, aligned when align
        bool align;
        uint32_t count, read;
        int firstFrame;
        bool eof;
    } cases[] = {
        {"fresh wave starts at the data", -1, false, 1001, 1000, 0, false},
        {"block-aligned seek", 1003, true, 8, 8, 250, false},
        {"unaligned position is rounded down", 1003, false, 8, 8, 250, false},
        {"count below one block", 0, false, 3, 0, -1, false},
        {"near the end only what remains", 3992, true, 1000, 8, 998, false},
        {"last frame from an unaligned position", 3998, false, 100, 4, 999, false},
        {"less than one block left", 4000, false, 100, 0, -1, true},
        {"past the data", 4100, false, 100, 0, -1, true},
    };
    for (const auto& c : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(WriteRecording(bytes)));
        ASSERT_TRUE(c.seek < 0 || wave.Seek(static_cast<uint32_t>(c.seek), c.align)) << c.what;
        std::vector<int16_t> buffer(c.count / 2 + 2, 0x7777);
        EXPECT_EQ(wave.Read(buffer.data(), c.count), c.read) << c.what;
        if (c.firstFrame >= 0) {
            EXPECT_EQ(buffer[0], c.firstFrame) << c.what;
            EXPECT_EQ(buffer[1], -c.firstFrame) << c.what;
            EXPECT_EQ(wave.GetPosition(), c.firstFrame * 4 + c.read) << c.what;
        }
        EXPECT_EQ(wave.IsEof(), c.eof) << c.what;
    }
}

TEST(WaveData, LevelOfQuietAndLoudBlocksKeepsThePosition)
{
    const struct {
        uint16_t bits;
        std::string quiet, loud;  // 400 bytes each; loud is a full-scale square
        double quietLevel, loudAtLeast, wholeLevel;
    } cases[] = {
        {8, std::string(400, '\x80'), std::string(200, '\xff') + std::string(200, '\0'), -120.0, -0.1, -6.05},
        {16, std::string(400, '\0'), Samples16(std::vector<int16_t>(100, 32767)) + Samples16(std::vector<int16_t>(100, -32768)),
         0.0, 99.9, 50.0},
    };
    for (const auto& c : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(WriteRecording(Pcm(1, c.bits, c.quiet + c.loud))));
        ASSERT_TRUE(wave.Seek(10, false));
        EXPECT_EQ(wave.GetLevelAt(0, 100), c.quietLevel) << c.bits;
        EXPECT_GE(wave.GetLevelAt(400, 100), c.loudAtLeast) << c.bits;
        EXPECT_NEAR(wave.GetLevelAt(0, 0xffffffffu), c.wholeLevel, 0.01) << c.bits << ": reads only the data there is";
        EXPECT_EQ(wave.GetPosition(), 10u) << c.bits;
    }
}

}  // namespace
