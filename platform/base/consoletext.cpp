#include "base/consoletext.h"

#include <cstdlib>
#include <strings.h>

namespace zem {

bool ConsoleIsUtf8()
{
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value)
            continue;
        const std::string_view locale(value);
        const size_t dot = locale.find('.');
        if (dot == std::string_view::npos)
            return false;
        const std::string codeset(locale.substr(dot + 1, locale.find('@') - dot - 1));
        return strcasecmp(codeset.c_str(), "UTF-8") == 0 || strcasecmp(codeset.c_str(), "utf8") == 0;
    }
    return false;
}

std::string ConsoleText(std::string_view latin1)
{
    if (!ConsoleIsUtf8())
        return std::string(latin1);
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += char(0xC0 | (byte >> 6));
            utf8 += char(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

}  // namespace zem
