// Speed through the channel's frequency, measured in the mix: the tone lands where the speed
// puts it, nothing folds back from above the mix's band, and a change while playing glides.
#include "sound/soundsystem.h"

#include "zemWaveLib/fftanalyzer.h"

#include "mixerfixture.h"
#include "wavfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

using namespace soundtest;

constexpr double kAmplitude = 8000;
constexpr int kBins = 8192;

// The spectrum of a stretch through a Hann window, as levels of a tone (a tone of amplitude A
// on a bin reads A).
class Spectrum {
public:
    Spectrum(const std::vector<int16_t>& samples, int rate) : fft_(static_cast<int>(samples.size()), rate, 16)
    {
        std::vector<uint8_t> bytes(2 * samples.size());
        for (size_t i = 0; i < samples.size(); ++i) {
            const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(samples.size()));
            const auto v = static_cast<uint16_t>(static_cast<int16_t>(std::lround(samples[i] * w)));
            bytes[2 * i] = static_cast<uint8_t>(v & 0xFF);
            bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
        fft_.SetSamples(bytes.data(), bytes.size());
        fft_.Transform();
    }

    double Hz(int bin) const { return static_cast<double>(bin) * fft_.Rate() / fft_.Size(); }
    // Hann's coherent gain is one half.
    double Level(int bin) const { return fft_.Magnitude(bin) * fft_.Norm() / fft_.Size() * 4; }
    int Bin(double hz) const { return static_cast<int>(std::lround(hz * fft_.Size() / fft_.Rate())); }

    // The strongest bin between two frequencies.
    int Peak(double fromHz, double toHz) const
    {
        int best = Bin(fromHz);
        for (int k = Bin(fromHz); k <= Bin(toHz); ++k)
            if (Level(k) > Level(best))
                best = k;
        return best;
    }
    // The peak's frequency between bins, from the parabola through its neighbours' logs.
    double PeakHz(int bin) const
    {
        const double a = std::log(Level(bin - 1));
        const double b = std::log(Level(bin));
        const double c = std::log(Level(bin + 1));
        return Hz(bin) + 0.5 * (a - c) / (a - 2 * b + c) * fft_.Rate() / fft_.Size();
    }
    // The strongest level between two frequencies, leaving out `guard` bins either side of
    // `skip` (none when skip < 0).
    double Loudest(double fromHz, double toHz, int skip, int guard) const
    {
        double loudest = 0;
        for (int k = std::max(Bin(fromHz), 1); k <= Bin(toHz) && k < fft_.Size() / 2; ++k)
            if (skip < 0 || std::abs(k - skip) > guard)
                loudest = std::max(loudest, Level(k));
        return loudest;
    }

private:
    FftAnalyzer fft_;
};

double Db(double level) { return 20 * std::log10(std::max(level, 1e-9) / kAmplitude); }

