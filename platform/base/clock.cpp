#include "base/clock.h"

#include <chrono>
#include <thread>

namespace zem {

Clock& Clock::Steady()
{
    static SteadyClock clock;
    return clock;
}

int64_t SteadyClock::NowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::SleepMs(int64_t ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    else
        std::this_thread::yield();
}

int64_t ManualClock::NowMs() const
{
    std::lock_guard lock(mutex_);
    return now_;
}

void ManualClock::SleepMs(int64_t ms)
{
    std::unique_lock lock(mutex_);
    const int64_t until = now_ + ms;
    advanced_.wait(lock, [&] { return now_ >= until; });
}

void ManualClock::Advance(int64_t ms)
{
    {
        std::lock_guard lock(mutex_);
        now_ += ms;
    }
    Changed();
}

void ManualClock::Set(int64_t ms)
{
    {
        std::lock_guard lock(mutex_);
        now_ = ms;
    }
    Changed();
}

int ManualClock::AddObserver(std::function<void()> onAdvance)
{
    std::lock_guard lock(observersMutex_);
    const int id = nextObserverId_++;
    observers_.emplace_back(id, std::move(onAdvance));
    return id;
}

void ManualClock::RemoveObserver(int id)
{
    // Waits for a running notification, so the observer is never called after this returns.
    std::lock_guard lock(observersMutex_);
    std::erase_if(observers_, [id](const auto& o) { return o.first == id; });
}

void ManualClock::Changed()
{
    {
        std::lock_guard lock(mutex_);
        advanced_.notify_all();
    }
    std::lock_guard lock(observersMutex_);
    for (auto& o : observers_)
        o.second();
}

ClockWait::ClockWait(Clock& clock) : clock_(clock)
{
    // A manual clock moves only on Advance: be woken then instead of polling. The wake is
    // sent under the lock, so it cannot fall between a waiter's look at the time and its wait.
    if (clock_.IsManual()) {
        observerId_ = static_cast<ManualClock&>(clock_).AddObserver([this] {
            std::lock_guard lock(mutex_);
            changed_.notify_all();
        });
    }
}

ClockWait::~ClockWait()
{
    if (observerId_)
        static_cast<ManualClock&>(clock_).RemoveObserver(observerId_);
}

void ClockWait::WaitOnce(std::unique_lock<std::mutex>& lock, int64_t deadlineMs)
{
    if (observerId_ || deadlineMs == kNoDeadline) {
        changed_.wait(lock);
        return;
    }
    const int64_t left = deadlineMs - clock_.NowMs();
    if (left > 0)
        changed_.wait_for(lock, std::chrono::milliseconds(left));
}

}  // namespace zem
