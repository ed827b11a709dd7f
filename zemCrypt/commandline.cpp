#include "zemCrypt/commandline.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

bool IsOption(std::string_view arg, std::string_view word)
{
    if (arg.size() != word.size() + 1 || (arg[0] != '-' && arg[0] != '/'))
        return false;
    return std::equal(word.begin(), word.end(), arg.begin() + 1, [](char w, char a) {
        return w == std::tolower(static_cast<unsigned char>(a));
    });
}

// "/" starts an absolute path here; only "/?" keeps its old meaning of asking for help.
bool LooksLikeOption(std::string_view arg)
{
    if (arg == "/?")
        return true;
    return !arg.empty() && std::string_view("-;:?").find(arg[0]) != std::string_view::npos;
}

}  // namespace

std::optional<CryptSettings> ParseCommandLine(const std::vector<std::string>& args)
{
    CryptSettings settings;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (IsOption(arg, "dec")) {
            settings.decipher = true;
        } else if (IsOption(arg, "zip")) {
            settings.compression = true;
        } else if (IsOption(arg, "nocrc")) {
            settings.crc = false;
        } else if (IsOption(arg, "k")) {
            if (i + 1 == args.size() || !settings.key.empty())
                return std::nullopt;
            settings.key = args[++i];
        } else if (LooksLikeOption(arg)) {
            return std::nullopt;
        } else if (settings.source.empty()) {
            settings.source = arg;
        } else if (settings.destination.empty()) {
            settings.destination = arg;
        } else {
            return std::nullopt;
        }
    }
    return settings;
}
