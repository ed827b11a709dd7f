// _FMODEngine: play state, position clock, master volume and speed, notifications.
#include "zemWave/engine/fmodengine.h"

#include "base/trace.h"

#include <algorithm>
#include <cmath>
#include <exception>

bool _FMODEngine::Play()
{
    if (!IsWorkerThread()) {
        Post(kMsgPlay);
        YieldToWorker();
        return true;
    }
    if (state_ == kPlaying)
        return true;
    playFrame_ = Sound()->NowFrame();
    {
        std::lock_guard lock(lock_);
        originMs_ = clock_.NowMs();
        playPositionMs_ = storedPosition_;
        state_ = kPlaying;
    }
    // Applies the master volume; its notification starts the files.
    SetVolume(GetVolume());
    return true;
}

bool _FMODEngine::Pause()
{
    if (!IsWorkerThread()) {
        Post(kMsgPause);
        YieldToWorker();
        return true;
    }
    if (state_ != kPlaying)
        return true;
    uint32_t position;
    {
        std::lock_guard lock(lock_);
        position = PositionLocked();
        storedPosition_ = position;
        state_ = kPaused;
    }
    SetPosition(position);
    return true;
}

bool _FMODEngine::Stop()
{
    if (!IsWorkerThread()) {
        Post(kMsgStop);
        YieldToWorker();
        return true;
    }
    if (state_ == kStopped)
        return true;
    state_ = kStopped;
    SetPosition(0);
    return true;
}

uint32_t _FMODEngine::PositionLocked() const
{
    if (state_ != kPlaying)
        return storedPosition_;
    // 64-bit milliseconds of a monotonic clock: no wrap, whatever the speed.
    const auto advanced = static_cast<int64_t>(static_cast<double>(clock_.NowMs() - originMs_) * speed_);
    return static_cast<uint32_t>(storedPosition_ + advanced);
}

MixEntry _FMODEngine::EntryOf(int64_t offsetMs) const
{
    const double framesPerMs = Sound()->MixRate() / 1000.0 / GetSpeed();
    const int64_t own = playFrame_ + std::llround(static_cast<double>(offsetMs - playPositionMs_) * framesPerMs);
    if (own >= syncFrame_ || framesPerMs <= 0)
        return {0, std::max(own, syncFrame_)};
    const auto positionMs = static_cast<int64_t>(std::ceil(static_cast<double>(syncFrame_ - own) / framesPerMs));
    return {static_cast<uint32_t>(positionMs), own + std::llround(static_cast<double>(positionMs) * framesPerMs)};
}

uint32_t _FMODEngine::GetPosition() const
{
    std::lock_guard lock(lock_);
    return PositionLocked();
}

uint32_t _FMODEngine::SetPosition(uint32_t ms)
{
    if (state_ == kPlaying) {
        zem::Trace("Function not allowed in playing-state!");
        return GetPosition();
    }
    if (!IsWorkerThread()) {
        const uint32_t old = GetPosition();
        Post(kMsgSetPosition, 0, static_cast<intptr_t>(ms));
        YieldToWorker();
        return old;
    }
    const uint32_t length = GetLength();
    uint32_t position;
    {
        std::lock_guard lock(lock_);
        storedPosition_ = ms >= length ? length : ms;
        position = storedPosition_;
    }
    NotifyEngine(kEnginePosition);
    return position;
}

void _FMODEngine::SetSpeed(double speed)
{
    {
        std::lock_guard lock(lock_);
        if (speed == speed_)
            return;
        speed_ = speed;
    }
    NotifyEngine(kEngineSpeed);
}

double _FMODEngine::GetSpeed() const
{
    std::lock_guard lock(lock_);
    return speed_;
}

void _FMODEngine::SetVolume(uint32_t volume)
{
    bool changed;
    {
        std::lock_guard lock(lock_);
        changed = volume_ != volume;
        volume_ = volume;
    }
    if (state_ != kPlaying) {
        // The controls show the volume while stopped too.
        if (changed)
            NotifyEngine(kEngineVolume);
        return;
    }
    if (!IsWorkerThread()) {
        // The sound layer is the worker's: apply it there.
        RunOnWorker([this] {
            if (state_ == kPlaying)
                SetVolume(GetVolume());
        });
        return;
    }
    if (!Sound()->SetMasterVolume(static_cast<int>(volume)))
        zem::Trace("SetSFXMasterVolume(%u): %s", volume, LastSoundErrorText().c_str());
    NotifyEngine(kEngineVolume);
}

