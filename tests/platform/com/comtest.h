// Shared by the COM tests: the test control module and a way to call its exports.
#pragma once

#include "com/comtypes.h"

#include <string>

namespace comtest {

inline const std::string kModule = ZEM_TEST_CONTROL;
inline const char* const kProgId = "ZemTest.Counter.1";

// Loads the module, calls the named export (DllRegisterServer, ...) and unloads it again.
zem::HRESULT CallExport(const std::string& module, const char* name);

}  // namespace comtest
