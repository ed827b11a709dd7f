#include "regtest.h"

#include "base/paths.h"
#include "support/scratch.h"

#include <cstdio>
#include <filesystem>

using namespace zem;

namespace regtest {

std::string HivePath(const char* hive)
{
    return HiveFilePath(hive);
}

void ReplaceHive(const char* hive, const std::string& text)
{
    const std::string path = HivePath(hive);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    zemtest::WriteFile(path + ".new", text);
    ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
}

void RemoveHives()
{
    std::remove(HivePath("HKCU").c_str());
    std::remove(HivePath("HKLM").c_str());
}

LSTATUS SetBytes(HKEY key, const std::string& name, DWORD type, const std::string& bytes)
{
    return RegSetValueEx(key, name, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size()));
}

LSTATUS SetString(HKEY key, const std::string& name, const std::string& text)
{
    return SetBytes(key, name, REG_SZ, text + '\0');
}

LSTATUS SetDword(HKEY key, const std::string& name, DWORD value)
{
    return RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                         sizeof value);
}

std::string QueryBytes(HKEY key, const std::string& name, DWORD* type, LSTATUS* status)
{
    DWORD size = 0;
    LSTATUS result = RegQueryValueEx(key, name, type, nullptr, &size);
    std::string bytes(size, '\0');
    if (result == ERROR_SUCCESS) {
        result = RegQueryValueEx(key, name, type, reinterpret_cast<BYTE*>(bytes.data()), &size);
        bytes.resize(size);
    }
    if (status)
        *status = result;
    return result == ERROR_SUCCESS ? bytes : std::string();
}

std::string QueryString(HKEY key, const std::string& name)
{
    DWORD type = 0;
    LSTATUS status = ERROR_SUCCESS;
    std::string bytes = QueryBytes(key, name, &type, &status);
    if (status != ERROR_SUCCESS || type != REG_SZ || bytes.empty() || bytes.back() != '\0')
        return "<missing>";
    bytes.pop_back();
    return bytes;
}

HKEY Create(HKEY parent, const std::string& path)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(parent, path, KEY_ALL_ACCESS, &key), ERROR_SUCCESS) << path;
    return key;
}

}  // namespace regtest
