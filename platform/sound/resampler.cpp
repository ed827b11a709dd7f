#include "sound/resampler.h"

#include <algorithm>
#include <cmath>

namespace zem {

void Resampler::Reset(uint64_t position)
{
    count_ = 0;
    base_ = position;
    phase_ = 0;
}

size_t Resampler::FramesWanted(size_t outFrames, double step) const
{
    if (outFrames == 0)
        return 0;
    // The last output frame interpolates between frames `last` and `last + 1`.
    const double last = std::floor(phase_ + static_cast<double>(outFrames - 1) * step);
    const size_t needed = static_cast<size_t>(last) + 2;
    return needed > count_ ? needed - count_ : 0;
}

int16_t* Resampler::Extend(size_t frames)
{
    frames_.resize((count_ + frames) * static_cast<size_t>(channels_));
    return frames_.data() + count_ * static_cast<size_t>(channels_);
}

void Resampler::Commit(size_t filled)
{
    count_ += filled;
    frames_.resize(count_ * static_cast<size_t>(channels_));
}

size_t Resampler::MixInto(float* mix, size_t outFrames, double step, float gainLeft,
                          float gainRight, bool sourceEnded)
{
    const size_t ch = static_cast<size_t>(channels_);
    const size_t right = ch > 1 ? 1 : 0;
    size_t made = 0;
    const bool direct = step == 1.0 && phase_ == std::floor(phase_);
    if (direct) {
        // The source's own rate: every output frame is a source frame, nothing to interpolate.
        const size_t first = static_cast<size_t>(phase_);
        const size_t held = sourceEnded ? 0 : 1;  // as below: wait for the frame after the last
        const size_t ready = count_ > first + held ? count_ - first - held : 0;
        made = std::min(outFrames, ready);
        const int16_t* a = frames_.data() + first * ch;
        for (size_t k = 0; k < made; ++k, a += ch) {
            mix[2 * k] += a[0] * gainLeft;
            mix[2 * k + 1] += a[right] * gainRight;
        }
    }
    for (; made < outFrames && !direct; ++made) {
        const double pos = phase_ + static_cast<double>(made) * step;
        const size_t i = static_cast<size_t>(pos);
        if (i >= count_ || (i + 1 >= count_ && !sourceEnded))
            break;
        const size_t next = i + 1 < count_ ? i + 1 : i;
        const float f = static_cast<float>(pos - static_cast<double>(i));
        const int16_t* a = &frames_[i * ch];
        const int16_t* b = &frames_[next * ch];
        const float l = a[0] + (b[0] - a[0]) * f;
        const float r = a[right] + (b[right] - a[right]) * f;
        mix[2 * made] += l * gainLeft;
        mix[2 * made + 1] += r * gainRight;
    }
    phase_ += static_cast<double>(made) * step;
    // Forget the frames that are behind the play position.
    const size_t passed = std::min(static_cast<size_t>(phase_), count_);
    if (passed > 0) {
        frames_.erase(frames_.begin(), frames_.begin() + static_cast<long>(passed * ch));
        count_ -= passed;
        base_ += passed;
        phase_ -= static_cast<double>(passed);
    }
    return made;
}

bool Resampler::Exhausted(bool sourceEnded) const
{
    return sourceEnded && phase_ >= static_cast<double>(count_);
}

void PanGains(int pan, float& left, float& right)
{
    left = pan <= 128 ? 1.0f : static_cast<float>(255 - pan) / 127.0f;
    right = pan >= 128 ? 1.0f : static_cast<float>(pan) / 128.0f;
}

}  // namespace zem
