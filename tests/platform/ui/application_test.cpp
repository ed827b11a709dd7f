// The event loop: quit requests and the bounded pump.
#include "uitest.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace uitest;

namespace {

TEST(Application, QuitEndsTheLoopAfterEarlierPosts)
{
    MessageLog log;
    HWND hwnd = CreateWindow(log.Procedure(), 0, 0, 0, 1, 1);
    std::thread worker([hwnd] {
        for (int i = 0; i < 100; ++i)
            PostMessage(hwnd, kTestMessage, 0, 0);
        PostQuitMessage(9);
    });
    EXPECT_EQ(RunMessageLoop(), 9);
    worker.join();
    EXPECT_EQ(log.Count(hwnd, kTestMessage, 0), 100u);

    PostQuitMessage(4);
    EXPECT_TRUE(Drain());  // delivered while no loop runs: the next loop ends at once
    EXPECT_EQ(RunMessageLoop(), 4);
    DestroyWindow(hwnd);
}

TEST(Application, PumpEndsAtItsBoundOrWhenAnotherThreadSatisfiesIt)
{
    EXPECT_FALSE(PumpMessagesUntil([] { return false; }, 30));
    EXPECT_FALSE(PumpMessagesUntil([]() -> bool { throw 1; }, 30)) << "a failing condition is not met";
    std::atomic<bool> flag = false;
    std::thread setter([&] { flag = true; });  // posts nothing: the pump wakes by itself
    EXPECT_TRUE(PumpMessagesUntil([&] { return flag.load(); }, kBoundMs));
    setter.join();
}

}  // namespace
