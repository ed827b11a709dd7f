#include "sound/voicerenderer.h"

#include <algorithm>
#include <cmath>

namespace zem {
namespace {

// Enough for the resampler's filter to settle before the first frame it plays.
constexpr size_t kPrimeFrames = 256;
// Source frames pulled beyond the estimate, so the resampler's latency is crossed in few rounds.
constexpr size_t kLeadFrames = 32;
// The lowest bound of the variable-rate resampler's speed; a faster channel raises it.
constexpr double kMinMaxSpeed = 4.0;

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

void VoiceRenderer::Reset(uint64_t position)
{
    fed_ = position;
    ended_ = false;
    drained_ = false;
    speed_ = 1.0;
    varied_.reset();
    heard_.clear();
}

uint64_t VoiceRenderer::Position() const
{
    if (!varied_)
        return fed_;
    const auto held = static_cast<uint64_t>(std::llround(varied_->HeldFrames()));
    return held < fed_ ? fed_ - held : 0;
}

void VoiceRenderer::MixInto(float* mix, size_t frames, double speed, float gainLeft, float gainRight,
                            const Pull& pull)
{
    if (speed != 1.0 && (!varied_ || speed > varied_->MaxSpeed()))
        StartVaried(speed_, speed);
    if (varied_)
        MixVaried(mix, frames, speed, gainLeft, gainRight, pull);
    else
        MixDirect(mix, frames, gainLeft, gainRight, pull);
    speed_ = speed;
}

void VoiceRenderer::MixDirect(float* mix, size_t frames, float gainLeft, float gainRight, const Pull& pull)
{
    source_.resize(frames * channels_);
    const size_t got = ended_ ? 0 : pull(source_.data(), frames, ended_);
    fed_ += got;
    drained_ = true;
    AddToMix(mix, source_.data(), got, channels_, gainLeft, gainRight);
    heard_.insert(heard_.end(), source_.begin(), source_.begin() + static_cast<long>(got * channels_));
    if (heard_.size() > kPrimeFrames * channels_)
        heard_.erase(heard_.begin(), heard_.end() - static_cast<long>(kPrimeFrames * channels_));
}

// A speed beyond what the current resampler was made for takes a new one, at the cost of its
// latency.
void VoiceRenderer::StartVaried(double fromSpeed, double toSpeed)
{
    // A fresh start takes its speed at once; a change while playing glides from the old one.
    const double initial = heard_.empty() ? toSpeed : fromSpeed;
    varied_ = std::make_unique<SpeedResampler>(static_cast<int>(channels_), initial,
                                               std::max({kMinMaxSpeed, fromSpeed, toSpeed}));
    if (!varied_->Ok()) {
        varied_.reset();
        return;
    }
    varied_->Prime(heard_.data(), heard_.size() / channels_);
    heard_.clear();
}

void VoiceRenderer::MixVaried(float* mix, size_t frames, double speed, float gainLeft, float gainRight,
                              const Pull& pull)
{
    varied_->SetSpeed(speed, frames);
    out_.resize(frames * channels_);
    size_t made = 0;
    // Each round either fills the block or takes more of the source; a source with nothing
    // more for now leaves the rest of the block silent.
    for (int round = 0; round < 16 && made < frames; ++round) {
        made += varied_->Output(out_.data() + made * channels_, frames - made, ended_);
        if (made == frames || ended_)
            break;
        const size_t wanted = static_cast<size_t>(std::ceil(static_cast<double>(frames - made) * speed)) + kLeadFrames;
        source_.resize(wanted * channels_);
        const size_t got = pull(source_.data(), wanted, ended_);
        fed_ += got;
        varied_->Feed(source_.data(), got);
        if (got == 0 && !ended_)
            break;
    }
    drained_ = ended_ && made < frames;
    AddToMix(mix, out_.data(), made, channels_, gainLeft, gainRight);
}

void PanGains(int pan, float& left, float& right)
{
    left = pan <= 128 ? 1.0f : static_cast<float>(255 - pan) / 127.0f;
    right = pan >= 128 ? 1.0f : static_cast<float>(pan) / 128.0f;
}

}  // namespace zem
