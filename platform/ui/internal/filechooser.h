// Internal to the window layer: the toolkit's open-file dialog, shown modally.
#pragma once

#include "ui/wintypes.h"

#include <string>
#include <vector>

namespace zem::ui {

// The toolkit's name filters ("Calls (*.qmf)") for a filter of "|"-separated pairs of
// description and ";"-separated patterns. The toolkit reads the patterns from the last
// parentheses, so a description's own "(...)" gives way to the pair's patterns; "*.*" means
// every file, as "*" does here. Latin-1.
std::vector<std::string> NameFilters(const std::string& filter);

// True with chosen set for OK; false when the user cancelled.
bool AskOpenFile(HWND owner, const std::string& filter, std::string& chosen);

}  // namespace zem::ui
