#include "sound/speedpath.h"

#include "base/trace.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zem {
namespace {

// A resampler reads this many source frames more ahead each time it runs short, until one
// read per block keeps it going.
constexpr size_t kLeadFrames = 32;

// libsoxr's variable-rate output trails the point it steps to by this many output frames (the
// half-band filter it ends with), whatever the speed.
constexpr double kVariableLag = 1.863;

// The first frames a variable-rate resampler hears rise from silence over this many frames:
// the half-band filter it ends with rings for a long time after a jump.
constexpr int64_t kOnsetFrames = 128;

// libsoxr starts its variable-rate resampler half a step into the input of the stage the first
// speed picks: speed / 4 frames from 1 up; below 1 that stage works on the input doubled.
double VariableStartOffset(double speed)
{
    return speed >= 1.0 ? speed / 4 : (2 * speed - std::floor(2 * speed)) / 4;
}

SoxrHandle MakeSoxr(size_t channels, double inRate, const soxr_quality_spec_t& quality, const char* kind)
{
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
    io.scale = 32768;  // floats in sample units, as the mix sums them
    soxr_error_t error = nullptr;
    SoxrHandle soxr(soxr_create(inRate, 1.0, static_cast<unsigned>(channels), &error, &io, &quality, nullptr));
    if (error) {
        Trace("sound: the %s resampler failed: %s", kind, error);
        soxr.reset();
    }
    return soxr;
}

}  // namespace

size_t SpeedPath::Output(float* out, size_t frames, SourceWindow& source, const SourceWindow::Pull& pull)
{
    const size_t back = std::min(frames, returned_.size() / channels_);
    std::copy_n(returned_.begin(), back * channels_, out);
    returned_.erase(returned_.begin(), returned_.begin() + static_cast<long>(back * channels_));
    if (back == frames)
        return back;
    return back + Make(out + back * channels_, frames - back, source, pull);
}

void SpeedPath::Return(const float* frames, size_t count)
{
    returned_.insert(returned_.begin(), frames, frames + count * channels_);
}

double SpeedPath::Position() const
{
    return MadePosition() - static_cast<double>(returned_.size() / channels_) * speed_;
}

const int16_t* SpeedPath::Straight(size_t frames, SourceWindow& source, const SourceWindow::Pull& pull, size_t& got)
{
    got = 0;
    return returned_.empty() ? TakeStraight(frames, source, pull, got) : nullptr;
}

const int16_t* SpeedPath::TakeStraight(size_t, SourceWindow&, const SourceWindow::Pull&, size_t&)
{
    return nullptr;
}

const int16_t* DirectPath::TakeStraight(size_t frames, SourceWindow& source, const SourceWindow::Pull& pull, size_t& got)
{
    const auto wanted = static_cast<int64_t>(frames);
    if (source.End() - next_ < wanted)
        source.Read(static_cast<size_t>(wanted - (source.End() - next_)), pull);
    got = static_cast<size_t>(std::clamp<int64_t>(source.End() - next_, 0, wanted));
    const int16_t* from = source.At(next_);
    next_ += static_cast<int64_t>(got);
    return from;
}

size_t DirectPath::Make(float* out, size_t frames, SourceWindow& source, const SourceWindow::Pull& pull)
{
    size_t made = 0;
    const int16_t* from = TakeStraight(frames, source, pull, made);
    std::copy_n(from, made * channels_, out);
    return made;
}

std::unique_ptr<ResamplerPath> ResamplerPath::Fixed(size_t channels, double speed, int64_t from, size_t skip)
{
    SoxrHandle soxr = MakeSoxr(channels, speed, SpeechQuality(), "fixed-rate");
    if (!soxr)
        return nullptr;
    return std::unique_ptr<ResamplerPath>(new ResamplerPath(channels, speed, 0, std::move(soxr), from, skip));
}

std::unique_ptr<ResamplerPath> ResamplerPath::Variable(size_t channels, double speed, double at, double maxSpeed)
{
    // In variable-rate mode the two rates only bound the speed that may be set.
    SoxrHandle soxr = MakeSoxr(channels, maxSpeed, soxr_quality_spec(SOXR_HQ, SOXR_VR), "variable-rate");
    if (!soxr)
        return nullptr;
    const int64_t from = static_cast<int64_t>(std::floor(at)) - kPrimeFrames;
    const auto skip = static_cast<size_t>(std::max<long long>(std::llround((at - static_cast<double>(from)) / speed), 1));
    std::unique_ptr<ResamplerPath> path(new ResamplerPath(channels, speed, maxSpeed, std::move(soxr), from, skip));
    // The first speed set decides where the resampler starts. The dropped frames step a little
    // faster or slower, so that the first one heard is at `at`.
    soxr_set_io_ratio(path->soxr_.get(), speed, 0);
    path->ahead_ = static_cast<double>(from) + VariableStartOffset(speed);
    path->ratio_ = (at + kVariableLag * speed - path->ahead_) / static_cast<double>(skip);
    soxr_set_io_ratio(path->soxr_.get(), path->ratio_, 0);
    path->heardFirst_ = at;
    return path;
}

