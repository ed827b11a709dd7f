#include "zemWave/engine/fmodfile.h"

#include "zemWave/engine/engineformat.h"
#include "zemWave/engine/fmodengine.h"
#include "zemWaveLib/wave.h"

#include "base/paths.h"
#include "base/trace.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <strings.h>

namespace {

constexpr uint16_t kPromptPoints = 1024;

bool IsCallId(const std::string& key)
{
    return strcasecmp(key.c_str(), "callid") == 0;
}

}  // namespace

_FMODFile::_FMODFile(_FMODEngine* engine, FileHandle handle, std::string name, const SysTime& start)
    : engine_(engine), handle_(handle), name_(std::move(name)), wave_(std::make_unique<_Wave>()),
      start_(start)
{
    wave_->SetCallback(&_FMODFile::OnWaveLoadEvent, _Wave::kCallbackFunction, reinterpret_cast<uintptr_t>(this));
}

_FMODFile::~_FMODFile()
{
    wave_->SetCallback(nullptr, 0, 0);
    Stop();
    // A stream left open here would call back into a deleted file.
    if (dsp_ && !Sound()->DspFree(dsp_))
        zem::Trace("DspFree of %s failed", name_.c_str());
    if (stream_ && !Sound()->StreamClose(stream_))
        zem::Trace("StreamClose of %s failed", name_.c_str());
}

SoundCall _FMODFile::Sound() const
{
    return engine_->Sound();
}

bool _FMODFile::Init(std::string& error)
{
    if (wave_->SetFileName(name_))
        return true;
    error = EngineFormat("Opening file %s failed.", name_.c_str());
    return false;
}

void _FMODFile::Uninit()
{
    if (!engine_->workerRunning_)
        return;
    if (!engine_->IsWorkerThread()) {
        engine_->Post(_FMODEngine::kMsgUninitFile, _FMODEngine::kUninitFile, handle_);
        return;
    }
    if (!ReleaseStream())
        return;
    wave_->SetCallback(nullptr, 0, 0);
    wave_->StopLoad(false);
}

