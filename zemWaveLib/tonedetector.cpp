#include "zemWaveLib/tonedetector.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A running mean; with nothing added it is 0.
struct Mean {
    double sum = 0;
    int count = 0;
    void Add(double level)
    {
        sum += level;
        ++count;
    }
    double Value() const { return count ? sum / count : 0.0; }
};

// A bin counts for a DTMF tone from hz - below to hz + above.
struct DtmfWindow {
    int hz;
    int below;
    int above;
    bool Holds(int frequency) const { return frequency >= hz - below && frequency <= hz + above; }
};

constexpr std::array<DtmfWindow, 4> kDtmfRows{{{697, 35, 35}, {770, 35, 40}, {852, 40, 44}, {941, 42, 44}}};
constexpr std::array<DtmfWindow, 4> kDtmfColumns{{{1209, 62, 62}, {1336, 62, 70}, {1477, 70, 76}, {1633, 76, 76}}};
constexpr const char* kDtmfKeys[4] = {"123a", "456b", "789c", "*0#d"};

// [low, high) in Hz, in the order of the band levels.
struct ZveiBand {
    int low;
    int high;
};
constexpr std::array<ZveiBand, ToneDetector::kZveiBands> kZveiTable{{{2371, 2430},
                                                                      {1031, 1090},
                                                                      {1131, 1190},
                                                                      {1241, 1300},
                                                                      {1371, 1430},
                                                                      {1501, 1560},
                                                                      {1641, 1700},
                                                                      {1801, 1860},
                                                                      {1971, 2030},
                                                                      {2171, 2230},
                                                                      {2571, 2630}}};

constexpr double kDtmfPairRatio = 8.0;
constexpr double kDtmfToneRatio = 4.0;

// The window whose mean is highest; the lower frequency wins a tie.
template <size_t N>
size_t Strongest(const std::array<Mean, N>& means)
{
    size_t best = 0;
    for (size_t i = 1; i < N; ++i) {
        if (means[i].Value() > means[best].Value())
            best = i;
    }
    return best;
}

}  // namespace

ToneDetector::ToneDetector(uint32_t owner) : owner_(owner), fft_(std::make_unique<FftAnalyzer>(1024, 8000, 16)) {}

bool ToneDetector::Configure(int n, int rate, int bits)
{
    const bool sizeOk = n >= 4 && n <= 4096 && (n & (n - 1)) == 0;
    const bool rateOk = rate == 6000 || rate == 8000 || rate == 11025 || rate == 22050 || rate == 44100;
    if (!sizeOk || !rateOk || (bits != 8 && bits != 16))
        return false;
    fft_ = std::make_unique<FftAnalyzer>(n, rate, bits);
    return true;
}

template <typename Classify>
void ToneDetector::Walk(const uint8_t* bytes, size_t count, Classify classify)
{
    FftAnalyzer& fft = *fft_;
    const size_t block = static_cast<size_t>(fft.Size()) * static_cast<size_t>(fft.Bits()) / 8;
    for (size_t offset = 0; offset < count; offset += block) {
        fft.SetSamples(bytes + offset, std::min(block, count - offset));
        fft.Transform();
        for (int k = 0; k < fft.Size(); ++k)
            classify(fft.BinFrequency(k), fft.Magnitude(k) / fft.Norm());
    }
}

double ToneDetector::HalfWidth(double fdev) const
{
    return fdev != 0 ? fdev : fft_->Rate() / fft_->Size() + 1;
}

void ToneDetector::Analyze(int f, double fdev, const uint8_t* bytes, size_t count)
{
    fdev = HalfWidth(fdev);
    Mean in, out;
    Walk(bytes, count, [&](int frequency, double level) {
        (f - fdev < frequency && frequency < f + fdev ? in : out).Add(level);
    });
    inBand_ = in.Value();
    outBand_ = out.Value();
}

