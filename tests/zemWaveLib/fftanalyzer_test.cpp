// The transform against a naive DFT, and the tables it is built from.
#include "zemWaveLib/fftanalyzer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace {

double SampleOf(const std::vector<uint8_t>& bytes, int bits, size_t i)
{
    if (bits == 8)
        return (bytes[i] - 128) * 64.0;
    return static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
}

TEST(FftAnalyzer, AgreesWithANaiveDftOnRandomInput)
{
    std::mt19937 random(23);
    for (const int n : {4, 128, 1024, 4096}) {
        for (const int bits : {8, 16}) {
            std::vector<uint8_t> bytes(static_cast<size_t>(n * bits / 8));
            for (uint8_t& b : bytes)
                b = static_cast<uint8_t>(random());
            FftAnalyzer fft(n, 8000, bits);
            fft.SetSamples(bytes.data(), bytes.size());
            fft.Transform();

            std::vector<std::complex<double>> naive(static_cast<size_t>(n));
            double largest = 0;
            for (int k = 0; k < n; ++k) {
                for (int j = 0; j < n; ++j) {
                    const double angle = -2 * std::numbers::pi * ((int64_t{j} * k) % n) / n;
                    naive[k] += SampleOf(bytes, bits, static_cast<size_t>(j)) * std::polar(1.0, angle);
                }
                largest = std::max(largest, std::abs(naive[k]));
            }
            double worst = 0;
            for (int k = 0; k < n; ++k)
                worst = std::max(worst, std::abs(naive[k] - std::complex(fft.Bin(k).re, fft.Bin(k).im)));
            EXPECT_LE(worst, 1e-6 * largest) << "n " << n << ", " << bits << " bits";
        }
    }
}

TEST(FftAnalyzer, TwiddlesTakeTwoPiAtSinglePrecision)
{
    EXPECT_EQ(FftAnalyzer::kTwoPi, static_cast<double>(static_cast<float>(2 * std::numbers::pi)));
    // The float's excess over 2π shows: a half and a quarter turn miss by it, not by rounding.
    const double excess = FftAnalyzer::kTwoPi - 2 * std::numbers::pi;
    const FftAnalyzer fft(8, 8000, 16);
    EXPECT_NEAR(fft.Twiddle(1, 1).im, excess / 2, 1e-15);
    EXPECT_NEAR(fft.Twiddle(2, 1).re, -excess / 4, 1e-15);
    EXPECT_DOUBLE_EQ(fft.Twiddle(3, 1).re, std::cos(FftAnalyzer::kTwoPi / 8));
}

TEST(FftAnalyzer, SamplesGoToBitReversedPlacesAndTooManyChangeNothing)
{
    FftAnalyzer fft(4, 8000, 8);
    const uint8_t bytes[] = {0, 255, 128, 7, 7};
    fft.SetSamples(bytes, 2);  // the rest is padded with zeros
    const double expected[] = {-8192, 0, 8128, 0};  // sample order 0, 2, 1, 3
    fft.SetSamples(bytes, 5);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(fft.Bin(k).re, expected[k]) << k;
        EXPECT_EQ(fft.Bin(k).im, 0) << k;
    }

    FftAnalyzer wide(16, 11025, 16);
    const std::vector<int16_t> dc(17, 1000);
    wide.SetSamples(reinterpret_cast<const uint8_t*>(dc.data()), 33);  // the odd byte is no sample
    wide.Transform();
    EXPECT_DOUBLE_EQ(wide.Magnitude(0), 16000 / 4.0);
    EXPECT_NEAR(wide.Magnitude(1), 0, 1e-3);
    EXPECT_EQ(wide.BinFrequency(3), 2067);  // 33075 / 16, rounded down
}

}  // namespace
