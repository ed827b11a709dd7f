// Turns a recording's coded sample data into 16-bit PCM, whole blocks at a time, through the
// codec layer: 8/16-bit PCM and every codec it has a driver for.
#pragma once

#include "codec/codec.h"
#include "codec/waveformat.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zem {

class Decoder {
public:
    // Null when no driver decodes the format.
    static std::unique_ptr<Decoder> Open(const WaveFormat& format);

    size_t BlockBytes() const { return blockBytes_; }    // coded bytes of one block
    size_t BlockFrames() const { return blockFrames_; }  // frames one block decodes to

    // Decodes `blocks` whole blocks from `in` into `out`, which holds
    // blocks x BlockFrames() x channels values. Codec state carries over to the next call.
    void Decode(const uint8_t* in, size_t blocks, int16_t* out);
    // The next block decodes as the first of a stream (after a seek).
    void Reset() { stream_->Reset(); }

private:
    explicit Decoder(std::unique_ptr<codec::Stream> stream);

    std::unique_ptr<codec::Stream> stream_;
    size_t blockBytes_;
    size_t blockFrames_;
    bool copies_ = false;  // 16-bit PCM: decoding is a copy
};

}  // namespace zem
