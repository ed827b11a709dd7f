// Plays one source (a stream or the sample) into the stereo mix at its channel's speed,
// with a gain per side. At the speed the voice started with, 1.0, source frames go straight
// into the mix, frame for frame; the first other speed hands the voice to a variable-rate
// resampler for good, primed with what was just heard so the change glides in without a
// click. Used by the mixer thread only.
#pragma once

#include "sound/speedresampler.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace zem {

class VoiceRenderer {
public:
    // Fills up to `frames` frames at `out` with the source's next frames and returns how many
    // it gave: fewer with `ended` set at the end, fewer without it while data is not there yet.
    using Pull = std::function<size_t(int16_t* out, size_t frames, bool& ended)>;

    explicit VoiceRenderer(int channels) : channels_(static_cast<size_t>(channels)) {}

    // The source's next frame is `position`; what is buffered is dropped.
    void Reset(uint64_t position);
    // Source frame heard next.
    uint64_t Position() const;

    // Adds `frames` frames to `mix` (interleaved stereo), the source played at `speed` source
    // frames per mix frame; a speed that changes glides in over these frames.
    void MixInto(float* mix, size_t frames, double speed, float gainLeft, float gainRight, const Pull& pull);
    // The source has ended and all of it has been played.
    bool Exhausted() const { return ended_ && drained_; }

private:
    void MixDirect(float* mix, size_t frames, float gainLeft, float gainRight, const Pull& pull);
    void MixVaried(float* mix, size_t frames, double speed, float gainLeft, float gainRight, const Pull& pull);
    void StartVaried(double fromSpeed, double toSpeed);

    const size_t channels_;
    uint64_t fed_ = 0;  // source frames taken from the source
    bool ended_ = false;
    bool drained_ = false;
    double speed_ = 1.0;
    std::unique_ptr<SpeedResampler> varied_;
    std::vector<int16_t> source_;
    std::vector<float> out_;
    std::vector<int16_t> heard_;  // the last frames played straight, to prime the resampler
};

// Balance gains for pan 0 (left) .. 128 (centre, both full) .. 255 (right).
void PanGains(int pan, float& left, float& right);

}  // namespace zem
