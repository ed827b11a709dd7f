// WAVE fixtures made at run time by libsox, an encoder and decoder independent of ours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zemtest {

enum class SoxEncoding { Pcm8, Pcm16, ALaw, MuLaw, ImaAdpcm, Gsm };

// Two tones (440 Hz and 1250 Hz) and a little deterministic noise, near -6 dBFS,
// interleaved; the second channel runs at another phase so channels differ.
std::vector<int16_t> KnownSignal(size_t frames, uint16_t channels, uint32_t rate);

// One sine of the given peak, interleaved, the same on every channel.
std::vector<int16_t> Sine(size_t frames, uint16_t channels, uint32_t rate, double hz, double peak);

// Writes samples as a WAVE file in the encoding; throws on failure.
void SoxWrite(const std::string& path, SoxEncoding encoding, uint32_t rate, uint16_t channels,
              const std::vector<int16_t>& samples);

// Decodes any WAVE file libsox reads to 16-bit samples, interleaved; throws on failure.
std::vector<int16_t> SoxDecode(const std::string& path);

// Bytes of the file as a vector, and 16-bit little-endian samples of a byte range.
std::vector<int16_t> Samples16(const std::string& bytes, size_t offset, size_t count);

}  // namespace zemtest
