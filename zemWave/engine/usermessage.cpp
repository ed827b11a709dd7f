#include "zemWave/engine/usermessage.h"

#include "base/consoletext.h"
#include "base/trace.h"

#include <cstdio>

void PrintUserMessage(const std::string& text)
{
    zem::Trace("Message: %s", text.c_str());
    std::fprintf(stderr, "%s\n", zem::ConsoleText(text).c_str());
}
