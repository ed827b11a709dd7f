#include "zemWave/modulesettings.h"

#include "registry/registry.h"

#include <algorithm>
#include <cstring>

using namespace zem;

namespace {

constexpr DWORD kTextBufferSize = 512;

// Only a REG_DWORD of four bytes counts: a REG_SZ "1" must not read as 49.
void ReadNumber(HKEY key, const char* name, uint32_t& field, uint32_t limit)
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueEx(key, name, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return;
    field = std::min(value, limit);
}

// A REG_SZ of at most 512 bytes, cut at its first zero byte; the field keeps its value
// otherwise.
void ReadText(HKEY key, const char* name, std::string& field)
{
    DWORD type = 0;
    char buffer[kTextBufferSize];
    DWORD size = sizeof buffer;
    if (RegQueryValueEx(key, name, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return;
    field.assign(buffer, strnlen(buffer, size));
}

void WriteNumber(HKEY key, const char* name, uint32_t value)
{
    const DWORD data = value;
    RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

}  // namespace

void ZemWaveSettings::LoadSettings()
{
    *this = ZemWaveSettings{};
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, kZemWaveSettingsKey, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return;
    constexpr uint32_t kNoLimit = UINT32_MAX;
    ReadNumber(key, "Volume", Volume, 255);
    ReadNumber(key, "Loop", Loop, 1);
    ReadNumber(key, "SkipSilence", SkipSilence, 1);
    ReadNumber(key, "UICEnabled", UICEnabled, 1);
    ReadNumber(key, "SaveGroupSettings", SaveGroupSettings, 1);
    ReadNumber(key, "SndDevId", SndDevId, kNoLimit);
    ReadText(key, "SndDevname", SndDevname);
    RegCloseKey(key);
}

void ZemWaveSettings::SaveSettings() const
{
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, kZemWaveSettingsKey, KEY_READ | KEY_WRITE,
                       &key) != ERROR_SUCCESS)
        return;
    WriteNumber(key, "Volume", Volume);
    WriteNumber(key, "Loop", Loop);
    WriteNumber(key, "SkipSilence", SkipSilence);
    RegCloseKey(key);
}
