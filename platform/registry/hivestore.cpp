#include "registry/hivestore.h"

#include "base/paths.h"
#include "base/tempname.h"
#include "base/trace.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zem::registry {
namespace {

// Identifies one version of a hive file: every write renames a new file into place.
struct FileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;

    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const struct stat& st)
{
    FileStamp stamp;
    stamp.exists = true;
    stamp.dev = st.st_dev;
    stamp.ino = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeSec = st.st_mtim.tv_sec;
    stamp.mtimeNsec = st.st_mtim.tv_nsec;
    stamp.ctimeSec = st.st_ctim.tv_sec;
    stamp.ctimeNsec = st.st_ctim.tv_nsec;
    return stamp;
}

struct CachedHive {
    bool valid = false;
    std::string path;
    FileStamp stamp;
    LSTATUS status = ERROR_SUCCESS;
    std::unique_ptr<KeyNode> tree;
};

CachedHive g_cache[2];

const char* HiveName(Hive hive)
{
    return hive == Hive::CurrentUser ? "HKCU" : "HKLM";
}

std::string HivePath(Hive hive)
{
    return HiveFilePath(HiveName(hive));
}

LSTATUS StatusFromErrno(int err)
{
    return (err == EACCES || err == EPERM || err == EROFS) ? ERROR_ACCESS_DENIED
                                                             : ERROR_CANTWRITE;
}

// Reads and parses the file at path; a missing file is an empty hive.
LSTATUS LoadHiveFile(Hive hive, const std::string& path, std::unique_ptr<KeyNode>& tree,
                     FileStamp& stamp)
{
    tree = std::make_unique<KeyNode>();
    stamp = FileStamp{};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return ERROR_SUCCESS;
        const int err = errno;
        Trace("registry: cannot read %s: %s", path.c_str(), std::strerror(err));
        return (err == EACCES || err == EPERM) ? ERROR_ACCESS_DENIED : ERROR_BADDB;
    }
    struct stat st {};
    std::string text;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        stamp = StampOf(st);
        char buffer[65536];
        while (true) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                ok = false;
            if (n <= 0)
                break;
            text.append(buffer, static_cast<size_t>(n));
        }
    }
    const int err = errno;
    close(fd);
    if (!ok) {
        Trace("registry: cannot read %s: %s", path.c_str(), std::strerror(err));
        return ERROR_BADDB;
    }
    std::string error;
    if (!ParseHive(text, HiveRoot(hive), *tree, error)) {
        Trace("registry: %s is not a readable REGEDIT4 hive (%s); it is left as it is",
              path.c_str(), error.c_str());
        tree.reset();
        return ERROR_BADDB;
    }
    return ERROR_SUCCESS;
}

// Makes a rename in the hive's folder durable: the new file's content was synced before
// it was renamed into place, this syncs the folder entry that now names it.
bool SyncFolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = fsync(fd) == 0;
    const int err = errno;
    close(fd);
    errno = err;
    return synced;
}

void StoreInCache(Hive hive, const std::string& path, const FileStamp& stamp, LSTATUS status,
                  std::unique_ptr<KeyNode> tree)
{
    CachedHive& cache = g_cache[static_cast<int>(hive)];
    cache.valid = true;
    cache.path = path;
    cache.stamp = stamp;
    cache.status = status;
    cache.tree = std::move(tree);
}

}  // namespace

RootKey HiveRoot(Hive hive)
{
    return hive == Hive::CurrentUser ? RootKey::CurrentUser : RootKey::LocalMachine;
}

std::mutex& RegistryMutex()
{
    static std::mutex mutex;
    return mutex;
}

KeyPath ClassesPath(const KeyPath& path)
{
    KeyPath full{"Software", "Classes"};
    full.insert(full.end(), path.begin(), path.end());
    return full;
}

