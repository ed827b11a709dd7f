// The detector's measurements on generated tones.
#include "zemWaveLib/tonedetector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <numbers>
#include <vector>

namespace {

// 16-bit samples at 8000 Hz: the sum of equally strong sines.
std::vector<uint8_t> Tones(std::initializer_list<double> hz, size_t samples = 1024)
{
    std::vector<int16_t> s(samples);
    for (size_t i = 0; i < samples; ++i) {
        for (const double f : hz)
            s[i] = static_cast<int16_t>(s[i] + std::lround(8000 * std::sin(2 * std::numbers::pi * f * i / 8000)));
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(s.data());
    return {bytes, bytes + 2 * samples};
}

TEST(ToneDetector, ConfigureTakesOnlyKnownSizesRatesAndWidths)
{
    const struct {
        int n, rate, bits;
        bool accepted;
    } cases[] = {{100, 8000, 16, false}, {128, 16000, 16, false}, {4096, 44100, 8, true},
                 {2, 8000, 16, false},   {8192, 8000, 16, false}, {128, 8000, 24, false},
                 {4, 6000, 16, true},    {128, 11025, 16, true},  {128, 48000, 16, false}};
    for (const auto& c : cases) {
        ToneDetector detector;
        EXPECT_EQ(detector.Configure(c.n, c.rate, c.bits), c.accepted) << c.n << " " << c.rate << " " << c.bits;
        EXPECT_EQ(detector.Fft().Size(), c.accepted ? c.n : 1024);
        EXPECT_EQ(detector.Fft().Rate(), c.accepted ? c.rate : 8000);
    }
}

TEST(ToneDetector, EachDtmfPairGivesItsKeyAndSilenceNone)
{
    const double rows[] = {697, 770, 852, 941};
    const double columns[] = {1209, 1336, 1477, 1633};
    const char* keys = "123a456b789c*0#d";
    ToneDetector detector;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            std::vector<uint8_t> bytes = Tones({rows[r], columns[c]}, 512);
            bytes.resize(2048, 0);  // then silence
            EXPECT_EQ(detector.DetectDtmf(bytes.data(), bytes.size()), keys[r * 4 + c]) << rows[r] << "+" << columns[c];
        }
    }
    const std::vector<uint8_t> silence(2048, 0), single = Tones({770});
    EXPECT_EQ(detector.DetectDtmf(silence.data(), silence.size()), 0);
    EXPECT_EQ(detector.DetectDtmf(single.data(), single.size()), 0);

    EXPECT_EQ(ToneDetector::DtmfDigit(770, 1477, 1, 1), '6');
    EXPECT_EQ(ToneDetector::DtmfDigit(771, 1477, 1, 1), 'x');
    EXPECT_EQ(ToneDetector::DtmfDigit(771, 1477, 2, 1), '6');
    EXPECT_EQ(ToneDetector::DtmfDigit(760, 1300, 100, 100), '1');  // the first in table order, not the nearest
}

TEST(ToneDetector, ZveiToneLiftsItsOwnBand)
{
    const double centres[] = {2400, 1060, 1160, 1270, 1400, 1530, 1670, 1830, 2000, 2200, 2600};
    ToneDetector detector;
    for (size_t band = 0; band < ToneDetector::kZveiBands; ++band) {
        const std::vector<uint8_t> bytes = Tones({centres[band]}, 2048);
        detector.AnalyzeZvei(bytes.data(), bytes.size());
        for (size_t other = 0; other < ToneDetector::kZveiBands; ++other)
            EXPECT_TRUE(other == band || detector.BandLevel(band) > 4 * detector.BandLevel(other)) << band << " vs " << other;
        EXPECT_GT(detector.InBand(), 4 * detector.OutBand()) << band;
    }
}

TEST(ToneDetector, AnalyzeMeasuresItsBands)
{
    ToneDetector detector;
    ASSERT_TRUE(detector.Configure(128, 8000, 16));
    const std::vector<uint8_t> both = Tones({1300, 1700}, 320), tone = Tones({1500}, 320);
    detector.AnalyzeTwo(1300, 1700, 80, both.data(), both.size());
    EXPECT_GT(detector.BandLevel(0), 4 * detector.OutBand());
    EXPECT_GT(detector.BandLevel(1), 4 * detector.OutBand());
    EXPECT_DOUBLE_EQ(detector.InBand(), detector.BandLevel(0) + detector.BandLevel(1));
    // fdev 0 stands for one bin width (63 Hz here), so the band around 1500 Hz is not empty.
    detector.Analyze(1500, 0, tone.data(), tone.size());
    EXPECT_GT(detector.InBand(), 4 * detector.OutBand());
    detector.Analyze(2500, 80, tone.data(), tone.size());
    EXPECT_LT(detector.InBand(), detector.OutBand());
}

TEST(ToneDetector, DiscriminateTellsWhichToneDominates)
{
    const struct {
        std::vector<uint8_t> bytes;
        bool detected;
        int index;
    } cases[] = {{Tones({1300}, 128), true, 1}, {Tones({1700}, 128), true, 0},
                 {Tones({1300, 1700}, 128), false, 0}, {std::vector<uint8_t>(256, 0), false, 0}};
    for (const auto& c : cases) {
        ToneDetector detector;
        ASSERT_TRUE(detector.Configure(128, 8000, 16));
        detector.Discriminate(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(detector.Detected(), c.detected);
        EXPECT_EQ(detector.ToneIndex(), c.index);
        EXPECT_GT(detector.Peak(), c.detected ? 1000 : -1);
    }
}

}  // namespace
