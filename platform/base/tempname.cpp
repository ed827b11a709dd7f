#include "base/tempname.h"

#include "base/paths.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zem {
namespace {

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<char> Template(const std::string& folder, std::string_view prefix,
                           std::string_view suffix)
{
    std::string name = folder + "/" + std::string(prefix) + "XXXXXX" + std::string(suffix);
    return std::vector<char>(name.begin(), name.end() + 1);
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

std::string TempFolder(std::string_view preferred)
{
    if (const char* tmp = std::getenv("TMP"); tmp && IsFolder(tmp))
        return tmp;
    if (!preferred.empty()) {
        std::string mapped = MapPath(preferred);
        while (mapped.size() > 1 && mapped.back() == '/')
            mapped.pop_back();
        if (IsFolder(mapped))
            return mapped;
    }
    return "/tmp";
}

std::string CreateTempFile(std::string_view prefix, std::string_view suffix,
                           std::string_view preferred)
{
    std::vector<char> name = Template(TempFolder(preferred), prefix, suffix);
    const int fd = mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0)
        return {};
    close(fd);
    return name.data();
}

std::string CreateTempFolder(std::string_view prefix, std::string_view preferred)
{
    std::vector<char> name = Template(TempFolder(preferred), prefix, {});
    if (!mkdtemp(name.data()))
        return {};
    return name.data();
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::vector<char> name = Template(folder, "." + base + ".", ".tmp");
    const int fd = mkstemps(name.data(), 4);
    if (fd < 0)
        return false;

    // Keep the permissions of the file we replace.
    struct stat st {};
    if (stat(path.c_str(), &st) == 0)
        fchmod(fd, st.st_mode & 07777);
    else
        fchmod(fd, 0644);

    const bool written = WriteAll(fd, bytes) && fsync(fd) == 0;
    const int savedErrno = errno;
    close(fd);
    if (!written || rename(name.data(), path.c_str()) != 0) {
        const int err = written ? errno : savedErrno;
        unlink(name.data());
        errno = err;
        return false;
    }
    return true;
}

}  // namespace zem
