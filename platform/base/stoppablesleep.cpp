#include "base/stoppablesleep.h"

#include <algorithm>
#include <chrono>

namespace zem {

StoppableSleep::StoppableSleep(Clock& clock) : clock_(clock)
{
    // A manual clock moves only on Advance: be woken then instead of polling.
    if (clock_.IsManual()) {
        observerId_ = static_cast<ManualClock&>(clock_).AddObserver([this] {
            std::lock_guard lock(mutex_);
            wake_.notify_all();
        });
    }
}

StoppableSleep::~StoppableSleep()
{
    if (observerId_)
        static_cast<ManualClock&>(clock_).RemoveObserver(observerId_);
}

bool StoppableSleep::Sleep(int64_t ms)
{
    return SleepUntil(clock_.NowMs() + ms);
}

bool StoppableSleep::SleepUntil(int64_t deadlineMs)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopped_)
            return false;
        const int64_t wait = deadlineMs - clock_.NowMs();
        if (wait <= 0)
            return true;
        if (observerId_)
            wake_.wait(lock);
        else
            wake_.wait_for(lock, std::chrono::milliseconds(std::min<int64_t>(wait, 50)));
    }
}

void StoppableSleep::Stop()
{
    std::lock_guard lock(mutex_);
    stopped_ = true;
    wake_.notify_all();
}

void StoppableSleep::Resume()
{
    std::lock_guard lock(mutex_);
    stopped_ = false;
}

bool StoppableSleep::IsStopped() const
{
    std::lock_guard lock(mutex_);
    return stopped_;
}

}  // namespace zem
