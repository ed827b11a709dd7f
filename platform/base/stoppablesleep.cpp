#include "base/stoppablesleep.h"

namespace zem {

bool StoppableSleep::Sleep(int64_t ms)
{
    return SleepUntil(wait_.GetClock().NowMs() + ms);
}

bool StoppableSleep::SleepUntil(int64_t deadlineMs)
{
    auto lock = wait_.Lock();
    return !wait_.WaitUntil(lock, deadlineMs, [this] { return stopped_; });
}

void StoppableSleep::Stop()
{
    auto lock = wait_.Lock();
    stopped_ = true;
    wait_.Wake();
}

void StoppableSleep::Resume()
{
    auto lock = wait_.Lock();
    stopped_ = false;
}

}  // namespace zem
