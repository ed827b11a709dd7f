// Where the system's fixed Windows paths and its registry hives live on this machine.
// Everything hangs below ZEM_ROOT when it is set, so a test or a second user sets one variable.
#pragma once

#include <string>
#include <string_view>

namespace zem {

// The folder that stands for drive `letter` ("C:" -> .../drive_c). Created on first use;
// nothing below it is ever created implicitly.
std::string DriveFolder(char letter);

// Maps a path as the system names it to a native one: "C:\temp\x" -> <drive_c>/temp/x.
// A path without a drive letter is native already; only its back slashes become slashes.
std::string MapPath(std::string_view path);

// The REGEDIT4 text file that holds a hive: "HKCU" or "HKLM". Empty for any other name.
std::string HiveFilePath(std::string_view hive);

// mkdir -p; true when the folder exists afterwards.
bool MakeFolders(const std::string& path);

}  // namespace zem
