#include "QMFPlayer/qmfplay/safename.h"

std::string SafeBaseName(std::string_view name)
{
    // The system kept names in C strings: a NUL ended them.
    name = name.substr(0, name.find('\0'));
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    if (name == "." || name == "..")
        return {};
    return std::string(name);
}
