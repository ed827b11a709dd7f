// Copying a registry key with all its values and sub-keys under another key.
#pragma once

#include "registry/registry.h"

#include <string>

// Copies source's values and sub-keys into destinationParent\subKey, created when missing;
// existing values of the same names are overwritten. 0 or the first error.
//
// Copying a key into itself (the new key a direct child of source) leaves out only the new
// key. A new key deeper below source, or source itself, would copy without end: that is
// refused with ERROR_INVALID_PARAMETER before anything is copied. Value names longer than
// 260 characters end the copy with ERROR_MORE_DATA.
zem::LSTATUS CopyRegistryKey(zem::HKEY source, zem::HKEY destinationParent,
                             const std::string& subKey);
