#include "process/childprocess.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace {

TEST(ChildProcess, TimeOutEndsTheWholeProcessGroup)
{
    zem::ChildProcess child;
    // The grandchild tells its id, then both would sleep far past the time-out.
    ASSERT_TRUE(child.Start({"sh -c \"sleep 30 & echo $!; wait\"", "", true, false}));
    zem::WakeEvent quit;
    std::string output;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(child.Wait(1000, quit, output), zem::ChildProcess::Outcome::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    const pid_t grandchild = std::stoi(output);
    bool gone = false;
    for (int i = 0; i < 50 && !gone; ++i) {
        gone = kill(grandchild, 0) != 0;  // reaped by init once killed
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(gone);
}

TEST(ChildProcess, QuitEventEndsTheWaitAtOnce)
{
    zem::ChildProcess child;
    ASSERT_TRUE(child.Start({"sleep 30", "", false, false}));
    zem::WakeEvent quit;
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        quit.Set();
    });
    std::string output;
    EXPECT_EQ(child.Wait(-1, quit, output), zem::ChildProcess::Outcome::Quit);
    setter.join();
    EXPECT_NE(kill(child.Pid(), 0), 0);
    EXPECT_FALSE(child.Start({"true", "", false, false}));
}

}  // namespace
