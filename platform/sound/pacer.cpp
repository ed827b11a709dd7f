#include "sound/pacer.h"

#include <algorithm>
#include <chrono>

namespace zem {

Pacer::Pacer(Clock& clock) : clock_(clock)
{
    // A manual clock moves only on Advance: be woken then instead of polling.
    if (clock_.IsManual()) {
        observerId_ = static_cast<ManualClock&>(clock_).AddObserver([this] {
            std::lock_guard lock(mutex_);
            wake_.notify_all();
        });
    }
}

Pacer::~Pacer()
{
    if (observerId_)
        static_cast<ManualClock&>(clock_).RemoveObserver(observerId_);
}

void Pacer::Start(int rate)
{
    std::lock_guard lock(mutex_);
    rate_ = rate;
    startMs_ = clock_.NowMs();
    written_ = 0;
    interrupted_ = false;
}

int64_t Pacer::DueMsLocked(int frames) const
{
    const int64_t end = written_ + frames;
    return startMs_ + (end * 1000 + rate_ - 1) / rate_;
}

bool Pacer::WaitForRoom(int frames)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (interrupted_)
            return false;
        const int64_t wait = DueMsLocked(frames) - clock_.NowMs();
        if (wait <= 0)
            return true;
        if (observerId_)
            wake_.wait(lock);
        else
            wake_.wait_for(lock, std::chrono::milliseconds(std::min<int64_t>(wait, 50)));
    }
}

void Pacer::Written(int frames)
{
    std::lock_guard lock(mutex_);
    written_ += frames;
}

void Pacer::Interrupt()
{
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    wake_.notify_all();
}

}  // namespace zem
