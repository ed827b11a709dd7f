#include "base/paths.h"
#include "QMFPlayer/common/folderdeleter.h"

#include "process/commandline.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Owner rights on a real folder (never through a link), so that its entries can go.
void MakeWritable(const std::string& folder)
{
    struct stat st {};
    if (lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_IRWXU) != S_IRWXU)
        chmod(folder.c_str(), (st.st_mode & 07777) | S_IRWXU);
}

}  // namespace

uint32_t CFolderDeleter::OnError(int, int, const std::string&)
{
    return 0;
}

bool CFolderDeleter::ProcessFile(const std::string& path)
{
    unlink(path.c_str());
    return false;
}

bool CFolderDeleter::Walk(const std::string& folder)
{
    MakeWritable(zem::MapPath(folder));
    return CDirectoryWalker::Walk(folder);
}

bool CFolderDeleter::AcceptDirectory(const std::string& folder, const WalkEntry& entry)
{
    MakeWritable(folder + "/" + entry.name);
    return true;
}

void CFolderDeleter::LeaveDirectory(const std::string& folder)
{
    rmdir(folder.c_str());
}
