#include "zemWave/engine/bandrejectfilter.h"

#include <cmath>
#include <numbers>

bool BandRejectFilter::Configure(int centreHz, int widthHz, int sampleRate, int channels)
{
    centre_ = centreHz;
    width_ = widthHz;
    rate_ = sampleRate;
    channels_ = channels;
    history_.assign(channels > 0 ? static_cast<size_t>(channels) : 0, History{});
    const double w0 = 2 * std::numbers::pi * centreHz / sampleRate;
    valid_ = centreHz > 0 && widthHz > 0 && sampleRate > 0 && channels > 0 && w0 <= std::numbers::pi;
    if (!valid_)
        return false;
    // The notch of SoX's biquads with its old Butterworth width, normalised by a0.
    const double alpha = std::tan(std::numbers::pi * widthHz / sampleRate);
    const double a0 = 1 + alpha;
    b0_ = 1 / a0;
    b1_ = -2 * std::cos(w0) / a0;
    b2_ = b0_;
    a1_ = b1_;
    a2_ = (1 - alpha) / a0;
    return true;
}

bool BandRejectFilter::IsConfigured(int centreHz, int widthHz, int sampleRate, int channels) const
{
    return centre_ == centreHz && width_ == widthHz && rate_ == sampleRate && channels_ == channels &&
           !history_.empty();
}

void BandRejectFilter::Reset()
{
    for (History& h : history_)
        h = History{};
}

void BandRejectFilter::Process(int16_t* samples, int frames)
{
    if (!valid_)
        return;
    const size_t channels = history_.size();
    for (size_t c = 0; c < channels; ++c) {
        History h = history_[c];
        int16_t* p = samples + c;
        for (int i = 0; i < frames; ++i, p += channels) {
            const double in = *p;
            const double out = in * b0_ + h.in1 * b1_ + h.in2 * b2_ - h.out1 * a1_ - h.out2 * a2_;
            h.in2 = h.in1;
            h.in1 = in;
            h.out2 = h.out1;
            h.out1 = out;
            const double rounded = std::nearbyint(out);
            *p = static_cast<int16_t>(rounded > 32767 ? 32767 : rounded < -32768 ? -32768 : rounded);
        }
        history_[c] = h;
    }
}
