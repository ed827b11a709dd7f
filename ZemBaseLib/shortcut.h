// Shortcuts: a freedesktop link file (a desktop entry of type Link) that points at a file or
// folder, named with the ".lnk" extension the system uses.
#pragma once

#include <string>

// Writes the link to linkPath (the target path itself when empty), with ".lnk" appended
// to a name longer than three characters unless it ends in ".lnk" already, in any case.
// True when the file was written.
bool CreateShortcut(const std::string& target, const std::string& linkPath,
                    const std::string& description);
