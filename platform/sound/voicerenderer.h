// Plays one source (a stream or the sample) into the stereo mix at its channel's speed, with
// a gain per side. Used by the mixer thread only.
#pragma once

#include "sound/speedresampler.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zem {

class VoiceRenderer {
public:
    using Pull = SourceWindow::Pull;

    explicit VoiceRenderer(int channels) : channels_(static_cast<size_t>(channels)), speed_(channels) {}

    // The source's next frame is `position`; what is buffered is dropped.
    void Reset(uint64_t position) { speed_.Reset(static_cast<int64_t>(position)); }
    // Source frame heard next.
    uint64_t Position() const;

    // Adds `frames` frames to `mix` (interleaved stereo), the source played at `speed` source
    // frames per mix frame; a speed that changes glides in over these frames.
    void MixInto(float* mix, size_t frames, double speed, float gainLeft, float gainRight, const Pull& pull);
    // The source has ended and all of it has been played.
    bool Exhausted() const { return speed_.Exhausted(); }

private:
    const size_t channels_;
    SpeedResampler speed_;
    std::vector<float> out_;
};

// Balance gains for pan 0 (left) .. 128 (centre, both full) .. 255 (right).
void PanGains(int pan, float& left, float& right);

}  // namespace zem
