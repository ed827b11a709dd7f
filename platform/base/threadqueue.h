// A thread's message queue: any thread posts, the owning thread gets. Stands in for thread
// messages and thread timers. The queue exists before its thread runs, so posts made early
// are kept and delivered once the thread starts getting.
#pragma once

#include "base/clock.h"
#include "base/messages.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

namespace zem {

class ThreadQueue {
public:
    explicit ThreadQueue(Clock& clock = Clock::Steady());
    ~ThreadQueue();
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    // Callable from any thread. Never blocks on the receiver.
    void Post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
    void PostQuit(int exitCode = 0);

    // Blocks until a message or a due timer is there. Returns false for WM_QUIT (still
    // stored in out), true for any other message. Timer ticks come as WM_TIMER with the
    // timer id in wParam, only when no posted message is waiting.
    bool Get(ThreadMessage& out);

    // Like Get but never blocks; false when nothing is there. With remove=false the message
    // stays queued (a due timer stays due).
    bool Peek(ThreadMessage& out, bool remove);

    // Starts or restarts timer id with the given period. A timer that missed several
    // periods delivers one tick, then keeps its cadence from now on.
    void SetTimer(uintptr_t id, uint32_t periodMs);
    bool KillTimer(uintptr_t id);

    size_t PendingCount() const;
    Clock& GetClock() const { return clock_; }

private:
    struct Timer {
        uint32_t periodMs;
        int64_t dueMs;
    };

    bool TakeLocked(ThreadMessage& out, bool remove);
    // The earliest timer deadline, or -1 when there is no timer.
    int64_t NextDueLocked() const;

    Clock& clock_;
    int observerId_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<ThreadMessage> messages_;
    std::map<uintptr_t, Timer> timers_;
};

}  // namespace zem
