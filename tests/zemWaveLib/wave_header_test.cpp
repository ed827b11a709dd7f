#include "zemWaveLib/wave.h"
#include "wavefiles.h"

#include <gmock/gmock.h>

using namespace wavetest;

namespace {

const std::string kHead = "RIFF" + U32(0) + "WAVE";
const std::string kFmt = "fmt " + U32(16) + Fmt(1, 1, 8000, 16);
const std::string kDouble = "Invalid Header. Double chuncks detected!";

TEST(WaveHeader, RefusedFilesSayWhyAndKeepNoRecords)
{
    const std::string missing = zemtest::NewFolder("x") + "/missing.wav";
    const struct {
        const char* what;
        std::string bytes;  // written to a file unless the case names a path
        std::string error;  // "L:n": the numbered text "<source> (L:n)"
        std::string path = {};
    } cases[] = {
        {"empty file", "", "L:606"},
        {"three bytes", "RIF", "L:606"},
        {"not RIFF", "RIFX" + U32(100) + "WAVE", "L:611"},
        {"length cut", "RIFF" + U16(16), "L:622"},
        {"form type cut", "RIFF" + U32(100) + "WA", "L:642"},
        {"not WAVE", "RIFF" + U32(100) + "AVI " + kFmt, "L:647"},
        {"known chunk size cut", kHead + "fmt " + U16(16), "L:667"},
        {"data size cut", kHead + kFmt + "data", "L:667"},
        {"fmt data cut", kHead + "fmt " + U32(16) + U16(1) + U16(1), "L:689"},
        {"ksti larger than the file", kHead + kFmt + "ksti" + U32(0x7ffffff0) + "<x/>", "L:689"},
        {"zemp larger than the file", kHead + "zemp" + U32(100) + U16(1) + U16(48), "L:689"},
        {"fact ends past 4 GiB", kHead + "fact" + U32(0xffffffff) + kFmt, "L:701"},
        {"unknown size cut", kHead + kFmt + "LIST" + U16(4), "L:715"},
        {"unknown ends past 4 GiB", kHead + "LIST" + U32(0xfffffff0) + kFmt, "L:722"},
        {"second fmt", kHead + kFmt + kFmt + "data" + U32(0), kDouble},
        {"second data", kHead + kFmt + "data" + U32(2) + "ab" + "data" + U32(0), kDouble},
        {"fmt under 16 bytes", kHead + "fmt " + U32(14) + Fmt(1, 1, 8000, 16).substr(0, 14),
         "Invalid Header. Format chunk too short!"},
        {"missing file", "", "Error opening File '" + missing + "'\n", missing},
        {"folder", "", "Error opening File '/'\n", "/"},
    };
    for (const auto& c : cases) {
        _Wave wave;
        EXPECT_FALSE(wave.SetFileName(c.path.empty() ? WriteRecording(c.bytes) : c.path)) << c.what;
        if (c.error.rfind("L:", 0) == 0)
            EXPECT_THAT(wave.GetLastError(), testing::MatchesRegex(".+\\.cpp \\(" + c.error + "\\)")) << c.what;
        else
            EXPECT_EQ(wave.GetLastError(), c.error) << c.what;
        EXPECT_EQ(wave.GetState(), _Wave::kStateFailed) << c.what;
        EXPECT_EQ(wave.GetFormat(), nullptr) << c.what << ": no partial records";
    }
}

TEST(WaveHeader, AcceptedLayouts)
{
    const std::string samples = Samples16({1, 2, 3, 4});
    const std::string fmt = Fmt(1, 1, 8000, 16);
    const std::string prompt = U16(1) + U16(2) + U16(7) + U16(9);
    const struct {
        const char* what;
        std::string bytes;
        uint32_t dataSize;  // 0: no data chunk
        bool hasPrompt;
    } cases[] = {
        {"plain", Pcm(1, 16, samples), 8, false},
        {"RIFF length minus 8", Riff({{"fmt ", fmt}, {"data", samples}}, 44), 8, false},
        // A reader that skipped a pad byte would see "ata\0" and miss the data chunk.
        {"odd unknown chunk, no pad", Riff({{"fmt ", fmt}, {"odd ", "abc"}, {"data", samples}}), 8, false},
        {"no data chunk", Riff({{"fmt ", fmt}}), 0, false},
        // A complete file: its data ends where the file does, whatever the size field claims.
        {"data larger than the file", Riff({{"fmt ", fmt}, {"data", samples, 100000}}), 8, false},
        {"data ends past 4 GiB", Riff({{"fmt ", fmt}, {"data", samples, 0xfffffff0}}), 8, false},
        {"18-byte fmt, fact, overview", Riff({{"fmt ", fmt + U16(0)}, {"fact", U32(4)}, {"zemp", prompt}, {"data", samples}}),
         8, true},
        {"overview larger than its size: dropped", Riff({{"fmt ", fmt}, {"zemp", U16(2) + U16(50)}, {"data", samples}}), 8,
         false},
    };
    for (const auto& c : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(WriteRecording(c.bytes))) << c.what << ": " << wave.GetLastError();
        EXPECT_EQ(wave.GetState(), _Wave::kStateLoaded) << c.what;
        EXPECT_EQ(wave.GetDataSize(), c.dataSize) << c.what;
        EXPECT_EQ(wave.GetLoadedLength(), c.bytes.size()) << c.what;
        EXPECT_EQ(wave.GetPosition(), 0u) << c.what;
        EXPECT_EQ(wave.GetPrompt() != nullptr, c.hasPrompt) << c.what;
        char sample[2] = {};
        EXPECT_EQ(wave.Seek(2, false), c.dataSize > 0) << c.what;
        EXPECT_EQ(wave.Read(sample, 2), c.dataSize ? 2u : 0u) << c.what;
        EXPECT_EQ(sample[0], c.dataSize ? 2 : 0) << c.what;
    }
}

TEST(WaveHeader, RecordsHoldTheStoredChunksAndReadHeaderKeepsThePosition)
{
    const std::string text = "<m a=\"1\"/>\r\n";
    _Wave wave;
    ASSERT_TRUE(wave.SetFileName(WriteRecording(Riff({{"fmt ", Fmt(1, 2, 8000, 16)}, {"data", "abcdefgh"}, {"ksti", text}}))));
    {
        std::lock_guard lock(wave.GetLock());
        EXPECT_EQ(wave.GetFormatSize(), 16);
        EXPECT_EQ(wave.GetFormat()->nBlockAlign, 4);
        EXPECT_EQ(wave.GetFormat()->cbSize, 0) << "a 16-byte fmt is padded with zeros";
        EXPECT_EQ(std::string(wave.GetMetadata(), wave.GetMetadataSize()), text);
    }
    ASSERT_TRUE(wave.Seek(6, false));
    ASSERT_TRUE(wave.ReadHeader());
    EXPECT_EQ(wave.GetPosition(), 6u);
}

}  // namespace
