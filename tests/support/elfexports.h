// What a shared object offers other images: the names its dynamic symbol table defines.
#pragma once

#include <string>
#include <vector>

namespace zemtest {

// Sorted names of the defined global and weak dynamic symbols of a shared object; empty
// when the file is no such object.
std::vector<std::string> ExportedNames(const std::string& path);

}  // namespace zemtest
