// The wave library names the format head and tags without a namespace, as its callers do;
// the codec layer holds their one definition.
#pragma once

#include "codec/waveformat.h"

using zem::WAVE_FORMAT_ALAW;
using zem::WAVE_FORMAT_GSM610;
using zem::WAVE_FORMAT_IMA_ADPCM;
using zem::WAVE_FORMAT_MULAW;
using zem::WAVE_FORMAT_PCM;
using zem::WAVEFORMATEX;
