// _FMODEngine: the file queue, the per-file settings, the effect slots and the time ruler.
#include "zemWave/engine/fmodengine.h"

#include "zemWave/engine/engineformat.h"

#include "base/trace.h"

#include <algorithm>
#include <strings.h>

// --- Queue ---

FileHandle _FMODEngine::AddFile(const std::string& name, const SysTime& start)
{
    if (state_ == kPlaying) {
        std::lock_guard lock(lock_);
        SetLastErrorLocked(EngineFormat("AddFile %s failed. Function allowed in playing-state!", name.c_str()));
        return 0;
    }
    FileHandle handle;
    {
        std::lock_guard lock(lock_);
        if (FindFileByNameLocked(name)) {
            SetLastErrorLocked(EngineFormat("AddFile %s failed. File is already in queue!", name.c_str()));
            return 0;
        }
        handle = queue_.Reserve();
        if (handle == 0) {
            SetLastErrorLocked(EngineFormat("AddFile %s failed. The queue is full!", name.c_str()));
            return 0;
        }
    }
    // Made outside the engine lock: the file registers with its wave, whose callbacks take
    // the engine lock.
    auto file = std::make_shared<_FMODFile>(this, handle, name, start);
    {
        std::lock_guard lock(lock_);
        if (FindFileByNameLocked(name)) {
            queue_.Remove(handle);
            SetLastErrorLocked(EngineFormat("AddFile %s failed. File is already in queue!", name.c_str()));
            return 0;
        }
        queue_.Put(handle, std::move(file));
        RulerInputsChangedLocked();
    }
    if (IsWorkerThread())
        return AddFileOnWorker(handle);
    if (!Post(kMsgAddFile, 0, static_cast<intptr_t>(handle)))
        return 0;  // the file stays queued
    YieldToWorker();
    return handle;
}

FileHandle _FMODEngine::AddFileOnWorker(FileHandle handle)
{
    _FMODFile* file = FindFile(handle);
    if (!file)
        return 0;
    std::string error;
    const bool opened = file->Init(error);
    {
        std::lock_guard lock(lock_);
        RulerInputsChangedLocked();  // its length is known now
        if (!opened)
            SetLastErrorLocked(EngineFormat("AddFile %s failed. Error initializing file! %s", file->GetName().c_str(),
                                            error.c_str()));
    }
    if (!opened) {
        NotifyFile(file, kFileInitFailed);
        return 0;
    }
    UpdateTimeRuler();
    NotifyEngine(kEngineFileAdded);
    return handle;
}

void _FMODEngine::SetLastErrorLocked(std::string text)
{
    zem::Trace("%s", text.c_str());
    lastError_ = std::move(text);
}

std::string _FMODEngine::GetLastError() const
{
    std::lock_guard lock(lock_);
    return lastError_;
}

_FMODFile* _FMODEngine::FindFileLocked(FileHandle handle) const
{
    return queue_.Find(handle).get();
}

_FMODFile* _FMODEngine::FindFileByNameLocked(const std::string& name) const
{
    for (const auto& file : queue_) {
        if (strcasecmp(file->name_.c_str(), name.c_str()) == 0)
            return file.get();
    }
    return nullptr;
}

_FMODFile* _FMODEngine::FindFile(FileHandle handle) const
{
    std::lock_guard lock(lock_);
    return FindFileLocked(handle);
}

_FMODFile* _FMODEngine::FindFileByName(const std::string& name) const
{
    std::lock_guard lock(lock_);
    return FindFileByNameLocked(name);
}

size_t _FMODEngine::GetFileCount() const
{
    std::lock_guard lock(lock_);
    return queue_.size();
}

void _FMODEngine::NotifyFileByHandle(FileHandle handle, int code)
{
    if (!IsWorkerThread()) {
        Post(kMsgNotifyFile, static_cast<uintptr_t>(code), static_cast<intptr_t>(handle));
        return;
    }
    if (_FMODFile* file = FindFile(handle))
        NotifyFile(file, code);
}

// --- Per-file settings ---

