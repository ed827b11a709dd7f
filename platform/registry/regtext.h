// The REGEDIT4 text form of the registry, read and written: hive files and imported .reg
// files go through the same parser.
#pragma once

#include "registry/keytree.h"

#include <string>
#include <string_view>
#include <vector>

namespace zem::registry {

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine };

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE".
std::string_view RootName(RootKey root);

// One change a .reg file asks for, in file order.
struct RegEdit {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    RootKey root = RootKey::CurrentUser;
    KeyPath path;
    std::string name;  // values only
    uint32_t type = 0;
    std::string data;
    int line = 0;
};

// Whether a key or value name can be stored in the text form: no line breaks, no zero byte;
// key names (isKey) also no "\" and not empty.
bool IsStorableName(std::string_view name, bool isKey);

// Splits "a\b\c" into its names; false for an empty name anywhere or one that cannot be
// stored. An empty text is the empty path.
bool SplitKeyPath(std::string_view text, KeyPath& path);

// "text" with back slashes and quotes escaped, as a .reg file writes a string.
std::string QuoteRegString(std::string_view text);

// Parses a whole REGEDIT4 text as written by hand: a dword of 1 to 8 hex digits, bytes of 1
// or 2. On failure error names the line and edits may hold a part.
bool ParseRegText(std::string_view text, std::vector<RegEdit>& edits, std::string& error);

// Reads a hive file's text into tree (which must be empty): only keys and values of root.
// A file that is empty or blank is an empty hive. Value data must have the exact form
// FormatHive writes (a dword of 8 hex digits, bytes of 2), so that a file cut short within
// a line is refused instead of read with a changed value.
bool ParseHive(std::string_view text, RootKey root, KeyNode& tree, std::string& error);

// The hive as REGEDIT4 text: every key below the root gets a section (so empty keys stay),
// the root one only when it holds values.
std::string FormatHive(const KeyNode& tree, RootKey root);

}  // namespace zem::registry
