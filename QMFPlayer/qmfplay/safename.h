// File names taken from a recording file (chunk ids, "chunkname", "fnameorig") reduced to a
// plain name inside the call-viewer folder.
#pragma once

#include <string>
#include <string_view>

// The name up to its first NUL, then after its last "/" or "\"; empty (refused) when nothing
// is left or it is "." or "..". The result never leaves the folder it is joined to.
std::string SafeBaseName(std::string_view name);
