// IMA ADPCM as WAVE files store it (tag 17): blocks of block-align bytes; per channel a
// 4-byte header (first sample, step index, 0) and then 4-bit codes in groups of four bytes
// (eight samples) per channel, interleaved, low nibble first.
#pragma once

#include "codec/driver.h"

#include <cstdint>

namespace zem::codec {

// Samples per channel in a block of blockAlign bytes; 0 when no such block exists.
uint32_t ImaSamplesPerBlock(uint32_t blockAlign, uint16_t channels);

const Driver& ImaAdpcmDriver();

}  // namespace zem::codec
