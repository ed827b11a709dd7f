#include "zemCrypt/lasterror.h"

#include <cerrno>
#include <cstring>

std::string GetLastErrorText(int code)
{
    return std::strerror(code != 0 ? code : errno);
}
