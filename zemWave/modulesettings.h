// The control module's settings: read from the user's settings key when the module loads,
// handed to each new playback engine, and Volume, Loop and SkipSilence written back when
// it unloads. The application object CZemWaveApp derives from this struct.
#pragma once

#include <cstdint>
#include <string>

// Below HKEY_CURRENT_USER; the whole system's per-user settings.
inline constexpr char kZemWaveSettingsKey[] = "Software\\KESTRALON\\zemwave.ocx";

struct ZemWaveSettings {
    uint32_t Volume = 255;          // 0-255, master volume of a new engine
    uint32_t Loop = 0;              // 0/1, index loop
    uint32_t SkipSilence = 0;       // 0/1
    uint32_t UICEnabled = 0;        // 0/1, train-radio tone-filter presets
    uint32_t SaveGroupSettings = 0; // 0/1, the engine keeps per-group settings
    uint32_t SndDevId = 0;          // sound driver index, used when SndDevname is empty
    std::string SndDevname;         // sound driver name, preferred over SndDevId

    // Defaults, then whatever the key holds, clamped. A value of the wrong type or size
    // keeps its default; a missing key leaves every default.
    void LoadSettings();
    // Writes Volume, Loop and SkipSilence as REG_DWORD, creating the key when needed;
    // nothing when the key cannot be created.
    void SaveSettings() const;
};
