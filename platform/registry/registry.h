// The registry: hives HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE kept as REGEDIT4 text files
// (zem::HiveFilePath), and HKEY_CLASSES_ROOT as the merged view of
// HKCU\Software\Classes over HKLM\Software\Classes.
//
// Functions keep the Windows names, result codes and value types, with std::string for
// names and byte buffers for data. Key and value names compare without regard to case and
// keep the case they were first written with. Every write locks the hive file, re-reads it,
// applies the change and replaces the file atomically, so concurrent writers in several
// processes lose nothing. All functions are thread-safe.
//
// Through HKEY_CLASSES_ROOT a value lands in the user's copy of its key when the user has
// that key, else in the machine's; new keys go to the machine's copy; a deleted key goes
// from both. To write one copy on purpose, open it below HKCU or HKLM\Software\Classes.
#pragma once

#include <cstdint>
#include <string>

namespace zem {

using DWORD = uint32_t;
using BYTE = uint8_t;
using LSTATUS = int32_t;
using REGSAM = uint32_t;

struct RegKeyHandle;  // never defined: a handle is an id
using HKEY = RegKeyHandle*;

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t{0x80000000});
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t{0x80000001});
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t{0x80000002});

inline constexpr LSTATUS ERROR_SUCCESS = 0;
inline constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
inline constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
inline constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
inline constexpr LSTATUS ERROR_INVALID_DATA = 13;
inline constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
inline constexpr LSTATUS ERROR_BAD_PATHNAME = 161;
inline constexpr LSTATUS ERROR_MORE_DATA = 234;
inline constexpr LSTATUS ERROR_NO_MORE_ITEMS = 259;
inline constexpr LSTATUS ERROR_BADDB = 1009;  // a hive file that cannot be read as REGEDIT4
inline constexpr LSTATUS ERROR_CANTWRITE = 1013;
inline constexpr LSTATUS ERROR_KEY_DELETED = 1018;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM DELETE = 0x00010000;
inline constexpr REGSAM KEY_READ = 0x00020019;
inline constexpr REGSAM KEY_WRITE = 0x00020006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// subKey is a path of names separated by "\"; empty opens key itself again. Asking for
// write rights on a hive this user may not write fails with ERROR_ACCESS_DENIED.
LSTATUS RegOpenKeyEx(HKEY key, const std::string& subKey, REGSAM access, HKEY* result);
// Opens subKey, creating it and its missing parents; disposition (optional) tells which.
LSTATUS RegCreateKeyEx(HKEY key, const std::string& subKey, REGSAM access, HKEY* result,
                       DWORD* disposition = nullptr);
// Predefined keys need no closing; closing them is a harmless success.
LSTATUS RegCloseKey(HKEY key);

// name "" is the default value ("@"). With data null and size set, reports the size. A
// buffer smaller than the value fails with ERROR_MORE_DATA, *size set to what it needs.
LSTATUS RegQueryValueEx(HKEY key, const std::string& name, DWORD* type, BYTE* data,
                        DWORD* size);
// A REG_SZ is stored as given; pass the terminating zero as Windows callers do.
LSTATUS RegSetValueEx(HKEY key, const std::string& name, DWORD type, const BYTE* data,
                      DWORD size);
LSTATUS RegDeleteValue(HKEY key, const std::string& name);
// Deletes subKey with everything below it; an empty subKey empties key itself.
LSTATUS RegDeleteTree(HKEY key, const std::string& subKey);

// Sub-keys come sorted by name without regard to case, values in the order they were first
// written. An index past the end gives ERROR_NO_MORE_ITEMS.
LSTATUS RegEnumKeyEx(HKEY key, DWORD index, std::string* name);
LSTATUS RegEnumValue(HKEY key, DWORD index, std::string* name, DWORD* type, BYTE* data,
                     DWORD* size);

// Applies a REGEDIT4 registry file: keys and values to set, "[-key]" and "name"=- to
// delete. The whole file is checked first; a malformed one changes nothing and fails with
// ERROR_INVALID_DATA and a message naming the line. path may be a system path ("C:\...").
LSTATUS RegImportFile(const std::string& path, std::string* error = nullptr);
LSTATUS RegImportText(const std::string& text, std::string* error = nullptr);

}  // namespace zem
