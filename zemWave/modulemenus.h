// The control module's menu resources, registered with the window layer for LoadMenu.
#pragma once

#include <cstdint>

// The volume menu: "Normal", separator, "Lauter", "Leiser", separator, "Stumm".
inline constexpr uint32_t kVolumeMenuId = 232;

// The index menu: "Index setzen", the four removals, "Signalton bei Index", "Loop zwischen
// Indizes".
inline constexpr uint32_t kIndexMenuId = 230;

// Registers every menu of the module; calling it again changes nothing.
void RegisterModuleMenus();
