// Tone spans of whole recordings, in every encoding the library reads.
#include "zemWaveLib/wave.h"

#include "ZemBaseLib/xmlelement.h"

#include "platform/codec/soxfixture.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <utility>
#include <vector>

using zemtest::SoxEncoding;

namespace {

struct Burst {
    double hz;
    uint32_t startMs, endMs;
    double peak = 10000;
};
using Spans = std::vector<std::pair<int32_t, int32_t>>;

std::string Record(SoxEncoding encoding, uint32_t rate, uint16_t channels, uint32_t totalMs,
                   const std::vector<Burst>& bursts)
{
    const size_t frames = size_t{rate} * totalMs / 1000;
    std::vector<int16_t> samples(frames * channels);
    for (const Burst& b : bursts) {
        for (size_t i = size_t{rate} * b.startMs / 1000; i < size_t{rate} * b.endMs / 1000; ++i) {
            const double v = b.peak * std::sin(2 * std::numbers::pi * b.hz * static_cast<double>(i) / rate);
            for (uint16_t c = 0; c < channels; ++c)
                samples[i * channels + c] = static_cast<int16_t>(samples[i * channels + c] + std::lround(v));
        }
    }
    const std::string path = zemtest::NewFolder("tones") + "/rec.wav";
    zemtest::SoxWrite(path, encoding, rate, channels, samples);
    return path;
}

// The spans found for each child of the root in the text.
std::vector<Spans> Detect(const std::string& path, const std::string& tones = "<tones><tone/></tones>")
{
    _Wave wave;
    XmlElement root;
    EXPECT_TRUE(wave.SetFileName(path) && root.Parse(tones));
    EXPECT_TRUE(wave.DetectTones(&root)) << wave.GetLastError();
    std::vector<Spans> found(root.CountChildren());
    for (uint16_t t = 0; t < found.size(); ++t) {
        const XmlElement& tone = *root.GetChild(t);
        for (uint16_t p = 0; p < tone.CountChildren(); ++p) {
            int32_t begin = -1, end = -1;
            tone.GetChild(p)->GetAttributeInt("begin", begin);
            tone.GetChild(p)->GetAttributeInt("end", end);
            found[t].emplace_back(begin, end);
        }
    }
    return found;
}

TEST(WaveTones, SpansFollowTheToneInPcmRecordings)
{
    const struct {
        const char* what;
        SoxEncoding encoding;
        uint32_t rate;
        uint16_t channels;
        std::vector<Burst> bursts;
        Spans expected;
        int slack = 0;  // ms
    } cases[] = {
        // Ends where the first silent window starts.
        {"300 ms at 100 ms", SoxEncoding::Pcm16, 8000, 1, {{1520, 100, 400}}, {{100, 400}}},
        {"8-bit", SoxEncoding::Pcm8, 8000, 1, {{1520, 100, 400}}, {{100, 400}}},
        // A start at 0 ms counts as not started.
        {"from the first window", SoxEncoding::Pcm16, 8000, 1, {{1520, 0, 300}}, {{20, 300}}},
        {"drop-out under offdur", SoxEncoding::Pcm16, 8000, 1, {{1520, 100, 600}, {1520, 700, 1200}}, {{100, 1200}}},
        {"drop-out over offdur", SoxEncoding::Pcm16, 8000, 1, {{1520, 100, 600}, {1520, 900, 1200}}, {{100, 600}, {900, 1200}}},
        {"shorter than ondur", SoxEncoding::Pcm16, 8000, 1, {{1520, 100, 120}}, {}},
        {"another frequency", SoxEncoding::Pcm16, 8000, 1, {{1000, 100, 400}}, {}},
        {"running at the end", SoxEncoding::Pcm16, 8000, 1, {{1520, 500, 1600}}, {{500, 1600}}},
        // Interleaved channels read as one would put the tone at half its frequency.
        {"stereo", SoxEncoding::Pcm16, 8000, 2, {{1520, 100, 400}}, {{100, 400}}},
        // 441 bytes per 10 ms: a window of 882 bytes is no whole number of frames.
        {"stereo at 11025 Hz", SoxEncoding::Pcm16, 11025, 2, {{1520, 100, 400}}, {{100, 400}}, 1},
    };
    for (const auto& c : cases) {
        const std::vector<Spans> found = Detect(Record(c.encoding, c.rate, c.channels, 1600, c.bursts));
        ASSERT_EQ(found.size(), 1u);
        ASSERT_EQ(found[0].size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_NEAR(found[0][i].first, c.expected[i].first, c.slack) << c.what;
            EXPECT_NEAR(found[0][i].second, c.expected[i].second, c.slack) << c.what;
        }
    }
}

TEST(WaveTones, CompressedRecordingsGiveTheSpansOfTheirPcmAndLeaveNoCopy)
{
    // Over a louder low tone, which the coded bytes of A-law and mu-law hide it under.
    const std::vector<Burst> bursts{{300, 0, 1600}, {1520, 100, 400, 5000}, {1520, 800, 1300, 5000}};
    const std::vector<Spans> pcm = Detect(Record(SoxEncoding::Pcm16, 8000, 1, 1600, bursts));
    ASSERT_EQ(pcm[0].size(), 2u);
    const auto tempFiles = [] {
        const auto it = std::filesystem::directory_iterator(std::getenv("TMP"));
        return std::distance(begin(it), end(it));
    };
    const auto before = tempFiles();
    for (const SoxEncoding encoding : {SoxEncoding::ALaw, SoxEncoding::Gsm, SoxEncoding::MuLaw, SoxEncoding::ImaAdpcm}) {
        const std::vector<Spans> coded = Detect(Record(encoding, 8000, 1, 1600, bursts));
        ASSERT_EQ(coded[0].size(), pcm[0].size()) << static_cast<int>(encoding);
        for (size_t i = 0; i < pcm[0].size(); ++i) {
            EXPECT_NEAR(coded[0][i].first, pcm[0][i].first, 20) << static_cast<int>(encoding);
            EXPECT_NEAR(coded[0][i].second, pcm[0][i].second, 20) << static_cast<int>(encoding);
        }
    }
    EXPECT_EQ(tempFiles(), before);
}

TEST(WaveTones, SettingsCarryOverToTheNextToneElement)
{
    const std::string path = Record(SoxEncoding::Pcm16, 8000, 1, 1600, {{1520, 100, 400}, {1000, 600, 900}});
    const std::vector<Spans> found =
        Detect(path, R"(<tones><tone fdev="60"/><tone f="1000"/><Tone ondur="400"/><other/></tones>)");
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0], (Spans{{100, 400}}));  // 1520 Hz by default
    EXPECT_EQ(found[1], (Spans{{600, 900}}));
    EXPECT_EQ(found[2], Spans{});  // still 1000 Hz, but 300 ms are under ondur
    EXPECT_EQ(found[3], Spans{});
}

TEST(WaveTones, RecordingsTheDetectorCannotMeasureAreRefused)
{
    _Wave wave, unnamed;
    XmlElement root;
    ASSERT_TRUE(wave.SetFileName(Record(SoxEncoding::Pcm16, 16000, 1, 600, {{1520, 100, 400}})));
    ASSERT_TRUE(root.Parse("<tones><tone/></tones>"));
    EXPECT_FALSE(wave.DetectTones(nullptr));
    EXPECT_FALSE(unnamed.DetectTones(&root));
    EXPECT_FALSE(wave.DetectTones(&root));
    EXPECT_NE(wave.GetLastError().find("16000 Hz"), std::string::npos);
    EXPECT_EQ(root.GetChild(0)->CountChildren(), 0);
}

}  // namespace
