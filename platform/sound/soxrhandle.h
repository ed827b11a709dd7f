// Owns one libsoxr resampler; the quality the sound layer asks of it.
#pragma once

#include <memory>
#include <type_traits>

#include <soxr.h>

namespace zem {

struct SoxrDelete {
    void operator()(soxr_t soxr) const { soxr_delete(soxr); }
};
using SoxrHandle = std::unique_ptr<std::remove_pointer_t<soxr_t>, SoxrDelete>;

// Fixed-rate conversion of the mix's 16-bit speech: 16-bit precision, the telephone band kept
// whole (3.4 of 4 kHz at 8 kHz), nothing above the lower rate's Nyquist frequency let through.
// A shorter filter than libsoxr's default: less work, and less read ahead (a stream's DSP
// unit works on what is read, so a change of it is heard as much later).
inline soxr_quality_spec_t SpeechQuality()
{
    soxr_quality_spec_t quality = soxr_quality_spec(SOXR_16_BITQ, 0);
    quality.passband_end = 0.85;
    return quality;
}

}  // namespace zem
