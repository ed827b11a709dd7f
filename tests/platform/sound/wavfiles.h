// Builds WAV files for the sound tests at run time and reads back what the wav output wrote.
#pragma once

#include "sound/tonelevel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace soundtest {

struct WavSpec {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t rate = 8000;
    uint16_t bits = 16;
    std::string dataBytes;          // the data chunk's content
    uint32_t declaredDataSize = 0;  // 0: the real size; more: a file that is still growing
    bool systemRiffLength = false;  // RIFF length = whole file (as the recorder writes it)
    std::string chunksBeforeData;   // whole chunks (id, size, data) placed after "fmt "
};

std::string MakeWav(const WavSpec& spec);
std::string Pcm16(const std::vector<int16_t>& samples);
std::string Chunk(const std::string& id, const std::string& data);

std::vector<int16_t> Tone(double hertz, double amplitude, int rate, int frames);
// Frame i holds i - offset: the value tells where playback is.
std::vector<int16_t> Ramp(int frames, int offset);

// The interleaved stereo samples of a WAV file the wav output wrote.
std::vector<int16_t> ReadMix(const std::string& path);
// One side (0 left, 1 right) of the mix between two times, at `rate`.
std::vector<int16_t> Side(const std::vector<int16_t>& mix, int side, int rate, int fromMs, int toMs);

double Rms(const std::vector<int16_t>& samples);
// Index of the first sample where the two differ (the shorter length when one is a prefix of
// the other), -1 when they are equal.
long FirstDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b);
using zem::ToneLevel;
// The first ms (in 5 ms steps) from which a 10 ms window carries the tone at `level` or more;
// -1 when it never does.
long ToneOnsetMs(const std::vector<int16_t>& samples, double hertz, int rate, double level);
int ZeroCrossings(const std::vector<int16_t>& samples);

}  // namespace soundtest
