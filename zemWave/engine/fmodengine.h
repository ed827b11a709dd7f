// _FMODEngine: plays the recordings of one call side by side on one common timeline. It holds
// the queue of _FMODFile objects, the time ruler (the span of the timeline), the play state
// and the position clock, master volume and speed, ten effect slots, the index marks and two
// notification callbacks.
//
// Threads: one worker thread owns the sound layer; every call into it and every change of
// playback state runs there. Operations may be called from any thread: called off the worker,
// an operation that changes playback posts itself to the worker and returns at once. The
// queue, the time ruler, the index list, the callbacks and the files' guarded fields are read
// and written under one engine lock, which is never held while calling the sound layer, a
// _Wave or a callback (the wave's loader and the mixer call back into the engine).
#pragma once

#include "zemWave/engine/enginesettings.h"
#include "zemWave/engine/fmodfile.h"
#include "zemWave/engine/soundcall.h"

#include "base/clock.h"
#include "base/handletable.h"
#include "base/messages.h"
#include "base/stoppablesleep.h"
#include "base/threadqueue.h"
#include "sound/soundsystem.h"
#include "ZemBaseLib/systime.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// One effect slot: four strings; the parameters are decimal numbers as text.
struct _FMODEffect {
    std::string name;
    std::string type;
    std::string param1;
    std::string param2;
};

// Called on the worker with (context, engine, code, 0).
using FMODEngineCallback = void (*)(void* context, _FMODEngine* engine, int code, uintptr_t argument);
// Called on the worker with (context, file, code).
using FMODFileCallback = void (*)(void* context, _FMODFile* file, int code);

class _FMODEngine {
public:
    enum State : int { kPlaying = 0, kPaused = 1, kStopped = 2 };

    // Engine notification codes.
    enum EngineCode : int {
        kEnginePosition = 0,       // position set, and every timer tick while playing
        kEngineFileAdded = 1,
        kEngineFilesChanged = 2,   // file start or enabled flag, ruler ends
        kEngineIndexChanged = 3,
        kEngineVolume = 4,         // master volume set
        kEngineSpeed = 5,
        kEngineIndexLoop = 6,
        kEngineIndexBeep = 7,
        kEngineSkipSilence = 8,
    };
    // File notification codes.
    enum FileCode : int {
        kFileHeaderDownload = 0,
        kFileEnabled = 1,
        kFileMarked = 2,
        kFileLoaded = 3,
        kFileLoading = 4,          // load progress
        kFileVolume = 5,
        kFileBalance = 6,
        kFileEffect = 7,
        kFileInitFailed = 8,
    };

    // Worker thread messages.
    static constexpr uint32_t kMsgInit = zem::WM_USER + 1;
    static constexpr uint32_t kMsgUninit = zem::WM_USER + 2;  // the worker ends after it
    static constexpr uint32_t kMsgPlay = zem::WM_USER + 3;
    static constexpr uint32_t kMsgPause = zem::WM_USER + 4;
    static constexpr uint32_t kMsgStop = zem::WM_USER + 5;
    static constexpr uint32_t kMsgAddFile = zem::WM_USER + 6;        // lParam: handle
    static constexpr uint32_t kMsgSetPosition = zem::WM_USER + 9;    // lParam: ms
    static constexpr uint32_t kMsgNotifyEngine = zem::WM_USER + 10;  // wParam: code
    static constexpr uint32_t kMsgNotifyFile = zem::WM_USER + 11;    // wParam: code, lParam: handle
    // lParam: handle; wParam kUninitFile: the file's Uninit, kReleaseStream: its stream only.
    static constexpr uint32_t kMsgUninitFile = zem::WM_USER + 12;
    static constexpr uintptr_t kUninitFile = 0;
    static constexpr uintptr_t kReleaseStream = 1;

    static constexpr int kEffectSlots = 10;
    static constexpr uint32_t kTimerMs = 100;
    static constexpr int kMixRate = 8000;
    static constexpr int kSoftwareChannels = 32;
    static constexpr int kStreamBufferMs = 1000;
    static constexpr float kRequiredSoundVersion = 3.63f;
    static constexpr char kBeepSamplePath[] = "c:/temp/drumloop.wav";
    // How long a caller off the worker (the host's window thread) waits for it to end.
    static constexpr int64_t kWorkerEndMs = 15000;

