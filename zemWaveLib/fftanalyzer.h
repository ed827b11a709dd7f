// FftAnalyzer: an in-place radix-2 FFT over one block of 8- or 16-bit PCM samples, with its
// bit-reversal and twiddle tables built once per size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class FftAnalyzer {
public:
    // A plain pair, so the butterflies stay three multiplications and no special cases.
    struct Complex {
        double re = 0;
        double im = 0;
    };

    // 2π as a float holds it; the twiddles are made from this value, so spectra stay
    // comparable with those of the recordings' earlier analyses.
    static constexpr double kTwoPi = 6.2831854820251465;

    // n is a power of two; bits 8 or 16.
    FftAnalyzer(int n, int rate, int bits);

    // count bytes of samples, at most one block of n; fewer are padded with zeros. More than
    // n samples, or a sample size other than 8 or 16 bits with any bytes, change nothing.
    void SetSamples(const uint8_t* bytes, size_t count);
    void Transform();

    // |spectrum[k]| / sqrt(n).
    double Magnitude(int k) const;
    // rate x k / n, rounded down.
    int BinFrequency(int k) const { return static_cast<int>(int64_t{rate_} * k / n_); }
    const Complex& Bin(int k) const { return spectrum_[static_cast<size_t>(k)]; }
    // W_stage[k] = (cos(2πk / 2^stage), -sin(2πk / 2^stage)), stage from 1.
    const Complex& Twiddle(int stage, int k) const;

    int Size() const { return n_; }
    int Rate() const { return rate_; }
    int Bits() const { return bits_; }
    // sqrt(n): Magnitude divided by it is a bin's level.
    double Norm() const { return norm_; }

private:
    int n_;
    int bits_;
    int rate_;
    int stages_;
    double norm_;
    std::vector<int> bitReverse_;
    std::vector<Complex> spectrum_;
    std::vector<std::vector<Complex>> twiddles_;  // [stage - 1][k]
    std::vector<double> samples_;
};
