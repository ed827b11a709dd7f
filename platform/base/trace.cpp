#include "base/trace.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <unistd.h>

namespace zem {
namespace {

// -1: silent. Decided once, on first use.
int TraceFd()
{
    static const int fd = [] {
        const char* target = std::getenv("ZEM_TRACE");
        if (!target || !*target || std::strcmp(target, "0") == 0)
            return -1;
        if (std::strcmp(target, "1") == 0 || std::strcmp(target, "stderr") == 0)
            return 2;
        return open(target, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    }();
    return fd;
}

}  // namespace

bool TraceEnabled()
{
    return TraceFd() >= 0;
}

void Trace(const char* format, ...)
{
    const int fd = TraceFd();
    if (fd < 0)
        return;
    char buffer[2048];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0)
        return;
    std::string line(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
    if (line.empty() || line.back() != '\n')
        line += '\n';
    // One write per line: O_APPEND keeps lines of concurrent threads whole.
    [[maybe_unused]] ssize_t ignored = write(fd, line.data(), line.size());
}

}  // namespace zem
