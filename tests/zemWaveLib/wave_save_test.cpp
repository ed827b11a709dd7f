#include "zemWaveLib/wave.h"
#include "wavefiles.h"
#include "ZemBaseLib/xmlelement.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sox.h>
#include <unistd.h>

using namespace wavetest;

namespace {

// The samples as libsox, an independent reader, decodes them from the file.
std::vector<int16_t> SoxSamples(const std::string& path)
{
    static const bool ready = (sox_get_globals()->verbosity = 0, sox_init() == SOX_SUCCESS);
    std::vector<int16_t> samples;
    sox_format_t* in = ready ? sox_open_read(path.c_str(), nullptr, nullptr, nullptr) : nullptr;
    if (!in) {
        ADD_FAILURE() << "libsox cannot open " << path;
        return samples;
    }
    SOX_SAMPLE_LOCALS;
    sox_sample_t block[512];
    [[maybe_unused]] size_t clips = 0;
    for (size_t count; (count = sox_read(in, block, 512)) > 0;) {
        for (size_t i = 0; i < count; ++i)
            samples.push_back(static_cast<int16_t>(SOX_SAMPLE_TO_SIGNED_16BIT(block[i], clips)));
    }
    sox_close(in);
    return samples;
}

std::string Metadata(_Wave& wave)
{
    std::lock_guard lock(wave.GetLock());
    return wave.GetMetadata() ? std::string(wave.GetMetadata(), wave.GetMetadataSize()) : "";
}

TEST(WaveMetadata, SizeIsAlwaysEvenWithAZeroPadAndSurvivesSaving)
{
    for (const size_t length : {100u, 101u}) {
        XmlElement root("call");
        std::string text;
        for (size_t filler = 0; text.size() != length; ++filler) {
            ASSERT_LT(filler, length);
            root.SetAttribute("id", std::string(filler, 'x'));
            root.Serialize(text, 0);
        }
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(WriteRecording(Pcm(1, 16, "abcd"))));
        ASSERT_TRUE(wave.SetMetadata(root));
        const std::string expected = length % 2 ? text + '\0' : text;
        EXPECT_EQ(Metadata(wave), expected) << length;

        const std::string target = zemtest::NewFolder("meta") + "/saved.wav";
        ASSERT_TRUE(wave.SaveAs(target)) << wave.GetLastError();
        _Wave copy;
        ASSERT_TRUE(copy.SetFileName(target)) << copy.GetLastError();
        EXPECT_EQ(Metadata(copy), expected) << length;
    }
}

TEST(WaveSave, CopiesExactlyTheDataFromTheStartTime)
{
    // 16-bit stereo at 11025 Hz: 44100 bytes a second, blocks of 4. "ksti" and an unknown
    // chunk stand after "data" and must not land inside the new data chunk.
    std::vector<int16_t> values(30000);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<int16_t>(i * 7 - 100000);
    const std::string data = Samples16(values);
    const std::string metadata = "<call id=\"7\"/>\r\n";
    const std::string source = WriteRecording(Riff(
        {{"fmt ", Fmt(1, 2, 11025, 16)}, {"fact", U32(15000)}, {"data", data}, {"ksti", metadata}, {"LIST", "abc"}}));
    const struct {
        const char* what;
        bool trimmed;
        uint32_t startMs, skip;
    } cases[] = {
        {"whole recording", false, 0, 0},
        {"from 1000 ms", true, 1000, 44100},
        {"from 7 ms: 308.7 bytes, rounded down to a block", true, 7, 308},
        {"start after the end", true, 5000, 60000},
    };
    for (const auto& c : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(source));
        const std::string target = zemtest::NewFolder("save") + "/saved.wav";
        ASSERT_TRUE(c.trimmed ? wave.SaveAs(c.startMs, target) : wave.SaveAs(target)) << c.what << wave.GetLastError();

        const std::string expected = data.substr(c.skip);
        const std::string header = "fmt " + U32(16) + Fmt(1, 2, 11025, 16) + "ksti" + U32(16) + metadata;
        const std::string saved = zemtest::ReadFile(target);
        EXPECT_TRUE(saved == "RIFF" + U32(static_cast<uint32_t>(12 + header.size() + 8 + expected.size())) + "WAVE" + header + "data" +
                                 U32(static_cast<uint32_t>(expected.size())) + expected)
            << c.what;

        _Wave copy;
        ASSERT_TRUE(copy.SetFileName(target)) << c.what << copy.GetLastError();
        std::string readBack(expected.size() + 8, '\0');
        readBack.resize(copy.Read(readBack.data(), static_cast<uint32_t>(readBack.size())));
        EXPECT_TRUE(readBack == expected) << c.what;
        EXPECT_EQ(Metadata(copy), metadata) << c.what;
        if (!expected.empty()) {
            EXPECT_TRUE(SoxSamples(target) == std::vector<int16_t>(values.begin() + c.skip / 2, values.end())) << c.what;
        }
    }
}

TEST(WaveSave, DataCutShortInTheSourceIsStoredAsItIs)
{
    _Wave wave;
    ASSERT_TRUE(wave.SetFileName(WriteRecording(Riff({{"fmt ", Fmt(1, 1, 8000, 16)}, {"data", Samples16({5, 6, 7, 8}), 100000}}))));
    const std::string target = zemtest::NewFolder("short") + "/saved.wav";
    ASSERT_TRUE(wave.SaveAs(target)) << wave.GetLastError();
    EXPECT_EQ(U32At(zemtest::ReadFile(target), 40), 8u);
    EXPECT_EQ(SoxSamples(target), (std::vector<int16_t>{5, 6, 7, 8}));
}

TEST(WaveSave, RefusalsLeaveTheFilesAlone)
{
    const std::string folder = zemtest::NewFolder("refuse");
    const std::string bytes = Pcm(1, 16, "abcd");
    const std::string source = folder + "/rec.wav";
    zemtest::WriteFile(source, bytes);
    ASSERT_EQ(::link(source.c_str(), (folder + "/link.wav").c_str()), 0);
    const std::string self = "'. It is the source file.";
    const std::pair<std::string, std::string> cases[] = {
        {source, self},
        {folder + "/./rec.wav", self},
        {folder + "/link.wav", self},
        {folder + "/missing/x.wav", "'."},
    };
    for (const auto& [target, tail] : cases) {
        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(source));
        EXPECT_FALSE(wave.SaveAs(target)) << target;
        EXPECT_EQ(wave.GetLastError(), "Error creating temporary file '" + target + tail);
        EXPECT_EQ(zemtest::ReadFile(source), bytes) << target;
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
