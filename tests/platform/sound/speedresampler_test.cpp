// The speed resampler on a ramp (source frame n holds n - offset), so every output frame
// tells which source position it plays: speed changes glide without losing or repeating a
// frame, the position it reports is the one heard, a steady speed steps evenly, the end of
// the source is played to its last frame, and a reset starts afresh.
#include "sound/speedresampler.h"

#include "wavfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr size_t kBlock = 160;  // frames of a mixer block at 8 kHz

// A mono ramp handed out as a stream reader does; `pieces` limits the frames of each call in
// turn (0: nothing there yet), so data can come late.
class RampSource {
public:
    RampSource(int frames, int offset, std::vector<size_t> pieces = {})
        : samples_(soundtest::Ramp(frames, offset)), offset_(offset), pieces_(std::move(pieces))
    {
    }

    zem::SourceWindow::Pull Pull()
    {
        return [this](int16_t* out, size_t frames, bool& ended) {
            size_t n = std::min(frames, samples_.size() - next_);
            if (!pieces_.empty())
                n = std::min(n, pieces_[calls_++ % pieces_.size()]);
            std::memcpy(out, samples_.data() + next_, n * sizeof(int16_t));
            next_ += n;
            ended = next_ == samples_.size();
            return n;
        };
    }
    double PositionOf(float value) const { return value + offset_; }

private:
    std::vector<int16_t> samples_;
    int offset_;
    std::vector<size_t> pieces_;
    size_t next_ = 0;
    size_t calls_ = 0;
};

// A speed for each call of `frames` frames.
struct Schedule {
    const char* name;
    size_t frames;
    std::vector<double> speeds;
    size_t waits = 0;  // frames the last change may wait for a crossfade under way
};

Schedule Calls(const char* name, size_t frames, std::initializer_list<std::pair<double, int>> runs, size_t waits = 0)
{
    Schedule schedule{name, frames, {}, waits};
    for (const auto& [speed, calls] : runs)
        schedule.speeds.insert(schedule.speeds.end(), static_cast<size_t>(calls), speed);
    return schedule;
}

// The ramp is near zero where the last glide ends, so the steady path takes over there: the
// variable-rate filter's gain is a hair below one, which shows as a position error on large
// values.
int OffsetWhereSettled(const Schedule& schedule, size_t glide)
{
    double at = 0;
    size_t c = schedule.speeds.size() - 1;
    while (c > 0 && schedule.speeds[c - 1] == schedule.speeds.back())
        --c;
    for (size_t k = 0; k < c; ++k)
        at += schedule.speeds[k] * static_cast<double>(schedule.frames);
    return static_cast<int>(at + schedule.speeds.back() * static_cast<double>(glide));
}

// Plays the schedule from frame 0 and follows the ramp that comes out.
void ExpectSeamless(const Schedule& schedule, const std::vector<size_t>& pieces)
{
    // The filter of a fresh start rings on the ramp's first frame, which follows silence.
    constexpr size_t kSettle = 400;
    // A change glides in over the frames of the call that brings it, at least this many,
    // crossfades included.
    const size_t glide = std::max<size_t>(schedule.frames, 40);
    RampSource source(40000, OffsetWhereSettled(schedule, glide), pieces);
    const zem::SourceWindow::Pull pull = source.Pull();
    zem::SpeedResampler resampler(1);
    resampler.Reset(0);
    std::vector<double> heard;  // the source position of every frame
    size_t lastChange = 0;      // the frame where the last change came
    for (size_t c = 0; c < schedule.speeds.size(); ++c) {
        SCOPED_TRACE(testing::Message() << "call " << c << " at speed " << schedule.speeds[c]);
        if (c > 0 && schedule.speeds[c] != schedule.speeds[c - 1])
            lastChange = heard.size();
        const double reported = resampler.Position();
        std::vector<float> out(schedule.frames);
        size_t made = 0;
        // Late data: the frames come over as many calls as it takes.
        for (int call = 0; made < schedule.frames && call < 1000; ++call)
            made += resampler.Render(out.data() + made, schedule.frames - made, schedule.speeds[c], pull);
        ASSERT_EQ(made, schedule.frames);
        // Every step lies between the speeds of the calls a glide may still span.
        const auto recent = schedule.speeds.begin() + static_cast<long>(c);
        const auto back = static_cast<long>(std::min(c, 2 * glide / schedule.frames));
        const auto [low, high] = std::minmax_element(recent - back, recent + 1);
        for (float v : out) {
            const double at = source.PositionOf(v);
            if (heard.size() >= kSettle) {
                const double step = at - heard.back();
                ASSERT_GE(step, *low - 0.1) << "a frame repeated at " << at;
                ASSERT_LE(step, *high + 0.1) << "a frame lost at " << at;
            }
            heard.push_back(at);
        }
        if (heard.size() > kSettle + schedule.frames) {
            EXPECT_NEAR(heard[heard.size() - schedule.frames], reported, 0.2)
                << "the position reported is the one heard next";
        }
    }
    // From the end of the last glide on the last speed steps evenly, at 1.0 on whole frames,
    // and the crossfade into it already followed that line: the glide ended exactly where the
    // steady path took over.
    const double last = schedule.speeds.back();
    const size_t settled = lastChange + glide + schedule.waits;
    ASSERT_LT(settled, heard.size());
    for (size_t k = settled - 12; k < heard.size(); ++k) {
        const double line = heard.back() - static_cast<double>(heard.size() - 1 - k) * last;
        ASSERT_NEAR(heard[k], line, 0.05) << "frame " << k << ", " << k - lastChange << " after the change";
        if (last == 1.0 && k >= settled) {
            ASSERT_EQ(heard[k], std::round(heard[k]));
        }
    }
}

