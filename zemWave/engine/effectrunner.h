// The effect runner: the "sox" command line as a function over libsox, reading its inputs
// from caller buffers and returning the output as a new buffer, plus the glue that packs one
// block of samples into a WAV image and runs the band-reject filter over it.
//
// libsox keeps process-wide state, so runs are serialised inside SoxMain; callers on several
// threads may call in at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What goes into and comes out of one run on a block. The caller fills the input fields; the
// glue fills the rest.
struct SoxWavRecord {
    uint32_t inFormatTag = 0;  // WAVE format code: 1 PCM, 6 A-law
    uint32_t inChannels = 0;
    uint32_t inSampleRate = 0;
    uint32_t inBitsPerSample = 0;
    const uint8_t* inData = nullptr;  // the block; not owned
    uint32_t inDataLength = 0;        // bytes
    uint32_t outFormatTag = 0;
    uint32_t outChannels = 0;
    uint32_t outSampleRate = 0;
    uint32_t outBitsPerSample = 0;
    const uint8_t* outData = nullptr;  // inside outImage
    uint32_t outDataLength = 0;
    uint8_t* inImage = nullptr;  // owned, C heap
    uint32_t inImageSize = 0;
    uint8_t* outImage = nullptr;  // owned, C heap
    uint32_t outImageSize = 0;
};

enum SoxIoMode : int {
    kSoxIoFiles = 0,   // inputs and output are named files
    kSoxIoMemory = 1,  // inputs are caller buffers, the output a new buffer
};

// Runs "sox [gopts] [fopts] in [fopts] [in2] [fopts] out [effect [effopts]]...". argv[0] is
// the program word. In memory mode the first input reads buffer 1, the second buffer 2, and
// on success *output receives a malloc'ed buffer (free it with free()) of *outputLength bytes.
// Returns 0 on success, nonzero on failure; SoxLastError() then tells why.
int SoxMain(int argc, const char* const* argv, int inputCount, int ioMode,
            const uint8_t* input1, uint32_t length1, const uint8_t* input2, uint32_t length2,
            uint8_t** output, uint32_t* outputLength);
// The message of the last failed run; empty after a run that succeeded.
std::string SoxLastError();

// Builds the 44-byte-header WAV image of the input block into inImage/inImageSize and
// clears the output image fields. 0 on success.
int SoxBuildWavImage(SoxWavRecord& record);
// The encoding option of the record's input for both files: "-A" for A-law, "-s" for 16-bit,
// "-u" for 8-bit and anything else.
std::string SoxEncodingOption(const SoxWavRecord& record);
// Runs args in memory mode on the input image into the output image and parses it.
int SoxRunOnRecord(const std::vector<std::string>& args, SoxWavRecord& record);
// The argument vector SoxBandReject runs.
std::vector<std::string> SoxBandRejectArgs(int centreHz, int widthHz, const SoxWavRecord& record);
// Runs the band-reject filter on the input image into the output image and parses it.
int SoxBandReject(int centreHz, int widthHz, SoxWavRecord& record);
// Fills the out* fields from the output image ("fmt " and "data" found by walking its chunks).
// 0 on success.
int SoxParseWavImage(SoxWavRecord& record);
// Frees both images and clears every field.
void SoxFreeWavImages(SoxWavRecord& record);

// The whole band-reject pass over one block of 16-bit PCM, in place: the block is replaced
// by the filtered samples on success (0) and left as it was on failure (nonzero).
int SoxBandRejectBlock(int centreHz, int widthHz, int16_t* samples, int frames, int channels,
                       int sampleRate);
