// Posted and sent messages, dead handles, timers and failing procedures.
#include "uitest.h"

#include "ui/testhooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

using namespace uitest;

namespace {

TEST(WindowMessages, PostsArriveInOrderOnTheUiThread)
{
    constexpr int kSenders = 6;
    constexpr intptr_t kPerSender = 3000;
    constexpr WPARAM kSelf = kSenders;  // the window's own posts, made while it handles one
    constexpr int kExpected = kSenders * kPerSender + kSenders * kPerSender / 100;
    std::vector<intptr_t> last(kSenders + 1, -1);
    intptr_t selfPosts = 0;
    int received = 0, outOfOrder = 0, offThread = 0;
    const auto uiThread = std::this_thread::get_id();
    HWND hwnd = CreateWindow([&](HWND self, UINT message, WPARAM sender, LPARAM seq) -> LRESULT {
        if (message != kTestMessage)
            return 0;
        offThread += std::this_thread::get_id() != uiThread;
        outOfOrder += seq != last[sender] + 1;
        last[sender] = seq;
        ++received;
        if (sender != kSelf && seq % 100 == 0)
            PostMessage(self, kTestMessage, kSelf, selfPosts++);
        return 0;
    }, 0, 0, 0, 10, 10);
    std::atomic<int> failedPosts = 0;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&, s] {
            for (intptr_t i = 0; i < kPerSender; ++i)
                failedPosts += !PostMessage(hwnd, kTestMessage, static_cast<WPARAM>(s), i);
        });
    }
    EXPECT_TRUE(PumpMessagesUntil([&] { return received == kExpected; }, kBoundMs));
    for (auto& t : senders)
        t.join();
    EXPECT_EQ(failedPosts, 0);
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_EQ(offThread, 0);
    DestroyWindow(hwnd);
}

TEST(WindowMessages, DeadHandleRefusesEverythingAndReceivesNothing)
{
    MessageLog log;
    HWND hwnd = CreateWindow(log.Procedure(), 0, 0, 0, 10, 10);
    ASSERT_TRUE(PostMessage(hwnd, kTestMessage, 0, 0));  // still queued when the window dies
    ASSERT_TRUE(DestroyWindow(hwnd));
    const size_t seen = log.entries.size();
    RECT rect;
    const std::pair<const char*, std::function<bool()>> refusals[] = {
        {"IsWindow", [&] { return !IsWindow(hwnd); }},
        {"PostMessage", [&] { return !PostMessage(hwnd, kTestMessage, 0, 0); }},
        {"SendMessage", [&] { return SendMessage(hwnd, kTestMessage, 0, 0) == 0; }},
        {"SendMessage from a thread", [&] { return SendFromAnotherThread(hwnd, kTestMessage, 0, 0) == 0; }},
        {"SetTimer", [&] { return SetTimer(hwnd, 1, 10) == 0; }},
        {"DestroyWindow", [&] { return !DestroyWindow(hwnd); }},
        {"ShowWindow", [&] { return !ShowWindow(hwnd, SW_SHOW); }},
        {"GetClientRect", [&] { return !GetClientRect(hwnd, &rect); }},
        {"CreateWindow as parent", [&] { return !CreateWindow(Quiet, WS_CHILD, 0, 0, 1, 1, hwnd); }},
    };
    for (const auto& [what, refused] : refusals)
        EXPECT_TRUE(refused()) << what;
    EXPECT_TRUE(Drain());
    EXPECT_EQ(log.entries.size(), seen);
}

// The owner object dies on WM_NCDESTROY, as a window class that deletes itself then; a
// message delivered later would touch freed memory (sanitizer build).
TEST(WindowMessages, WindowDestroyedWhilePostsAreInFlightReceivesNone)
{
    for (int round = 0; round < 20; ++round) {
        auto* owner = new int(0);
        bool dead = false;
        int afterDeath = 0;
        HWND hwnd = CreateWindow([&, owner](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
            if (dead)
                ++afterDeath;
            else if (message == WM_NCDESTROY)
                dead = true, delete owner;
            else
                ++*owner;
            return 0;
        }, 0, 0, 0, 1, 1);
        std::atomic<bool> stop = false;
        std::atomic<int> posted = 0;
        std::vector<std::thread> senders;
        for (int s = 0; s < 4; ++s)
            senders.emplace_back([&] {
                while (!stop && PostMessage(hwnd, kTestMessage, 0, 0))
                    ++posted;
            });
        EXPECT_TRUE(PumpMessagesUntil([&] { return posted > 200; }, kBoundMs));
        EXPECT_TRUE(DestroyWindow(hwnd));
        stop = true;
        for (auto& t : senders)
            t.join();
        EXPECT_TRUE(Drain());
        EXPECT_TRUE(dead);
        EXPECT_EQ(afterDeath, 0);
    }
}

