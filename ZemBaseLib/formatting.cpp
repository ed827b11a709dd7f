#include "formatting.h"

#include <cerrno>
#include <cstring>

std::string LastErrorText(int code)
{
    if (code == 0)
        code = errno;
    if (code == 0)
        return {};
    char buffer[256];
    // GNU strerror_r returns the message, which need not be in buffer.
    const char* message = strerror_r(code, buffer, sizeof buffer);
    std::string text = message ? message : "";
    if (text.rfind("Unknown error", 0) == 0)
        return {};
    if (text.size() > 255)
        text.resize(255);
    return text;
}
