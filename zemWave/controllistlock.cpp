#include "zemWave/controllistlock.h"

#include <chrono>

ControlListLock::ControlListLock(zem::Clock& clock) : clock_(clock)
{
    // A manual clock moves only on Advance: waiters are woken then instead of polling.
    if (clock_.IsManual()) {
        observerId_ = static_cast<zem::ManualClock&>(clock_).AddObserver([this] {
            std::lock_guard guard(mutex_);
            changed_.notify_all();
        });
    }
}

ControlListLock::~ControlListLock()
{
    if (observerId_)
        static_cast<zem::ManualClock&>(clock_).RemoveObserver(observerId_);
}

void ControlListLock::lock()
{
    std::unique_lock guard(mutex_);
    ++lockWaiters_;
    changed_.wait(guard, [this] { return !held_; });
    --lockWaiters_;
    held_ = true;
}

void ControlListLock::unlock()
{
    std::lock_guard guard(mutex_);
    held_ = false;
    changed_.notify_all();
}

bool ControlListLock::TryLockFor(int64_t ms)
{
    const int64_t until = clock_.NowMs() + ms;
    std::unique_lock guard(mutex_);
    for (;;) {
        if (turnAway_)
            return false;
        if (!held_ && lockWaiters_ == 0) {
            held_ = true;
            return true;
        }
        const int64_t left = until - clock_.NowMs();
        if (left <= 0)
            return false;
        if (observerId_)
            changed_.wait(guard);
        else
            changed_.wait_for(guard, std::chrono::milliseconds(left));
    }
}

void ControlListLock::TurnAwayWaiters(bool turnAway)
{
    std::lock_guard guard(mutex_);
    turnAway_ = turnAway;
    changed_.notify_all();
}
