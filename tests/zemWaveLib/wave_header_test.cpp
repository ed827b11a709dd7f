#include "wave.h"
#include "wavefiles.h"

#include "scratch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace wavetest;
using testing::MatchesRegex;

namespace {

const std::string kHead = "RIFF" + U32(0) + "WAVE";
const std::string kFmt = "fmt " + U32(16) + FormatData(1, 1, 8000, 16);

TEST(WaveHeader, EveryNumberedFailureOnTruncatedOrCorruptFiles)
{
    const struct {
        const char* what;
        std::string bytes;
        int number;
    } cases[] = {
        {"empty file", "", 606},
        {"three bytes", "RIF", 606},
        {"not RIFF", "RIFX" + U32(100) + "WAVE", 611},
        {"length cut", "RIFF" + U16(16), 622},
        {"form type cut", "RIFF" + U32(100) + "WA", 642},
        {"not WAVE", "RIFF" + U32(100) + "AVI " + kFmt, 647},
        {"known chunk size cut", kHead + "fmt " + U16(16), 667},
        {"data size cut", kHead + kFmt + "data", 667},
        {"fmt data cut", kHead + "fmt " + U32(16) + U16(1) + U16(1), 689},
        {"ksti larger than the file", kHead + kFmt + "ksti" + U32(0x7ffffff0) + "<x/>", 689},
        {"zemp larger than the file", kHead + "zemp" + U32(100) + U16(1) + U16(48), 689},
        {"data ends past 4 GiB", kHead + kFmt + "data" + U32(0xfffffff0) + "abcd", 701},
        {"fact ends past 4 GiB", kHead + "fact" + U32(0xffffffff) + kFmt, 701},
        {"unknown size cut", kHead + kFmt + "LIST" + U16(4), 715},
        {"unknown ends past 4 GiB", kHead + "LIST" + U32(0xfffffff0) + kFmt, 722},
    };
    for (const auto& c : cases) {
        _Wave wave;
        EXPECT_FALSE(wave.SetFileName(WriteRecording(c.bytes))) << c.what;
        EXPECT_THAT(wave.GetLastError(), MatchesRegex(".+\\.cpp \\(L:" + std::to_string(c.number) + "\\)"))
            << c.what;
        EXPECT_EQ(wave.GetState(), _Wave::kStateFailed) << c.what;
        EXPECT_EQ(wave.GetFormat(), nullptr) << c.what << ": no partial records after a failure";
        EXPECT_EQ(wave.GetMetadata(), nullptr) << c.what;
    }
}

TEST(WaveHeader, OtherRefusedHeaders)
{
    const std::string fmt14 = "fmt " + U32(14) + FormatData(1, 1, 8000, 16).substr(0, 14);
    const struct {
        const char* what;
        std::string bytes;
        std::string error;
    } cases[] = {
        {"second fmt", kHead + kFmt + kFmt + "data" + U32(0), "Invalid Header. Double chuncks detected!"},
        {"second data", kHead + kFmt + "data" + U32(2) + "ab" + "data" + U32(0),
         "Invalid Header. Double chuncks detected!"},
        {"fmt under 16 bytes", kHead + fmt14 + "data" + U32(0), "Invalid Header. Format chunk too short!"},
    };
    for (const auto& c : cases) {
        _Wave wave;
        EXPECT_FALSE(wave.SetFileName(WriteRecording(c.bytes))) << c.what;
        EXPECT_EQ(wave.GetLastError(), c.error) << c.what;
        EXPECT_EQ(wave.GetState(), _Wave::kStateFailed) << c.what;
    }
}

TEST(WaveHeader, MissingFileAndFolderCannotBeOpened)
{
    for (const std::string& path : {WriteRecording("x") + ".missing", zemtest::NewFolder("dir")}) {
        _Wave wave;
        EXPECT_FALSE(wave.SetFileName(path));
        EXPECT_EQ(wave.GetLastError(), "Error opening File '" + path + "'\n");
        EXPECT_EQ(wave.GetState(), _Wave::kStateFailed);
    }
}

TEST(WaveHeader, AcceptedLayouts)
{
    const std::string samples = Samples16({1, 2, 3, 4});
    const struct {
        const char* what;
        std::string bytes;
        uint32_t dataOffset;  // 0: no data chunk
        uint32_t dataSize;
    } cases[] = {
        {"plain", Pcm(1, 8000, 16, samples), 44, 8},
        {"RIFF length minus 8", Riff({{"fmt ", FormatData(1, 1, 8000, 16)}, {"data", samples}}, 44 + 8 - 8),
         44, 8},
        // A reader that skipped a pad byte would take "data" for "ata\0" and miss the chunk.
        {"odd unknown chunk, no pad", Riff({{"fmt ", FormatData(1, 1, 8000, 16)}, {"odd ", "abc"}, {"data", samples}}),
         55, 8},
        {"no data chunk", Riff({{"fmt ", FormatData(1, 1, 8000, 16)}}), 0, 0},
        {"data larger than the file (still growing)",
         Riff({{"fmt ", FormatData(1, 1, 8000, 16)}, {"data", samples, 100000}}), 44, 100000},
        {"18-byte fmt and fact", Riff({{"fmt ", FormatData(1, 1, 8000, 16, 18)}, {"fact", U32(4)}, {"data", samples}}),
         58, 8},
    };
    for (const auto& c : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(WriteRecording(c.bytes))) << c.what << ": " << wave.GetLastError();
        EXPECT_EQ(wave.GetState(), _Wave::kStateLoaded) << c.what;
        EXPECT_EQ(wave.GetDataSize(), c.dataSize) << c.what;
        EXPECT_EQ(wave.GetLoadedLength(), c.bytes.size()) << c.what;
        EXPECT_EQ(wave.GetPosition(), 0u) << c.what;
        if (c.dataOffset != 0) {
            ASSERT_TRUE(wave.Seek(2, false)) << c.what;
            std::lock_guard lock(wave.GetLock());
            char sample[2] = {};
            EXPECT_EQ(wave.Read(sample, 2), 2u) << c.what;
            EXPECT_EQ(sample[0], 2) << c.what << ": data starts at " << c.dataOffset;
        } else {
            EXPECT_FALSE(wave.Seek(0, false)) << c.what;
            char sample[2];
            EXPECT_EQ(wave.Read(sample, 2), 0u) << c.what;
        }
    }
}

