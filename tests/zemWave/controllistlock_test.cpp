// The application's control-list lock on a manual clock: window threads wait as long as it
// takes, the engine's worker at most its time, and not at all while turned away.
#include "zemWave/controllistlock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace {

// Long enough for a waiter that should have returned to have done so.
constexpr auto kSettle = std::chrono::milliseconds(50);
constexpr auto kPatience = std::chrono::seconds(30);

// A waiter on another thread and what it got. Made once the thread is about to wait, and
// has had a moment to begin (it reads the clock first).
class Waiter {
public:
    explicit Waiter(std::function<bool()> wait)
        : thread_([this, wait = std::move(wait)] {
              started_ = true;
              result_ = wait();
              done_ = true;
          })
    {
        while (!started_)
            std::this_thread::yield();
        std::this_thread::sleep_for(kSettle);
    }
    ~Waiter() { thread_.join(); }
    bool Done() const { return done_; }
    // Waits (bounded) for the waiter to return; its result.
    bool Result()
    {
        const auto giveUp = std::chrono::steady_clock::now() + kPatience;
        while (!done_ && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_TRUE(done_);
        return result_;
    }

private:
    std::atomic<bool> started_ = false;
    std::atomic<bool> done_ = false;
    std::atomic<bool> result_ = false;
    std::thread thread_;
};

TEST(ControlListLock, AWaiterWithATimeOutGivesUpOnlyWhenTheClockHasPassedIt)
{
    zem::ManualClock clock;
    ControlListLock lock(clock);
    lock.lock();
    {
        Waiter waiter([&] { return lock.TryLockFor(5000); });
        clock.Advance(4999);
        std::this_thread::sleep_for(kSettle);
        EXPECT_FALSE(waiter.Done());
        clock.Advance(1);
        EXPECT_FALSE(waiter.Result());
    }
    {
        Waiter waiter([&] { return lock.TryLockFor(5000); });
        clock.Advance(2000);
        lock.unlock();
        EXPECT_TRUE(waiter.Result()) << "the holder let go in time";
    }
    EXPECT_FALSE(lock.TryLockFor(0)) << "the waiter holds it now";
    lock.unlock();
    EXPECT_TRUE(lock.TryLockFor(0));
    lock.unlock();
}

TEST(ControlListLock, AWaiterWithoutATimeOutWaitsHoweverFarTheClockMoves)
{
    zem::ManualClock clock;
    ControlListLock lock(clock);
    lock.lock();
    Waiter waiter([&] {
        lock.lock();
        return true;
    });
    clock.Advance(1000000);
    std::this_thread::sleep_for(kSettle);
    EXPECT_FALSE(waiter.Done());
    lock.unlock();
    EXPECT_TRUE(waiter.Result());
    lock.unlock();
}

TEST(ControlListLock, AWaiterWithoutATimeOutGoesFirst)
{
    zem::ManualClock clock;
    ControlListLock lock(clock);
    lock.lock();
    Waiter limited([&] { return lock.TryLockFor(5000); });
    Waiter unlimited([&] {
        lock.lock();
        return true;
    });
    lock.unlock();
    EXPECT_TRUE(unlimited.Result());
    std::this_thread::sleep_for(kSettle);
    EXPECT_FALSE(limited.Done());
    lock.unlock();
    EXPECT_TRUE(limited.Result());
    lock.unlock();
}

TEST(ControlListLock, TurnedAwayWaitersGiveUpAtOnceUntilTurnedBack)
{
    zem::ManualClock clock;
    ControlListLock lock(clock);
    lock.lock();
    Waiter waiting([&] { return lock.TryLockFor(5000); });
    lock.TurnAwayWaiters(true);
    EXPECT_FALSE(waiting.Result()) << "no time has passed";
    EXPECT_FALSE(lock.TryLockFor(5000));
    lock.TurnAwayWaiters(false);
    lock.unlock();
    EXPECT_TRUE(lock.TryLockFor(5000));
    lock.unlock();
}

}  // namespace
