#include "support/hivetext.h"

#include "base/paths.h"
#include "support/scratch.h"

namespace zemtest {

std::string HiveText(const char* hive)
{
    const std::string path = zem::HiveFilePath(hive);
    return Exists(path) ? ReadFile(path) : std::string();
}

}  // namespace zemtest
