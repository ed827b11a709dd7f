// Plays a voice's source at a speed (source frames per output frame) that may change while
// it plays. A steady speed plays through a cheap path (frame for frame at 1.0, libsoxr's
// fixed-rate resampler otherwise); a new speed glides in through libsoxr's variable-rate
// resampler, which takes over from the steady path and hands over to the next one with a
// short crossfade at the same source position, so no change clicks and no source frame is
// lost or played twice. A voice that has played nothing yet takes a new speed at once.
// Output frames are floats in 16-bit sample units. Used by the mixer thread only.
#pragma once

#include "sound/sourcewindow.h"
#include "sound/speedpath.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zem {

class SpeedResampler {
public:
    explicit SpeedResampler(int channels) : source_(static_cast<size_t>(channels)) {}

    // The source's next frame is `position`; what was read is dropped.
    void Reset(int64_t position);
    // Source position of the next output frame.
    double Position() const;
    // Makes up to `frames` frames at `out`, the source played at `speed`; a new speed glides
    // in over about `frames` frames. Fewer at the end, or while the source has nothing more yet.
    size_t Render(float* out, size_t frames, double speed, const SourceWindow::Pull& pull);
    // As Render, but while the voice plays frame for frame it gives the source frames in place
    // (valid until the next call) and their number in `made`; otherwise nullptr and nothing is
    // played.
    const int16_t* Straight(size_t frames, double speed, const SourceWindow::Pull& pull, size_t& made);
    // The source has ended and all of it has been played.
    bool Exhausted() const { return drained_; }

private:
    enum class Phase {
        Steady,   // the steady path alone
        FadeIn,   // the variable-rate path takes over at the old speed
        Glide,    // the variable-rate path alone, towards the new speed
        FadeOut,  // the next steady path takes over at the new speed
    };
    // A glide in steps of one chunk of frames, ending on a position the next steady path can
    // start at.
    struct Glide {
        double from = 1.0;
        double to = 1.0;
        double correction = 0;  // added to every step but the last
        int steps = 0;
        int step = 0;
        size_t left = 0;        // frames of the current step still to make
        double landing = 0;     // the position at the end
    };

    void Prepare(size_t frames, double speed);
    void Finish(size_t frames, size_t made);
    void Advance();
    bool StartGlide();
    void PlanGlide();
    bool NextStep();
    // A steady path whose first frame heard is at `at`, having dropped `skip` frames.
    std::unique_ptr<SpeedPath> MakeSteady(double speed, double at, size_t skip) const;
    size_t Fade(SpeedPath& from, SpeedPath& to, float* out, size_t frames, const SourceWindow::Pull& pull);

    SourceWindow source_;
    Phase phase_ = Phase::Steady;
    std::unique_ptr<SpeedPath> steady_;
    std::unique_ptr<ResamplerPath> variable_;
    Glide glide_;
    double target_ = 1.0;
    size_t glideFrames_ = 0;
    size_t faded_ = 0;  // frames of the current crossfade made
    int64_t start_ = 0;
    bool heard_ = false;
    bool drained_ = false;
    std::vector<float> fading_;
};

}  // namespace zem
