// The open-file dialog: the user picks an existing file. Without a display, or off the UI
// thread, nobody is asked and the answer is Cancel; a hook answers first, for tests.
#pragma once

#include "ui/wintypes.h"

#include <functional>
#include <string>

namespace zem {

// filter: pairs of description and patterns, all separated by "|" and ended by "||", as in
// "Calls (*.qmf)|*.qmf|All Files (*.*)|*.*||"; several patterns of one pair are separated by
// ";". Opens at the current folder. There is no read-only box, and since the dialog only
// opens, nothing is overwritten. True with chosen set to the file's path for OK, false for
// Cancel. Paths are bytes, passed unchanged.
bool OpenFileDialog(HWND owner, const std::string& filter, std::string& chosen);

// Fill in chosen and return true for OK, false for Cancel. UI thread only; empty removes it.
void SetFileDialogHook(std::function<bool(const std::string& filter, std::string& chosen)> hook);

}  // namespace zem
