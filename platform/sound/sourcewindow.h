// The frames a voice has read from its source, kept from the oldest one still needed: a
// resampler reads ahead of what is heard, and one that takes over starts a little before
// it. Frames before the first one read since the last reset read as silence. Used by the
// mixer thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace zem {

class SourceWindow {
public:
    // Fills up to `frames` frames at `out` with the source's next frames and returns how many
    // it gave: fewer with `ended` set at the end, fewer without it while data is not there yet.
    using Pull = std::function<size_t(int16_t* out, size_t frames, bool& ended)>;

    explicit SourceWindow(size_t channels) : channels_(channels) {}

    size_t Channels() const { return channels_; }
    // The source's next frame is `position`; what was read is dropped.
    void Reset(int64_t position);
    int64_t Start() const { return start_; }
    int64_t End() const { return start_ + static_cast<int64_t>(used_ / channels_); }
    bool Ended() const { return ended_; }

    // Reads up to `frames` more frames; returns how many came.
    size_t Read(size_t frames, const Pull& pull);
    // The frames from `from` (Start() <= from <= End()) on.
    const int16_t* At(int64_t from) const;
    // Frames before `before` are no longer needed.
    void Forget(int64_t before);

private:
    const size_t channels_;
    std::vector<int16_t> frames_;  // grows only, so reading does not clear what is read over
    size_t used_ = 0;              // samples of frames_ that hold frames
    int64_t start_ = 0;
    bool ended_ = false;
};

}  // namespace zem
