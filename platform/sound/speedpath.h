// Ways from a voice's source frames to output frames at a speed (source frames per output
// frame), each knowing the source position of the frame it hands out next to a fraction of a
// frame: frame for frame at speed 1.0; libsoxr's fixed-rate resampler for any other steady
// speed (cheap); its variable-rate resampler while the speed glides from one to another.
// Output frames are floats in 16-bit sample units. Used by the mixer thread only.
#pragma once

#include "sound/soxrhandle.h"
#include "sound/sourcewindow.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zem {

class SpeedPath {
public:
    explicit SpeedPath(size_t channels, double speed) : channels_(channels), speed_(speed) {}
    virtual ~SpeedPath() = default;

    // Up to `frames` frames: fewer once the source is played out, or while it has nothing more
    // yet.
    size_t Output(float* out, size_t frames, SourceWindow& source, const SourceWindow::Pull& pull);
    // Gives back the last `count` frames of what Output made, to be handed out again first.
    void Return(const float* frames, size_t count);
    // Source position of the next frame handed out.
    double Position() const;
    double Speed() const { return speed_; }
    // A path that hands out the source frames themselves gives up to `frames` of them in place
    // (valid until the source is read again) and their number in `got`; others give nullptr.
    const int16_t* Straight(size_t frames, SourceWindow& source, const SourceWindow::Pull& pull, size_t& got);

protected:
    virtual size_t Make(float* out, size_t frames, SourceWindow& source, const SourceWindow::Pull& pull) = 0;
    virtual const int16_t* TakeStraight(size_t frames, SourceWindow& source, const SourceWindow::Pull& pull, size_t& got);
    // Source position of the next frame made.
    virtual double MadePosition() const = 0;

    const size_t channels_;
    double speed_;

private:
    std::vector<float> returned_;
};

// Speed 1.0: the source frames themselves.
class DirectPath : public SpeedPath {
public:
    DirectPath(size_t channels, int64_t from) : SpeedPath(channels, 1.0), next_(from) {}

private:
    const int16_t* TakeStraight(size_t frames, SourceWindow& source, const SourceWindow::Pull& pull, size_t& got) override;
    size_t Make(float* out, size_t frames, SourceWindow& source, const SourceWindow::Pull& pull) override;
    double MadePosition() const override { return static_cast<double>(next_); }

    int64_t next_;
};

// A libsoxr resampler fed from the source window, band-limited: what a speed-up moves above
// the output's Nyquist frequency is removed, not folded back.
class ResamplerPath : public SpeedPath {
public:
    // Source frames a resampler that takes over from another has heard before its first
    // frame, so its filter starts in the sound rather than from silence.
    static constexpr int64_t kPrimeFrames = 256;

    // At a fixed `speed`, reading from source frame `from`; the first `skip` frames it makes
    // only start the filter, so the first one handed out is at from + skip * speed.
    static std::unique_ptr<ResamplerPath> Fixed(size_t channels, double speed, int64_t from, size_t skip);
    // At a speed that may change, up to maxSpeed; the first frame handed out is at source
    // position `at`, at `speed`, and the filter has heard the frames before it.
    static std::unique_ptr<ResamplerPath> Variable(size_t channels, double speed, double at, double maxSpeed);

    double MaxSpeed() const { return maxSpeed_; }
    // Variable only: the frames made from now on step over the source at `speed`.
    void SetSpeed(double speed);
    // Variable only: the position once the frames made from now on have stepped over
    // `sourceFrames` and the speed has settled at `speed`.
    double PositionAfter(double sourceFrames, double speed) const;

private:
    ResamplerPath(size_t channels, double speed, double maxSpeed, SoxrHandle soxr, int64_t from, size_t skip);
    size_t Make(float* out, size_t frames, SourceWindow& source, const SourceWindow::Pull& pull) override;
    double MadePosition() const override;
    // The `fresh` frames to feed next.
    const int16_t* Input(const SourceWindow& source, size_t fresh);

    const double maxSpeed_;  // 0 for a fixed speed
    SoxrHandle soxr_;
    int64_t next_;           // source frame fed next
    const int64_t from_;
    const size_t skipped_;
    size_t skip_;            // frames still to drop
    size_t made_ = 0;        // frames made, dropped ones included
    double ratio_;           // the speed the resampler steps at, while dropping too
    double lead_ = 0;        // source frames it needs read beyond those it steps over
    double ahead_ = 0;       // variable: where it steps next, ahead of its output
    double heardFirst_ = 0;  // variable: the position of the first frame handed out
    int64_t onsetEnd_ = -1;  // the first frames fed fade in up to here
    std::vector<int16_t> faded_;
    std::vector<float> dropped_;
};

}  // namespace zem
