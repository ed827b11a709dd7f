#include "sound/voicerenderer.h"

#include <algorithm>
#include <cmath>

namespace zem {
namespace {

// Adds mono or stereo frames to the stereo mix, a gain per side.
template <class Sample>
void AddToMix(float* mix, const Sample* from, size_t frames, size_t channels, float gainLeft, float gainRight)
{
    const size_t right = channels > 1 ? 1 : 0;
    for (size_t k = 0; k < frames; ++k, from += channels) {
        mix[2 * k] += static_cast<float>(from[0]) * gainLeft;
        mix[2 * k + 1] += static_cast<float>(from[right]) * gainRight;
    }
}

}  // namespace

uint64_t VoiceRenderer::Position() const
{
    return static_cast<uint64_t>(std::max<long long>(std::llround(speed_.Position()), 0));
}

void VoiceRenderer::MixInto(float* mix, size_t frames, double speed, float gainLeft, float gainRight,
                            const Pull& pull)
{
    size_t made = 0;
    if (const int16_t* source = speed_.Straight(frames, speed, pull, made)) {
        AddToMix(mix, source, made, channels_, gainLeft, gainRight);
        return;
    }
    out_.resize(frames * channels_);
    // A source with nothing more for now leaves the rest of the block silent.
    made = speed_.Render(out_.data(), frames, speed, pull);
    AddToMix(mix, out_.data(), made, channels_, gainLeft, gainRight);
}

void PanGains(int pan, float& left, float& right)
{
    left = pan <= 128 ? 1.0f : static_cast<float>(255 - pan) / 127.0f;
    right = pan >= 128 ? 1.0f : static_cast<float>(pan) / 128.0f;
}

}  // namespace zem
