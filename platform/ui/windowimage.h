// A picture of a window as it is drawn now, for screenshots in tests and the README.
#pragma once

#include "ui/wintypes.h"

#include <string>

namespace zem {

// Writes the window with its children as a PNG file. UI thread only; false for a dead
// window or a file that cannot be written.
bool SaveWindowImage(HWND hwnd, const std::string& pngPath);

}  // namespace zem