uint32_t _FMODEngine::GetVolume() const
{
    std::lock_guard lock(lock_);
    return volume_;
}

void _FMODEngine::SetIndexLoop(bool loop)
{
    {
        std::lock_guard lock(lock_);
        if (indexLoop_ == loop)
            return;
        indexLoop_ = loop;
    }
    NotifyEngine(kEngineIndexLoop);
}

bool _FMODEngine::GetIndexLoop() const
{
    std::lock_guard lock(lock_);
    return indexLoop_;
}

void _FMODEngine::SetIndexBeep(uint16_t beep)
{
    {
        std::lock_guard lock(lock_);
        if (indexBeep_ == beep)
            return;
        indexBeep_ = beep;
    }
    NotifyEngine(kEngineIndexBeep);
}

uint16_t _FMODEngine::GetIndexBeep() const
{
    std::lock_guard lock(lock_);
    return indexBeep_;
}

void _FMODEngine::SetSkipSilence(bool skip)
{
    {
        std::lock_guard lock(lock_);
        if (skipSilence_ == skip)
            return;
        skipSilence_ = skip;
    }
    NotifyEngine(kEngineSkipSilence);
}

bool _FMODEngine::GetSkipSilence() const
{
    std::lock_guard lock(lock_);
    return skipSilence_;
}

void _FMODEngine::SetEngineCallback(FMODEngineCallback callback, void* context)
{
    std::lock_guard lock(lock_);
    engineCallback_ = callback;
    engineContext_ = context;
}

void _FMODEngine::SetFileCallback(FMODFileCallback callback, void* context)
{
    std::lock_guard lock(lock_);
    fileCallback_ = callback;
    fileContext_ = context;
}

void _FMODEngine::NotifyEngine(int code)
{
    if (!IsWorkerThread()) {
        Post(kMsgNotifyEngine, static_cast<uintptr_t>(code));
        YieldToWorker();
        return;
    }
    std::vector<_FMODFile*> files;
    SysTime rulerStart;
    SysTime rulerEnd;
    FMODEngineCallback callback;
    void* context;
    {
        std::lock_guard lock(lock_);
        // Files leave the queue only on this thread, so the pointers stay valid.
        files.reserve(queue_.size());
        for (const auto& file : queue_)
            files.push_back(file.get());
        rulerStart = rulerStart_;
        rulerEnd = rulerEnd_;
    }
    const uint32_t position = GetPosition();
    const int state = state_;
    syncFrame_ = Sound()->NowFrame();
    for (_FMODFile* file : files) {
        // One file with a bad start time must not keep the others out of step.
        try {
            file->Sync(rulerStart, rulerEnd, position, state);
        } catch (const std::exception& e) {
            zem::Trace("Sync of %s failed: %s", file->GetName().c_str(), e.what());
        } catch (...) {
            zem::Trace("Sync of %s failed", file->GetName().c_str());
        }
    }
    {
        std::lock_guard lock(lock_);
        callback = engineCallback_;
        context = engineContext_;
    }
    if (!callback)
        return;
    try {
        callback(context, this, code, 0);
    } catch (...) {
        zem::Trace("Engine callback failed (code %d)", code);
    }
}

void _FMODEngine::NotifyFile(_FMODFile* file, int code)
{
    if (!file)
        return;
    if (!IsWorkerThread()) {
        Post(kMsgNotifyFile, static_cast<uintptr_t>(code), static_cast<intptr_t>(file->GetHandle()));
        return;
    }
    FMODFileCallback callback;
    void* context;
    {
        std::lock_guard lock(lock_);
        callback = fileCallback_;
        context = fileContext_;
    }
    if (!callback)
        return;
    try {
        callback(context, file, code);
    } catch (...) {
        zem::Trace("File callback failed (code %d)", code);
    }
}
