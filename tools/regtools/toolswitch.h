// Command-line switches of the registration tools: "/x" or "-x", any case.
#pragma once

#include <string_view>
#include <strings.h>

namespace zem {

inline bool IsSwitch(std::string_view arg, const char* name)
{
    const std::string_view wanted = name;
    return arg.size() == wanted.size() + 1 && (arg[0] == '/' || arg[0] == '-') &&
           strncasecmp(arg.data() + 1, wanted.data(), wanted.size()) == 0;
}

inline bool LooksLikeSwitch(std::string_view arg)
{
    return arg.size() >= 2 && (arg[0] == '/' || arg[0] == '-') && arg.find('/', 1) == std::string_view::npos;
}

}  // namespace zem
