// Ending an engine whose worker never answers, as the host's window thread does when the last
// control closes: the wait is bounded on the engine's clock and traced, then the worker is
// given up.
#include "support/tracefile.h"
#include "zemWave/engine/fmodclasses.h"

#include "base/clock.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

namespace {

constexpr auto kPatience = std::chrono::seconds(30);

using zemtest::TraceToFile;
[[maybe_unused]] ::testing::Environment* const g_trace = ::testing::AddGlobalTestEnvironment(new TraceToFile);

bool Traced(const std::string& text)
{
    return zemtest::Exists(TraceToFile::Path()) &&
           zemtest::ReadFile(TraceToFile::Path()).find(text) != std::string::npos;
}

bool WaitFor(const std::function<bool()>& done)
{
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::yield();
    }
    return true;
}

// What the stuck worker waits on; never destroyed, since the worker given up stays in the
// engine's code until the process ends.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    pid_t worker = 0;
    bool returned = false;
};

// The thread's state letter in /proc: 'S' while it waits.
char ThreadState(pid_t tid)
{
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : '?';
}

TEST(EngineShutdown, AWorkerThatNeverAnswersIsGivenUpAfterTheBoundWithTheTrace)
{
    // Both outlive the test: the sound layer given up with the worker goes on pacing its
    // mixer on the clock.
    static zem::ManualClock* const clock = new zem::ManualClock;
    static Gate* const gate = new Gate;
    auto engine = std::make_unique<_FMODEngine>(zem::OutputChoice::Null(clock), EngineSettings{});
    std::promise<void> entered;
    ASSERT_TRUE(engine->RunOnWorker([&entered] {
        std::unique_lock lock(gate->mutex);
        gate->worker = static_cast<pid_t>(syscall(SYS_gettid));
        entered.set_value();
        gate->opened.wait(lock, [] { return gate->open; });
        gate->returned = true;
    }));
    ASSERT_EQ(entered.get_future().wait_for(kPatience), std::future_status::ready);

    std::atomic<bool> destroyed = false;
    std::thread host([&] {
        engine.reset();
        destroyed = true;
    });
    ASSERT_TRUE(WaitFor([] { return Traced("Waiting for uninit..."); }));
    clock->Advance(_FMODEngine::kWorkerEndMs - 1000);
    EXPECT_FALSE(destroyed) << "gave up before the bound";
    clock->Advance(1000);
    EXPECT_TRUE(WaitFor([&] { return destroyed.load(); }));
    host.join();
    EXPECT_TRUE(Traced("given up"));

    // The stuck call comes back after the engine is gone: the worker stops there and waits
    // for good, touching nothing of the engine's (the sanitizer builds see any touch).
    {
        std::lock_guard lock(gate->mutex);
        gate->open = true;
    }
    gate->opened.notify_all();
    EXPECT_TRUE(WaitFor([] {
        std::lock_guard lock(gate->mutex);
        return gate->returned && ThreadState(gate->worker) == 'S';
    }));
}

}  // namespace
