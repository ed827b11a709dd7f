// Registration scripts: a tree of keys with marks, values and %NAME% replacements (the
// grammar is in docs/registration-scripts.md), turned into the registry file text that
// applies or removes them in one import.
#pragma once

#include "registry/registry.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zem {

struct RgsValue {
    std::string name;  // "" for the key's default value
    DWORD type = REG_SZ;
    std::string text;  // REG_SZ: the text; REG_DWORD: the number as written
};

struct RgsKey {
    // Plain keys go on removal once nothing but what the script wrote is left in them.
    enum class Mark { Plain, NoRemove, ForceRemove, Delete };
    Mark mark = Mark::Plain;
    std::string name;
    std::vector<RgsValue> values;  // the default value, when given, first
    std::vector<RgsKey> children;
    int line = 0;
};

// The roots (each named by its full root name, e.g. "HKEY_CURRENT_USER") and their keys.
struct RgsScript {
    std::vector<RgsKey> roots;
};

// Replacements by name, without regard to case ("MODPATH" -> "/opt/zem").
using RgsParameters = std::map<std::string, std::string>;

// Parses a whole script; on failure error names the line and says what is wrong.
std::optional<RgsScript> ParseRgsScript(const std::string& text, const RgsParameters& parameters,
                                        std::string* error);

// The REGEDIT4 text that writes the script's keys and values.
std::string RgsRegisterText(const RgsScript& script);
// The REGEDIT4 text that removes them, given what the registry holds now: ForceRemove keys
// go whole, NoRemove keys stay, plain keys go when nothing else is left in them, else only
// the values the script names.
std::string RgsUnregisterText(const RgsScript& script);

}  // namespace zem