const KeyNode* ReadHive(Hive hive, LSTATUS& status)
{
    const std::string path = HivePath(hive);
    CachedHive& cache = g_cache[static_cast<int>(hive)];
    struct stat st {};
    FileStamp now;
    if (stat(path.c_str(), &st) == 0)
        now = StampOf(st);
    if (!cache.valid || cache.path != path || cache.stamp != now) {
        std::unique_ptr<KeyNode> tree;
        FileStamp stamp;
        const LSTATUS loaded = LoadHiveFile(hive, path, tree, stamp);
        StoreInCache(hive, path, stamp, loaded, std::move(tree));
    }
    status = cache.status;
    return status == ERROR_SUCCESS ? cache.tree.get() : nullptr;
}

bool HiveWritable(Hive hive)
{
    if (hive != Hive::LocalMachine || geteuid() == 0)
        return true;
    const char* root = std::getenv("ZEM_ROOT");
    if (root && *root)
        return true;
    Trace("registry: HKEY_LOCAL_MACHINE (%s) can be written only by root",
          HivePath(hive).c_str());
    return false;
}

HiveWriter::~HiveWriter()
{
    for (Held& held : held_) {
        if (held.lockFd >= 0)
            close(held.lockFd);  // releases the flock
    }
}

LSTATUS HiveWriter::Acquire(Hive hive)
{
    Held& held = held_[static_cast<int>(hive)];
    if (held.lockFd >= 0)
        return ERROR_SUCCESS;
    // Taking the user hive after the machine hive could deadlock with another process.
    if (hive == Hive::CurrentUser && held_[1].lockFd >= 0)
        return ERROR_INVALID_PARAMETER;
    if (!HiveWritable(hive))
        return ERROR_ACCESS_DENIED;

    held.path = HivePath(hive);
    const size_t slash = held.path.rfind('/');
    if (slash != std::string::npos && slash > 0)
        MakeFolders(held.path.substr(0, slash));
    const std::string lockPath = held.path + ".lock";
    const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int err = errno;
        Trace("registry: cannot write %s: %s", held.path.c_str(), std::strerror(err));
        return StatusFromErrno(err);
    }
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const int err = errno;
            close(fd);
            Trace("registry: cannot lock %s: %s", lockPath.c_str(), std::strerror(err));
            return ERROR_CANTWRITE;
        }
    }
    held.lockFd = fd;

    FileStamp stamp;
    const LSTATUS status = LoadHiveFile(hive, held.path, held.tree, stamp);
    if (status != ERROR_SUCCESS) {
        close(held.lockFd);
        held.lockFd = -1;
        held.tree.reset();
        return status;
    }
    return ERROR_SUCCESS;
}

KeyNode* HiveWriter::Tree(Hive hive)
{
    Held& held = held_[static_cast<int>(hive)];
    return held.lockFd >= 0 ? held.tree.get() : nullptr;
}

void HiveWriter::MarkChanged(Hive hive)
{
    held_[static_cast<int>(hive)].changed = true;
}

LSTATUS HiveWriter::Commit()
{
    LSTATUS result = ERROR_SUCCESS;
    for (int i = 0; i < 2; ++i) {
        Held& held = held_[i];
        if (held.lockFd < 0 || !held.changed)
            continue;
        const Hive hive = static_cast<Hive>(i);
        // WriteFileAtomically syncs the new file before renaming it over the old one.
        if (!WriteFileAtomically(held.path, FormatHive(*held.tree, HiveRoot(hive))) ||
            !SyncFolderOf(held.path)) {
            const int err = errno;
            Trace("registry: cannot write %s: %s", held.path.c_str(), std::strerror(err));
            if (result == ERROR_SUCCESS)
                result = StatusFromErrno(err);
            continue;
        }
        held.changed = false;
        struct stat st {};
        if (stat(held.path.c_str(), &st) == 0)
            StoreInCache(hive, held.path, StampOf(st), ERROR_SUCCESS, std::move(held.tree));
    }
    return result;
}

}  // namespace zem::registry