void _FMODEngine::SetFileStartTime(FileHandle handle, const SysTime& start)
{
    {
        std::lock_guard lock(lock_);
        _FMODFile* file = FindFileLocked(handle);
        if (!file)
            return;
        file->start_ = start;
        RulerInputsChangedLocked();
    }
    UpdateTimeRuler();
    NotifyEngine(kEngineFilesChanged);
}

void _FMODEngine::SetFileEnabled(FileHandle handle, bool enabled, bool notify)
{
    std::vector<FileHandle> set;
    {
        std::lock_guard lock(lock_);
        for (const auto& file : queue_) {
            if (handle != 0 && file->handle_ != handle)
                continue;
            file->enabled_ = enabled;
            set.push_back(file->handle_);
        }
        if (set.empty())
            return;
        RulerInputsChangedLocked();
    }
    UpdateTimeRuler();
    if (!notify)
        return;
    for (FileHandle h : set)
        NotifyFileByHandle(h, kFileEnabled);
    NotifyEngine(kEngineFilesChanged);
}

bool _FMODEngine::GetFileEnabled(FileHandle handle) const
{
    return ReadFileField(handle, &_FMODFile::enabled_, false);
}

void _FMODEngine::SetFileMarked(FileHandle handle, bool marked)
{
    WriteFileField(handle, &_FMODFile::marked_, marked, kFileMarked, true);
}

bool _FMODEngine::IsFileMarked(FileHandle handle) const
{
    return ReadFileField(handle, &_FMODFile::marked_, false);
}

void _FMODEngine::SetFileGroup(FileHandle handle, const std::string& group)
{
    std::lock_guard lock(lock_);
    if (_FMODFile* file = FindFileLocked(handle))
        file->group_ = group;
}

std::string _FMODEngine::GetFileGroup(FileHandle handle) const
{
    return ReadFileField(handle, &_FMODFile::group_, std::string());
}

void _FMODEngine::SetFileEffect(FileHandle handle, int slot)
{
    WriteFileField(handle, &_FMODFile::effect_, slot, kFileEffect, true);
}

void _FMODEngine::SetFileVolume(FileHandle handle, uint32_t volume)
{
    WriteFileField(handle, &_FMODFile::volume_, volume, kFileVolume, false);
}

uint32_t _FMODEngine::GetFileVolume(FileHandle handle) const
{
    return ReadFileField(handle, &_FMODFile::volume_, 0u);
}

void _FMODEngine::SetFileBalance(FileHandle handle, uint32_t balance)
{
    WriteFileField(handle, &_FMODFile::balance_, balance, kFileBalance, false);
}

uint32_t _FMODEngine::GetFileBalance(FileHandle handle) const
{
    return ReadFileField(handle, &_FMODFile::balance_, 0u);
}

void _FMODEngine::GetGroupNames(std::vector<std::string>& names) const
{
    names.clear();
    std::lock_guard lock(lock_);
    for (const auto& file : queue_) {
        if (std::find(names.begin(), names.end(), file->group_) == names.end())
            names.push_back(file->group_);
    }
}

void _FMODEngine::GetGroupFiles(std::vector<_FMODFile*>& files, const char* group) const
{
    files.clear();
    std::lock_guard lock(lock_);
    for (const auto& file : queue_) {
        if (!group || file->group_ == group)
            files.push_back(file.get());
    }
}

void _FMODEngine::GetMarkedFiles(std::vector<_FMODFile*>& files) const
{
    files.clear();
    std::lock_guard lock(lock_);
    for (const auto& file : queue_) {
        if (file->marked_)
            files.push_back(file.get());
    }
}

uint16_t _FMODEngine::GetMarkedCount() const
{
    std::lock_guard lock(lock_);
    uint16_t count = 0;
    for (const auto& file : queue_)
        count = static_cast<uint16_t>(count + (file->marked_ ? 1 : 0));
    return count;
}

// --- Effect slots ---

