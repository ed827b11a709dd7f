// Both programs unpack tools and the control module into a temporary folder and start them
// from there; those copies find the platform libraries in the program's own folder, where
// the system's libraries live beside them.
#pragma once

#include <string>

// Puts folder first in LD_LIBRARY_PATH, which every program started afterwards inherits.
// Call before other threads start: the environment is not guarded.
void AddLibraryFolder(const std::string& folder);
