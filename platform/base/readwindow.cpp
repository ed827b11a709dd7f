#include "base/readwindow.h"

#include "base/file.h"

#include <algorithm>
#include <cstring>

namespace zem {

ReadWindow::ReadWindow(int fd, size_t size) : fd_(fd), bytes_(size) {}

size_t ReadWindow::Read(uint64_t offset, void* out, size_t count)
{
    size_t done = 0;
    if (count == 0)
        return 0;
    if (count >= bytes_.size()) {
        ReadAt(fd_, offset, out, count, done);
        return done;
    }
    if (!Holds(offset, count)) {
        start_ = offset;
        ReadAt(fd_, offset, bytes_.data(), bytes_.size(), held_);
    }
    const size_t at = static_cast<size_t>(offset - start_);
    done = std::min(count, held_ - at);
    std::memcpy(out, bytes_.data() + at, done);
    return done;
}

bool ReadWindow::Holds(uint64_t offset, size_t count) const
{
    return offset >= start_ && offset - start_ <= held_ && held_ - (offset - start_) >= count;
}

}  // namespace zem
