// How loud one tone is in a stretch of 16-bit samples: the amplitude of its frequency
// (Goertzel), in sample units. Used where a mix is checked by ear's stand-in: the main job's
// report and the playback tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace zem {

inline double ToneLevel(const std::vector<int16_t>& samples, double hertz, int rate)
{
    if (samples.empty() || rate <= 0)
        return 0;
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * hertz / rate);
    double s1 = 0, s2 = 0;
    for (int16_t x : samples) {
        const double s0 = x + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(samples.size());
}

}  // namespace zem
