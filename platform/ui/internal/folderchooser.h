// Internal to the window layer: the toolkit's folder dialog, shown modally.
#pragma once

#include "ui/wintypes.h"

#include <string>

namespace zem::ui {

// True with chosen set for OK; false when the user cancelled.
bool AskFolder(HWND owner, const std::string& startFolder, std::string& chosen);

}  // namespace zem::ui