class SpeedChange : public testing::TestWithParam<Schedule> {};

TEST_P(SpeedChange, GlidesWithoutLosingOrRepeatingAFrame)
{
    ExpectSeamless(GetParam(), {});
}

TEST_P(SpeedChange, GlidesAlsoWhenTheSourceDeliversLate)
{
    ExpectSeamless(GetParam(), {37, 0, 301, 0, 0, 113});
}

INSTANTIATE_TEST_SUITE_P(
    Table, SpeedChange,
    testing::Values(Calls("up", kBlock, {{1.0, 6}, {1.5, 4}}),
                    Calls("back_to_frame_for_frame", kBlock, {{1.5, 6}, {1.0, 4}}),
                    Calls("down_an_octave", kBlock, {{1.0, 6}, {0.5, 4}}),
                    Calls("across_octaves", kBlock, {{0.5, 6}, {2.5, 4}}),
                    Calls("odd_ratios", kBlock, {{1.331, 6}, {0.729, 4}}),
                    Calls("beyond_the_first_bound", kBlock, {{1.0, 6}, {5.0, 4}}),
                    Calls("short_calls", 40, {{1.0, 24}, {1.21, 16}}),
                    Calls("again_while_fading_in", 10, {{1.0, 96}, {2.0, 1}, {0.7, 60}}),
                    Calls("again_while_gliding", 10, {{1.0, 96}, {2.0, 2}, {0.7, 60}}),
                    Calls("again_while_fading_out", 10, {{1.0, 96}, {2.0, 3}, {1.0, 60}}, 10)),
    [](const testing::TestParamInfo<Schedule>& info) { return info.param.name; });

// To the end at a steady speed, or with a change that glides while the source runs out: the
// last frame heard is the source's last, the position stops there, and only then is the
// source exhausted.
TEST(SpeedResampler, PlaysTheSourceToItsLastFrameAndThenEnds)
{
    constexpr int kFrames = 4000;
    const std::pair<double, double> cases[] = {{1.0, 1.0}, {1.5, 1.5}, {0.5, 0.5}, {1.0, 2.0}, {2.5, 0.7}};
    for (const auto& [first, last] : cases) {
        SCOPED_TRACE(testing::Message() << "speed " << first << " then " << last);
        RampSource source(kFrames, kFrames);  // the last frame holds -1
        const zem::SourceWindow::Pull pull = source.Pull();
        zem::SpeedResampler resampler(1);
        resampler.Reset(0);
        std::vector<float> out(kBlock);
        std::vector<float> heard;
        // The change comes a little before the end, so it glides while the source runs out.
        const auto changeAt = static_cast<size_t>((kFrames - 100) / first);
        for (int block = 0; block < 100 && !resampler.Exhausted(); ++block) {
            const double speed = heard.size() < changeAt ? first : last;
            const size_t made = resampler.Render(out.data(), kBlock, speed, pull);
            heard.insert(heard.end(), out.begin(), out.begin() + static_cast<long>(made));
        }
        ASSERT_TRUE(resampler.Exhausted());
        EXPECT_EQ(resampler.Position(), kFrames);
        // Only the filters' short tail follows the last frame.
        const auto lastFrame = std::find_if(heard.rbegin(), heard.rend(), [](float v) { return v <= -0.99f; });
        ASSERT_NE(lastFrame, heard.rend());
        EXPECT_LT(lastFrame - heard.rbegin(), 64);
    }
}

// A reset (a seek) while a glide is under way: the next frame heard is the new position at
// once, at the speed asked for.
TEST(SpeedResampler, AResetDuringAGlideStartsAfreshAtTheNewPosition)
{
    RampSource source(20000, 10000);
    const zem::SourceWindow::Pull pull = source.Pull();
    zem::SpeedResampler resampler(1);
    resampler.Reset(0);
    std::vector<float> out(kBlock);
    for (int block = 0; block < 5; ++block)
        ASSERT_EQ(resampler.Render(out.data(), kBlock, 1.0, pull), kBlock);
    ASSERT_EQ(resampler.Render(out.data(), kBlock / 2, 1.5, pull), kBlock / 2);  // into the glide
    resampler.Reset(800);
    RampSource seeked(20000, 10000);
    for (int frame = 0; frame < 800; ++frame) {
        bool ended = false;
        int16_t skipped = 0;
        seeked.Pull()(&skipped, 1, ended);
    }
    ASSERT_EQ(resampler.Render(out.data(), kBlock, 1.5, seeked.Pull()), kBlock);
    EXPECT_EQ(resampler.Position(), 800 + 1.5 * kBlock);
    for (size_t k = 64; k < kBlock; ++k)
        ASSERT_NEAR(seeked.PositionOf(out[k]), 800 + 1.5 * static_cast<double>(k), 0.05) << "frame " << k;
}

}  // namespace
