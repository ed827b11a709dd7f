// _FMODEngine: index marks, jumps between marks and between recordings, and the two parts of
// the timer tick that use them (beep and loop at a mark, skipping the gaps between recordings).
#include "zemWave/engine/fmodengine.h"

#include "base/trace.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {

uint32_t Distance(uint32_t a, uint32_t b)
{
    return a > b ? a - b : b - a;
}

uint32_t ClampMs(uint64_t ms)
{
    return static_cast<uint32_t>(std::min<uint64_t>(ms, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

// --- Marks ---

uint32_t _FMODEngine::AddIndex(uint32_t ms)
{
    if (ms == 0)
        ms = GetPosition();
    if (ms == 0)
        return 0;
    {
        std::lock_guard lock(lock_);
        for (uint32_t mark : indices_) {
            if (Distance(mark, ms) < kIndexSpacingMs)
                return 0;
        }
        indices_.insert(std::upper_bound(indices_.begin(), indices_.end(), ms), ms);
    }
    NotifyEngine(kEngineIndexChanged);
    return ms;
}

bool _FMODEngine::RemoveIndexWhere(uint32_t ms, const IndexPicker& pick)
{
    if (ms == 0)
        ms = GetPosition();
    {
        std::lock_guard lock(lock_);
        const auto mark = pick(indices_, ms);
        if (mark == indices_.end())
            return false;
        indices_.erase(mark);
    }
    NotifyEngine(kEngineIndexChanged);
    return true;
}

bool _FMODEngine::RemoveIndex(uint32_t ms)
{
    return RemoveIndexWhere(ms, [](std::vector<uint32_t>& marks, uint32_t at) {
        return std::find_if(marks.begin(), marks.end(),
                            [at](uint32_t mark) { return Distance(mark, at) < kIndexSpacingMs; });
    });
}

bool _FMODEngine::RemovePreviousIndex(uint32_t ms)
{
    return RemoveIndexWhere(ms, [](std::vector<uint32_t>& marks, uint32_t at) {
        const auto after = std::lower_bound(marks.begin(), marks.end(), at);
        return after == marks.begin() ? marks.end() : std::prev(after);
    });
}

bool _FMODEngine::RemoveNextIndex(uint32_t ms)
{
    return RemoveIndexWhere(ms, [](std::vector<uint32_t>& marks, uint32_t at) {
        return std::lower_bound(marks.begin(), marks.end(), at);
    });
}

void _FMODEngine::RemoveAllIndices()
{
    {
        std::lock_guard lock(lock_);
        indices_.clear();
    }
    NotifyEngine(kEngineIndexChanged);
}

bool _FMODEngine::IsNearIndex(uint32_t ms) const
{
    if (ms == 0)
        ms = GetPosition();
    std::lock_guard lock(lock_);
    return std::any_of(indices_.begin(), indices_.end(),
                       [ms](uint32_t mark) { return Distance(mark, ms) < kIndexSpacingMs; });
}

void _FMODEngine::GetIndices(std::vector<uint32_t>& indices) const
{
    std::lock_guard lock(lock_);
    indices = indices_;
}

// --- Moves ---

void _FMODEngine::NextIndex()
{
    const uint32_t position = GetPosition();
    uint32_t target;
    {
        std::lock_guard lock(lock_);
        const auto next = std::upper_bound(indices_.begin(), indices_.end(), position);
        if (next == indices_.end())
            return;
        target = *next;
    }
    SetPosition(target);
}

void _FMODEngine::PreviousIndex()
{
    const uint32_t position = GetPosition();
    if (position < kIndexSpacingMs)
        return;
    uint32_t target;
    {
        std::lock_guard lock(lock_);
        const auto before = std::lower_bound(indices_.begin(), indices_.end(), position - kIndexSpacingMs);
        if (before == indices_.begin())
            return;
        target = *std::prev(before);
    }
    SetPosition(target);
}

std::vector<_FMODEngine::Placed> _FMODEngine::PlacedFiles() const
{
    std::vector<Placed> placed;
    std::lock_guard lock(lock_);
    for (const auto& file : queue_) {
        // A recording without a valid start is not on the timeline (the ruler ignores it too).
        if (file->enabled_ && !file->start_.IsNull() && file->start_.IsValid())
            placed.push_back({file, file->start_});
    }
    return placed;
}

std::optional<uint64_t> _FMODEngine::NearestStartFrom(
    const SysTime& now, const std::function<bool(const SysTime&)>& counts) const
{
    std::optional<uint64_t> best;
    for (const Placed& p : PlacedFiles()) {
        if (!counts(p.start))
            continue;
        const uint64_t d = p.start.DiffMs(now);
        if (!best || d < *best)
            best = d;
    }
    return best;
}

uint32_t _FMODEngine::NextRecording()
{
    const uint32_t position = GetPosition();
    const SysTime now = GetStartTime().AddMs(position);
    const auto best =
        NearestStartFrom(now, [&](const SysTime& start) { return start.Compare(now) > 0; });
    if (!best)
        return 0;
    const uint32_t moved = ClampMs(*best);
    SetPosition(ClampMs(uint64_t{position} + moved));
    return moved;
}

uint32_t _FMODEngine::PreviousRecording()
{
    const uint32_t position = GetPosition();
    const SysTime now = GetStartTime().AddMs(position);
    // A listener who has just passed a recording's start goes to the one before it.
    const SysTime earlier = now.SubMs(kIndexSpacingMs);
    const auto best =
        NearestStartFrom(now, [&](const SysTime& start) { return start.Compare(earlier) < 0; });
    if (!best)
        return 0;
    const uint32_t moved = ClampMs(*best);
    SetPosition(position > moved ? position - moved : 0);
    return moved;
}

void _FMODEngine::GetFilesAt(std::vector<_FMODFile*>& files, const SysTime& time) const
{
    files.clear();
    // Lengths come from the waves, asked outside the engine lock.
    for (const Placed& p : PlacedFiles()) {
        if (p.start.Compare(time) <= 0 && p.start.AddMs(p.file->GetLength()).Compare(time) >= 0)
            files.push_back(p.file.get());
    }
}

// --- Timer tick ---

void _FMODEngine::IndexStep()
{
    const uint32_t position = GetPosition();
    bool found = false;
    bool hasPrevious = false;
    uint32_t previous = 0;
    bool loop;
    bool beep;
    {
        std::lock_guard lock(lock_);
        // Half of the timeline's advance per tick: every mark falls into one tick's window.
        const auto window = static_cast<uint32_t>(50.0 * speed_);
        for (size_t i = 0; i < indices_.size() && !found; ++i) {
            if (Distance(indices_[i], position) > window)
                continue;
            found = true;
            hasPrevious = i > 0;
            previous = hasPrevious ? indices_[i - 1] : 0;
        }
        loop = indexLoop_;
        beep = indexBeep_ != 0;
    }
    if (!found)
        return;
    // The first mark never loops: there is nothing before it to go back to.
    if (loop && hasPrevious) {
        Pause();
        SetPosition(previous);
        Play();
    }
    // Without a beep sample the beep is silent.
    if (beep && !Sound()->IsPlaying(beepChannel_))
        beepChannel_ = Sound()->PlaySample(zem::kFreeChannel, beep_);
}

void _FMODEngine::SkipStep()
{
    const SysTime now = GetStartTime().AddMs(GetPosition());
    std::vector<_FMODFile*> files;
    GetFilesAt(files, now);
    if (!files.empty())
        return;
    Pause();
    NextRecording();
    Play();
}
