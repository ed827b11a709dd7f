// What the playback engine takes from the module's settings. The module fills it from its own
// settings and hands it in when it creates the engine.
#pragma once

#include <cstdint>
#include <string>

// Below HKEY_CURRENT_USER: the per-user settings key the engine writes driver names and group
// settings under.
inline constexpr char kEngineSettingsKey[] = "Software\\KESTRALON\\zemwave.ocx";

struct EngineSettings {
    // Output driver by name, compared without regard to case; empty: the driver names are
    // written to the settings key and SndDevId chooses.
    std::string SndDevname;
    // Output driver index when no driver matched by name; out of range means driver 0.
    uint32_t SndDevId = 0;
    // At shut-down, write each group's volume, balance and effect under "Groups\<name>".
    bool SaveGroupSettings = false;
};