TEST_F(Mixer, TonesAtSpeedsLandWhereTheSpeedPutsThemAndNothingFoldsBack)
{
    struct Case {
        double hertz;
        double speed;
        double heardHz;  // 0: above the mix's 4000 Hz band, so nothing is heard
    };
    const Case cases[] = {
        {1000, 0.5, 500}, {1000, 1.0, 1000}, {1000, 1.5, 1500}, {1000, 3.0, 3000},
        {3300, 0.33, 1089}, {3300, 2.0, 0}, {2800, 2.33, 0}, {3300, 1.0, 3300},
        {1000, 1.331, 1331}, {2000, 0.729, 1458}, {3000, 1.1, 3300}, {3500, 1.5, 0},
    };
    constexpr int kFromMs = 300;
    const int toMs = kFromMs + kBins * 1000 / kRate;
    const int playedMs = (toMs / kBlock + 2) * kBlock;  // whole blocks
    // One after the other into the one mix, each on a fresh stream.
    int n = 0;
    for (const Case& c : cases) {
        const zem::SoundStream stream = Open(Tone(c.hertz, kAmplitude, kRate, 5 * kRate), "tone" + std::to_string(n++) + ".wav");
        const int channel = sound_->StreamPlay(zem::kFreeChannel, stream);
        ASSERT_TRUE(sound_->SetFrequency(channel, static_cast<int>(kRate * c.speed)));
        Mix(playedMs);
        EXPECT_NEAR(sound_->StreamGetTime(stream), playedMs * c.speed, 25) << c.hertz << " Hz at speed " << c.speed;
        ASSERT_TRUE(sound_->StreamStop(stream));
    }
    const std::vector<int16_t> mix = Finish();
    int startMs = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hertz << " Hz at speed " << c.speed);
        const std::vector<int16_t> part = Side(mix, 0, kRate, startMs + kFromMs, startMs + toMs);
        startMs += playedMs;
        ASSERT_EQ(part.size(), static_cast<size_t>(kBins));
        const Spectrum heard(part, kRate);
        if (c.heardHz == 0) {
            EXPECT_LT(Db(heard.Loudest(0, 4000, -1, 0)), -60) << "folded back";
            continue;
        }
        const int peak = heard.Peak(100, 3900);
        EXPECT_NEAR(heard.PeakHz(peak), c.heardHz, 1);
        EXPECT_NEAR(Db(heard.Level(peak)), 0, 0.5);
        EXPECT_LT(Db(heard.Loudest(0, 4000, peak, 8)), -60) << "beside the tone";
    }
}

// A speed change while a tone plays glides in: the stretch around the change holds nothing
// beyond the frequencies the tone glides over (a click spreads over the whole band), and the
// tone goes on at the new speed. Up, down, back to frame for frame, and high in the band,
// where the paths that take over from each other differ most in phase.
TEST_F(Mixer, ASpeedChangeWhilePlayingGlidesInWithoutAClick)
{
    struct Case {
        double hertz;
        double from, to;
        double quietFromHz, quietToHz;  // far from the tone on either speed
    };
    const Case cases[] = {
        {500, 1.0, 1.5, 1500, 4000}, {500, 1.5, 1.0, 1500, 4000}, {500, 1.0, 0.5, 1500, 4000},
        {1000, 1.331, 0.9, 2300, 4000}, {2000, 1.0, 1.5, 0, 1000}, {3000, 1.0, 1.1, 0, 1500},
    };
    int n = 0;
    for (const Case& c : cases) {
        const zem::SoundStream stream = Open(Tone(c.hertz, kAmplitude, kRate, 4 * kRate), "tone" + std::to_string(n++) + ".wav");
        const int channel = sound_->StreamPlay(zem::kFreeChannel, stream);
        ASSERT_TRUE(sound_->SetFrequency(channel, static_cast<int>(std::lround(kRate * c.from))));
        Mix(1000);
        ASSERT_TRUE(sound_->SetFrequency(channel, static_cast<int>(std::lround(kRate * c.to))));
        Mix(1500);
        ASSERT_TRUE(sound_->StreamStop(stream));
    }
    const std::vector<int16_t> mix = Finish();
    int startMs = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hertz << " Hz from speed " << c.from << " to " << c.to);
        const int changeMs = startMs + 1000;
        startMs += 2500;
        const std::vector<int16_t> aroundChange = Side(mix, 0, kRate, changeMs - 64, changeMs + 64);
        ASSERT_EQ(aroundChange.size(), 1024u);
        const Spectrum change(aroundChange, kRate);
        EXPECT_LT(Db(change.Loudest(c.quietFromHz, c.quietToHz, -1, 0)), -60) << "a click at the change";
        const Spectrum after(Side(mix, 0, kRate, changeMs + 300, changeMs + 300 + kBins * 1000 / kRate), kRate);
        EXPECT_NEAR(after.PeakHz(after.Peak(100, 3900)), c.hertz * c.to, 1);
    }
}

}  // namespace
