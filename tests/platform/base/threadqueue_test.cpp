#include "base/threadqueue.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using zem::ManualClock;
using zem::ThreadMessage;
using zem::ThreadQueue;

TEST(ThreadQueue, KeepsOrderPerSenderAcrossThreads)
{
    ThreadQueue queue;
    constexpr int kSenders = 4;
    constexpr int kPerSender = 2000;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&queue, s] {
            for (int i = 0; i < kPerSender; ++i)
                queue.Post(zem::WM_USER + 1, static_cast<uintptr_t>(s), i);
        });
    }
    std::vector<intptr_t> last(kSenders, -1);
    int received = 0;
    ThreadMessage msg;
    while (received < kSenders * kPerSender && queue.Get(msg)) {
        ASSERT_EQ(msg.message, zem::WM_USER + 1);
        EXPECT_EQ(msg.lParam, last[msg.wParam] + 1) << "sender " << msg.wParam;
        last[msg.wParam] = msg.lParam;
        ++received;
    }
    for (auto& t : senders)
        t.join();
    EXPECT_EQ(received, kSenders * kPerSender);
}

TEST(ThreadQueue, PeekWithAndWithoutRemoval)
{
    ThreadQueue queue;
    ThreadMessage msg;
    EXPECT_FALSE(queue.Peek(msg, false));
    queue.Post(1025, 7, -3);
    queue.Post(1026);
    ASSERT_TRUE(queue.Peek(msg, false));
    EXPECT_EQ(msg.message, 1025u);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(msg.lParam, -3);
    EXPECT_EQ(queue.PendingCount(), 2u);
    ASSERT_TRUE(queue.Peek(msg, true));
    EXPECT_EQ(msg.message, 1025u);
    ASSERT_TRUE(queue.Peek(msg, true));
    EXPECT_EQ(msg.message, 1026u);
    EXPECT_FALSE(queue.Peek(msg, true));
}

TEST(ThreadQueue, QuitEndsGetLoopAndPostsBeforeThreadStartArrive)
{
    ThreadQueue queue;
    // Posted before the receiving thread exists.
    queue.Post(zem::WM_USER + 5, 1);
    queue.Post(zem::WM_USER + 5, 2);
    queue.PostQuit(3);
    std::vector<uintptr_t> seen;
    ThreadMessage last;
    std::thread worker([&] {
        ThreadMessage msg;
        while (queue.Get(msg))
            seen.push_back(msg.wParam);
        last = msg;
    });
    worker.join();
    EXPECT_EQ(seen, (std::vector<uintptr_t>{1, 2}));
    EXPECT_EQ(last.message, zem::WM_QUIT);
    EXPECT_EQ(last.wParam, 3u);
}

TEST(ThreadQueue, TimerThatMissedSeveralPeriodsDeliversOneTick)
{
    ManualClock clock(1000);
    ThreadQueue queue(clock);
    queue.SetTimer(9, 100);
    ThreadMessage msg;
    EXPECT_FALSE(queue.Peek(msg, true));
    clock.Advance(550);  // five periods missed
    ASSERT_TRUE(queue.Peek(msg, true));
    EXPECT_EQ(msg.message, zem::WM_TIMER);
    EXPECT_EQ(msg.wParam, 9u);
    EXPECT_FALSE(queue.Peek(msg, true)) << "missed periods must fold into one tick";
    clock.Advance(100);
    EXPECT_TRUE(queue.Peek(msg, true));
    EXPECT_TRUE(queue.KillTimer(9));
    clock.Advance(1000);
    EXPECT_FALSE(queue.Peek(msg, true));
}

TEST(ThreadQueue, PostedMessagesComeBeforeTimerTicks)
{
    ManualClock clock;
    ThreadQueue queue(clock);
    queue.SetTimer(1, 100);
    clock.Advance(100);
    queue.Post(zem::WM_USER + 2);
    ThreadMessage msg;
    ASSERT_TRUE(queue.Peek(msg, true));
    EXPECT_EQ(msg.message, zem::WM_USER + 2);
    ASSERT_TRUE(queue.Peek(msg, true));
    EXPECT_EQ(msg.message, zem::WM_TIMER);
}

TEST(ThreadQueue, BlockedGetWakesWhenManualClockReachesTimer)
{
    ManualClock clock;
    ThreadQueue queue(clock);
    queue.SetTimer(4, 100);
    int ticks = 0;
    std::thread worker([&] {
        ThreadMessage msg;
        while (queue.Get(msg)) {
            if (msg.message == zem::WM_TIMER && ++ticks == 3)
                break;
        }
    });
    for (int i = 0; i < 3; ++i) {
        // Step only once the worker has taken the previous tick.
        ThreadMessage peeked;
        while (queue.Peek(peeked, false))
            std::this_thread::yield();
        clock.Advance(100);
    }
    worker.join();
    EXPECT_EQ(ticks, 3);
}

TEST(ThreadQueue, TasksComeInTurnWithMessagesAsWmNull)
{
    ThreadQueue queue;
    std::vector<int> ran;
    queue.Post(zem::WM_USER + 1);
    queue.PostTask([&ran] { ran.push_back(1); });
    queue.Post(zem::WM_USER + 2);
    queue.PostTask([&ran] { ran.push_back(2); });
    queue.PostQuit();
    std::vector<uint32_t> order;
    ThreadMessage msg;
    while (queue.Get(msg)) {
        order.push_back(msg.message);
        EXPECT_EQ(static_cast<bool>(msg.task), msg.message == zem::WM_NULL);
        if (msg.task)
            msg.task();
    }
    EXPECT_EQ(order, (std::vector<uint32_t>{zem::WM_USER + 1, zem::WM_NULL, zem::WM_USER + 2, zem::WM_NULL}));
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}
