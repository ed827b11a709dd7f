#include "zemWave/controllistlock.h"

void ControlListLock::lock()
{
    auto guard = wait_.Lock();
    ++lockWaiters_;
    wait_.WaitUntil(guard, zem::ClockWait::kNoDeadline, [this] { return !held_; });
    --lockWaiters_;
    held_ = true;
}

void ControlListLock::unlock()
{
    auto guard = wait_.Lock();
    held_ = false;
    wait_.Wake();
}

bool ControlListLock::TryLockFor(int64_t ms)
{
    const int64_t until = wait_.GetClock().NowMs() + ms;
    auto guard = wait_.Lock();
    const bool free = wait_.WaitUntil(guard, until, [this] { return turnAway_ || (!held_ && lockWaiters_ == 0); });
    if (!free || turnAway_)
        return false;
    held_ = true;
    return true;
}

void ControlListLock::TurnAwayWaiters(bool turnAway)
{
    auto guard = wait_.Lock();
    turnAway_ = turnAway;
    wait_.Wake();
}
