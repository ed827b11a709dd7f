// Internal to the window layer: the toolkit's folder dialog, shown modally, and the run of a
// file dialog that the open-file dialog shares.
#pragma once

#include "ui/wintypes.h"

#include <string>

class QFileDialog;

namespace zem::ui {

// Shows the toolkit's file dialog modally. True with chosen set to the first path picked, as
// bytes; false for Cancel.
bool RunFileDialog(QFileDialog& dialog, std::string& chosen);

// True with chosen set for OK; false when the user cancelled.
bool AskFolder(HWND owner, const std::string& startFolder, std::string& chosen);

}  // namespace zem::ui
