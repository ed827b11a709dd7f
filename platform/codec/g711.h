// G.711 companding (A-law and mu-law), one byte per sample, and its two drivers.
#pragma once

#include "codec/driver.h"

#include <cstdint>

namespace zem::codec {

int16_t ALawToLinear(uint8_t code);
uint8_t LinearToALaw(int16_t sample);
int16_t MuLawToLinear(uint8_t code);
uint8_t LinearToMuLaw(int16_t sample);

const Driver& ALawDriver();
const Driver& MuLawDriver();

}  // namespace zem::codec
