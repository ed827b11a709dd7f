#include "sound/pacer.h"

namespace zem {

void Pacer::Start(int rate)
{
    std::lock_guard lock(mutex_);
    rate_ = rate;
    startMs_ = clock_.NowMs();
    written_ = 0;
    sleep_.Resume();
}

bool Pacer::WaitForRoom(int frames)
{
    int64_t dueMs;
    {
        std::lock_guard lock(mutex_);
        const int64_t end = written_ + frames;
        dueMs = startMs_ + (end * 1000 + rate_ - 1) / rate_;
    }
    return sleep_.SleepUntil(dueMs);
}

void Pacer::Written(int frames)
{
    std::lock_guard lock(mutex_);
    written_ += frames;
}

}  // namespace zem
