#include "zemWaveLib/fftanalyzer.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace {

FftAnalyzer::Complex operator+(FftAnalyzer::Complex a, FftAnalyzer::Complex b)
{
    return {a.re + b.re, a.im + b.im};
}

FftAnalyzer::Complex operator-(FftAnalyzer::Complex a, FftAnalyzer::Complex b)
{
    return {a.re - b.re, a.im - b.im};
}

FftAnalyzer::Complex operator*(FftAnalyzer::Complex a, FftAnalyzer::Complex b)
{
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

int ReverseBits(int value, int bits)
{
    int reversed = 0;
    for (int i = 0; i < bits; ++i)
        reversed = (reversed << 1) | ((value >> i) & 1);
    return reversed;
}

}  // namespace

FftAnalyzer::FftAnalyzer(int n, int rate, int bits)
    : n_(n),
      bits_(bits),
      rate_(rate),
      stages_(std::countr_zero(static_cast<unsigned>(n))),
      norm_(std::sqrt(static_cast<double>(n))),
      bitReverse_(static_cast<size_t>(n)),
      spectrum_(static_cast<size_t>(n)),
      twiddles_(static_cast<size_t>(stages_), std::vector<Complex>(static_cast<size_t>(n))),
      samples_(static_cast<size_t>(n))
{
    for (int i = 0; i < n; ++i)
        bitReverse_[static_cast<size_t>(i)] = ReverseBits(i, stages_);
    for (int s = 1; s <= stages_; ++s) {
        const double span = static_cast<double>(1 << s);
        for (int k = 0; k < n; ++k) {
            const double angle = kTwoPi * k / span;
            twiddles_[static_cast<size_t>(s - 1)][static_cast<size_t>(k)] = {std::cos(angle), -std::sin(angle)};
        }
    }
}

void FftAnalyzer::SetSamples(const uint8_t* bytes, size_t count)
{
    const size_t sampleCount = bits_ == 8 ? count : bits_ == 16 ? count / 2 : 0;
    if (sampleCount > static_cast<size_t>(n_))
        return;
    for (size_t i = 0; i < samples_.size(); ++i) {
        double sample = 0;
        if (i < sampleCount && bits_ == 8) {
            sample = (int{bytes[i]} - 128) * 64.0;
        } else if (i < sampleCount) {
            int16_t value = 0;
            std::memcpy(&value, bytes + 2 * i, 2);
            sample = value;
        }
        samples_[i] = sample;
        spectrum_[static_cast<size_t>(bitReverse_[i])] = {sample, 0};
    }
}

void FftAnalyzer::Transform()
{
    for (int s = 1; s <= stages_; ++s) {
        const int half = 1 << (s - 1);
        const std::vector<Complex>& w = twiddles_[static_cast<size_t>(s - 1)];
        for (int j = 0; j < half; ++j) {
            for (int k = j; k < n_; k += 2 * half) {
                Complex& upper = spectrum_[static_cast<size_t>(k)];
                Complex& lower = spectrum_[static_cast<size_t>(k + half)];
                const Complex t = w[static_cast<size_t>(j)] * lower;
                lower = upper - t;
                upper = upper + t;
            }
        }
    }
}

double FftAnalyzer::Magnitude(int k) const
{
    const Complex& c = spectrum_[static_cast<size_t>(k)];
    return std::sqrt(c.re * c.re + c.im * c.im) / norm_;
}

const FftAnalyzer::Complex& FftAnalyzer::Twiddle(int stage, int k) const
{
    return twiddles_[static_cast<size_t>(stage - 1)][static_cast<size_t>(k)];
}
