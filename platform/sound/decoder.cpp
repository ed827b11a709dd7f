#include "sound/decoder.h"

#include <cstring>
#include <span>

namespace zem {

std::unique_ptr<Decoder> Decoder::Open(const WaveFormat& format)
{
    WaveFormat source = format;
    // Plain PCM plays by its channels and bits; a stated block size or byte rate that does
    // not fit them is not worth refusing a recording for.
    if (format.formatTag == WAVE_FORMAT_PCM)
        source = MakePcmFormat(format.samplesPerSec, format.channels, format.bitsPerSample);
    std::unique_ptr<codec::Stream> stream;
    if (codec::OpenStream(0, source, codec::DecodedPcmFormat(source), stream) != MMSYSERR_NOERROR)
        return nullptr;
    auto decoder = std::unique_ptr<Decoder>(new Decoder(std::move(stream)));
    decoder->copies_ = format.formatTag == WAVE_FORMAT_PCM && format.bitsPerSample == 16;
    return decoder;
}

Decoder::Decoder(std::unique_ptr<codec::Stream> stream)
    : stream_(std::move(stream)), blockBytes_(stream_->SourceBlockBytes()),
      blockFrames_(stream_->TargetBlockBytes() / stream_->Target().blockAlign)
{
}

void Decoder::Decode(const uint8_t* in, size_t blocks, int16_t* out)
{
    // 16-bit PCM bytes are the samples themselves on this little-endian machine.
    if (copies_) {
        std::memcpy(out, in, blocks * blockBytes_);
        return;
    }
    const std::span<const uint8_t> source(in, blocks * blockBytes_);
    const std::span<uint8_t> target(reinterpret_cast<uint8_t*>(out),
                                    blocks * stream_->TargetBlockBytes());
    codec::ConvertCount count;
    stream_->Convert(source, target, false, count);
}

}  // namespace zem
