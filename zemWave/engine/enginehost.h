// EngineHost: what the module engine takes from the module's application object, which
// implements it: the settings a new engine starts with, a place for the values it leaves
// behind, and the windows of the registered controls.
#pragma once

#include "zemWave/engine/enginesettings.h"

#include "ui/wintypes.h"

#include <cstdint>
#include <functional>

// The kinds of control, numbered as the application's control kind query answers.
enum class ControlKind : int { Player = 1, Prompt = 2, PlayList = 3 };

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
    // Engine worker. Under the host's control-list lock, waited for at most waitMs, calls
    // visit with the window of every registered control (the window may be dead already).
    // False, with nothing visited, when the lock could not be had in time or the engine is
    // being shut down.
    virtual bool VisitControlWindows(int64_t waitMs, const std::function<void(ControlKind, zem::HWND)>& visit) = 0;
};
