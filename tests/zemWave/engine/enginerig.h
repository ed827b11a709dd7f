// A playback engine on a manual clock and the wav output, with what the engine tests need
// around it: recordings made at run time, a log of the callbacks, stepping time one timer
// period at a time, running code on the worker, and reading back what was mixed.
#pragma once

#include "zemWave/engine/fmodclasses.h"

#include "base/clock.h"
#include "sound/soundsystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace enginetest {

constexpr int kRate = 8000;
// How long a test waits for another thread before it gives up: a guard against hangs only.
constexpr std::chrono::seconds kPatience{30};

// One callback: 'E' engine or 'F' file, the code, and for files the handle.
struct Event {
    char kind;
    int code;
    FileHandle file = 0;
    bool operator==(const Event&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Event& e);

class CallbackLog {
public:
    void Attach(_FMODEngine& engine);
    std::vector<Event> Take();  // the events so far; the log starts empty again
    size_t Count(char kind, int code) const;
    // Waits until Count(kind, code) >= n; false when it never gets there.
    bool WaitFor(char kind, int code, size_t n) const;

private:
    static void OnEngine(void* context, _FMODEngine* engine, int code, uintptr_t argument);
    static void OnFile(void* context, _FMODFile* file, int code);
    void Add(Event e);

    mutable std::mutex mutex_;
    mutable std::condition_variable added_;
    std::vector<Event> events_;
    std::vector<Event> all_;
};

// 16-bit mono recordings at kRate.
std::string WriteRecording(const std::string& path, const std::vector<int16_t>& samples);
std::string WriteTone(const std::string& path, double hertz, int ms, double amplitude = 8000);
// A fixed day, 10:00:00 plus ms.
SysTime At(uint32_t ms);

class EngineRig {
public:
    // The clock starts at clockStartMs, a whole number of timer periods.
    explicit EngineRig(EngineSettings settings = {}, int64_t clockStartMs = 0);
    ~EngineRig();
    EngineRig(const EngineRig&) = delete;
    EngineRig& operator=(const EngineRig&) = delete;

    _FMODEngine& engine() { return *engine_; }
    zem::SoundSystem& sound() { return *sound_; }
    const std::string& folder() const { return folder_; }
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }

    // Queues a recording and waits until the worker has opened it; its handle.
    FileHandle Add(const std::string& path, const SysTime& start);
    _FMODFile& File(FileHandle handle);

    // Runs fn on the worker and returns its result. With advancing, time moves on in small
    // steps meanwhile, for a worker that sleeps on the clock between its own steps.
    template <class F>
    auto OnWorker(F fn, bool advancing = false) -> decltype(fn())
    {
        auto task = std::make_shared<std::packaged_task<decltype(fn())()>>(std::move(fn));
        auto done = task->get_future();
        const auto ready = [&] { return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready; };
        if (!engine_->RunOnWorker([task] { (*task)(); }))
            throw std::runtime_error("the engine's worker does not run");
        if (advancing ? !AdvanceUntil(ready) : done.wait_for(kPatience) != std::future_status::ready)
            throw std::runtime_error("the engine's worker did not answer");
        return done.get();
    }
    // Waits until the worker has handled everything posted so far.
    void Settle();

    // Plays and waits until the worker has started playback.
    void StartPlaying();
    // One timer period on, with the mixer and the worker's tick caught up. The engine must be
    // playing (the tick then notifies the position, or stops at the end of the timeline).
    void Tick();
    void Ticks(int count);
    // Time on by ms while nothing ticks (paused or stopped).
    void Idle(int ms);
    // Time on in small steps until done() holds; false when it never does. For a worker that
    // sleeps on the clock between its own steps.
    bool AdvanceUntil(const std::function<bool()>& done);

    // Ends the engine (the worker closes the sound layer) and returns the mixed stereo samples.
    std::vector<int16_t> FinishMix();
    // The level of a tone on the left side of the mix between two clock times.
    static double Level(const std::vector<int16_t>& mix, double hertz, int fromMs, int toMs);

    zem::ManualClock clock;
    CallbackLog log;

private:
    void WaitMixed();

    int64_t clockStartMs_;
    std::string folder_;
    std::string mixPath_;
    std::unique_ptr<zem::SoundSystem> sound_;
    std::unique_ptr<_FMODEngine> engine_;
};

}  // namespace enginetest
