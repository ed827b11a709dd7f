// A sleep on a Clock that another thread can cut short, so a thread waiting on time never
// holds up shut-down (a manual clock may never be advanced again).
#pragma once

#include "base/clock.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace zem {

class StoppableSleep {
public:
    explicit StoppableSleep(Clock& clock);
    ~StoppableSleep();
    StoppableSleep(const StoppableSleep&) = delete;
    StoppableSleep& operator=(const StoppableSleep&) = delete;

    // Blocks until the clock has moved on by ms; false at once, or as soon as Stop is called.
    bool Sleep(int64_t ms);
    // Blocks until the clock reads deadlineMs; false when stopped.
    bool SleepUntil(int64_t deadlineMs);
    // Ends every running and later sleep, until Resume.
    void Stop();
    void Resume();
    bool IsStopped() const;

private:
    Clock& clock_;
    int observerId_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;
};

}  // namespace zem
