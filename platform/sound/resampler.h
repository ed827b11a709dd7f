// Plays one source into the stereo mix at another rate: linear interpolation between the
// source's frames, a gain per side, summing into a float mix. Keeps the few source frames
// that the next block still needs. Used by the mixer thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zem {

class Resampler {
public:
    explicit Resampler(int channels) : channels_(channels) {}

    int Channels() const { return channels_; }
    // Drops what is buffered; the next appended frame is source frame `position`.
    void Reset(uint64_t position);
    // Source frame that plays next.
    uint64_t Position() const { return base_ + static_cast<uint64_t>(phase_); }

    // New source frames that rendering `outFrames` frames at `step` (source frames per output
    // frame) still needs.
    size_t FramesWanted(size_t outFrames, double step) const;
    // Room for `frames` new frames at the end of the buffer; then Commit how many were filled.
    int16_t* Extend(size_t frames);
    void Commit(size_t filled);

    // Adds up to outFrames frames to `mix` (interleaved stereo) and returns how many it made:
    // fewer when the buffer runs dry. With `sourceEnded` the last frame is played out instead
    // of waiting for the one after it.
    size_t MixInto(float* mix, size_t outFrames, double step, float gainLeft, float gainRight,
                   bool sourceEnded);
    // Every buffered frame has been played and no more will come.
    bool Exhausted(bool sourceEnded) const;

private:
    int channels_;
    std::vector<int16_t> frames_;  // interleaved; frame 0 is source frame base_
    size_t count_ = 0;             // frames in use
    uint64_t base_ = 0;
    double phase_ = 0;  // position of the next output frame, in frames from frame 0
};

// Balance gains for pan 0 (left) .. 128 (centre, both full) .. 255 (right).
void PanGains(int pan, float& left, float& right);

}  // namespace zem
