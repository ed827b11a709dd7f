// The folder dialog: the user picks an existing folder. Without a display, or off the UI
// thread, nobody is asked and the answer is Cancel; a hook answers first, for tests.
#pragma once

#include "ui/wintypes.h"

#include <functional>
#include <string>

namespace zem {

// Opens at startFolder (the current folder when empty). True with chosen set to the folder's
// path for OK, false for Cancel. Paths are bytes, passed unchanged.
bool BrowseFolderDialog(HWND owner, const std::string& startFolder, std::string& chosen);

// Fill in chosen and return true for OK, false for Cancel. UI thread only; empty removes it.
void SetFolderDialogHook(std::function<bool(const std::string& startFolder, std::string& chosen)> hook);

}  // namespace zem
