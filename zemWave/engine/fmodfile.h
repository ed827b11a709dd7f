// _FMODFile: one recording in the engine's queue (normally one side of a recorded call). It
// owns the recording's _Wave and, while playback covers it, a stream of the sound layer with
// a DSP unit that applies the file's band-reject effect.
//
// Threads: the engine's worker runs the stream operations (OpenStream, Play, Stop, Pause,
// IsPlaying, Get/SetPosition, Sync, ReleaseStream and the worker half of Uninit); the mixer
// calls DspCallback and OnStreamEnd; the wave's loader calls OnWaveLoadEvent. The fields the
// controls change (enabled, marked, start, group, effect, volume, balance, call id) are
// guarded by the engine lock and written through the engine.
#pragma once

#include "sound/soundsystem.h"
#include "zemWave/engine/bandrejectfilter.h"
#include "zemWave/engine/soundcall.h"
#include "ZemBaseLib/systime.h"
#include "zemWaveLib/wave.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class _FMODEngine;

// The 32-bit number that names a queued file to controls and scripts; never 0.
using FileHandle = uint32_t;

// Where a recording enters the mix: the position in the recording and the mixer frame.
struct MixEntry {
    uint32_t positionMs;
    int64_t frame;
};

class _FMODFile {
public:
    static constexpr uint32_t kDefaultVolume = 255;
    static constexpr uint32_t kDefaultBalance = 128;  // centre
    // Tries of OpenStream before it gives up until the next synchronisation.
    static constexpr int kOpenTries = 7;
    static constexpr int64_t kOpenRetryMs = 100;
    // A playing file further than this off the timeline is repositioned.
    static constexpr uint32_t kMaxDriftMs = 200;
    // A recording this close ahead of the position starts loading.
    static constexpr int64_t kPreloadSeconds = 5;
    // A recording that begins this close ahead of the position is started by the mixer at
    // its own frame (two timer periods: one tick may come late).
    static constexpr uint32_t kStartAheadMs = 200;
    // A recording still loading plays only with this much more of it present locally.
    static constexpr uint32_t kMinBufferedMs = 10000;

    // Made by the engine with its handle and name; enabled, with a null start.
    _FMODFile(_FMODEngine* engine, FileHandle handle, std::string name, const SysTime& start);
    ~_FMODFile();
    _FMODFile(const _FMODFile&) = delete;
    _FMODFile& operator=(const _FMODFile&) = delete;

    // Names the wave after the file; false with "Opening file %s failed." in error.
    bool Init(std::string& error);
    // Releases channel, DSP unit and stream, unregisters from the wave and stops its load.
    // Off the worker it is posted to the worker.
    void Uninit();

    // --- Worker thread ---
    bool OpenStream(std::string& error);
    void Play();
    void Stop();
    void Pause();
    bool IsPlaying();
    uint32_t GetPosition();
    bool SetPosition(uint32_t ms);
    // Brings the file in step with the timeline at position ms after the ruler start, for
    // the engine state (0 playing, 1 paused, 2 stopped). The ruler end is not used.
    void Sync(const SysTime& rulerStart, const SysTime& rulerEnd, uint32_t position, int engineState);
    // Channel, DSP unit and stream only; the wave keeps loading. False, with nothing released,
    // when the channel cannot be stopped.
    bool ReleaseStream();

    // --- Any thread ---
    // 0 until the wave's header is checked, then the length of its sample data.
    uint32_t GetLength() const;
    // Key "callid" (any case) is kept; every other key is ignored.
    void SetInfo(const std::string& key, const std::string& value);
    std::string GetInfo(const std::string& key) const;
    _Wave* GetWave() const { return wave_.get(); }
    FileHandle GetHandle() const { return handle_; }
    const std::string& GetName() const { return name_; }
    SysTime GetStartTime() const;
    bool IsEnabled() const;
    bool IsMarked() const;
    int GetEffect() const;

    // --- Callbacks ---
    // The wave's new load state (its loader thread, or the worker for a local file).
    static void OnWaveLoadEvent(_Wave* wave, uint32_t state, uintptr_t file);
    // Mixer thread: the stream ran out; its resources are released on the worker.
    void OnStreamEnd();
    // Mixer thread: filters one block in place, or leaves it as it is.
    void DspCallback(zem::DspBlock& block);

private:
    friend class _FMODEngine;  // writes the guarded fields under its lock

    // A guarded field read under the engine lock.
    template <class T>
    T Guarded(const T& field) const;

    // Sync while the engine plays: false when this synchronisation ends early.
    bool SyncPlaying(const SysTime& rulerStart, const SysTime& cur, const SysTime& start);
    // Resumes the channel, or with an entry starts it afresh at that position and mixer frame.
    void StartAt(std::optional<MixEntry> entry);
    // ms, or less for a recording still loading: never past what is on disk.
    uint32_t WithinLoaded(uint32_t ms) const;
    // Moves the stream to where the timeline expects it when it is more than kMaxDriftMs off.
    void CorrectDrift(const SysTime& start, const SysTime& cur);
    // Sets the channel's frequency for the engine speed; false when it could not.
    bool ApplySpeed(double engineSpeed);
    void ApplyVolumeAndBalance();
    bool HasFormat() const;
    uint32_t SampleRate() const;
    SoundCall Sound() const;

    _FMODEngine* const engine_;
    const FileHandle handle_;
    const std::string name_;  // fixed before the file is queued
    const std::unique_ptr<_Wave> wave_;

    // Guarded by the engine lock.
    bool enabled_ = true;
    bool marked_ = false;
    SysTime start_;
    std::string group_;
    int effect_ = -1;  // effect slot, -1 = none
    uint32_t volume_ = kDefaultVolume;
    uint32_t balance_ = kDefaultBalance;
    std::string callId_;

    // Worker thread only.
    int channel_ = -1;
    double speed_ = 1.0;  // speed last applied to the channel's frequency
    zem::SoundStream stream_ = 0;
    zem::SoundDsp dsp_ = 0;

    std::atomic<bool> filterFailureShown_{false};
    // A load-progress notice waits on the worker: the loader's later blocks ride on it.
    std::atomic<bool> loadNoticePending_{false};
    // Mixer thread only; the worker asks for a fresh state after a seek, stop or reopening.
    BandRejectFilter filter_;
    std::atomic<bool> filterReset_{false};
};
