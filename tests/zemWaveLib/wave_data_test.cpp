#include "wave.h"
#include "wavefiles.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace wavetest;

namespace {

std::string OpenedPcm(_Wave& wave, uint16_t channels, uint32_t rate, uint16_t bits, const std::string& samples)
{
    const std::string path = WriteRecording(Pcm(channels, rate, bits, samples));
    EXPECT_TRUE(wave.SetFileName(path)) << wave.GetLastError();
    return path;
}

TEST(WaveData, MsAndBytesRoundToNearest)
{
    const struct {
        uint16_t channels;
        uint32_t rate;
        uint16_t bits;
        uint32_t ms, bytes;       // MsToBytes(ms) == bytes
        uint32_t fromBytes, toMs;  // BytesToMs(fromBytes) == toMs
    } cases[] = {
        {1, 8000, 16, 1000, 16000, 16000, 1000},
        {1, 8000, 16, 1, 16, 7, 0},       // 0.44 ms
        {1, 8000, 16, 3, 48, 8, 1},       // 0.5 ms rounds up
        {1, 11025, 8, 20, 221, 11025, 1000},  // 220.5 bytes rounds up
        {1, 11025, 8, 2, 22, 5, 0},       // 22.05 bytes; 0.45 ms
        {2, 44100, 16, 1, 176, 88, 0},    // 176.4 bytes; 0.499 ms
        {1, 8000, 8, 4294967, 34359736, 4294967295u, 536870912},  // 64-bit products
    };
    for (const auto& c : cases) {
        _Wave wave;
        OpenedPcm(wave, c.channels, c.rate, c.bits, std::string(8, '\0'));
        EXPECT_EQ(wave.MsToBytes(c.ms), c.bytes) << c.rate << " Hz " << c.bits << " bit, " << c.ms << " ms";
        EXPECT_EQ(wave.BytesToMs(c.fromBytes), c.toMs) << c.rate << " Hz " << c.bits << " bit, " << c.fromBytes;
    }
    _Wave closed;
    EXPECT_EQ(closed.MsToBytes(1000), 0u);
    EXPECT_EQ(closed.BytesToMs(1000), 0u);
}

TEST(WaveData, ZeroByteRateOrBlockAlignmentIsAnInvalidFormat)
{
    const struct {
        uint32_t avgBytes;
        uint16_t blockAlign;
    } cases[] = {{0, 2}, {16000, 0}, {0, 0}};
    for (const auto& c : cases) {
        _Wave wave;
        const std::string bytes =
            Riff({{"fmt ", FormatData(1, 1, 8000, 16, c.avgBytes, c.blockAlign)}, {"data", Samples16({1, 2, 3, 4})}});
        ASSERT_TRUE(wave.SetFileName(WriteRecording(bytes))) << "the header itself is readable";
        char buffer[8];
        EXPECT_EQ(wave.BytesToMs(100), 0u) << c.avgBytes << "/" << c.blockAlign;
        EXPECT_EQ(wave.MsToBytes(100), 0u);
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
    for (int i = 0; i < 1000; ++i) {
        values.push_back(static_cast<int16_t>(i));
        values.push_back(static_cast<int16_t>(-i));
    }
    const std::string bytes = Riff({{"fmt ", FormatData(1, 2, 8000, 16)},
                                    {"data", Samples16(values)},
                                    {"ksti", std::string("<meta/>\r\n") + '\0'}});
    const struct {
        const char* what;
        bool seek;
        uint32_t position;
        bool align;
        uint32_t count;
        uint32_t read;
        int firstFrame;  // -1: nothing read
        bool eof;
    } cases[] = {
        {"fresh wave starts at the data", false, 0, false, 1001, 1000, 0, false},
        {"block-aligned seek", true, 1003, true, 8, 8, 250, false},
        {"unaligned position is rounded down", true, 1003, false, 8, 8, 250, false},
        {"count below one block", true, 0, false, 3, 0, -1, false},
        {"near the end only what remains", true, 3992, true, 1000, 8, 998, false},
        {"last frame from an unaligned position", true, 3998, false, 100, 4, 999, false},
        {"less than one block left", true, 4000, false, 100, 0, -1, true},
        {"past the data", true, 4100, false, 100, 0, -1, true},
    };
    for (const auto& c : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(WriteRecording(bytes)));
        if (c.seek) {
            ASSERT_TRUE(wave.Seek(c.position, c.align)) << c.what;
        }
        std::vector<char> buffer(c.count + 4);
        const uint32_t read = wave.Read(buffer.data(), c.count);
        EXPECT_EQ(read, c.read) << c.what;
        if (c.firstFrame >= 0) {
            int16_t first[2];
            std::memcpy(first, buffer.data(), 4);
            EXPECT_EQ(first[0], c.firstFrame) << c.what;
            EXPECT_EQ(first[1], -c.firstFrame) << c.what;
            EXPECT_EQ(wave.GetPosition(), (c.firstFrame * 4) + c.read) << c.what;
        }
        EXPECT_EQ(wave.IsEof(), c.eof) << c.what;
    }
}

TEST(WaveData, SeekMovesWithinTheData)
{
    _Wave wave;
    OpenedPcm(wave, 2, 8000, 16, std::string(400, '\0'));
    const struct {
        uint32_t position;
        bool align;
        uint32_t expected;
    } cases[] = {{0, true, 0}, {7, true, 4}, {7, false, 7}, {399, true, 396}, {1000, false, 1000}};
    for (const auto& c : cases) {
        ASSERT_TRUE(wave.Seek(c.position, c.align));
        EXPECT_EQ(wave.GetPosition(), c.expected) << c.position << (c.align ? " aligned" : "");
    }
}

TEST(WaveData, LevelOfQuietAndLoudBlocks)
{
    // First half silence, second half a full-scale square wave.
    const struct {
        uint16_t bits;
        std::string quiet, loud;
        double quietLevel;
        double loudAtLeast;
        double wholeLevel;  // half silent, half full scale
    } cases[] = {
        {8, std::string(400, '\x80'), std::string(200, '\xff') + std::string(200, '\x00'), -120.0, -0.1, -6.05},
        {16, Samples16(std::vector<int16_t>(200, 0)),
         Samples16(std::vector<int16_t>(100, 32767)) + Samples16(std::vector<int16_t>(100, -32768)), 0.0, 99.9, 50.0},
    };
    for (const auto& c : cases) {
        _Wave wave;
        OpenedPcm(wave, 1, 8000, c.bits, c.quiet + c.loud);
        ASSERT_TRUE(wave.Seek(10, false));
        EXPECT_EQ(wave.GetLevelAt(0, 100), c.quietLevel) << c.bits;
        EXPECT_GE(wave.GetLevelAt(static_cast<uint32_t>(c.quiet.size()), 100), c.loudAtLeast) << c.bits;
        EXPECT_EQ(wave.GetPosition(), 10u) << "the position is kept";
        // A huge extra count reads only the data there is.
        EXPECT_NEAR(wave.GetLevelAt(0, 0xffffffffu), c.wholeLevel, 0.01) << c.bits;
    }
}

}  // namespace
