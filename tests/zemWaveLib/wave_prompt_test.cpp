#include "zemWaveLib/wave.h"
#include "wavefiles.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace wavetest;

namespace {

// The overview record as u16 values: channels, points, then the values.
std::vector<uint16_t> PromptOf(_Wave& wave)
{
    const std::vector<uint8_t> bytes = PromptBytes(wave);
    std::vector<uint16_t> values(bytes.size() / 2);
    std::memcpy(values.data(), bytes.data(), values.size() * 2);
    return values;
}

std::string Bytes8(size_t count, const std::vector<std::pair<size_t, uint8_t>>& set)
{
    std::string bytes(count, '\x80');
    for (const auto& [at, value] : set)
        bytes[at] = static_cast<char>(value);
    return bytes;
}

uint16_t U(int value)
{
    return static_cast<uint16_t>(value);
}

TEST(WavePrompt, SamplesOneFramePerPoint)
{
    std::vector<int16_t> ramp(8000);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(i * 13 - 20000);
    const std::vector<int16_t> stereo(ramp.begin(), ramp.begin() + 800);  // 400 frames
    const struct {
        const char* what;
        uint16_t tag, channels, bits;
        std::string data;
        std::vector<uint16_t> expected;  // channels, points, values channel after channel
    } cases[] = {
        {"16-bit mono at bytes 0, 4000, 8000, 12000", 1, 1, 16, Samples16(ramp),
         {1, 4, U(ramp[0]), U(ramp[2000]), U(ramp[4000]), U(ramp[6000])}},
        {"16-bit stereo at bytes 0, 532, 1064 (step 533.3, whole blocks)", 1, 2, 16, Samples16(stereo),
         {2, 3, U(stereo[0]), U(stereo[266]), U(stereo[532]), U(stereo[1]), U(stereo[267]), U(stereo[533])}},
        {"8-bit mono as b x 257", 1, 1, 8, Bytes8(1000, {{0, 255}, {250, 0}, {750, 7}}), {1, 4, 65535, 0, 32896, 7 * 257}},
        {"8-bit stereo", 1, 2, 8, Bytes8(1000, {{0, 255}, {1, 1}}), {2, 2, 65535, 32896, 257, 32896}},
        {"A-law bytes without expansion", 6, 1, 8, Bytes8(100, {{0, 0xd5}, {50, 0x2a}}), {1, 2, 0xd5 * 257, 0x2a * 257}},
        {"mu-law bytes without expansion", 7, 1, 8, Bytes8(100, {{0, 0xff}}), {1, 2, 65535, 32896}},
        {"24-bit: the top 16 bits", 1, 1, 24, "\x01\x34\x12\xff\xcd\xab", {1, 2, 0x1234, 0xabcd}},
        {"third channel left empty", 1, 3, 16, Samples16({1, 2, 3, 4, 5, 6}), {3, 2, 1, 4, 2, 5, 0, 0}},
    };
    for (const auto& c : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(WriteRecording(Riff({{"fmt ", Fmt(c.tag, c.channels, 8000, c.bits)}, {"data", c.data}}))));
        ASSERT_TRUE(wave.GeneratePrompt(c.expected[1])) << c.what << ": " << wave.GetLastError();
        EXPECT_EQ(PromptOf(wave), c.expected) << c.what;

        // Saved with the recording, the record keeps its size: 4 + 2 x channels x points.
        const std::string target = zemtest::NewFolder("copy") + "/copy.wav";
        ASSERT_TRUE(wave.SaveAs(target));
        const std::string saved = zemtest::ReadFile(target);
        EXPECT_EQ(saved.substr(12 + 24, 8), "zemp" + U32(static_cast<uint32_t>(2 * c.expected.size()))) << c.what;
    }
}

TEST(WavePrompt, DataTheFileDoesNotHoldIsSilence)
{
    for (const auto& [bits, silence] : {std::pair<uint16_t, uint16_t>{8, 32896}, {16, 0}}) {
        _Wave wave;
        const std::string bytes = Riff({{"fmt ", Fmt(1, 1, 8000, bits)}, {"data", std::string(8, '\x11')}});
        const std::string path = WriteRecording(bytes);
        ASSERT_TRUE(wave.SetFileName(path));
        // Cut short after its header was read.
        std::filesystem::resize_file(path, bytes.size() - 4);
        ASSERT_TRUE(wave.GeneratePrompt(2));
        EXPECT_EQ(PromptOf(wave), (std::vector<uint16_t>{1, 2, 0x1111, silence})) << bits;
    }
}

TEST(WavePrompt, RefusalsLeaveNoStaleOverview)
{
    const std::string stored = U16(1) + U16(1) + U16(1234);
    const std::string fmt = Fmt(1, 1, 8000, 16);
    const struct {
        const char* what;
        std::vector<Chunk> chunks;
        uint16_t points;
        bool keepsStored;  // refused before the overview is touched
    } cases[] = {
        {"no points", {{"fmt ", fmt}, {"zemp", stored}, {"data", "ab"}}, 0, true},
        {"compressed, nothing to decode", {{"fmt ", Fmt(49, 1, 8000, 0, 1625, 65)}, {"zemp", stored}, {"data", "x"}}, 16, true},
        {"empty data chunk", {{"fmt ", fmt}, {"zemp", stored}, {"data", ""}}, 16, false},
        {"no data chunk", {{"fmt ", fmt}, {"zemp", stored}}, 16, false},
        {"zero bits per sample", {{"fmt ", Fmt(1, 1, 8000, 0, 8000, 1)}, {"zemp", stored}, {"data", "ab"}}, 16, false},
    };
    for (const auto& c : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(WriteRecording(Riff(c.chunks)))) << c.what;
        EXPECT_FALSE(wave.GeneratePrompt(c.points)) << c.what;
        EXPECT_FALSE(wave.GetLastError().empty()) << c.what;
        EXPECT_EQ(wave.GetPrompt() != nullptr, c.keepsStored) << c.what;
    }
    _Wave unnamed;
    EXPECT_FALSE(unnamed.GeneratePrompt(16));
    EXPECT_EQ(unnamed.GetLastError(), "Invalid wave file. no header information.\n");
}

}  // namespace
