// Helpers of the configuration program's tests: the settings key as values, and whether the
// controls' ProgIDs resolve.
#pragma once

#include "base/paths.h"
#include "com/host.h"
#include "registry/registry.h"

#include <filesystem>
#include <string>

namespace configtest {

using namespace zem;

inline constexpr const char* kProgIds[] = {"ZEMWAVE.PlayerCtrl.1", "ZEMWAVE.PlayListCtrl.1", "ZEMWAVE.PromptCtrl.1"};
inline constexpr char kSettingsKey[] = "Software\\KESTRALON\\zemwave.ocx";

inline void ResetHives()
{
    std::filesystem::remove(HiveFilePath("HKCU"));
    std::filesystem::remove(HiveFilePath("HKLM"));
}

// "<none>" when the key or the value is missing; a number as "dword:N".
inline std::string Value(HKEY root, const std::string& key, const std::string& name)
{
    HKEY opened = nullptr;
    if (RegOpenKeyEx(root, key, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return "<none>";
    char buffer[512] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer;
    const LSTATUS status = RegQueryValueEx(opened, name, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS)
        return "<none>";
    return type == REG_DWORD ? "dword:" + std::to_string(*reinterpret_cast<DWORD*>(buffer)) : std::string(buffer);
}

inline std::string Setting(const std::string& name)
{
    return Value(HKEY_CURRENT_USER, kSettingsKey, name);
}

// How many of the three ProgIDs resolve to a class. The controls themselves are not yet
// creatable, so registration is what is checked, not creation.
inline int ResolvingProgIds()
{
    int n = 0;
    for (const char* progId : kProgIds) {
        CLSID clsid{};
        n += CLSIDFromProgID(progId, &clsid) == S_OK;
    }
    return n;
}

// Where a ProgID is registered: "HKCU", "HKLM", both or neither.
inline std::string ProgIdHives(const char* progId)
{
    const std::string key = std::string("Software\\Classes\\") + progId + "\\CLSID";
    std::string hives;
    if (Value(HKEY_CURRENT_USER, key, "") != "<none>")
        hives += "HKCU";
    if (Value(HKEY_LOCAL_MACHINE, key, "") != "<none>")
        hives += hives.empty() ? "HKLM" : "+HKLM";
    return hives;
}

// The temporary folders the program left behind in TMP.
inline int LeftTempFolders()
{
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::getenv("TMP")))
        n += entry.path().filename().string().starts_with("qmxplaycfg");
    return n;
}

}  // namespace configtest