    // The engine uses `sound` (initialised and closed by the worker) and takes its time from
    // `clock`; both must outlive it. Starts the worker (Init).
    _FMODEngine(zem::SoundSystem& sound, zem::Clock& clock, EngineSettings settings);
    // The same with a sound system of its own on `output`, paced by output.clock (real time
    // when null).
    _FMODEngine(zem::OutputChoice output, EngineSettings settings);
    // Uninit, then joins the worker, or gives it up after kWorkerEndMs on the engine's clock.
    // Must not run on the worker.
    virtual ~_FMODEngine();
    _FMODEngine(const _FMODEngine&) = delete;
    _FMODEngine& operator=(const _FMODEngine&) = delete;

    // Starts the worker when none runs, which then opens the sound layer. Off the worker the
    // result tells only whether the worker runs. After Uninit the engine cannot start again.
    bool Init();
    // Disables both callbacks; on the worker saves the group settings and releases and
    // deletes every file, then the worker ends. Off the worker it waits for that, at most
    // kWorkerEndMs.
    void Uninit();

    // --- Playback (results: always true) ---
    bool Play();
    bool Pause();
    bool Stop();
    int GetState() const { return state_.load(); }
    // Timeline position in ms.
    uint32_t GetPosition() const;
    // Refused while playing. Beyond the length it clamps to the length. Off the worker the
    // result is the position before the move.
    uint32_t SetPosition(uint32_t ms);
    // Ruler end - ruler start in ms.
    uint32_t GetLength();
    void SetSpeed(double speed);
    double GetSpeed() const;
    // Master volume 0-255; reaches the sound layer only while playing. Engine code 4 while
    // playing, and for every change while not.
    void SetVolume(uint32_t volume);
    uint32_t GetVolume() const;

    // --- Time ruler ---
    SysTime GetStartTime() const;
    SysTime GetEndTime() const;
    // Move one end of the ruler, clamped to the span of all queued recordings.
    void SetStartTime(const SysTime& time);
    void SetEndTime(const SysTime& time);
    // Recomputes the ruler over the enabled files unless it is locked.
    void UpdateTimeRuler();
    bool IsTimeRulerLocked() const;
    void SetTimeRulerLock(bool locked);

    // --- Queue ---
    // Queues a recording and returns its handle, or 0 with the reason in GetLastError. The
    // worker opens it afterwards (file code 8 when that fails, engine code 1 when it works).
    FileHandle AddFile(const std::string& name, const SysTime& start);
    std::string GetLastError() const;
    _FMODFile* FindFile(FileHandle handle) const;
    // Compared without regard to case.
    _FMODFile* FindFileByName(const std::string& name) const;
    size_t GetFileCount() const;
    void SetFileStartTime(FileHandle handle, const SysTime& start);
    // Handle 0: every file.
    void SetFileEnabled(FileHandle handle, bool enabled, bool notify);
    bool GetFileEnabled(FileHandle handle) const;
    void SetFileMarked(FileHandle handle, bool marked);
    bool IsFileMarked(FileHandle handle) const;
    void SetFileGroup(FileHandle handle, const std::string& group);
    std::string GetFileGroup(FileHandle handle) const;
    // Slot 0-9, -1 = none.
    void SetFileEffect(FileHandle handle, int slot);
    void SetFileVolume(FileHandle handle, uint32_t volume);
    uint32_t GetFileVolume(FileHandle handle) const;
    void SetFileBalance(FileHandle handle, uint32_t balance);
    uint32_t GetFileBalance(FileHandle handle) const;
    // Distinct group names in queue order (compared with case).
    void GetGroupNames(std::vector<std::string>& names) const;
    // Files of one group (null: every file), in queue order.
    void GetGroupFiles(std::vector<_FMODFile*>& files, const char* group) const;
    void GetMarkedFiles(std::vector<_FMODFile*>& files) const;
    uint16_t GetMarkedCount() const;

    // --- Effect slots ---
    bool EditEffect(uint16_t slot, const std::string& name, const std::string& type,
                    const std::string& param1, const std::string& param2);
    // A copy of the slot; none for a slot outside 0-9.
    std::optional<_FMODEffect> GetEffect(int slot) const;