TEST(WindowMessages, SendFromOtherThreadsReturnsTheProcedureResult)
{
    const auto uiThread = std::this_thread::get_id();
    HWND hwnd = CreateWindow([&](HWND, UINT, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return std::this_thread::get_id() == uiThread ? static_cast<LRESULT>(wParam) * 1000 + lParam : -1;
    }, 0, 0, 0, 1, 1);
    constexpr int kSenders = 4;
    std::atomic<int> wrong = 0, done = 0;
    std::vector<std::thread> senders;
    for (int s = 1; s <= kSenders; ++s)
        senders.emplace_back([&, s] {
            for (int i = 0; i < 200; ++i)
                wrong += SendMessage(hwnd, kTestMessage, static_cast<WPARAM>(s), -i) != s * 1000 - i;
            ++done;
        });
    EXPECT_TRUE(PumpMessagesUntil([&] { return done == kSenders; }, kBoundMs));
    for (auto& t : senders)
        t.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(SendMessage(hwnd, kTestMessage, 2, 5), 2005) << "same thread";
    DestroyWindow(hwnd);
}

// As a program that leaves its loop and destroys its window before joining a worker that
// has just sent to it: the UI thread takes no message in between, the sender still returns.
TEST(WindowMessages, SendToAWindowThatDiesBeforeDeliveryReturnsZero)
{
    MessageLog log;
    HWND target = CreateWindow(log.Procedure([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 42; }), 0, 0, 0, 1, 1);
    std::atomic<LRESULT> result = -1;
    std::thread sender([&] { result = SendMessage(target, kTestMessage, 0, 0); });
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
    while (PendingSends(target) == 0 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
    ASSERT_EQ(PendingSends(target), 1u);
    DestroyWindow(target);
    while (result == -1 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
    EXPECT_EQ(result, 0) << "the sender still waits";
    sender.join();
    EXPECT_TRUE(Drain());
    EXPECT_EQ(log.Count(target, kTestMessage, 0), 0u) << "the dead window's call ran late";
}

TEST(WindowTimers, TickUntilKilledAndEndWithTheirWindow)
{
    MessageLog log;
    HWND hwnd = CreateWindow(log.Procedure([&](HWND self, UINT message, WPARAM id, LPARAM) -> LRESULT {
        if (message == WM_TIMER && id == 7 && log.Count(self, WM_TIMER, 7) == 3) {
            EXPECT_TRUE(KillTimer(self, 7));
        }
        return 0;
    }), 0, 0, 0, 1, 1);
    HWND other = CreateWindow(log.Procedure(), 0, 0, 0, 1, 1);
    EXPECT_EQ(SetTimer(hwnd, 7, 10), 7u);
    EXPECT_EQ(SetTimer(hwnd, 0, 10), 0u) << "ids are nonzero";
    EXPECT_TRUE(PumpMessagesUntil([&] { return log.Count(hwnd, WM_TIMER, 7) == 3; }, kBoundMs));
    EXPECT_FALSE(KillTimer(hwnd, 7));
    EXPECT_EQ(SetTimer(hwnd, 9, 10), 9u);
    EXPECT_TRUE(PumpMessagesUntil([&] { return log.Count(hwnd, WM_TIMER, 9) == 2; }, kBoundMs));
    DestroyWindow(hwnd);  // ends timer 9

    // Timers of the same period on another window: had 7 or 9 survived, they would tick along.
    EXPECT_EQ(SetTimer(other, 8, 10), 8u);
    EXPECT_TRUE(PumpMessagesUntil([&] { return log.Count(other, WM_TIMER, 8) == 5; }, kBoundMs));
    EXPECT_EQ(log.Count(hwnd, WM_TIMER, 7), 3u);
    EXPECT_EQ(log.Count(hwnd, WM_TIMER, 9), 2u);
    for (const auto& r : log.entries)
        EXPECT_TRUE(r.message != WM_TIMER || r.lParam == 0);
    DestroyWindow(other);
}

TEST(WindowProcedures, AFailingProcedureNeverEndsTheProcess)
{
    const std::pair<const char*, std::function<void()>> raisers[] = {
        {"std::exception", [] { throw std::runtime_error("broken"); }},
        {"int", [] { throw 3; }},
    };
    for (const auto& [what, raise] : raisers) {
        SCOPED_TRACE(what);
        int calls = 0;
        HWND hwnd = CreateWindow([&, &fail = raise](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
            ++calls;
            fail();
            return 5;
        }, 0, 0, 0, 1, 1);
        ASSERT_TRUE(IsWindow(hwnd)) << "a failing WM_CREATE answers 0";
        EXPECT_EQ(SendMessage(hwnd, kTestMessage, 0, 0), 0);
        EXPECT_EQ(SendFromAnotherThread(hwnd, kTestMessage, 0, 0), 0);
        const int before = calls;
        PostMessage(hwnd, kTestMessage, 0, 0);
        PostMessage(hwnd, kTestMessage, 0, 0);
        SetTimer(hwnd, 1, 10);
        EXPECT_TRUE(PumpMessagesUntil([&] { return calls >= before + 4; }, kBoundMs)) << "posts and ticks go on";
        EXPECT_TRUE(DestroyWindow(hwnd));
    }
}

}  // namespace
