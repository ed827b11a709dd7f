// A sleep on a Clock that another thread can cut short, so a thread waiting on time never
// holds up shut-down (a manual clock may never be advanced again).
#pragma once

#include "base/clock.h"

#include <cstdint>

namespace zem {

class StoppableSleep {
public:
    explicit StoppableSleep(Clock& clock) : wait_(clock) {}

    // Blocks until the clock has moved on by ms; false at once, or as soon as Stop is called.
    bool Sleep(int64_t ms);
    // Blocks until the clock reads deadlineMs; false when stopped.
    bool SleepUntil(int64_t deadlineMs);
    // Ends every running and later sleep, until Resume.
    void Stop();
    void Resume();

private:
    ClockWait wait_;
    bool stopped_ = false;  // under wait_'s lock
};

}  // namespace zem
