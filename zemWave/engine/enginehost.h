// EngineHost: what the module engine takes from the module's application object, which
// implements it: the settings a new engine starts with, a place for the values it leaves
// behind, and a sink for the engine's notifications. The engine knows no windows; the host
// decides who hears of what.
#pragma once

#include "zemWave/engine/enginesettings.h"
#include "zemWave/engine/fmodfile.h"

#include <cstdint>
#include <string>

struct ModuleEngineSettings {
    EngineSettings engine;     // output driver, group settings
    uint32_t Volume = 255;     // master volume, 0-255
    bool Loop = false;         // index loop
    bool SkipSilence = false;
    bool UICEnabled = false;   // train-radio extension: the tone-filter presets
};

class EngineHost {
public:
    virtual ~EngineHost() = default;

    virtual ModuleEngineSettings GetEngineSettings() const = 0;
    // Called by the engine's destructor, while the host deletes it, with its last values.
    virtual void StoreEngineValues(uint32_t volume, bool loop, bool skipSilence) = 0;

    // Notifications, called on the engine's worker (a user message also on the mixer
    // thread). They return promptly and never wait for a window thread.
    // An engine code (_FMODEngine::EngineCode) with its argument (0).
    virtual void OnEngineEvent(int code, uintptr_t argument) = 0;
    // A file code (_FMODEngine::FileCode) for a queued file.
    virtual void OnFileEvent(FileHandle file, int code) = 0;
    // A text for the user, such as "Fehler !".
    virtual void OnUserMessage(const std::string& text) = 0;
};