TEST(WaveHeader, RecordsHoldTheStoredChunks)
{
    const std::string text = "<m a=\"1\"/>\r\n";
    const std::string prompt = U16(1) + U16(2) + U16(7) + U16(9);
    const std::string bytes = Riff({{"fmt ", FormatData(1, 2, 8000, 16)},
                                    {"zemp", prompt},
                                    {"data", Samples16({0, 0})},
                                    {"ksti", text}});
    _Wave wave;
    ASSERT_TRUE(wave.SetFileName(WriteRecording(bytes)));
    std::lock_guard lock(wave.GetLock());
    ASSERT_NE(wave.GetFormat(), nullptr);
    EXPECT_EQ(wave.GetFormatSize(), 16);
    EXPECT_EQ(wave.GetFormat()->nChannels, 2);
    EXPECT_EQ(wave.GetFormat()->nBlockAlign, 4);
    EXPECT_EQ(wave.GetFormat()->cbSize, 0) << "a 16-byte fmt is padded with zeros";
    ASSERT_NE(wave.GetPrompt(), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(wave.GetPrompt()), prompt.size()), prompt);
    ASSERT_EQ(wave.GetMetadataSize(), text.size());
    EXPECT_EQ(std::string(wave.GetMetadata(), wave.GetMetadataSize()), text);
}

TEST(WaveHeader, OverviewThatDoesNotFitItsSizeIsDropped)
{
    // Claims 2 channels of 50 points in 8 bytes.
    const std::string bytes = Riff({{"fmt ", FormatData(1, 1, 8000, 16)},
                                    {"zemp", U16(2) + U16(50) + U16(0) + U16(0)},
                                    {"data", Samples16({0})}});
    _Wave wave;
    ASSERT_TRUE(wave.SetFileName(WriteRecording(bytes)));
    EXPECT_EQ(wave.GetPrompt(), nullptr);
}

TEST(WaveHeader, ReadHeaderKeepsTheFilePosition)
{
    _Wave wave;
    ASSERT_TRUE(wave.SetFileName(WriteRecording(Pcm(1, 8000, 16, Samples16({1, 2, 3, 4, 5, 6})))));
    ASSERT_TRUE(wave.Seek(6, false));
    ASSERT_TRUE(wave.ReadHeader());
    EXPECT_EQ(wave.GetPosition(), 6u);
}

}  // namespace
