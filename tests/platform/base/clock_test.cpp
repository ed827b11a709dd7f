#include "base/clock.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

TEST(ManualClock, SleepReturnsOnlyOnceTimeHasMovedOn)
{
    zem::ManualClock clock(500);
    std::atomic<int64_t> sleptFrom{-1};
    std::atomic<int64_t> wokeAt{-1};
    std::thread sleeper([&] {
        sleptFrom = clock.NowMs();
        clock.SleepMs(200);
        wokeAt = clock.NowMs();
    });
    while (wokeAt.load() < 0) {
        clock.Advance(10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    sleeper.join();
    EXPECT_GE(wokeAt - sleptFrom, 200);
}

TEST(ManualClock, RemovedObserverIsNotCalled)
{
    zem::ManualClock clock;
    int calls = 0;
    const int id = clock.AddObserver([&] { ++calls; });
    clock.Advance(1);
    clock.RemoveObserver(id);
    clock.Advance(1);
    EXPECT_EQ(calls, 1);
}

// A waiter on another thread for a flag under the wait's lock, until a deadline.
class FlagWaiter {
public:
    FlagWaiter(zem::ClockWait& wait, int64_t deadlineMs)
        : wait_(wait), thread_([this, deadlineMs] {
              auto lock = wait_.Lock();
              result_ = wait_.WaitUntil(lock, deadlineMs, [this] { return flag_; }) ? 1 : 0;
          })
    {
    }
    ~FlagWaiter()
    {
        if (thread_.joinable())
            thread_.join();
    }
    void Raise()
    {
        auto lock = wait_.Lock();
        flag_ = true;
        wait_.Wake();
    }
    // -1 while waiting, else 1 (the flag) or 0 (the deadline).
    int Result() const { return result_; }
    int Join()
    {
        thread_.join();
        return result_;
    }

private:
    zem::ClockWait& wait_;
    bool flag_ = false;  // under wait_'s lock
    std::atomic<int> result_{-1};
    std::thread thread_;
};

TEST(ClockWait, OnAManualClockADeadlineEndsTheWaitOnlyOnceTheClockHasReachedIt)
{
    zem::ManualClock clock(1000);
    zem::ClockWait wait(clock);
    FlagWaiter waiter(wait, 1500);
    clock.Advance(499);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(waiter.Result(), -1) << "the deadline is not reached";
    clock.Advance(1);
    EXPECT_EQ(waiter.Join(), 0);
}

TEST(ClockWait, WakeEndsTheWaitWhenTheConditionHolds)
{
    struct Case {
        const char* what;
        zem::Clock* clock;
        int64_t deadlineMs;  // from now
    };
    zem::ManualClock manual;
    const Case cases[] = {
        {"manual clock, no deadline", &manual, -1},
        {"real clock, no deadline", &zem::Clock::Steady(), -1},
        {"real clock, far deadline", &zem::Clock::Steady(), 600000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        zem::ClockWait wait(*c.clock);
        FlagWaiter waiter(wait, c.deadlineMs < 0 ? zem::ClockWait::kNoDeadline : c.clock->NowMs() + c.deadlineMs);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(waiter.Result(), -1);
        waiter.Raise();
        EXPECT_EQ(waiter.Join(), 1);
    }
}

TEST(ClockWait, OnARealClockADeadlineEndsTheWaitOnTime)
{
    zem::ClockWait wait(zem::Clock::Steady());
    const int64_t start = zem::Clock::Steady().NowMs();
    FlagWaiter waiter(wait, start + 40);
    EXPECT_EQ(waiter.Join(), 0);
    EXPECT_GE(zem::Clock::Steady().NowMs() - start, 40);
}
