#include "base/threadqueue.h"

#include <algorithm>

namespace zem {

ThreadQueue::ThreadQueue(Clock& clock) : wait_(clock) {}

void ThreadQueue::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    Push(ThreadMessage{message, wParam, lParam});
}

void ThreadQueue::PostQuit(int exitCode)
{
    Post(WM_QUIT, static_cast<uintptr_t>(exitCode), 0);
}

void ThreadQueue::PostTask(std::function<void()> task)
{
    Push(ThreadMessage{WM_NULL, 0, 0, std::move(task)});
}

void ThreadQueue::Push(ThreadMessage message)
{
    auto lock = wait_.Lock();
    messages_.push_back(std::move(message));
    wait_.Wake();
}

bool ThreadQueue::Get(ThreadMessage& out)
{
    auto lock = wait_.Lock();
    while (!TakeLocked(out, true))
        wait_.WaitOnce(lock, NextDueLocked());
    return out.message != WM_QUIT;
}

bool ThreadQueue::Peek(ThreadMessage& out, bool remove)
{
    auto lock = wait_.Lock();
    return TakeLocked(out, remove);
}

void ThreadQueue::SetTimer(uintptr_t id, uint32_t periodMs)
{
    constexpr uint32_t kMinimumPeriodMs = 10;  // as the window system clamps
    if (periodMs < kMinimumPeriodMs)
        periodMs = kMinimumPeriodMs;
    auto lock = wait_.Lock();
    timers_[id] = Timer{periodMs, GetClock().NowMs() + periodMs};
    wait_.Wake();
}

bool ThreadQueue::KillTimer(uintptr_t id)
{
    auto lock = wait_.Lock();
    return timers_.erase(id) > 0;
}

size_t ThreadQueue::PendingCount() const
{
    auto lock = wait_.Lock();
    return messages_.size();
}

bool ThreadQueue::TakeLocked(ThreadMessage& out, bool remove)
{
    if (!messages_.empty()) {
        if (remove) {
            out = std::move(messages_.front());
            messages_.pop_front();
        } else {
            out = messages_.front();
        }
        return true;
    }
    const int64_t now = GetClock().NowMs();
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
    int64_t due = ClockWait::kNoDeadline;
    for (const auto& [id, timer] : timers_)
        due = std::min(due, timer.dueMs);
    return due;
}

}  // namespace zem
