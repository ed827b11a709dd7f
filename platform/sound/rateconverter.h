// Converts 16-bit interleaved frames from one fixed rate to another through libsoxr: the
// mixer's rate to a device that refuses it. Band-limited, so no images of the mix appear above
// its Nyquist frequency. Not dithered: silence stays exact zeros.
#pragma once

#include "sound/soxrhandle.h"

#include <cstdint>
#include <vector>

namespace zem {

class RateConverter {
public:
    RateConverter(int fromRate, int toRate, int channels);
    bool Ok() const { return soxr_ != nullptr; }
    // Converts `frames` frames; returns the frames made (valid until the next call) and their
    // number in `made`. The resampler's latency keeps the first few back.
    const int16_t* Convert(const int16_t* samples, int frames, int& made);

private:
    const int fromRate_;
    const int toRate_;
    const int channels_;
    SoxrHandle soxr_;
    std::vector<int16_t> out_;
};

}  // namespace zem
