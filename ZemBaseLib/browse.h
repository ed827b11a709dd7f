// Asking the user for a folder or a computer. The dialog itself belongs to the GUI layer,
// which installs a picker; without one every browse is cancelled.
#pragma once

#include <functional>
#include <string>

// Shows a folder chooser owned by owner (may be null) starting at startFolder; true with
// chosen set when the user picked a folder, false when cancelled. Called on the caller's
// thread.
using FolderPicker =
    std::function<bool(void* owner, const std::string& startFolder, std::string& chosen)>;

// Installs the picker; an empty one removes it.
void SetFolderPicker(FolderPicker picker);

// The folder the user chose, starting at startFolder (the current folder when empty);
// empty when cancelled.
std::string BrowseForFolder(void* owner, const std::string& startFolder);

// There is no network neighbourhood to browse: always empty, as a cancelled browse.
std::string BrowseForComputer(void* owner);