ResamplerPath::ResamplerPath(size_t channels, double speed, double maxSpeed, SoxrHandle soxr, int64_t from,
                             size_t skip)
    : SpeedPath(channels, speed), maxSpeed_(maxSpeed), soxr_(std::move(soxr)), next_(from), from_(from),
      skipped_(skip), skip_(skip), ratio_(speed)
{
}

void ResamplerPath::SetSpeed(double speed)
{
    speed_ = speed;
    ratio_ = speed;
    soxr_set_io_ratio(soxr_.get(), speed, 0);
}

double ResamplerPath::PositionAfter(double sourceFrames, double speed) const
{
    return ahead_ + sourceFrames - kVariableLag * speed;
}

double ResamplerPath::MadePosition() const
{
    if (maxSpeed_ == 0)
        return static_cast<double>(from_) + static_cast<double>(std::max(made_, skipped_)) * speed_;
    return skip_ > 0 ? heardFirst_ : ahead_ - kVariableLag * speed_;
}

const int16_t* ResamplerPath::Input(const SourceWindow& source, size_t fresh)
{
    const int16_t* frames = source.At(next_);
    if (next_ >= onsetEnd_)
        return frames;
    faded_.assign(frames, frames + fresh * channels_);
    for (size_t k = 0; k < fresh && next_ + static_cast<int64_t>(k) < onsetEnd_; ++k) {
        const double into = static_cast<double>(next_ + static_cast<int64_t>(k) - (onsetEnd_ - kOnsetFrames));
        const double gain = 0.5 - 0.5 * std::cos(std::numbers::pi * into / kOnsetFrames);
        for (size_t c = 0; c < channels_; ++c) {
            int16_t& sample = faded_[k * channels_ + c];
            sample = static_cast<int16_t>(std::lround(sample * gain));
        }
    }
    return faded_.data();
}

size_t ResamplerPath::Make(float* out, size_t frames, SourceWindow& source, const SourceWindow::Pull& pull)
{
    if (next_ < source.Start()) {
        // Before what was read since the last reset: silence.
        const std::vector<int16_t> silence(static_cast<size_t>(source.Start() - next_) * channels_);
        size_t none = 0;
        soxr_process(soxr_.get(), silence.data(), silence.size() / channels_, nullptr, out, 0, &none);
        next_ = source.Start();
    }
    if (onsetEnd_ < 0)
        onsetEnd_ = next_ + (maxSpeed_ > 0 ? kOnsetFrames : 0);
    size_t made = 0;
    while (made < frames) {
        const bool dropping = skip_ > 0;
        const size_t room = dropping ? skip_ : frames - made;
        if (dropping)
            dropped_.resize(room * channels_);
        float* to = dropping ? dropped_.data() : out + made * channels_;
        // What the frames to make need, and what the resampler has shown it wants beyond them.
        const double needed = MadePosition() + (dropping ? 0.0 : static_cast<double>(room) * ratio_) + lead_;
        const int64_t missing = static_cast<int64_t>(std::ceil(needed)) - source.End();
        const bool stalled = missing > 0 && source.Read(static_cast<size_t>(missing), pull) < static_cast<size_t>(missing) &&
                             !source.Ended();
        const auto fresh = static_cast<size_t>(source.End() - next_);
        // Without more frames at the end of the source the filter's tail comes out.
        const bool flush = fresh == 0 && source.Ended();
        static const int16_t kNothing = 0;
        const int16_t* in = flush ? nullptr : fresh > 0 ? Input(source, fresh) : &kNothing;
        size_t got = 0;
        if (soxr_process(soxr_.get(), in, fresh, nullptr, to, room, &got))
            break;
        next_ += static_cast<int64_t>(fresh);
        made_ += got;
        ahead_ += static_cast<double>(got) * ratio_;
        if (!dropping) {
            made += got;
        } else if ((skip_ -= got) == 0 && maxSpeed_ > 0) {
            SetSpeed(speed_);
        }
        if (got > 0)
            continue;
        if (flush || stalled)
            break;  // played out, or nothing more for now
        lead_ += static_cast<double>(kLeadFrames);
    }
    return made;
}

}  // namespace zem
