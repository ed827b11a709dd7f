#include "sound/speedresampler.h"

#include "base/trace.h"

#include <algorithm>

namespace zem {

SpeedResampler::SpeedResampler(int channels, double speed, double maxSpeed)
    : channels_(static_cast<size_t>(channels)), maxSpeed_(maxSpeed), speed_(speed)
{
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
    io.scale = 32768;  // floats in sample units, as the mix sums them
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_VR);
    soxr_error_t error = nullptr;
    // In variable-rate mode the two rates only bound the ratio that may be set.
    soxr_.reset(soxr_create(maxSpeed, 1.0, static_cast<unsigned>(channels), &error, &io, &quality, nullptr));
    if (error) {
        Trace("sound: the variable-rate resampler failed: %s", error);
        soxr_.reset();
        return;
    }
    soxr_set_io_ratio(soxr_.get(), speed, 0);
}

void SpeedResampler::SetSpeed(double speed, size_t glideFrames)
{
    if (speed == speed_)
        return;
    speed_ = speed;
    // The primed frames play out at the speed they were heard at; the change follows them.
    if (discard_ > 0) {
        glideAfterPriming_ = glideFrames;
        changeAfterPriming_ = true;
        return;
    }
    soxr_set_io_ratio(soxr_.get(), speed, glideFrames);
}

void SpeedResampler::Prime(const int16_t* frames, size_t count)
{
    if (count == 0)
        return;
    // The variable-rate output trails its input by a little more than a frame beyond what it
    // reports; the primed frames play that much faster, so the first frame after them follows
    // the last one heard without a jump.
    constexpr double kTrailFrames = 1.63;
    soxr_set_io_ratio(soxr_.get(), speed_ * (static_cast<double>(count) + kTrailFrames) / static_cast<double>(count), 0);
    primedSpeed_ = speed_;
    Feed(frames, count);
    discard_ += count;
}

void SpeedResampler::Feed(const int16_t* frames, size_t count)
{
    pending_.insert(pending_.end(), frames, frames + count * channels_);
}

size_t SpeedResampler::Output(float* out, size_t frames, bool sourceEnded)
{
    size_t made = 0;
    while (made < frames) {
        const size_t pendingFrames = pending_.size() / channels_;
        // The filter's tail comes out only once it is told nothing more follows.
        const int16_t* in = pendingFrames == 0 && sourceEnded ? nullptr : pending_.data();
        size_t taken = 0;
        size_t got = 0;
        float* to = out + made * channels_;
        size_t room = frames - made;
        if (discard_ > 0) {
            dropped_.resize(discard_ * channels_);
            to = dropped_.data();
            room = discard_;
        }
        if (soxr_process(soxr_.get(), in, pendingFrames, &taken, to, room, &got))
            break;
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(taken * channels_));
        if (discard_ > 0) {
            discard_ -= got;
            if (discard_ == 0) {
                soxr_set_io_ratio(soxr_.get(), primedSpeed_, 0);
                if (changeAfterPriming_)
                    soxr_set_io_ratio(soxr_.get(), speed_, glideAfterPriming_);
                changeAfterPriming_ = false;
            }
        } else {
            made += got;
        }
        if (got == 0)
            break;
    }
    return made;
}

double SpeedResampler::HeldFrames() const
{
    const double inside = soxr_delay(soxr_.get()) * speed_;
    return static_cast<double>(pending_.size() / channels_) + std::max(inside - static_cast<double>(discard_) * speed_, 0.0);
}

}  // namespace zem
