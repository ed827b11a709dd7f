#include "base/paths.h"
#include "QMFPlayer/common/directorywalker.h"

#include "process/commandline.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace {

std::string Join(const std::string& folder, const std::string& name)
{
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The entries of a folder but "." and ".."; a link is never a folder. 0 or the errno.
int ListFolder(const std::string& folder, std::vector<WalkEntry>& entries)
{
    entries.clear();
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        const int error = errno;
        close(fd);
        return error;
    }
    errno = 0;
    while (const dirent* d = readdir(dir)) {
        const std::string name = d->d_name;
        if (name == "." || name == "..")
            continue;
        bool isFolder = d->d_type == DT_DIR;
        if (d->d_type == DT_UNKNOWN) {
            struct stat st {};
            isFolder = fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({name, isFolder});
    }
    closedir(dir);
    return 0;
}

}  // namespace

uint32_t CDirectoryWalker::OnError(int kind, int error, const std::string& folder)
{
    char buffer[4096];
    Notify(kind, strerror_r(error, buffer, sizeof buffer), folder);
    return kGoOn;
}

void CDirectoryWalker::Notify(int, const std::string&, const std::string&) {}

bool CDirectoryWalker::ProcessFile(const std::string& path)
{
    Notify(kFileProcessed, path, {});
    return true;
}

void CDirectoryWalker::OnFileDone(const std::string&) {}

bool CDirectoryWalker::Walk(const std::string& folder)
{
    return WalkFolder(zem::MapPath(folder));
}

bool CDirectoryWalker::AcceptDirectory(const std::string&, const WalkEntry&)
{
    return true;
}

bool CDirectoryWalker::AcceptFile(const std::string&, const WalkEntry&)
{
    return true;
}

void CDirectoryWalker::LeaveDirectory(const std::string&) {}

bool CDirectoryWalker::WalkFolder(const std::string& folder)
{
    ++foldersEntered_;
    Notify(kFolder, folder, {});

    // Every subfolder is finished before the files of its parent.
    std::vector<WalkEntry> entries;
    if (const int error = ListFolder(folder, entries); error != 0) {
        lastError_ = error;
        const uint32_t verdict = OnError(kSubfolderListing, error, folder);
        if (verdict == kEndFolder)
            return true;
        if (verdict >= kFail)
            return false;
    }
    for (const WalkEntry& entry : entries) {
        if (abort_)
            break;
        if (!entry.isFolder)
            continue;
        if (AcceptDirectory(folder, entry))
            WalkFolder(Join(folder, entry.name));
        else
            Notify(kFolder, folder, "skipping directory");
    }
    if (abort_) {
        Notify(kAborted, "aborted", {});
        return true;
    }

    if (const int error = ListFolder(folder, entries); error != 0) {
        lastError_ = error;
        return OnError(kFileListing, error, folder) < kFail;
    }
    for (const WalkEntry& entry : entries) {
        if (abort_)
            break;
        if (entry.isFolder)
            continue;
        ++filesSeen_;
        if (!AcceptFile(folder, entry))
            continue;
        const std::string path = Join(folder, entry.name);
        if (ProcessFile(path)) {
            currentName_ = entry.name;
            OnFileDone(currentName_);
        } else {
            Notify(kFileFailed, path, {});
        }
    }
    LeaveDirectory(folder);
    return true;
}
