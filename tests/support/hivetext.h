// The registry as its files hold it, for tests that compare the registry byte for byte.
#pragma once

#include <string>

namespace zemtest {

// The text of the hive file ("HKCU" or "HKLM"); empty while the hive has no file.
std::string HiveText(const char* hive);

}  // namespace zemtest
