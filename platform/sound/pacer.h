// Paces an output that has no hardware behind it: frames may be written as fast as the
// clock moves, and no faster. Works with a manual clock (waits for Advance) and a real one.
#pragma once

#include "base/clock.h"
#include "base/stoppablesleep.h"

#include <cstdint>
#include <mutex>

namespace zem {

class Pacer {
public:
    explicit Pacer(Clock& clock) : clock_(clock), sleep_(clock) {}

    // Time 0 of the output is now.
    void Start(int rate);
    // Blocks until the clock has reached the end of `frames` more frames; false once interrupted.
    bool WaitForRoom(int frames);
    // Counts frames as written.
    void Written(int frames);
    void Interrupt() { sleep_.Stop(); }

private:
    Clock& clock_;
    StoppableSleep sleep_;
    std::mutex mutex_;
    int rate_ = 8000;
    int64_t startMs_ = 0;
    int64_t written_ = 0;
};

}  // namespace zem