    // --- Index marks and navigation ---
    // Marks are timeline positions in ms, ascending, no two closer than kIndexSpacingMs. An
    // argument of 0 stands for the current position. A change of the marks sends engine code 3.
    static constexpr uint32_t kIndexSpacingMs = 500;
    // The mark added, or 0 when refused (at position 0, or too close to a mark).
    uint32_t AddIndex(uint32_t ms);
    // The first mark less than kIndexSpacingMs away.
    bool RemoveIndex(uint32_t ms);
    // The last mark before ms.
    bool RemovePreviousIndex(uint32_t ms);
    // The first mark at or after ms.
    bool RemoveNextIndex(uint32_t ms);
    // Always sends engine code 3.
    void RemoveAllIndices();
    bool IsNearIndex(uint32_t ms) const;
    void GetIndices(std::vector<uint32_t>& indices) const;
    // The moves go through SetPosition, so they are refused while playing; callers hold
    // playback around them.
    void NextIndex();
    // Skips a mark just passed: goes to the last mark more than kIndexSpacingMs behind.
    void PreviousIndex();
    // To the start of the nearest later (earlier) recording; the ms moved, 0 when none.
    uint32_t NextRecording();
    uint32_t PreviousRecording();
    // Enabled files placed on the timeline whose span covers the time (ends included).
    void GetFilesAt(std::vector<_FMODFile*>& files, const SysTime& time) const;

    // --- Flags the timer tick reads ---
    void SetIndexLoop(bool loop);
    bool GetIndexLoop() const;
    void SetIndexBeep(uint16_t beep);
    uint16_t GetIndexBeep() const;
    void SetSkipSilence(bool skip);
    bool GetSkipSilence() const;

    // --- Notifications ---
    // The callback is enabled exactly when the function is not null.
    void SetEngineCallback(FMODEngineCallback callback, void* context);
    void SetFileCallback(FMODFileCallback callback, void* context);
    // Synchronises every file to the timeline, then calls the engine callback.
    void NotifyEngine(int code);
    void NotifyFile(_FMODFile* file, int code);

    // --- Worker ---
    // The worker's queue while it runs, else null.
    zem::ThreadQueue* GetWorkerThread();
    bool IsWorkerThread() const;
    // Runs task on the worker: at once when called there, else in turn with the posted
    // messages. False (task dropped) when no worker runs.
    bool RunOnWorker(std::function<void()> task);
    // Runs a held command as one unit on the worker: remember the state, pause when playing,
    // the action, then return to the remembered state.
    bool RunHeld(std::function<void()> action);

    static const char* GetFMODErrorText(int code);
    // The text of the sound layer's last failure.
    std::string LastSoundErrorText() const;

protected:
    // Plays, pauses or stops so that the state becomes `remembered` again (nothing when it is).
    void ReturnToState(int remembered);
    // Guards the queue, the ruler, the index list, the callbacks and the files' fields.
    std::mutex& EngineLock() const { return lock_; }
    // A text for the user, from the worker or the mixer thread (a filter that failed). Here
    // it goes to standard error.
    virtual void ShowUserMessage(const std::string& text);

    // Index marks in ms, ascending; guarded by EngineLock().
    std::vector<uint32_t> indices_;

private:
    // Picks the mark to remove for a position (end() for none); called under the engine lock.
    using IndexPicker =
        std::function<std::vector<uint32_t>::iterator(std::vector<uint32_t>&, uint32_t)>;
    bool RemoveIndexWhere(uint32_t ms, const IndexPicker& pick);

    friend class _FMODFile;

    struct RulerSpan {
        SysTime start;
        SysTime end;
    };

    using WorkerEnd = EngineWorkerEnd;
    void WorkerMain(WorkerEnd& end);
    // Off the worker: joins the worker when it ends within kWorkerEndMs (traced),
    // else detaches it. False when it was given up.
    bool JoinWorker();
    // True when the worker ends after this message.
    bool HandleMessage(const zem::ThreadMessage& message);
    bool InitOnWorker();
    void UninitOnWorker();
    void WriteDriverNames(int drivers);
    void SaveGroupSettings();
    void CloseSound();
    void Tick();
    // Parts of the timer tick (worker, while playing): beep or loop at the mark the position
    // passes, and the jump over a gap between recordings.
    void IndexStep();
    void SkipStep();
    // A recording's place on the timeline, taken under the engine lock.
    struct Placed {
        std::shared_ptr<_FMODFile> file;
        SysTime start;
    };
    // The enabled files with a valid, non-null start, in queue order.
    std::vector<Placed> PlacedFiles() const;
    // The smallest distance from now to the start of a placed file that `counts` accepts.
    std::optional<uint64_t> NearestStartFrom(const SysTime& now,
                                             const std::function<bool(const SysTime&)>& counts) const;
    FileHandle AddFileOnWorker(FileHandle handle);
    bool Post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
    // Gives the worker a chance to take a message just posted.
    static void YieldToWorker();

