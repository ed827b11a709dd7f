// Folder and file helpers. Paths may be system paths ("C:\temp\x"), which go through
// zem::MapPath, or native ones.
#pragma once

#include <cstdint>
#include <string>

// 0: nothing at the path; 1: it is on this computer; 2: it is on a network mount served by
// another computer. One leading and one trailing double quote are ignored.
int GetPathKind(const std::string& path);

// GetPathKind: non-zero when anything exists at the path.
int PathExists(const std::string& path);

// Creates the folder and every missing parent. True when something already stands at the
// path or the folder was made; failures are traced, never thrown.
bool CreatePath(const std::string& path);

// The folder of a file without trailing separators; a folder's own path; empty when
// nothing is found. An empty path names the running program's file.
std::string GetFileFolder(const std::string& path);

// Total bytes of the entries of a folder whose names match pattern ("*" and "?", without
// regard to case; empty or "*.*" matches all): a matching file counts its length, a
// matching sub-folder, when recursive, everything inside it. Symbolic links are neither
// followed nor counted.
int64_t GetFolderSize(const std::string& folder, bool recursive, const std::string& pattern);
