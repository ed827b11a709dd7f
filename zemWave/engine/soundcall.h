// Calls into the sound layer from the engine's worker. The engine gives up a worker that does
// not end within its bound, and the sound layer is where a worker gets stuck; a worker that
// comes back from such a call after being given up finds an engine that may be gone, so it
// stops there for good instead of going on.
#pragma once

#include "sound/soundsystem.h"

#include <condition_variable>
#include <mutex>

// The worker's end, shared by the engine and the worker thread, so that a worker the engine
// has given up can still look at it after the engine is gone.
struct EngineWorkerEnd {
    std::mutex mutex;
    std::condition_variable never;  // what a given-up worker waits on for good
    bool finished = false;          // the worker touches the engine no more
    bool abandoned = false;         // the engine no longer waits: the worker must not touch it

    // On the worker: blocks the thread for good when the engine has given it up.
    void StayIfAbandoned();
    // The calling thread's own when it is an engine's worker, else null.
    static thread_local EngineWorkerEnd* current;
};

// The sound layer for one call: `Sound()->Init(...)`. The check runs when the call's full
// expression ends, before the worker touches anything of the engine's again.
class SoundCall {
public:
    explicit SoundCall(zem::SoundSystem& sound) : sound_(sound) {}
    ~SoundCall()
    {
        if (EngineWorkerEnd::current)
            EngineWorkerEnd::current->StayIfAbandoned();
    }
    SoundCall(const SoundCall&) = delete;
    SoundCall& operator=(const SoundCall&) = delete;
    zem::SoundSystem* operator->() const { return &sound_; }

private:
    zem::SoundSystem& sound_;
};