bool _FMODFile::ReleaseStream()
{
    if (channel_ > -1) {
        if (!Sound()->StreamStop(stream_)) {
            zem::Trace("Stream_Stop of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
            return false;
        }
        channel_ = -1;
        speed_ = 1.0;
    }
    filterReset_ = true;  // a stream opened again starts afresh
    if (dsp_) {
        if (!Sound()->DspFree(dsp_))
            zem::Trace("DSP_Free of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
        dsp_ = 0;
    }
    if (stream_) {
        if (!Sound()->StreamClose(stream_))
            zem::Trace("Stream_Close of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
        stream_ = 0;
    }
    return true;
}

bool _FMODFile::HasFormat() const
{
    return wave_->GetFormat() != nullptr;
}

uint32_t _FMODFile::SampleRate() const
{
    std::lock_guard guard(wave_->GetLock());
    const zem::WAVEFORMATEX* format = wave_->GetFormat();
    return format ? format->nSamplesPerSec : 0;
}

bool _FMODFile::OpenStream(std::string& error)
{
    const uint32_t state = wave_->GetState();
    if (!(state & _Wave::kStateValidBit)) {
        error = EngineFormat("File %s is invalid wavefile.", name_.c_str());
        return false;
    }
    if (state != _Wave::kStateLoaded) {
        // A download is opened while its local copy grows.
        if (!wave_->IsLoading()) {
            wave_->Load(false);
            engine_->SleepOnWorker(10);
        }
        if (!wave_->IsLoading()) {
            error = EngineFormat("File %s is loading.", name_.c_str());
            return false;
        }
    }
    if (!stream_) {
        if (channel_ > -1) {
            error = "m_channelhandle > -1";
            return false;
        }
        if (!HasFormat()) {
            error = "m_pwave->GetWFX() = NULL";
            return false;
        }
        const std::string path = zem::MapPath(wave_->GetPlayablePath());
        for (int attempt = 0; attempt < kOpenTries && !stream_; ++attempt) {
            stream_ = Sound()->StreamOpen(path);
            if (stream_)
                break;
            error = engine_->LastSoundErrorText();
            if (!engine_->SleepOnWorker(kOpenRetryMs))
                break;  // shutting down
        }
        if (!stream_)
            return false;
    }
    if (!dsp_) {
        dsp_ = Sound()->StreamCreateDsp(stream_, [this](zem::DspBlock& block) { DspCallback(block); });
        if (!dsp_)
            zem::Trace("Stream_CreateDSP of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
        else if (!Sound()->DspSetActive(dsp_, true))
            zem::Trace("DSP_SetActive of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
    }
    if (!Sound()->StreamSetEndCallback(stream_, [this] { OnStreamEnd(); }))
        zem::Trace("Stream_SetEndCallback of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
    return true;
}

void _FMODFile::Play()
{
    StartAt(std::nullopt);
}

void _FMODFile::StartAt(std::optional<MixEntry> entry)
{
    if (!stream_) {
        std::string error;
        if (!OpenStream(error)) {
            zem::Trace("Play %s: %s", name_.c_str(), error.c_str());
            return;  // the next synchronisation tries again
        }
    }
    // A held channel placed on the timeline begins afresh at its frame.
    if (channel_ >= 0 && entry)
        Stop();
    if (entry)
        SetPosition(WithinLoaded(entry->positionMs));
    if (channel_ < 0) {
            const int64_t frame = entry ? entry->frame : Sound()->NowFrame();
        const int channel = Sound()->StreamPlayAt(zem::kFreeChannel, stream_, frame);
        if (channel < 0) {
            zem::Trace("Stream_Play of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
            return;
        }
        channel_ = channel;
        // A new channel runs at the recording's own rate; it takes the engine speed at once.
        const double engineSpeed = engine_->GetSpeed();
        if (speed_ != engineSpeed && HasFormat())
            ApplySpeed(engineSpeed);
    }
    if (Sound()->GetPaused(channel_) && !Sound()->SetPaused(channel_, false))
        zem::Trace("SetPaused of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
}

uint32_t _FMODFile::WithinLoaded(uint32_t ms) const
{
    if (wave_->GetState() == _Wave::kStateLoaded)
        return ms;
    return std::min(ms, wave_->BytesToMs(wave_->GetLoadedLength()));
}

void _FMODFile::Stop()
{
    if (channel_ <= -1)
        return;
    if (!Sound()->StreamStop(stream_)) {
        zem::Trace("Stream_Stop of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
        return;
    }
    channel_ = -1;
    speed_ = 1.0;
    filterReset_ = true;
}

void _FMODFile::Pause()
{
    if (channel_ <= -1 || Sound()->GetPaused(channel_))
        return;
    if (!Sound()->SetPaused(channel_, true))
        zem::Trace("SetPaused of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
}

bool _FMODFile::IsPlaying()
{
    return channel_ >= 0 && Sound()->IsPlaying(channel_) && !Sound()->GetPaused(channel_);
}

uint32_t _FMODFile::GetPosition()
{
    if (!stream_)
        return 0;
    const int64_t ms = Sound()->StreamGetTime(stream_);
    if (ms < 0) {
        zem::Trace("Stream_GetTime of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
        return 0;
    }
    return static_cast<uint32_t>(ms);
}

bool _FMODFile::SetPosition(uint32_t ms)
{
    if (!stream_)
        return false;
    if (!Sound()->StreamSetTime(stream_, ms)) {
        zem::Trace("Stream_SetTime of %s to %u: %s", name_.c_str(), ms, engine_->LastSoundErrorText().c_str());
        return false;
    }
    filterReset_ = true;
    return true;
}

uint32_t _FMODFile::GetLength() const
{
    if (!(wave_->GetState() & _Wave::kStateValidBit))
        return 0;
    return wave_->BytesToMs(wave_->GetDataSize());
}

void _FMODFile::Sync(const SysTime& rulerStart, const SysTime& /*rulerEnd*/, uint32_t position, int engineState)
{
    bool enabled;
    SysTime start;
    {
        std::lock_guard lock(engine_->lock_);
        enabled = enabled_;
        start = start_;
    }
    if (!enabled) {
        if (IsPlaying())
            Stop();
    } else if (engineState == _FMODEngine::kPlaying) {
        if (!SyncPlaying(rulerStart, rulerStart.AddMs(position), start))
            return;
    } else if (engineState == _FMODEngine::kPaused) {
        Pause();
    } else {
        Stop();
    }

    // Speed changes take effect while the channel is held.
    const double engineSpeed = engine_->GetSpeed();
    if (speed_ != engineSpeed && channel_ >= 0 && !IsPlaying() && HasFormat())
        ApplySpeed(engineSpeed);
    ApplyVolumeAndBalance();
}

bool _FMODFile::SyncPlaying(const SysTime& rulerStart, const SysTime& cur, const SysTime& start)
{
    const bool covers = start.Compare(cur) <= 0 && start.AddMs(GetLength()).Compare(cur) > 0;
    if (wave_->GetState() != _Wave::kStateLoaded) {
        if (!wave_->IsLoading()) {
            const bool soonAhead = start.Compare(cur) > 0 && start.DiffSeconds(cur) < kPreloadSeconds;
            if (soonAhead || covers) {
                wave_->Load(false);
                return false;
            }
        }
        // Wait until enough of a download is there.
        if (wave_->BytesToMs(wave_->GetLoadedLength()) < GetPosition() + kMinBufferedMs)
            return false;
    }
    const bool ahead = start.Compare(cur) > 0;
    const double speed = engine_->GetSpeed();
    const auto entry = [&] {
        const auto offsetMs = static_cast<int64_t>(start.DiffMs(rulerStart));
        return engine_->EntryOf(start.Compare(rulerStart) >= 0 ? offsetMs : -offsetMs);
    };
    if (covers) {
        if (IsPlaying())
            CorrectDrift(start, cur);
        else
            StartAt(entry());  // at its place in the recording
    } else if (ahead && speed > 0 && static_cast<double>(start.DiffMs(cur)) <= kStartAheadMs * speed) {
        // It begins before the next tick could start it: the mixer starts it at its frame.
        if (!IsPlaying())
            StartAt(entry());
    } else if (IsPlaying()) {
        Pause();
    }
    return true;
}

void _FMODFile::CorrectDrift(const SysTime& start, const SysTime& cur)
{
    const int64_t expected = static_cast<int64_t>(start.DiffMs(cur));
    const int64_t actual = GetPosition();
    const int64_t off = expected - actual;
    if (off > kMaxDriftMs || off < -static_cast<int64_t>(kMaxDriftMs))
        SetPosition(WithinLoaded(static_cast<uint32_t>(expected)));
}

bool _FMODFile::ApplySpeed(double engineSpeed)
{
    const int hertz = static_cast<int>(SampleRate() * engineSpeed);
    if (!Sound()->SetFrequency(channel_, hertz)) {
        zem::Trace("SetFrequency of %s to %d: %s", name_.c_str(), hertz, engine_->LastSoundErrorText().c_str());
        return false;
    }
    speed_ = engineSpeed;
    return true;
}

void _FMODFile::ApplyVolumeAndBalance()
{
    if (channel_ < 0)
        return;
    uint32_t volume;
    uint32_t balance;
    {
        std::lock_guard lock(engine_->lock_);
        volume = volume_;
        balance = balance_;
    }
    if (Sound()->GetVolume(channel_) != static_cast<int>(volume) && !Sound()->SetVolume(channel_, static_cast<int>(volume)))
        zem::Trace("SetVolume of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
    if (Sound()->GetPan(channel_) != static_cast<int>(balance) && !Sound()->SetPan(channel_, static_cast<int>(balance)))
        zem::Trace("SetPan of %s: %s", name_.c_str(), engine_->LastSoundErrorText().c_str());
}

void _FMODFile::SetInfo(const std::string& key, const std::string& value)
{
    if (!IsCallId(key))
        return;
    std::lock_guard lock(engine_->lock_);
    callId_ = value;
}

std::string _FMODFile::GetInfo(const std::string& key) const
{
    if (!IsCallId(key))
        return {};
    return Guarded(callId_);
}

template <class T>
T _FMODFile::Guarded(const T& field) const
{
    std::lock_guard lock(engine_->lock_);
    return field;
}

SysTime _FMODFile::GetStartTime() const
{
    return Guarded(start_);
}

bool _FMODFile::IsEnabled() const
{
    return Guarded(enabled_);
}

bool _FMODFile::IsMarked() const
{
    return Guarded(marked_);
}

int _FMODFile::GetEffect() const
{
    return Guarded(effect_);
}

void _FMODFile::OnWaveLoadEvent(_Wave* wave, uint32_t state, uintptr_t user)
{
    auto* file = reinterpret_cast<_FMODFile*>(user);
    if (!file || !wave)
        return;
    _FMODEngine& engine = *file->engine_;
    try {
        switch (state) {
        case _Wave::kStateHeaderDownload:
            engine.NotifyFile(file, _FMODEngine::kFileHeaderDownload);
            break;
        case _Wave::kStateHeaderChecked:
            engine.SetFileEnabled(file->handle_, true, true);
            break;
        case _Wave::kStateLoading:
            // One notice per 1024-byte block would flood the worker and the controls; the
            // controls read the progress when the notice arrives.
            if (engine.IsWorkerThread() || !file->loadNoticePending_.exchange(true))
                engine.NotifyFile(file, _FMODEngine::kFileLoading);
            break;
        case _Wave::kStateLoaded:
            if (!wave->GetPrompt() && !wave->GeneratePrompt(kPromptPoints))
                zem::Trace("No overview for %s: %s", file->name_.c_str(), wave->GetLastError().c_str());
            engine.NotifyFile(file, _FMODEngine::kFileLoaded);
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        zem::Trace("Wave event %u of %s failed: %s", state, file->name_.c_str(), e.what());
    } catch (...) {
        zem::Trace("Wave event %u of %s failed", state, file->name_.c_str());
    }
}

void _FMODFile::OnStreamEnd()
{
    try {
        engine_->Post(_FMODEngine::kMsgUninitFile, _FMODEngine::kReleaseStream, handle_);
    } catch (...) {
        zem::Trace("End of stream of %s not posted", name_.c_str());
    }
}

void _FMODFile::DspCallback(zem::DspBlock& block)
{
    _FMODEffect slot;
    {
        std::lock_guard lock(engine_->lock_);
        if (effect_ < 0 || effect_ >= _FMODEngine::kEffectSlots)
            return;
        slot = engine_->effects_[effect_];
    }
    if (!HasFormat() || strcasecmp(slot.type.c_str(), "bandreject") != 0)
        return;
    const int centre = std::atoi(slot.param1.c_str());
    const int width = std::atoi(slot.param2.c_str());
    if (centre <= 0 || width <= 0)
        return;
    // One filter for the stream's life: its state runs on from block to block.
    if (filter_.IsConfigured(centre, width, block.sampleRate, block.channels)) {
        if (filterReset_.exchange(false))
            filter_.Reset();
    } else {
        filterReset_ = false;
        if (!filter_.Configure(centre, width, block.sampleRate, block.channels)) {
            // The block passes unfiltered; the user hears of it once per file, not every block.
            zem::Trace("Band-reject %d/%d on %s at %d Hz refused", centre, width, name_.c_str(), block.sampleRate);
            if (!filterFailureShown_.exchange(true))
                engine_->ShowUserMessage("Fehler !");
        }
    }
    filter_.Process(block.samples, block.frames);
}
