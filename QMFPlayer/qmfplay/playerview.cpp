#include "QMFPlayer/qmfplay/playerview.h"

#include "base/trace.h"

#include <cstdio>

void ReportFatal(PlayerView& view, const char* file, int line)
{
    char text[1024];
    std::snprintf(text, sizeof text, "Fatal Error ! Please write down info:\n%s (L:%d)", file, line);
    zem::Trace("qmxplay: fatal error at %s:%d", file, line);
    view.ShowMessage(text);
    view.RequestQuit();
}
