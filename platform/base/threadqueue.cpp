#include "base/threadqueue.h"

#include <chrono>

namespace zem {

ThreadQueue::ThreadQueue(Clock& clock) : clock_(clock)
{
    if (auto* manual = dynamic_cast<ManualClock*>(&clock_)) {
        observerId_ = manual->AddObserver([this] {
            std::lock_guard lock(mutex_);
            changed_.notify_all();
        });
    }
}

ThreadQueue::~ThreadQueue()
{
    if (auto* manual = dynamic_cast<ManualClock*>(&clock_))
        manual->RemoveObserver(observerId_);
}

void ThreadQueue::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    std::lock_guard lock(mutex_);
    messages_.push_back(ThreadMessage{message, wParam, lParam});
    changed_.notify_all();
}

void ThreadQueue::PostQuit(int exitCode)
{
    Post(WM_QUIT, static_cast<uintptr_t>(exitCode), 0);
}

bool ThreadQueue::Get(ThreadMessage& out)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (TakeLocked(out, true))
            return out.message != WM_QUIT;
        const int64_t due = NextDueLocked();
        if (due < 0 || clock_.IsManual()) {
            changed_.wait(lock);
        } else {
            const int64_t wait = due - clock_.NowMs();
            if (wait > 0)
                changed_.wait_for(lock, std::chrono::milliseconds(wait));
        }
    }
}

bool ThreadQueue::Peek(ThreadMessage& out, bool remove)
{
    std::lock_guard lock(mutex_);
    return TakeLocked(out, remove);
}

void ThreadQueue::SetTimer(uintptr_t id, uint32_t periodMs)
{
    constexpr uint32_t kMinimumPeriodMs = 10;  // as the window system clamps
    if (periodMs < kMinimumPeriodMs)
        periodMs = kMinimumPeriodMs;
    std::lock_guard lock(mutex_);
    timers_[id] = Timer{periodMs, clock_.NowMs() + periodMs};
    changed_.notify_all();
}

bool ThreadQueue::KillTimer(uintptr_t id)
{
    std::lock_guard lock(mutex_);
    return timers_.erase(id) > 0;
}

size_t ThreadQueue::PendingCount() const
{
    std::lock_guard lock(mutex_);
    return messages_.size();
}

bool ThreadQueue::TakeLocked(ThreadMessage& out, bool remove)
{
    if (!messages_.empty()) {
        out = messages_.front();
        if (remove)
            messages_.pop_front();
        return true;
    }
    const int64_t now = clock_.NowMs();
    for (auto& [id, timer] : timers_) {
        if (timer.dueMs > now)
            continue;
        out = ThreadMessage{WM_TIMER, id, 0};
        if (remove) {
            // Missed periods fold into this one tick.
            timer.dueMs += timer.periodMs;
            if (timer.dueMs <= now)
                timer.dueMs = now + timer.periodMs;
        }
        return true;
    }
    return false;
}

int64_t ThreadQueue::NextDueLocked() const
{
    int64_t due = -1;
    for (const auto& [id, timer] : timers_) {
        if (due < 0 || timer.dueMs < due)
            due = timer.dueMs;
    }
    return due;
}

}  // namespace zem
