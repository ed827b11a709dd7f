// Asking the user for a folder or a computer. The folder dialog is the window layer's (Cancel
// without a display or off the UI thread); an installed picker takes its place, for tests.
#pragma once

#include <functional>
#include <string>

// Shows a folder chooser owned by owner (may be null) starting at startFolder; true with
// chosen set when the user picked a folder, false when cancelled. Called on the caller's
// thread.
using FolderPicker =
    std::function<bool(void* owner, const std::string& startFolder, std::string& chosen)>;

// Installs the picker; an empty one brings the window layer's dialog back.
void SetFolderPicker(FolderPicker picker);

// The folder the user chose, starting at startFolder (the current folder when empty);
// empty when cancelled.
std::string BrowseForFolder(void* owner, const std::string& startFolder);

// There is no network neighbourhood to browse: always empty, as a cancelled browse.
std::string BrowseForComputer(void* owner);
