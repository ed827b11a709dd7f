#include "wave.h"
#include "wavefiles.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace wavetest;

namespace {

struct Overview {
    uint16_t channels = 0;
    uint16_t points = 0;
    std::vector<uint16_t> values;  // channel after channel
};

Overview PromptOf(_Wave& wave, uint32_t expectedSize)
{
    Overview overview;
    std::lock_guard lock(wave.GetLock());
    const uint8_t* data = wave.GetPrompt();
    if (!data) {
        ADD_FAILURE() << "no overview";
        return overview;
    }
    std::memcpy(&overview.channels, data, 2);
    std::memcpy(&overview.points, data + 2, 2);
    overview.values.resize((expectedSize - 4) / 2);
    std::memcpy(overview.values.data(), data + 4, expectedSize - 4);
    return overview;
}

std::string Bytes8(size_t count, const std::vector<std::pair<size_t, uint8_t>>& set)
{
    std::string bytes(count, '\x80');
    for (const auto& [at, value] : set)
        bytes[at] = static_cast<char>(value);
    return bytes;
}

std::vector<int16_t> Ramp(size_t count)
{
    std::vector<int16_t> values(count);
    for (size_t i = 0; i < count; ++i)
        values[i] = static_cast<int16_t>(i * 13 - 20000);
    return values;
}

uint16_t U(int value)
{
    return static_cast<uint16_t>(value);
}

TEST(WavePrompt, SamplesOneFramePerPoint)
{
    const std::vector<int16_t> mono = Ramp(8000);     // 16000 bytes
    const std::vector<int16_t> stereo = Ramp(800);    // 400 frames, 1600 bytes
    const struct {
        const char* what;
        uint16_t tag, channels, bits;
        std::string data;
        uint16_t points;
        std::vector<uint16_t> values;
    } cases[] = {
        {"16-bit mono at 0, 4000, 8000, 12000", 1, 1, 16, Samples16(mono), 4,
         {U(mono[0]), U(mono[2000]), U(mono[4000]), U(mono[6000])}},
        {"16-bit stereo, positions rounded down to a block", 1, 2, 16, Samples16(stereo), 3,
         // step 533.3: frames at bytes 0, 532, 1064
         {U(stereo[0]), U(stereo[266]), U(stereo[532]), U(stereo[1]), U(stereo[267]), U(stereo[533])}},
        {"8-bit mono as b x 257", 1, 1, 8, Bytes8(1000, {{0, 255}, {250, 0}, {750, 7}}), 4,
         {65535, 0, 32896, 7 * 257}},
        {"8-bit stereo", 1, 2, 8, Bytes8(1000, {{0, 255}, {1, 1}}), 2,
         {65535, 32896, 257, 32896}},
        {"A-law bytes without expansion", 6, 1, 8, Bytes8(100, {{0, 0xd5}, {50, 0x2a}}), 2, {0xd5 * 257, 0x2a * 257}},
        {"mu-law bytes without expansion", 7, 1, 8, Bytes8(100, {{0, 0xff}}), 2, {65535, 32896}},
        {"24-bit: the top 16 bits", 1, 1, 24, std::string("\x01\x34\x12") + std::string("\xff\xcd\xab"), 2,
         {0x1234, 0xabcd}},
        {"third channel left empty", 1, 3, 16, Samples16({1, 2, 3, 4, 5, 6}), 2, {1, 4, 2, 5, 0, 0}},
    };
    for (const auto& c : cases) {
        _Wave wave;
        const std::string file = WriteRecording(Riff({{"fmt ", FormatData(c.tag, c.channels, 8000, c.bits)}, {"data", c.data}}));
        ASSERT_TRUE(wave.SetFileName(file)) << c.what;
        ASSERT_TRUE(wave.GeneratePrompt(c.points)) << c.what << ": " << wave.GetLastError();
        const uint32_t size = 4 + 2 * c.channels * c.points;
        const Overview overview = PromptOf(wave, size);
        EXPECT_EQ(overview.channels, c.channels) << c.what;
        EXPECT_EQ(overview.points, c.points) << c.what;
        EXPECT_EQ(overview.values, c.values) << c.what;

        // Saved with the recording, the overview keeps its size.
        const std::string target = WriteRecording("", "copy.wav");
        ASSERT_TRUE(wave.SaveAs(target));
        _Wave copy;
        ASSERT_TRUE(copy.SetFileName(target));
        EXPECT_EQ(PromptOf(copy, size).values, c.values) << c.what;
    }
}

TEST(WavePrompt, DataTheFileDoesNotHoldIsSilence)
{
    const struct {
        uint16_t bits;
        uint16_t silence;
    } cases[] = {{8, 32896}, {16, 0}};
    for (const auto& c : cases) {
        _Wave wave;
        const std::string bytes = Riff({{"fmt ", FormatData(1, 1, 8000, c.bits)}, {"data", std::string(4, '\x11'), 4000}});
        ASSERT_TRUE(wave.SetFileName(WriteRecording(bytes)));
        ASSERT_TRUE(wave.GeneratePrompt(2));
        EXPECT_EQ(PromptOf(wave, 8).values, (std::vector<uint16_t>{0x1111, c.silence})) << c.bits;
    }
}

TEST(WavePrompt, RefusalsAndStaleOverviews)
{
    const std::string stored = U16(1) + U16(1) + U16(1234);
    const struct {
        const char* what;
        std::string bytes;
        uint16_t points;
        bool keepsStored;  // the overview read from the file is still there afterwards
    } cases[] = {
        {"no points", Riff({{"fmt ", FormatData(1, 1, 8000, 16)}, {"zemp", stored}, {"data", Samples16({1})}}), 0,
         true},
        {"empty data chunk", Riff({{"fmt ", FormatData(1, 1, 8000, 16)}, {"zemp", stored}, {"data", ""}}), 16, false},
        {"no data chunk", Riff({{"fmt ", FormatData(1, 1, 8000, 16)}, {"zemp", stored}}), 16, false},
        {"compressed without a converter",
         Riff({{"fmt ", FormatData(49, 1, 8000, 0, 1625, 65)}, {"zemp", stored}, {"data", std::string(65, 'x')}}), 16,
         true},
        {"zero bits per sample", Riff({{"fmt ", FormatData(1, 1, 8000, 0, 8000, 1)}, {"zemp", stored}, {"data", "ab"}}),
         16, false},
    };
    for (const auto& c : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(WriteRecording(c.bytes))) << c.what;
        EXPECT_FALSE(wave.GeneratePrompt(c.points)) << c.what;
        EXPECT_FALSE(wave.GetLastError().empty()) << c.what;
        EXPECT_EQ(wave.GetPrompt() != nullptr, c.keepsStored) << c.what;
    }
    _Wave unnamed;
    EXPECT_FALSE(unnamed.GeneratePrompt(16));
    EXPECT_EQ(unnamed.GetLastError(), "Invalid wave file. no header information.\n");
}

}  // namespace