    // Under the engine lock.
    _FMODFile* FindFileLocked(FileHandle handle) const;
    _FMODFile* FindFileByNameLocked(const std::string& name) const;
    uint32_t PositionLocked() const;
    void SetLastErrorLocked(std::string text);

    // The span of the queued files (only the enabled ones when asked); a null span when none
    // has a valid start. inputs receives the ruler-input count it was computed at.
    RulerSpan ComputeTimeRuler(bool enabledOnly, uint64_t* inputs = nullptr) const;
    // The file notification by handle: the file may have left the queue meanwhile.
    void NotifyFileByHandle(FileHandle handle, int code);
    // One guarded field of a queued file; `none` when the handle names no file.
    template <class T>
    T ReadFileField(FileHandle handle, T _FMODFile::*field, T none) const
    {
        std::lock_guard lock(lock_);
        const _FMODFile* file = FindFileLocked(handle);
        return file ? file->*field : none;
    }
    // Sets one guarded field and sends `code` for it; with `onlyChanges` an equal value is no
    // change and sends nothing.
    template <class T>
    void WriteFileField(FileHandle handle, T _FMODFile::*field, T value, int code, bool onlyChanges)
    {
        {
            std::lock_guard lock(lock_);
            _FMODFile* file = FindFileLocked(handle);
            if (!file || (onlyChanges && file->*field == value))
                return;
            file->*field = std::move(value);
        }
        NotifyFileByHandle(handle, code);
    }
    // Everything a ruler computation reads changed: counts so a computation can tell.
    void RulerInputsChangedLocked() { ++rulerInputs_; }

    SoundCall Sound() const { return SoundCall(*sound_); }
    zem::Clock& GetClock() const { return clock_; }
    // Where a recording that begins offsetMs after the ruler start enters the mix (worker,
    // while playing): at its own frame of the timeline when that is still to come, else at
    // the first frame of this synchronisation or later where a whole millisecond of it
    // begins, so recordings keep their distances to the frame at speed 1.0.
    MixEntry EntryOf(int64_t offsetMs) const;
    // Sleeps on the worker; false when the engine shuts down meanwhile.
    bool SleepOnWorker(int64_t ms) { return sleep_.Sleep(ms); }

    std::unique_ptr<zem::SoundSystem> ownedSound_;
    zem::SoundSystem* const sound_;
    zem::Clock& clock_;
    const EngineSettings settings_;

    mutable std::mutex lock_;
    // --- under lock_ ---
    // By FileHandle, in queue order; shared so a reader working outside the lock keeps its
    // file alive.
    zem::HandleTable<_FMODFile, 20> queue_;
    _FMODEffect effects_[kEffectSlots];
    SysTime rulerStart_;
    SysTime rulerEnd_;
    bool rulerLocked_ = false;
    uint64_t rulerInputs_ = 0;
    uint32_t storedPosition_ = 0;  // the position while not playing, the clock's base while playing
    int64_t originMs_ = 0;         // clock time when playback started
    double speed_ = 1.0;
    uint32_t volume_ = 255;
    bool indexLoop_ = false;
    uint16_t indexBeep_ = 0;
    bool skipSilence_ = true;
    FMODEngineCallback engineCallback_ = nullptr;
    void* engineContext_ = nullptr;
    FMODFileCallback fileCallback_ = nullptr;
    void* fileContext_ = nullptr;
    std::string lastError_;

    std::atomic<int> state_{kStopped};

    // Worker thread only.
    // Where recordings enter the mix while playing: the mixer frame at which playback began
    // at timeline position playPositionMs_, and the one reading of the mixer's clock that all
    // files started in one synchronisation share.
    int64_t playFrame_ = 0;
    uint32_t playPositionMs_ = 0;
    int64_t syncFrame_ = 0;
    zem::SoundSample beep_ = 0;
    int beepChannel_ = -1;

    zem::ThreadQueue messages_;
    zem::StoppableSleep sleep_;
    std::mutex workerMutex_;  // starting and joining the worker
    std::thread worker_;
    const std::shared_ptr<WorkerEnd> workerEnd_ = std::make_shared<WorkerEnd>();
    zem::ClockWait workerEndWait_;  // wakes JoinWorker when the worker has finished
    std::atomic<bool> workerGivenUp_{false};
    std::atomic<std::thread::id> workerId_{};
    std::atomic<bool> workerRunning_{false};
    std::atomic<bool> workerStarted_{false};
};
