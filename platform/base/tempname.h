// Temporary files and folders, created atomically (never a guessed name that another
// creator could take), in the folder the runtime's rule chooses.
#pragma once

#include <string>
#include <string_view>

namespace zem {

// The folder named by TMP when it exists, else `preferred` (a system path, mapped) when it
// exists, else /tmp.
std::string TempFolder(std::string_view preferred = {});

// Creates an empty file "<folder>/<prefix>XXXXXX<suffix>" and returns its path; empty with
// errno set on failure.
std::string CreateTempFile(std::string_view prefix, std::string_view suffix,
                           std::string_view preferred = {});

// Creates a folder "<folder>/<prefix>XXXXXX" and returns its path; empty on failure.
std::string CreateTempFolder(std::string_view prefix, std::string_view preferred = {});

// Replaces the file at path with bytes: writes a temporary file beside it, flushes it and
// renames it over the target, so readers see the old or the new content, never a mix.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace zem
