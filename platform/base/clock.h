// Time sources: a steady clock for real runs and a manual clock that tests step by hand.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <vector>

namespace zem {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a monotonic scale; only differences mean anything.
    virtual int64_t NowMs() const = 0;
    // Blocks the calling thread until NowMs() has moved on by ms.
    virtual void SleepMs(int64_t ms) = 0;
    virtual bool IsManual() const { return false; }

    // The process-wide steady clock.
    static Clock& Steady();
};

class SteadyClock final : public Clock {
public:
    int64_t NowMs() const override;
    void SleepMs(int64_t ms) override;
};

// Time moves only when Advance is called. Waiters (sleepers, thread queues) are woken on
// every advance so they can re-check their deadlines.
class ManualClock final : public Clock {
public:
    explicit ManualClock(int64_t startMs = 0) : now_(startMs) {}

    int64_t NowMs() const override;
    void SleepMs(int64_t ms) override;
    bool IsManual() const override { return true; }

    void Advance(int64_t ms);
    void Set(int64_t ms);

    // Observers are called after every change of time; they must not call back into the clock's
    // observer functions.
    int AddObserver(std::function<void()> onAdvance);
    void RemoveObserver(int id);

private:
    void Changed();

    mutable std::mutex mutex_;
    std::condition_variable advanced_;
    int64_t now_;
    std::mutex observersMutex_;  // guards the observer list and every call of an observer
    int nextObserverId_ = 1;
    std::vector<std::pair<int, std::function<void()>>> observers_;
};

// The one way a thread waits on time: for state guarded by this object's mutex, until a
// deadline on a Clock. Waiters are woken by Wake and, on a manual clock, by every advance,
// so a deadline on a manual clock needs no polling and one on a real clock no busy loop.
class ClockWait {
public:
    static constexpr int64_t kNoDeadline = std::numeric_limits<int64_t>::max();

    // The clock must outlive the wait.
    explicit ClockWait(Clock& clock);
    ~ClockWait();
    ClockWait(const ClockWait&) = delete;
    ClockWait& operator=(const ClockWait&) = delete;

    Clock& GetClock() const { return clock_; }
    // Guards what the waiters look at: change it under this lock, then Wake.
    std::unique_lock<std::mutex> Lock() { return std::unique_lock(mutex_); }
    // Wakes every waiter to look again; with or without the lock.
    void Wake() { changed_.notify_all(); }

    // With the lock held: one round, until woken or the clock reads deadlineMs. May return
    // early; the caller looks again.
    void WaitOnce(std::unique_lock<std::mutex>& lock, int64_t deadlineMs);
    // With the lock held: true once done() holds, false when the clock reads deadlineMs
    // first. done() is called under the lock.
    template <class Done>
    bool WaitUntil(std::unique_lock<std::mutex>& lock, int64_t deadlineMs, Done done)
    {
        while (!done()) {
            if (clock_.NowMs() >= deadlineMs)
                return false;
            WaitOnce(lock, deadlineMs);
        }
        return true;
    }

private:
    Clock& clock_;
    int observerId_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
};

}  // namespace zem