void ToneDetector::AnalyzeTwo(int f0, int f1, double fdev, const uint8_t* bytes, size_t count)
{
    fdev = HalfWidth(fdev);
    Mean first, second, out;
    Walk(bytes, count, [&](int frequency, double level) {
        if (f0 - fdev < frequency && frequency < f0 + fdev)
            first.Add(level);
        else if (f1 - fdev < frequency && frequency < f1 + fdev)
            second.Add(level);
        else
            out.Add(level);
    });
    bandLevels_[0] = first.Value();
    bandLevels_[1] = second.Value();
    outBand_ = out.Value();
    inBand_ = bandLevels_[0] + bandLevels_[1];
}

void ToneDetector::AnalyzeZvei(const uint8_t* bytes, size_t count)
{
    std::array<Mean, kZveiBands> bands;
    Mean in, out;
    Walk(bytes, count, [&](int frequency, double level) {
        const auto band = std::find_if(kZveiTable.begin(), kZveiTable.end(), [&](const ZveiBand& b) {
            return frequency >= b.low && frequency < b.high;
        });
        if (band == kZveiTable.end()) {
            out.Add(level);
            return;
        }
        bands[static_cast<size_t>(band - kZveiTable.begin())].Add(level);
        in.Add(level);
    });
    for (size_t i = 0; i < kZveiTable.size(); ++i)
        bandLevels_[i] = bands[i].Value();
    inBand_ = in.Value();
    outBand_ = out.Value();
}

char ToneDetector::DetectDtmf(const uint8_t* bytes, size_t count)
{
    std::array<Mean, 4> rows, columns;
    Mean other;
    Walk(bytes, count, [&](int frequency, double level) {
        bool counted = false;
        for (size_t i = 0; i < 4; ++i) {
            if (kDtmfRows[i].Holds(frequency)) {
                rows[i].Add(level);
                counted = true;
            }
            if (kDtmfColumns[i].Holds(frequency)) {
                columns[i].Add(level);
                counted = true;
            }
        }
        if (!counted)
            other.Add(level);
    });
    const size_t row = Strongest(rows);
    const size_t column = Strongest(columns);
    const double rowLevel = rows[row].Value();
    const double columnLevel = columns[column].Value();
    const double otherLevel = other.Value();
    if (otherLevel == 0 || (rowLevel + columnLevel) / otherLevel < kDtmfPairRatio ||
        columnLevel / otherLevel < kDtmfToneRatio || rowLevel / otherLevel < kDtmfToneRatio)
        return 0;
    return DtmfDigit(kDtmfRows[row].hz, kDtmfColumns[column].hz, 1, 1);
}

char ToneDetector::DtmfDigit(int rowHz, int columnHz, int rowTolerance, int columnTolerance)
{
    const auto row = std::find_if(kDtmfRows.begin(), kDtmfRows.end(),
                                  [&](const DtmfWindow& w) { return std::abs(rowHz - w.hz) < rowTolerance; });
    const auto column = std::find_if(kDtmfColumns.begin(), kDtmfColumns.end(), [&](const DtmfWindow& w) {
        return std::abs(columnHz - w.hz) < columnTolerance;
    });
    if (row == kDtmfRows.end() || column == kDtmfColumns.end())
        return 'x';
    return kDtmfKeys[row - kDtmfRows.begin()][column - kDtmfColumns.begin()];
}

void ToneDetector::Discriminate(const uint8_t* bytes, size_t count)
{
    FftAnalyzer& fft = *fft_;
    fft.SetSamples(bytes, count);
    fft.Transform();
    const int width = fft.Rate() / fft.Size();
    Mean low, high, other;
    double peak = 0;
    for (int k = 0; k < fft.Size(); ++k) {
        const int frequency = fft.BinFrequency(k);
        const double level = fft.Magnitude(k) / fft.Norm();
        const bool inLow = std::abs(frequency - 1300) <= width;
        const bool inHigh = std::abs(frequency - 1700) <= width;
        (inLow ? low : inHigh ? high : other).Add(level);
        if (inLow || inHigh)
            peak = std::max(peak, level);
    }
    const double a = low.Value();
    const double b = high.Value();
    const double rest = other.Value();
    detected_ = false;
    if (a / 2 > rest && a / 2 > b) {
        detected_ = true;
        toneIndex_ = 1;
        peak_ = peak;
    } else if (rest < b / 2 && a < b / 2) {
        detected_ = true;
        toneIndex_ = 0;
        peak_ = peak;
    }
}
