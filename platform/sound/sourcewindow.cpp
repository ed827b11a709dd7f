#include "sound/sourcewindow.h"

#include <algorithm>

namespace zem {
namespace {

// Forgotten frames are dropped in runs of at least this many, so the rest moves seldom.
constexpr int64_t kForgetRun = 4096;

}  // namespace

void SourceWindow::Reset(int64_t position)
{
    used_ = 0;
    start_ = position;
    ended_ = false;
}

size_t SourceWindow::Read(size_t frames, const Pull& pull)
{
    if (ended_ || frames == 0)
        return 0;
    if (frames_.size() < used_ + frames * channels_)
        frames_.resize(std::max(2 * frames_.size(), used_ + frames * channels_));
    const size_t got = pull(frames_.data() + used_, frames, ended_);
    used_ += got * channels_;
    return got;
}

const int16_t* SourceWindow::At(int64_t from) const
{
    return frames_.data() + static_cast<size_t>(from - start_) * channels_;
}

void SourceWindow::Forget(int64_t before)
{
    const int64_t drop = std::min(before, End()) - start_;
    if (drop < kForgetRun)
        return;
    const size_t dropped = static_cast<size_t>(drop) * channels_;
    std::copy(frames_.begin() + static_cast<long>(dropped), frames_.begin() + static_cast<long>(used_), frames_.begin());
    used_ -= dropped;
    start_ += drop;
}

}  // namespace zem
