// The icon of the player and configuration programs, resource 128, shown by their windows.
#pragma once

#include "ui/wintypes.h"

#include <cstdint>

constexpr uint32_t IDR_MAINFRAME = 128;

// Registers the icon resource (once) and shows it as the icon of the window without parent.
bool ShowProgramIcon(zem::HWND window);
