// GSM 06.10 full rate as WAVE files store it (tag 49): 65-byte blocks that each pack two
// 160-sample frames, mono, over libgsm.
#pragma once

#include "codec/driver.h"

namespace zem::codec {

constexpr uint16_t kGsmBlockBytes = 65;
constexpr uint16_t kGsmSamplesPerBlock = 320;

const Driver& Gsm610Driver();

}  // namespace zem::codec
