// A thread's message queue: any thread posts, the owning thread gets. Stands in for thread
// messages and thread timers, and carries tasks in turn with the messages. The queue exists before its thread runs, so posts made early
// are kept and delivered once the thread starts getting.
#pragma once

#include "base/clock.h"
#include "base/messages.h"

#include <deque>
#include <functional>
#include <map>

namespace zem {

class ThreadQueue {
public:
    explicit ThreadQueue(Clock& clock = Clock::Steady());
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    // Callable from any thread. Never blocks on the receiver.
    void Post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
    void PostQuit(int exitCode = 0);
    // The task arrives as WM_NULL with ThreadMessage::task set, in turn with the messages.
    void PostTask(std::function<void()> task);

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
    Clock& GetClock() const { return wait_.GetClock(); }

private:
    struct Timer {
        uint32_t periodMs;
        int64_t dueMs;
    };

    void Push(ThreadMessage message);
    bool TakeLocked(ThreadMessage& out, bool remove);
    // The earliest timer deadline, or ClockWait::kNoDeadline when there is no timer.
    int64_t NextDueLocked() const;

    mutable ClockWait wait_;
    // --- under wait_'s lock ---
    std::deque<ThreadMessage> messages_;
    std::map<uintptr_t, Timer> timers_;
};

}  // namespace zem
