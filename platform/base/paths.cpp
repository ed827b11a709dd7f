#include "base/paths.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace zem {
namespace {

std::string EnvOrEmpty(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder()
{
    std::string home = EnvOrEmpty("HOME");
    if (!home.empty())
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

// $VAR when set and absolute, else ~/fallback.
std::string XdgFolder(const char* var, const char* fallback)
{
    std::string value = EnvOrEmpty(var);
    if (!value.empty() && value[0] == '/')
        return value;
    return HomeFolder() + "/" + fallback;
}

}  // namespace

bool MakeFolders(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

std::string DriveFolder(char letter)
{
    const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    const std::string root = EnvOrEmpty("ZEM_ROOT");
    std::string folder = root.empty() ? XdgFolder("XDG_STATE_HOME", ".local/state") + "/zem/drive_"
                                      : root + "/drive_";
    folder += drive;
    MakeFolders(folder);
    return folder;
}

std::string MapPath(std::string_view path)
{
    const bool hasDrive = path.size() >= 2 && path[1] == ':' &&
                          std::isalpha(static_cast<unsigned char>(path[0]));
    // Native folders that the system joins with a back slash ("%MODPATH%\zemwave.ocx") need
    // the same turn; the system never names a Linux file with a back slash in it.
    std::string rest(path.substr(hasDrive ? 2 : 0));
    for (char& c : rest) {
        if (c == '\\')
            c = '/';
    }
    if (!hasDrive)
        return rest;
    std::string mapped = DriveFolder(path[0]);
    if (rest.empty() || rest[0] != '/')
        mapped += '/';
    return mapped + rest;
}

std::string HiveFilePath(std::string_view hive)
{
    const std::string root = EnvOrEmpty("ZEM_ROOT");
    if (hive == "HKCU") {
        return root.empty() ? XdgFolder("XDG_CONFIG_HOME", ".config") + "/zem/HKCU.reg"
                            : root + "/registry/HKCU.reg";
    }
    if (hive == "HKLM")
        return root.empty() ? std::string("/var/lib/zem/HKLM.reg") : root + "/registry/HKLM.reg";
    return {};
}

}  // namespace zem
