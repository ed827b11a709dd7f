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
