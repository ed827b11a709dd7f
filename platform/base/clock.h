// Time sources: a steady clock for real runs and a manual clock that tests step by hand.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
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

}  // namespace zem
