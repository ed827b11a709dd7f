// A sleep on a Clock that another thread can cut short, so a thread waiting between retries
// never holds up shut-down (a manual clock may never be advanced again).
#pragma once

#include "base/clock.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

class StoppableSleep {
public:
    explicit StoppableSleep(zem::Clock& clock);
    ~StoppableSleep();
    StoppableSleep(const StoppableSleep&) = delete;
    StoppableSleep& operator=(const StoppableSleep&) = delete;

    // Blocks until the clock has moved on by ms; false at once, or as soon as Stop is called.
    bool Sleep(int64_t ms);
    // Ends every running and later Sleep.
    void Stop();
    bool IsStopped() const;

private:
    zem::Clock& clock_;
    int observerId_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;
};
