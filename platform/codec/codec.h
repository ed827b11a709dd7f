// The codec layer: a fixed set of codec drivers and conversion streams between PCM and each
// driver's format, in place of the audio compression manager.
//
// What each operation guarantees:
// - EnumerateDrivers: the same ids in the same order every time: G.711 A-law (tag 6),
//   G.711 mu-law (7), IMA ADPCM (17), GSM 6.10 (49). An id is never 0. There is no driver
//   for PCM itself.
// - GetDriverDetails: fills every field, or MMSYSERR_INVALHANDLE for an unknown id.
// - EnumerateFormats: calls back with each format the driver offers, its 16-bit PCM formats
//   first and then its own, until the callback returns false; MMSYSERR_INVALHANDLE for an
//   unknown id.
// - OpenStream: MMSYSERR_INVALPARAM when a format has no channels, rate or block alignment;
//   ACMERR_NOTPOSSIBLE when the pair cannot be converted (by the given driver, or by any
//   when the driver is 0); otherwise a stream in `out`. A driver converts between its own
//   format and 16-bit PCM of the same rate and channel count, either way. PCM to PCM of the
//   same rate (channel count, 8 or 16 bits) needs no driver and is open only with driver 0.
// - Stream::Convert: converts whole source blocks, in order, as many as the target has room
//   for, and reports the bytes used and produced; it never reads or writes outside the two
//   spans. The rest of a block stays unused, except at the end of a PCM source (`end` set),
//   where the last partial block is padded with silence and converted. MMSYSERR_INVALPARAM,
//   with nothing used, when a whole source block is there but the target cannot hold what
//   it becomes. The codec state carries from one call to the next, so a stream may be fed
//   in pieces of any size; Reset forgets it (after a seek, say). Closing is destruction.
// - Threads: the functions are safe from any thread; one stream belongs to one thread at a
//   time, and different streams convert at once without sharing anything.
#pragma once

#include "codec/waveformat.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zem {

using MMRESULT = uint32_t;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;

namespace codec {

class BlockCoder;

using DriverId = uint32_t;  // 0 stands for "no driver" or "any driver"

struct DriverDetails {
    std::string shortName;
    std::string longName;
    uint16_t formatTag = 0;  // the driver's own format
};

std::vector<DriverId> EnumerateDrivers();
MMRESULT GetDriverDetails(DriverId driver, DriverDetails& out);
MMRESULT EnumerateFormats(DriverId driver,
                          const std::function<bool(const WaveFormat&)>& callback);

struct ConvertCount {
    size_t used = 0;
    size_t produced = 0;
};

class Stream {
public:
    Stream(const WaveFormat& source, const WaveFormat& target, std::unique_ptr<BlockCoder> coder);
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    const WaveFormat& Source() const { return source_; }
    const WaveFormat& Target() const { return target_; }

    // The smallest piece of source that converts, and what it becomes.
    size_t SourceBlockBytes() const;
    size_t TargetBlockBytes() const;

    // The target bytes that sourceBytes of source become in one Convert call.
    size_t TargetSize(size_t sourceBytes, bool end) const;

    MMRESULT Convert(std::span<const uint8_t> source, std::span<uint8_t> target, bool end,
                     ConvertCount& count);
    void Reset();

private:
    WaveFormat source_;
    WaveFormat target_;
    std::unique_ptr<BlockCoder> coder_;
};

MMRESULT OpenStream(DriverId driver, const WaveFormat& source, const WaveFormat& target,
                    std::unique_ptr<Stream>& out);

// What a decoder of `source` produces: 16-bit PCM of its rate and channel count.
WaveFormat DecodedPcmFormat(const WaveFormat& source);

}  // namespace codec
}  // namespace zem
