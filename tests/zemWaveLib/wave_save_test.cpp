#include "wave.h"
#include "wavefiles.h"
#include "xmlelement.h"

#include "scratch.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sox.h>
#include <unistd.h>

using namespace wavetest;

namespace {

// Samples as libsox, an independent reader, decodes them from the file.
std::vector<int16_t> SoxSamples(const std::string& path)
{
    static const bool ready = [] {
        sox_get_globals()->verbosity = 0;
        return sox_init() == SOX_SUCCESS;
    }();
    EXPECT_TRUE(ready);
    std::vector<int16_t> samples;
    sox_format_t* in = sox_open_read(path.c_str(), nullptr, nullptr, nullptr);
    if (!in) {
        ADD_FAILURE() << "libsox cannot open " << path;
        return samples;
    }
    SOX_SAMPLE_LOCALS;
    sox_sample_t block[512];
    size_t count = 0;
    while ((count = sox_read(in, block, 512)) > 0) {
        for (size_t i = 0; i < count; ++i) {
            [[maybe_unused]] size_t clips = 0;
            samples.push_back(static_cast<int16_t>(SOX_SAMPLE_TO_SIGNED_16BIT(block[i], clips)));
        }
    }
    sox_close(in);
    return samples;
}

uint32_t U32At(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

// Chunk ids of a file in order, walked without pad bytes.
std::vector<std::string> ChunkIds(const std::string& bytes)
{
    std::vector<std::string> ids;
    for (size_t at = 12; at + 8 <= bytes.size(); at += 8 + U32At(bytes, at + 4))
        ids.push_back(bytes.substr(at, 4));
    return ids;
}

// An element whose serialized text has exactly `length` bytes.
std::unique_ptr<XmlElement> MetadataOfLength(size_t length)
{
    auto root = std::make_unique<XmlElement>("call");
    for (size_t filler = 0; filler < length; ++filler) {
        root->SetAttribute("id", std::string(filler, 'x'));
        std::string text;
        root->Serialize(text, 0);
        if (text.size() == length)
            return root;
    }
    return nullptr;
}

TEST(WaveMetadata, SizeIsAlwaysEvenWithAZeroPad)
{
    for (const size_t length : {100u, 101u, 102u, 103u}) {
        const auto root = MetadataOfLength(length);
        ASSERT_TRUE(root) << length;
        std::string text;
        root->Serialize(text, 0);

        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(WriteRecording(Pcm(1, 8000, 16, Samples16({1, 2})))));
        ASSERT_TRUE(wave.SetMetadata(*root));
        const size_t size = length + length % 2;
        std::string stored;
        {
            std::lock_guard lock(wave.GetLock());
            ASSERT_EQ(wave.GetMetadataSize(), size) << length;
            stored.assign(wave.GetMetadata(), wave.GetMetadataSize());
        }
        EXPECT_EQ(stored.substr(0, length), text);
        if (length % 2) {
            EXPECT_EQ(stored.back(), '\0') << length;
        }

        // Saved and read back: the same chunk, and the same tree.
        const std::string target = zemtest::NewFolder("meta") + "/saved.wav";
        ASSERT_TRUE(wave.SaveAs(target)) << wave.GetLastError();
        _Wave copy;
        ASSERT_TRUE(copy.SetFileName(target)) << copy.GetLastError();
        std::lock_guard lock(copy.GetLock());
        ASSERT_EQ(copy.GetMetadataSize(), size);
        EXPECT_EQ(std::string(copy.GetMetadata(), size), stored);
        XmlElement parsed;
        ASSERT_TRUE(parsed.Parse(std::string(copy.GetMetadata(), length)));
        std::string id;
        EXPECT_TRUE(parsed.GetAttribute("id", id));
        EXPECT_EQ(parsed.GetName(), "call");
    }
}

TEST(WaveSave, CopiesExactlyTheDataFromTheStartTime)
{
    // 16-bit stereo at 11025 Hz: 44100 bytes a second, blocks of 4. "ksti" and an unknown
    // chunk stand after "data" and must not end up inside the new data chunk.
    std::vector<int16_t> values;
    for (int i = 0; i < 30000; ++i)
        values.push_back(static_cast<int16_t>(i * 7 - 100000));
    const std::string data = Samples16(values);
    const std::string metadata = "<call id=\"7\"/>\r\n";
    const std::string source = WriteRecording(Riff({{"fmt ", FormatData(1, 2, 11025, 16)},
                                                    {"fact", U32(15000)},
                                                    {"data", data},
                                                    {"ksti", metadata},
                                                    {"LIST", "abc"}}));
    const struct {
        const char* what;
        bool trimmed;
        uint32_t startMs;
        uint32_t skip;
    } cases[] = {
        {"whole recording", false, 0, 0},
        {"from 0 ms", true, 0, 0},
        {"from 1000 ms", true, 1000, 44100},
        {"from 7 ms: 308.7 bytes, rounded down to a block", true, 7, 308},
        {"start after the end", true, 5000, static_cast<uint32_t>(data.size())},
    };
    for (const auto& c : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(source));
        const std::string target = zemtest::NewFolder("save") + "/saved.wav";
        ASSERT_TRUE(c.trimmed ? wave.SaveAs(c.startMs, target) : wave.SaveAs(target)) << c.what << wave.GetLastError();

        const std::string expected = data.substr(c.skip);
        const std::string saved = zemtest::ReadFile(target);
        EXPECT_EQ(U32At(saved, 4), saved.size()) << c.what << ": the length field holds the whole file";
        EXPECT_EQ(ChunkIds(saved), (std::vector<std::string>{"fmt ", "ksti", "data"})) << c.what;
        ASSERT_GE(saved.size(), expected.size());
        EXPECT_EQ(U32At(saved, saved.size() - expected.size() - 4), expected.size()) << c.what;
        EXPECT_TRUE(saved.compare(saved.size() - expected.size(), expected.size(), expected) == 0) << c.what;

        _Wave copy;
        ASSERT_TRUE(copy.SetFileName(target)) << c.what << copy.GetLastError();
        EXPECT_EQ(copy.GetDataSize(), expected.size()) << c.what;
        std::string readBack(expected.size() + 8, '\0');
        readBack.resize(copy.Read(readBack.data(), static_cast<uint32_t>(readBack.size())));
        EXPECT_TRUE(readBack == expected) << c.what;
        {
            std::lock_guard lock(copy.GetLock());
            EXPECT_EQ(std::string(copy.GetMetadata(), copy.GetMetadataSize()), metadata) << c.what;
        }

        if (!expected.empty()) {
            const std::vector<int16_t> fromSox = SoxSamples(target);
            EXPECT_TRUE(fromSox == std::vector<int16_t>(values.begin() + c.skip / 2, values.end())) << c.what;
        }
    }
}

