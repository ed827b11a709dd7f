// Plays 16-bit frames at a speed that may change while they play: libsoxr's variable-rate
// mode, band-limited (what a speed-up moves above the output's Nyquist frequency is removed,
// not folded back), and a new speed glides in over a given number of output frames instead
// of jumping. Output frames are floats in 16-bit sample units. Used by the mixer thread only.
#pragma once

#include "sound/soxrhandle.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zem {

class SpeedResampler {
public:
    // Speeds up to maxSpeed (source frames per output frame) can be set later.
    SpeedResampler(int channels, double speed, double maxSpeed);

    bool Ok() const { return soxr_ != nullptr; }
    double MaxSpeed() const { return maxSpeed_; }
    // Moves to `speed` over the next glideFrames output frames (0: at once).
    void SetSpeed(double speed, size_t glideFrames);

    // Frames heard before the ones fed next, so the filter starts in the sound rather than
    // from silence; their output is dropped.
    void Prime(const int16_t* frames, size_t count);
    void Feed(const int16_t* frames, size_t count);
    // Up to `frames` output frames from what was fed; with `sourceEnded` the filter's tail
    // is played out too. Returns how many it made.
    size_t Output(float* out, size_t frames, bool sourceEnded);
    // Source frames fed that have not been heard yet.
    double HeldFrames() const;

private:
    const size_t channels_;
    const double maxSpeed_;
    double speed_;
    SoxrHandle soxr_;
    std::vector<int16_t> pending_;  // fed, not yet taken by the resampler
    size_t discard_ = 0;            // output frames of the primed frames still to drop
    double primedSpeed_ = 1.0;      // the speed the primed frames were heard at
    bool changeAfterPriming_ = false;
    size_t glideAfterPriming_ = 0;
    std::vector<float> dropped_;
};

}  // namespace zem
