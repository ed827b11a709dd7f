// Face names the system asks for, mapped to installed fonts with the same metrics.
#include "ui/gdi.h"

#include <fontconfig/fontconfig.h>

#include <cctype>
#include <map>
#include <mutex>

namespace zem {
namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Bitmap faces of the window system that no Linux machine has; their sans-serif metrics are
// closest to Arial's, which fontconfig maps to its metric-compatible twin (Liberation Sans).
std::string Alias(const std::string& face)
{
    static const std::map<std::string, std::string> aliases = {
        {"ms sans serif", "Arial"},
        {"ms shell dlg", "Arial"},
        {"small fonts", "Arial"},
        {"system", "Arial"},
    };
    const auto found = aliases.find(Lower(face));
    return found == aliases.end() ? face : found->second;
}

std::string AskFontconfig(const std::string& face)
{
    std::string family = face;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* name = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name)
            family = reinterpret_cast<const char*>(name);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return family;
}

}  // namespace

std::string MappedFontFamily(const std::string& faceName)
{
    static std::mutex mutex;
    static std::map<std::string, std::string> cache;
    std::lock_guard lock(mutex);
    auto [it, added] = cache.try_emplace(Lower(faceName));
    if (added)
        it->second = AskFontconfig(Alias(faceName));
    return it->second;
}

}  // namespace zem
