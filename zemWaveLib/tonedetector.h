// ToneDetector: measures on FftAnalyzer spectra how strongly given frequencies stand out of
// a stretch of 8- or 16-bit mono PCM: one band, two bands, the eleven ZVEI 1 tones, DTMF
// digits, and a 1300 Hz / 1700 Hz decision. Results stay in the detector until the next call.
#pragma once

#include "zemWaveLib/fftanalyzer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

class ToneDetector {
public:
    static constexpr size_t kZveiBands = 11;  // digits 0-9, then the repeat tone

    // owner is only kept for the caller.
    explicit ToneDetector(uint32_t owner = 0);

    // Accepts n a power of two from 4 to 4096, rate 6000, 8000, 11025, 22050 or 44100 and
    // 8 or 16 bits, replacing the transform; anything else is refused and changes nothing.
    bool Configure(int n, int rate, int bits);

    // The byte walks below cut bytes into transform blocks, the last one zero-padded, and
    // average every bin's level over all blocks. An fdev of 0 stands for one bin width.
    // InBand: mean level of the bins strictly within fdev of f; OutBand: of all others.
    void Analyze(int f, double fdev, const uint8_t* bytes, size_t count);
    // BandLevel 0 and 1 for f0 and f1 (a bin in both counts for f0), OutBand for the rest,
    // InBand their sum.
    void AnalyzeTwo(int f0, int f1, double fdev, const uint8_t* bytes, size_t count);
    // BandLevel 0-10 for the ZVEI tones, InBand over all their bins, OutBand for the rest.
    void AnalyzeZvei(const uint8_t* bytes, size_t count);
    // The digit of the strongest row and column tone when both stand out from the other
    // bins; 0 when none does.
    char DetectDtmf(const uint8_t* bytes, size_t count);
    // The keypad character of the first row and column tone each nearer than its tolerance
    // (in Hz) to the given frequency; 'x' when either has none.
    static char DtmfDigit(int rowHz, int columnHz, int rowTolerance, int columnTolerance);
    // One block of at most n samples: Detected with ToneIndex 1 for 1300 Hz or 0 for
    // 1700 Hz, and Peak, the strongest level of either band, when one tone dominates.
    void Discriminate(const uint8_t* bytes, size_t count);

    bool Detected() const { return detected_; }
    int ToneIndex() const { return toneIndex_; }
    double Peak() const { return peak_; }
    double BandLevel(size_t band) const { return bandLevels_[band]; }
    double InBand() const { return inBand_; }
    double OutBand() const { return outBand_; }
    uint32_t Owner() const { return owner_; }
    const FftAnalyzer& Fft() const { return *fft_; }

private:
    // Runs every block of bytes through the transform and gives each bin's frequency and
    // level to classify.
    template <typename Classify>
    void Walk(const uint8_t* bytes, size_t count, Classify classify);
    double HalfWidth(double fdev) const;

    bool detected_ = false;
    int toneIndex_ = 0;
    double peak_ = 0;
    std::array<double, kZveiBands> bandLevels_{};
    double inBand_ = 0;
    double outBand_ = 0;
    uint32_t owner_;
    std::unique_ptr<FftAnalyzer> fft_;
};
