// SampleLayout: how the samples of a PCM-like format lie in a block, and the two summaries
// the wave library takes of them (overview values and levels).
#pragma once

#include "codec/waveformat.h"

#include <cstddef>
#include <cstdint>

struct SampleLayout {
    unsigned sampleBytes = 0;  // bytes of one sample: bits per sample rounded up to bytes
    unsigned channels = 0;

    static SampleLayout Of(const zem::WAVEFORMATEX& format);

    // One overview value: an 8-bit sample b as b x 257 (silence 128 gives 32896); a wider
    // sample as its top 16 bits as stored (16-bit data as it is; silence 0).
    uint16_t OverviewValue(const uint8_t* sample) const;
    uint16_t OverviewSilence() const { return sampleBytes == 1 ? 32896 : 0; }

    // Mean magnitude of the whole samples in bytes: decibels of full scale for 8-bit data
    // (-120.0 for silence or nothing), percent of full scale for wider samples.
    double Level(const uint8_t* bytes, size_t count) const;
};
