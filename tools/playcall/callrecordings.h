// The recordings of a short generated call, and reading back the levels of tones in a WAV
// file, so the main job can show what it played.
#pragma once

#include "sound/tonelevel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace playcall {

constexpr int kRate = 8000;

struct Tone {
    double hertz;
    double amplitude;  // of a 16-bit sample
};

// A 16-bit mono WAV file of the tones added up; false when it cannot be written.
bool WriteToneRecording(const std::string& path, const std::vector<Tone>& tones, int ms);

// The left side of a 16-bit WAV file's samples (mono or stereo); empty when it cannot be read.
std::vector<int16_t> ReadLeftSide(const std::string& path, int* rate);

using zem::ToneLevel;

}  // namespace playcall
