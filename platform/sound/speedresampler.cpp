#include "sound/speedresampler.h"

#include <algorithm>
#include <cmath>

namespace zem {
namespace {

// A glide changes the speed every this many frames, so it knows where it ends.
constexpr size_t kStepFrames = 4;
// The crossfade between two paths at the same position. Their filters differ in phase towards
// the top of the band, so a plain switch would click there.
constexpr size_t kFadeFrames = 16;
// The lowest bound of the variable-rate resampler's speed; a faster channel raises it.
constexpr double kMinMaxSpeed = 4.0;

// Frames a fixed-rate path at `speed` drops when it takes over, having heard the frames before.
size_t PrimingSkip(double speed)
{
    return static_cast<size_t>(std::ceil(static_cast<double>(ResamplerPath::kPrimeFrames) / speed));
}

// A steady path at `speed` takes over at a whole source frame plus this fraction.
double SteadyFraction(double speed)
{
    if (speed == 1.0)
        return 0;
    const double first = static_cast<double>(PrimingSkip(speed)) * speed;
    return first - std::floor(first);
}

// The speed of a glide's step (1 to steps).
double StepSpeed(double from, double to, double correction, int step, int steps)
{
    if (step == steps)
        return to;
    return from + (to - from) * step / steps + correction;
}

}  // namespace

void SpeedResampler::Reset(int64_t position)
{
    source_.Reset(position);
    phase_ = Phase::Steady;
    steady_.reset();
    variable_.reset();
    start_ = position;
    heard_ = false;
    drained_ = false;
}

double SpeedResampler::Position() const
{
    const SpeedPath* path = phase_ == Phase::Glide ? variable_.get() : steady_.get();
    if (!path)
        return static_cast<double>(start_);
    const double at = path->Position();
    return source_.Ended() ? std::min(at, static_cast<double>(source_.End())) : at;
}

size_t SpeedResampler::Render(float* out, size_t frames, double speed, const SourceWindow::Pull& pull)
{
    Prepare(frames, speed);
    const size_t channels = source_.Channels();
    size_t made = 0;
    while (made < frames) {
        Advance();
        float* to = out + made * channels;
        size_t wanted = frames - made;
        size_t got = 0;
        switch (phase_) {
        case Phase::Steady:
            got = steady_->Output(to, wanted, source_, pull);
            break;
        case Phase::FadeIn:
            wanted = std::min(wanted, kFadeFrames - faded_);
            got = Fade(*steady_, *variable_, to, wanted, pull);
            break;
        case Phase::Glide:
            wanted = std::min(wanted, glide_.left);
            got = variable_->Output(to, wanted, source_, pull);
            glide_.left -= got;
            break;
        case Phase::FadeOut:
            wanted = std::min(wanted, kFadeFrames - faded_);
            got = Fade(*variable_, *steady_, to, wanted, pull);
            break;
        }
        made += got;
        if (got < wanted)
            break;
    }
    Finish(frames, made);
    return made;
}

const int16_t* SpeedResampler::Straight(size_t frames, double speed, const SourceWindow::Pull& pull, size_t& made)
{
    Prepare(frames, speed);
    Advance();
    made = 0;
    const int16_t* from = phase_ == Phase::Steady ? steady_->Straight(frames, source_, pull, made) : nullptr;
    if (from)
        Finish(frames, made);
    return from;
}

void SpeedResampler::Prepare(size_t frames, double speed)
{
    // What a path taking over would start with stays.
    source_.Forget(static_cast<int64_t>(std::floor(Position())) - ResamplerPath::kPrimeFrames -
                   static_cast<int64_t>(std::ceil(target_)) - 1);
    if (speed != target_) {
        target_ = speed;
        glideFrames_ = frames;
    }
    if (!heard_ && (!steady_ || steady_->Speed() != target_)) {
        steady_ = MakeSteady(target_, static_cast<double>(start_), 0);
        variable_.reset();
        phase_ = Phase::Steady;
    }
}

void SpeedResampler::Finish(size_t frames, size_t made)
{
    heard_ = heard_ || made > 0;
    drained_ = made < frames && source_.Ended();
}

void SpeedResampler::Advance()
{
    for (;;) {
        switch (phase_) {
        case Phase::Steady:
            if (steady_->Speed() == target_ || !StartGlide())
                return;
            phase_ = Phase::FadeIn;
            faded_ = 0;
            return;
        case Phase::FadeIn:
            if (faded_ < kFadeFrames)
                return;
            steady_.reset();
            PlanGlide();
            phase_ = Phase::Glide;
            break;
        case Phase::Glide:
            if (glide_.left > 0 || NextStep())
                return;
            steady_ = MakeSteady(glide_.to, glide_.landing, PrimingSkip(glide_.to));
            phase_ = Phase::FadeOut;
            faded_ = 0;
            return;
        case Phase::FadeOut:
            if (faded_ < kFadeFrames)
                return;
            variable_.reset();
            phase_ = Phase::Steady;
            break;
        }
    }
}

bool SpeedResampler::StartGlide()
{
    const double from = steady_->Speed();
    const double at = steady_->Position();
    variable_ = ResamplerPath::Variable(source_.Channels(), from, at, std::max(kMinMaxSpeed, 2 * std::max(from, target_)));
    if (variable_)
        return true;
    // Without a glide the new speed starts at once.
    steady_ = MakeSteady(target_, at, PrimingSkip(target_));
    return false;
}

void SpeedResampler::PlanGlide()
{
    Glide glide;
    glide.from = variable_->Speed();
    glide.to = std::min(target_, variable_->MaxSpeed() / 2);
    // The crossfades at either end belong to the change too.
    const size_t frames = glideFrames_ > 2 * kFadeFrames ? glideFrames_ - 2 * kFadeFrames : 0;
    glide.steps = std::max(2, static_cast<int>((frames + kStepFrames - 1) / kStepFrames));
    double stepped = 0;
    for (int step = 1; step <= glide.steps; ++step)
        stepped += StepSpeed(glide.from, glide.to, 0, step, glide.steps) * kStepFrames;
    // The steps but the last move the end onto a position the next steady path can start at.
    const double natural = variable_->PositionAfter(stepped, glide.to);
    double shift = SteadyFraction(glide.to) - (natural - std::floor(natural));
    shift -= std::round(shift);
    glide.correction = shift / static_cast<double>(kStepFrames * static_cast<size_t>(glide.steps - 1));
    glide.landing = natural + shift;
    glide_ = glide;
}

bool SpeedResampler::NextStep()
{
    // A newer speed glides on from here.
    if (glide_.to != std::min(target_, variable_->MaxSpeed() / 2))
        PlanGlide();
    else if (glide_.step == glide_.steps)
        return false;
    ++glide_.step;
    variable_->SetSpeed(StepSpeed(glide_.from, glide_.to, glide_.correction, glide_.step, glide_.steps));
    glide_.left = kStepFrames;
    return true;
}

std::unique_ptr<SpeedPath> SpeedResampler::MakeSteady(double speed, double at, size_t skip) const
{
    const size_t channels = source_.Channels();
    if (speed != 1.0) {
        const auto from = static_cast<int64_t>(std::llround(at - static_cast<double>(skip) * speed));
        if (std::unique_ptr<ResamplerPath> fixed = ResamplerPath::Fixed(channels, speed, from, skip))
            return fixed;
    }
    return std::make_unique<DirectPath>(channels, static_cast<int64_t>(std::llround(at)));
}

size_t SpeedResampler::Fade(SpeedPath& from, SpeedPath& to, float* out, size_t frames, const SourceWindow::Pull& pull)
{
    const size_t channels = source_.Channels();
    const size_t made = from.Output(out, frames, source_, pull);
    fading_.resize(made * channels);
    const size_t both = to.Output(fading_.data(), made, source_, pull);
    if (both < made)
        from.Return(out + both * channels, made - both);
    for (size_t k = 0; k < both; ++k) {
        const float weight = static_cast<float>(faded_ + k + 1) / static_cast<float>(kFadeFrames + 1);
        for (size_t c = 0; c < channels; ++c) {
            float& sample = out[k * channels + c];
            sample += weight * (fading_[k * channels + c] - sample);
        }
    }
    faded_ += both;
    return both;
}

}  // namespace zem
