#include "zemWaveLib/samples.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double kSilenceDb = -120.0;

int16_t Top16(const uint8_t* sample, unsigned sampleBytes)
{
    int16_t value = 0;
    std::memcpy(&value, sample + sampleBytes - 2, 2);
    return value;
}

}  // namespace

SampleLayout SampleLayout::Of(const zem::WAVEFORMATEX& format)
{
    return {static_cast<unsigned>((format.wBitsPerSample + 7) / 8), format.nChannels};
}

uint16_t SampleLayout::OverviewValue(const uint8_t* sample) const
{
    if (sampleBytes == 1)
        return static_cast<uint16_t>(sample[0] * 257);
    return static_cast<uint16_t>(Top16(sample, sampleBytes));
}

double SampleLayout::Level(const uint8_t* bytes, size_t count) const
{
    const size_t samples = sampleBytes ? count / sampleBytes : 0;
    if (sampleBytes == 1) {
        if (samples == 0)
            return kSilenceDb;
        double sum = 0;
        for (size_t i = 0; i < samples; ++i)
            sum += std::abs(int{bytes[i]} - 128);
        const double measure = sum / samples / 128.0;
        return measure > 0 ? 20.0 * std::log10(measure) : kSilenceDb;
    }
    if (samples == 0)
        return 0.0;
    double sum = 0;
    for (size_t i = 0; i < samples; ++i)
        sum += std::abs(int{Top16(bytes + i * sampleBytes, sampleBytes)});
    return sum / samples / 32768.0 * 100.0;
}
