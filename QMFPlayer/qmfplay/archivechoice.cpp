#include "QMFPlayer/qmfplay/archivechoice.h"

#include "registry/registry.h"

#include <strings.h>
#include <vector>

std::optional<std::string> ReadRegistryText(bool machine, const std::string& key,
                                            const std::string& name, uint32_t capacity)
{
    zem::HKEY handle = nullptr;
    if (zem::RegOpenKeyEx(machine ? zem::HKEY_LOCAL_MACHINE : zem::HKEY_CURRENT_USER, key,
                          zem::KEY_QUERY_VALUE, &handle) != zem::ERROR_SUCCESS)
        return std::nullopt;
    std::vector<zem::BYTE> data(capacity);
    zem::DWORD size = capacity;
    const zem::LSTATUS status = zem::RegQueryValueEx(handle, name, nullptr, data.data(), &size);
    zem::RegCloseKey(handle);
    if (status != zem::ERROR_SUCCESS)
        return std::nullopt;
    std::string text(reinterpret_cast<const char*>(data.data()), size);
    return text.substr(0, text.find('\0'));
}

std::string ArchivePath(const std::string& programPath, const std::string& language)
{
    const size_t slash = programPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : programPath.substr(0, slash);
    std::string name = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
    if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".exe") == 0)
        name.resize(name.size() - 4);
    const bool english = language.size() >= 3 && strncasecmp(language.c_str(), "eng", 3) == 0;
    return folder + "/" + name + (english ? "_eng.dll" : ".dll");
}

std::string ReadLanguage()
{
    return ReadRegistryText(false, "Software\\KESTRALON\\zemwave.ocx", "Language", 512).value_or("");
}

std::optional<std::string> ReadBrowserPath()
{
    return ReadRegistryText(
        true, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\iexplore.exe", "", 256);
}
