// Reads the decoded samples of a WAV file's data chunk, also while the file is still being
// written: the header's data size says how much is coming; what is not there yet is waited
// for, not taken as the end.
#pragma once

#include "sound/decoder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zem {

// Where the samples of a WAV file are and how they are coded.
struct WaveDataLayout {
    WaveFormat format;
    uint64_t dataOffset = 0;  // file offset of the first data byte
    // As the "data" chunk declares it; at most what the file holds unless a writer holds it
    // locked (File::LockForWriting), as a download does while the file grows.
    uint32_t dataSize = 0;
};

// Walks the chunks of an open file: "RIFF", a length that is not checked, "WAVE", then
// chunks of id, u32 size and data (pad bytes as RiffPad::WhereFound finds them). Returns 0 or
// a SoundError.
int ReadWaveLayout(int fd, WaveDataLayout& layout);

class WaveStream {
public:
    // Null on failure, with the SoundError in `error`. bufferMs is the read-ahead.
    static std::unique_ptr<WaveStream> Open(const std::string& path, int bufferMs, int& error);
    ~WaveStream();
    WaveStream(const WaveStream&) = delete;
    WaveStream& operator=(const WaveStream&) = delete;

    int Channels() const { return layout_.format.channels; }
    int SampleRate() const { return static_cast<int>(layout_.format.samplesPerSec); }
    // Frames the data chunk declares.
    uint64_t TotalFrames() const;
    uint64_t Position() const { return position_; }

    // Copies up to `frames` frames at the position into `out` and advances. Fewer frames
    // mean either the end (`ended` set) or data that is not in the file yet.
    size_t Read(int16_t* out, size_t frames, bool& ended);
    // Moves to `frame`, at most TotalFrames(). Decoding starts afresh at the block that
    // holds it, with the codec state reset, and drops the frames before it.
    void Seek(uint64_t frame);

private:
    WaveStream(int fd, const WaveDataLayout& layout, std::unique_ptr<Decoder> decoder, int bufferMs);
    bool Refill();
    bool AtEnd() const;

    int fd_;
    WaveDataLayout layout_;
    std::unique_ptr<Decoder> decoder_;
    size_t bufferBlocks_;
    uint64_t codedPos_ = 0;  // next undecoded byte, counted from the data start
    size_t skipFrames_ = 0;  // frames to drop from the next decoded block (after a seek)
    std::vector<int16_t> decoded_;
    size_t decodedFrame_ = 0;  // first unread frame in decoded_
    uint64_t position_ = 0;
};

}  // namespace zem
