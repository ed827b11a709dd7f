#include "zemCrypt/resultfile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RealPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// The file itself when it exists, else its resolved folder and its name.
std::string ResolvedPath(const std::string& path)
{
    if (std::string real = RealPath(path); !real.empty())
        return real;
    const std::string folder = RealPath(FolderOf(path));
    return folder.empty() ? path : folder + (folder == "/" ? "" : "/") + NameOf(path);
}

mode_t NewFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool IsSameFile(const std::string& a, const std::string& b)
{
    struct stat sa {};
    struct stat sb {};
    const bool aExists = stat(a.c_str(), &sa) == 0;
    const bool bExists = stat(b.c_str(), &sb) == 0;
    if (aExists && bExists)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (aExists || bExists)
        return false;
    return ResolvedPath(a) == ResolvedPath(b);
}

ResultFile::~ResultFile()
{
    if (!temp_.empty())
        unlink(temp_.c_str());
}

bool ResultFile::Create(const std::string& target)
{
    target_ = ResolvedPath(target);
    const std::string pattern = FolderOf(target_) + "/zemXXXXXX.TMP";
    std::vector<char> name(pattern.begin(), pattern.end() + 1);
    const int fd = mkostemps(name.data(), 4, O_CLOEXEC);
    if (fd < 0)
        return false;
    close(fd);
    temp_ = name.data();
    return true;
}

bool ResultFile::Commit()
{
    struct stat st {};
    const mode_t mode = stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : NewFileMode();
    const int fd = open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // The result must be on disk before it replaces the only other copy of the data.
    const bool flushed = fchmod(fd, mode) == 0 && fsync(fd) == 0;
    const int err = errno;
    close(fd);
    if (!flushed) {
        errno = err;
        return false;
    }
    if (rename(temp_.c_str(), target_.c_str()) != 0)
        return false;
    temp_.clear();
    return true;
}