TEST(WaveSave, DataCutShortInTheSourceIsStoredAsItIs)
{
    const std::string bytes = Riff({{"fmt ", FormatData(1, 1, 8000, 16)}, {"data", Samples16({5, 6, 7, 8}), 100000}});
    _Wave wave;
    ASSERT_TRUE(wave.SetFileName(WriteRecording(bytes)));
    const std::string target = zemtest::NewFolder("short") + "/saved.wav";
    ASSERT_TRUE(wave.SaveAs(target)) << wave.GetLastError();
    const std::string saved = zemtest::ReadFile(target);
    EXPECT_EQ(U32At(saved, saved.size() - 12), 8u);
    EXPECT_EQ(SoxSamples(target), (std::vector<int16_t>{5, 6, 7, 8}));
}

TEST(WaveSave, RefusalsLeaveTheFilesAlone)
{
    const std::string folder = zemtest::NewFolder("refuse");
    const std::string bytes = Pcm(1, 8000, 16, Samples16({1, 2, 3, 4}));
    const std::string source = folder + "/rec.wav";
    zemtest::WriteFile(source, bytes);
    const std::string link = folder + "/link.wav";
    ASSERT_EQ(::link(source.c_str(), link.c_str()), 0);

    const struct {
        const char* what;
        std::string target;
        std::string error;
    } cases[] = {
        {"same name", source, "Error creating temporary file '" + source + "'. It is the source file."},
        {"same file, other spelling", folder + "/./rec.wav",
         "Error creating temporary file '" + folder + "/./rec.wav'. It is the source file."},
        {"hard link to the source", link, "Error creating temporary file '" + link + "'. It is the source file."},
        {"folder missing", folder + "/missing/x.wav", "Error creating temporary file '" + folder + "/missing/x.wav'."},
    };
    for (const auto& c : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(source));
        EXPECT_FALSE(wave.SaveAs(c.target)) << c.what;
        EXPECT_EQ(wave.GetLastError(), c.error) << c.what;
        EXPECT_EQ(zemtest::ReadFile(source), bytes) << c.what;
    }

    _Wave notLoaded;
    EXPECT_FALSE(notLoaded.SaveAs(folder + "/x.wav"));
    EXPECT_EQ(notLoaded.GetLastError(), "File not completely loaded!");
    EXPECT_FALSE(zemtest::Exists(folder + "/x.wav"));

    _Wave gone;
    const std::string moved = folder + "/gone.wav";
    zemtest::WriteFile(moved, bytes);
    ASSERT_TRUE(gone.SetFileName(moved));
    std::filesystem::remove(moved);
    EXPECT_FALSE(gone.SaveAs(folder + "/y.wav"));
    EXPECT_EQ(gone.GetLastError(), "Error opening file '" + moved + "'.");
}

}  // namespace
