#include "zemWaveLib/samples.h"

#include "base/littleendian.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr double kSilenceDb = -120.0;

int16_t Top16(const uint8_t* sample, unsigned sampleBytes)
{
    return static_cast<int16_t>(zem::ReadLe16(sample + sampleBytes - 2));
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
