#include "sound/rateconverter.h"

#include "base/trace.h"

namespace zem {

RateConverter::RateConverter(int fromRate, int toRate, int channels)
    : fromRate_(fromRate), toRate_(toRate), channels_(channels)
{
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    soxr_io_spec_t undithered = io;
    undithered.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = SpeechQuality();
    soxr_error_t error = nullptr;
    soxr_.reset(soxr_create(fromRate, toRate, static_cast<unsigned>(channels), &error, &undithered, &quality, nullptr));
    if (error) {
        Trace("sound: converting %d Hz to %d Hz failed: %s", fromRate, toRate, error);
        soxr_.reset();
    }
}

const int16_t* RateConverter::Convert(const int16_t* samples, int frames, int& made)
{
    // Room for this block's share and what the resampler may still hold from before.
    const size_t room = static_cast<size_t>(frames) * static_cast<size_t>(toRate_) / static_cast<size_t>(fromRate_) + 64;
    out_.resize(room * static_cast<size_t>(channels_));
    size_t got = 0;
    // No count of input taken: the resampler then takes all of it, and keeps what it cannot
    // give out yet for the next call.
    if (soxr_process(soxr_.get(), samples, static_cast<size_t>(frames), nullptr, out_.data(), room, &got))
        got = 0;
    made = static_cast<int>(got);
    return out_.data();
}

}  // namespace zem
