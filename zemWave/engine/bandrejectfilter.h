// The band-reject filter of the effect slots as a filter that lives as long as a stream: the
// response SoX's "bandreject" gives for a width in Hz (a Butterworth notch), with its state
// carried from one block to the next, so block edges are not heard.
#pragma once

#include <cstdint>
#include <vector>

class BandRejectFilter {
public:
    // Sets the response and clears the state; false (and the filter passes nothing through
    // Process) when SoX would refuse it: a centre at or above half the rate, or a width or
    // centre that is not positive.
    bool Configure(int centreHz, int widthHz, int sampleRate, int channels);
    bool IsConfigured(int centreHz, int widthHz, int sampleRate, int channels) const;
    // The next block starts as the first of a stream.
    void Reset();
    // Filters frames x channels interleaved 16-bit values in place.
    void Process(int16_t* samples, int frames);

private:
    struct History {
        double in1 = 0, in2 = 0, out1 = 0, out2 = 0;
    };
    int centre_ = 0, width_ = 0, rate_ = 0, channels_ = 0;
    bool valid_ = false;
    double b0_ = 0, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    std::vector<History> history_;  // one per channel
};
