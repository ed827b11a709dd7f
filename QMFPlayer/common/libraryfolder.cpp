#include "QMFPlayer/common/libraryfolder.h"

#include <cstdlib>

void AddLibraryFolder(const std::string& folder)
{
    const char* current = std::getenv("LD_LIBRARY_PATH");
    const std::string value = current && *current ? folder + ":" + current : folder;
    setenv("LD_LIBRARY_PATH", value.c_str(), 1);
}
