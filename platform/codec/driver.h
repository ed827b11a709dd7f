// The small table of operations behind every codec driver, and the converters the front
// (codec.cpp) builds streams from. Only the codec layer includes this header.
#pragma once

#include "codec/waveformat.h"

#include "base/littleendian.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zem::codec {

// Converts whole blocks of one stream. Keeps the codec state from one call to the next.
class BlockCoder {
public:
    BlockCoder(size_t sourceBlockBytes, size_t targetBlockBytes)
        : sourceBlockBytes_(sourceBlockBytes), targetBlockBytes_(targetBlockBytes)
    {
    }
    virtual ~BlockCoder() = default;

    size_t SourceBlockBytes() const { return sourceBlockBytes_; }
    size_t TargetBlockBytes() const { return targetBlockBytes_; }

    // source holds blocks × SourceBlockBytes(), target room for blocks × TargetBlockBytes().
    virtual void Convert(const uint8_t* source, uint8_t* target, size_t blocks) = 0;

    // The next block is converted as the first of a stream.
    virtual void Reset() {}

private:
    size_t sourceBlockBytes_;
    size_t targetBlockBytes_;
};

class Driver {
public:
    virtual ~Driver() = default;

    virtual const char* ShortName() const = 0;
    virtual const char* LongName() const = 0;
    virtual uint16_t FormatTag() const = 0;

    // Every format offered: the 16-bit PCM formats first, then the driver's own.
    virtual std::vector<WaveFormat> Formats() const = 0;

    // A coder for the pair, or null when this driver cannot convert it. Both formats have
    // non-zero channels, rate and block alignment (checked by the front).
    virtual std::unique_ptr<BlockCoder> Open(const WaveFormat& source,
                                             const WaveFormat& target) const = 0;
};

// A driver between its own format and 16-bit PCM of the same rate and channel count.
class PcmPairDriver : public Driver {
public:
    std::vector<WaveFormat> Formats() const final;
    std::unique_ptr<BlockCoder> Open(const WaveFormat& source,
                                     const WaveFormat& target) const final;

protected:
    virtual uint16_t MaxChannels() const = 0;
    // The driver's own format at this rate and channel count, as it enumerates it.
    virtual WaveFormat OwnFormat(uint32_t samplesPerSec, uint16_t channels) const = 0;
    // Whether the driver can read or write data in this format of its own tag.
    virtual bool Accepts(const WaveFormat& own) const = 0;
    virtual std::unique_ptr<BlockCoder> Decoder(const WaveFormat& own) const = 0;
    virtual std::unique_ptr<BlockCoder> Encoder(const WaveFormat& own) const = 0;
};

// The drivers in enumeration order.
const std::vector<const Driver*>& AllDrivers();

// PCM to PCM: channels (same count, one to many, many to one) and bits (8, 16); same rate.
// Null when the pair is not one of those.
std::unique_ptr<BlockCoder> OpenPcmConverter(const WaveFormat& source, const WaveFormat& target);

// Sample bytes of 16-bit little-endian PCM.
inline int16_t ReadSample16(const uint8_t* p)
{
    return static_cast<int16_t>(ReadLe16(p));
}

inline void WriteSample16(uint8_t* p, int v)
{
    WriteLe16(p, static_cast<uint16_t>(v));
}

}  // namespace zem::codec
