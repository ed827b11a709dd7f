// Static text: a child window that shows one Latin-1 label and tells nobody anything.
// UI thread only.
#pragma once

#include "ui/wintypes.h"

#include <string>

namespace zem {

HWND CreateStaticText(const std::string& text, int x, int y, int width, int height, HWND parent,
                      uintptr_t id = 0);

}  // namespace zem
