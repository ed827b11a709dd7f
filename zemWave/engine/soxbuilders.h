// The glue's further one-line runs of the effect runner, each building the argument vector of
// one "sox" command and running it in memory mode. `type` fills the "%s" of the dummy file
// names ("wav" for WAV images); the output buffer is malloc'ed, free it with free().
// The engine itself filters with SoxBandReject alone.
#pragma once

#include "zemWave/engine/effectrunner.h"

#include <cstdint>
#include <string>

// One input or the output of a buffer-based run.
struct SoxBuffer {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
};
struct SoxResult {
    uint8_t* data = nullptr;  // malloc'ed; null after a failed run
    uint32_t length = 0;
};

// Each returns SoxMain's result: 0 on success.
// "sox" "-v" factor "dummyin.%s" "dummyout.%s"
int SoxVolume(double factor, const std::string& type, SoxBuffer in, SoxResult& out);
// "sox" "dummyin.%s" "dummyout.%s" "filter" spec, spec as "[low]-[high]"
int SoxFilter(const std::string& spec, const std::string& type, SoxBuffer in, SoxResult& out);
// "sox" "dummyin1.%s" "dummyin2.%s" "dummyout.%s": the two inputs mixed half and half
int SoxMixTwo(const std::string& type, SoxBuffer first, SoxBuffer second, SoxResult& out);
// "sox" "dummyin.%s" "-c 2" "dummyout.%s" "avg" left right: the gain into each side
int SoxMonoToStereo(double leftGain, double rightGain, const std::string& type, SoxBuffer in, SoxResult& out);
// "sox" "dummyin.%s" "-c 1" "dummyout.%s" "avg" left right: the gain of each side in the mix
int SoxStereoToMono(double leftGain, double rightGain, const std::string& type, SoxBuffer in, SoxResult& out);
// "sox" "-u" "dummyin.%s" "-u" "dummyout.%s" "bandreject" centre width: 8-bit unsigned data
int SoxBandRejectTyped(int centreHz, int widthHz, const std::string& type, SoxBuffer in, SoxResult& out);

// On a record like SoxBandReject: the input image to the output image, parsed.
// The block at a new sample rate ("-r rate" for the output).
int SoxResampleTo(int rate, SoxWavRecord& record);
// The block stretched in time by factor (a number as text: "2" is twice as long).
int SoxStretch(const std::string& factor, SoxWavRecord& record);
