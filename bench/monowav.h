// The head of a 16-bit mono PCM WAV file whose samples the benchmark writes after it.
#pragma once

#include "base/riff.h"
#include "codec/waveformat.h"

#include <cstdint>
#include <string>

inline std::string MonoPcmHead(uint32_t rate, uint32_t dataBytes)
{
    zem::RiffWriter riff(zem::RiffLength::Standard);
    riff.Chunk("fmt ", zem::MakePcmFormat(rate, 1, 16).ToBytes().data(), 16);
    riff.ChunkHead("data", dataBytes);
    return riff.Bytes(dataBytes);
}
