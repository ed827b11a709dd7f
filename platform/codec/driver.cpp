#include "codec/driver.h"

#include "codec/g711.h"
#include "codec/gsm610.h"
#include "codec/imaadpcm.h"

namespace zem::codec {
namespace {

// The rates every driver lists; streams take any rate, the list only names common ones.
constexpr uint32_t kListedRates[] = {8000, 11025, 22050, 44100};

bool IsPcm16For(const WaveFormat& pcm, const WaveFormat& own)
{
    return pcm.formatTag == WAVE_FORMAT_PCM && pcm.bitsPerSample == 16 &&
           pcm.channels == own.channels && pcm.samplesPerSec == own.samplesPerSec &&
           pcm.blockAlign == 2 * own.channels;
}

}  // namespace

std::vector<WaveFormat> PcmPairDriver::Formats() const
{
    std::vector<WaveFormat> formats;
    for (uint32_t rate : kListedRates)
        for (uint16_t channels = 1; channels <= MaxChannels(); ++channels)
            formats.push_back(MakePcmFormat(rate, channels, 16));
    for (uint32_t rate : kListedRates)
        for (uint16_t channels = 1; channels <= MaxChannels(); ++channels)
            formats.push_back(OwnFormat(rate, channels));
    return formats;
}

std::unique_ptr<BlockCoder> PcmPairDriver::Open(const WaveFormat& source,
                                                const WaveFormat& target) const
{
    if (source.formatTag == FormatTag() && source.channels <= MaxChannels() &&
        IsPcm16For(target, source) && Accepts(source))
        return Decoder(source);
    if (target.formatTag == FormatTag() && target.channels <= MaxChannels() &&
        IsPcm16For(source, target) && Accepts(target))
        return Encoder(target);
    return nullptr;
}

const std::vector<const Driver*>& AllDrivers()
{
    static const std::vector<const Driver*> drivers{&ALawDriver(), &MuLawDriver(),
                                                    &ImaAdpcmDriver(), &Gsm610Driver()};
    return drivers;
}

}  // namespace zem::codec
