#include "ZemBaseLib/failurelog.h"

#include "base/paths.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

std::string FailureLogName(int year, int month, int day)
{
    char name[96];
    std::snprintf(name, sizeof name, "C:\\temp\\zembaselib_exceptions_%2.2d%2.2d%2.2d.log",
                  year % 1000, month, day);
    return name;
}

void LogAndThrow(const char* sourceFile, int line, const char* message)
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);

    char head[64];
    std::snprintf(head, sizeof head, "[%2.2d:%2.2d:%2.2d] ", local.tm_hour, local.tm_min,
                  local.tm_sec);
    std::string text = head;
    text += sourceFile ? sourceFile : "";
    std::snprintf(head, sizeof head, " (L:%d)", line);
    text += head;
    if (message) {
        text += " - ";
        text += message;
    }
    text += "\r\n";

    // Never create "C:\temp": O_CREAT makes only the file, and only when its folder exists.
    const std::string path =
        zem::MapPath(FailureLogName(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
        // One append of the whole line, so lines of concurrent failures never interleave.
        ssize_t written;
        do {
            written = write(fd, text.data(), text.size());
        } while (written < 0 && errno == EINTR);
        close(fd);
    }
    throw ZemFailure(message ? message : "");
}
