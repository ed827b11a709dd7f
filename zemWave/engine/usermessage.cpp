#include "zemWave/engine/usermessage.h"

#include "base/trace.h"

#include <cstdio>

void PrintUserMessage(const std::string& text)
{
    zem::Trace("Message: %s", text.c_str());
    std::fprintf(stderr, "%s\n", text.c_str());
}
