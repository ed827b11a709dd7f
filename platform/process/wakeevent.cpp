#include "process/wakeevent.h"

#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zem {

WakeEvent::WakeEvent() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeEvent::~WakeEvent()
{
    if (fd_ >= 0)
        close(fd_);
}

void WakeEvent::Set()
{
    const uint64_t one = 1;
    // Never read back, so the counter stays above zero: the event stays set.
    [[maybe_unused]] const ssize_t n = write(fd_, &one, sizeof one);
}

bool WakeEvent::IsSet() const
{
    pollfd p{fd_, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

}  // namespace zem
