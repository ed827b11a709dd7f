// The control module's menu resources, registered with the window layer for LoadMenu.
#pragma once

#include <cstdint>

// The index menu: "Index setzen", separator, the four removals, separator, "Signalton bei
// Index", "Loop zwischen Indizes".
inline constexpr uint32_t kIndexMenuId = 230;
// The volume menu: "Normal", separator, "Lauter", "Leiser", separator, "Stumm".
inline constexpr uint32_t kVolumeMenuId = 232;
// The speed menu: "Normal", separator, "Schneller", "Langsamer".
inline constexpr uint32_t kSpeedMenuId = 233;
// The Prompt's view menu: "Kanalansicht", "Dateiansicht", "Summenansicht".
inline constexpr uint32_t kViewMenuId = 234;
// The Prompt's recording menu: "Markiert", "Aktiv".
inline constexpr uint32_t kRecordingMenuId = 235;

// Registers every menu of the module; calling it again changes nothing.
void RegisterModuleMenus();