bool _FMODEngine::EditEffect(uint16_t slot, const std::string& name, const std::string& type,
                             const std::string& param1, const std::string& param2)
{
    if (slot >= kEffectSlots)
        return false;
    std::lock_guard lock(lock_);
    effects_[slot] = _FMODEffect{name, type, param1, param2};
    return true;
}

std::optional<_FMODEffect> _FMODEngine::GetEffect(int slot) const
{
    if (slot < 0 || slot >= kEffectSlots)
        return std::nullopt;
    std::lock_guard lock(lock_);
    return effects_[slot];
}

// --- Time ruler ---

_FMODEngine::RulerSpan _FMODEngine::ComputeTimeRuler(bool enabledOnly, uint64_t* inputs) const
{
    std::vector<std::pair<std::shared_ptr<_FMODFile>, SysTime>> starts;
    {
        std::lock_guard lock(lock_);
        for (const auto& file : queue_) {
            if (!enabledOnly || file->enabled_)
                starts.emplace_back(file, file->start_);
        }
        if (inputs)
            *inputs = rulerInputs_;
    }
    // Lengths come from the waves, which are asked outside the engine lock.
    RulerSpan span;
    for (const auto& [file, start] : starts) {
        if (start.IsNull() || !start.IsValid())
            continue;
        if (span.start.IsNull() || span.start.Compare(start) > 0)
            span.start = start;
        const SysTime end = start.AddMs(file->GetLength());
        if (span.end.IsNull() || span.end.Compare(end) < 0)
            span.end = end;
    }
    return span;
}

void _FMODEngine::UpdateTimeRuler()
{
    for (;;) {
        {
            std::lock_guard lock(lock_);
            if (rulerLocked_ && !rulerStart_.IsNull() && !rulerEnd_.IsNull())
                return;
        }
        uint64_t inputs = 0;
        const RulerSpan span = ComputeTimeRuler(true, &inputs);
        std::lock_guard lock(lock_);
        // A change made while the span was computed would be lost: compute again.
        if (inputs != rulerInputs_)
            continue;
        if (rulerLocked_ && !rulerStart_.IsNull() && !rulerEnd_.IsNull())
            return;
        rulerStart_ = span.start;
        rulerEnd_ = span.end;
        break;
    }
    if (zem::TraceEnabled()) {
        const SysTime start = GetStartTime();
        const SysTime end = GetEndTime();
        zem::Trace("TimeRuler: %s bis %s", start.FormatText(' ').c_str(), end.FormatText(' ').c_str());
    }
}

uint32_t _FMODEngine::GetLength()
{
    bool queued;
    {
        std::lock_guard lock(lock_);
        const auto length = static_cast<uint32_t>(rulerEnd_.DiffMs(rulerStart_));
        queued = !queue_.empty();
        if (length != 0 || !queued)
            return length;
    }
    UpdateTimeRuler();
    std::lock_guard lock(lock_);
    return static_cast<uint32_t>(rulerEnd_.DiffMs(rulerStart_));
}

SysTime _FMODEngine::GetStartTime() const
{
    std::lock_guard lock(lock_);
    return rulerStart_;
}

SysTime _FMODEngine::GetEndTime() const
{
    std::lock_guard lock(lock_);
    return rulerEnd_;
}

void _FMODEngine::SetStartTime(const SysTime& time)
{
    const RulerSpan span = ComputeTimeRuler(false);
    {
        std::lock_guard lock(lock_);
        rulerStart_ = time.Compare(span.start) >= 0 ? time : span.start;
    }
    NotifyEngine(kEngineFilesChanged);
}

void _FMODEngine::SetEndTime(const SysTime& time)
{
    const RulerSpan span = ComputeTimeRuler(false);
    {
        std::lock_guard lock(lock_);
        rulerEnd_ = time.Compare(span.end) <= 0 ? time : span.end;
    }
    NotifyEngine(kEngineFilesChanged);
}

bool _FMODEngine::IsTimeRulerLocked() const
{
    std::lock_guard lock(lock_);
    return rulerLocked_;
}

void _FMODEngine::SetTimeRulerLock(bool locked)
{
    std::lock_guard lock(lock_);
    rulerLocked_ = locked;
}
