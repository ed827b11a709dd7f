// ControlListLock: the application object's lock over its control lists and its engine.
// Window threads wait for it without a time-out and go first; the engine's worker waits a
// limited time on a clock, and not at all while the holder shuts that engine down (the
// holder then waits for the worker, so a worker waiting for the lock would hold up the
// shut-down).
#pragma once

#include "base/clock.h"

#include <cstdint>

class ControlListLock {
public:
    // Waits are measured on `clock`, which must outlive the lock.
    explicit ControlListLock(zem::Clock& clock) : wait_(clock) {}

    // Waits as long as it takes, ahead of every TryLockFor.
    void lock();
    void unlock();
    // False when the lock is not had within ms, or at once while waiters are turned away.
    bool TryLockFor(int64_t ms);
    // By the holder: makes every waiting and later TryLockFor give up until turned back.
    void TurnAwayWaiters(bool turnAway);

private:
    zem::ClockWait wait_;
    // --- under wait_'s lock ---
    bool held_ = false;
    int lockWaiters_ = 0;  // threads waiting in lock()
    bool turnAway_ = false;
};
