#include "base/paths.h"
#include "QMFPlayer/common/zipextractor.h"

#include "process/commandline.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unzip.h>
#include <vector>

namespace {

constexpr size_t kMaxName = 260;
constexpr size_t kCopyBlock = 2048;
constexpr uint32_t kDosFolderBit = 0x10;
constexpr uint32_t kMadeOnUnix = 3;

unzFile Zip(void* archive)
{
    return static_cast<unzFile>(archive);
}

bool HasExtension(const std::string& name, const char* extension)
{
    const size_t dot = name.rfind('.');
    const size_t slash = name.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    return strcasecmp(name.c_str() + dot + 1, extension) == 0;
}

// The parts of an entry name below the destination; false for an absolute name, a drive, a
// ".." part or a name that is not whole.
bool RelativeParts(const ZipEntry& entry, std::vector<std::string>& parts)
{
    parts.clear();
    const std::string& name = entry.name;
    if (!entry.nameIsSafe || name.empty() || name[0] == '\\' || (name.size() >= 2 && name[1] == ':'))
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('\\', start);
        if (end == std::string::npos)
            end = name.size();
        const std::string part = name.substr(start, end - start);
        if (part == "..")
            return false;
        if (!part.empty() && part != ".")
            parts.push_back(part);
        start = end + 1;
    }
    return true;
}

// True when no existing step from the destination down to the target is a symbolic link.
bool NoLinkOnTheWay(std::string path, const std::vector<std::string>& parts)
{
    for (const std::string& part : parts) {
        path += "/" + part;
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0)
            return errno == ENOENT;
        if (S_ISLNK(st.st_mode))
            return false;
    }
    return true;
}

std::string JoinParts(const std::string& folder, const std::vector<std::string>& parts)
{
    std::string path = folder;
    for (const std::string& part : parts)
        path += "/" + part;
    return path;
}

// Copies the open entry into fd; true after a clean end, false on an error or once
// keepGoing reads false.
bool CopyEntry(unzFile zip, int fd, const std::atomic<bool>* keepGoing)
{
    char buffer[kCopyBlock];
    while (true) {
        if (keepGoing && !*keepGoing)
            return false;
        const int n = unzReadCurrentFile(zip, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0)
            return false;
        if (write(fd, buffer, static_cast<size_t>(n)) != n)
            return false;
    }
}

}  // namespace

CZipExtractor::CZipExtractor(const std::string& archivePath)
{
    if (!archivePath.empty())
        Open(archivePath);
}

CZipExtractor::~CZipExtractor()
{
    Close();
}

bool CZipExtractor::Open(const std::string& path)
{
    Close();
    if (path.empty())
        return false;
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(zem::MapPath(path), ec);
    if (ec || full.string().size() >= PATH_MAX)
        return false;
    archive_ = unzOpen64(full.c_str());
    if (!archive_)
        return false;
    defaultDestination_ = (full.parent_path() / full.stem()).string();
    return true;
}

bool CZipExtractor::Close()
{
    if (!archive_) {
        defaultDestination_.clear();
        return false;
    }
    unzCloseCurrentFile(Zip(archive_));
    const bool closed = unzClose(Zip(archive_)) == UNZ_OK;
    archive_ = nullptr;
    defaultDestination_.clear();
    return closed;
}

uint32_t CZipExtractor::GetEntryCount()
{
    unz_global_info64 info{};
    if (!archive_ || unzGetGlobalInfo64(Zip(archive_), &info) != UNZ_OK)
        return 0;
    return static_cast<uint32_t>(info.number_entry);
}

bool CZipExtractor::GoToFirstEntry(const char* extension)
{
    if (!archive_ || unzGoToFirstFile(Zip(archive_)) != UNZ_OK)
        return false;
    return SkipToExtension(extension);
}

bool CZipExtractor::GoToNextEntry(const char* extension)
{
    if (!archive_ || unzGoToNextFile(Zip(archive_)) != UNZ_OK)
        return false;
    return SkipToExtension(extension);
}

bool CZipExtractor::SkipToExtension(const char* extension)
{
    if (!extension)
        return true;
    ZipEntry entry;
    while (GetCurrentEntry(entry)) {
        if (HasExtension(entry.name, extension))
            return true;
        if (unzGoToNextFile(Zip(archive_)) != UNZ_OK)
            return false;
    }
    return false;
}

bool CZipExtractor::GetCurrentEntry(ZipEntry& entry)
{
    entry = ZipEntry();
    if (!archive_)
        return false;
    unz_file_info64 info{};
    char name[kMaxName + 1] = {};
    char comment[256] = {};
    if (unzGetCurrentFileInfo64(Zip(archive_), &info, name, sizeof name, nullptr, 0, comment,
                                sizeof comment - 1) != UNZ_OK)
        return false;
    entry.name.assign(name, strnlen(name, sizeof name));
    // A NUL inside the stored name, or a name longer than the buffer, would name another file.
    entry.nameIsSafe = info.size_filename <= kMaxName && entry.name.size() == info.size_filename;
    for (char& c : entry.name) {
        if (c == '/')
            c = '\\';
    }
    entry.isFolder = (info.external_fa & kDosFolderBit) != 0 || (!entry.name.empty() && entry.name.back() == '\\');
    entry.comment = comment;
    entry.versionMadeBy = static_cast<uint32_t>(info.version);
    entry.versionNeeded = static_cast<uint32_t>(info.version_needed);
    entry.flags = static_cast<uint32_t>(info.flag);
    entry.compressionMethod = static_cast<uint32_t>(info.compression_method);
    entry.dosDateTime = static_cast<uint32_t>(info.dosDate);
    entry.crc = static_cast<uint32_t>(info.crc);
    entry.compressedSize = info.compressed_size;
    entry.uncompressedSize = info.uncompressed_size;
    entry.internalAttributes = static_cast<uint32_t>(info.internal_fa);
    entry.externalAttributes = static_cast<uint32_t>(info.external_fa);
    return true;
}

bool CZipExtractor::ExtractCurrent(const std::string& destination, bool flatten)
{
    if (!archive_)
        return false;
    const std::string folder = zem::MapPath(destination.empty() ? defaultDestination_ : destination);
    ZipEntry entry;
    if (!CreateDirectoryPath(folder) || !GetCurrentEntry(entry))
        return false;
    // Links are checked below the destination only, so it is taken without links of its own.
    char resolved[PATH_MAX];
    if (!realpath(folder.c_str(), resolved))
        return false;
    std::vector<std::string> parts;
    if (!RelativeParts(entry, parts) || !NoLinkOnTheWay(resolved, parts))
        return false;

    if (entry.isFolder)
        return CreateDirectoryPath(JoinParts(resolved, parts));
    if (parts.empty())
        return false;
    if (flatten)
        parts.erase(parts.begin(), parts.end() - 1);
    const std::string target = JoinParts(resolved, parts);
    if (!CreateParentDirectory(target))
        return false;

    const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    if (unzOpenCurrentFile(Zip(archive_)) != UNZ_OK) {
        close(fd);
        return false;
    }
    const bool clean = CopyEntry(Zip(archive_), fd, keepGoing_);
    if (clean && (entry.versionMadeBy >> 8) == kMadeOnUnix) {
        // Permission bits only: never set-id bits, never the file type.
        if (const mode_t mode = (entry.externalAttributes >> 16) & 0777; mode != 0)
            fchmod(fd, mode);
    }
    close(fd);
    unzCloseCurrentFile(Zip(archive_));  // a CRC mismatch reported here is not a failure
    if (clean)
        SetFileTimeFromDos(target, entry.dosDateTime);
    return clean;
}

bool CZipExtractor::ExtractAll(const std::string& destination, bool flatten)
{
    if (!archive_ || destination.empty() || !CreateDirectoryPath(zem::MapPath(destination)) ||
        GetEntryCount() == 0 || !GoToFirstEntry())
        return false;
    do {
        if (!ExtractCurrent(destination, flatten))
            return false;
    } while (GoToNextEntry());
    return true;
}

bool ExtractArchive(const std::string& archivePath, const std::string& destination, bool flatten,
                    const std::atomic<bool>* keepGoing)
{
    CZipExtractor extractor;
    extractor.StopWhenCleared(keepGoing);
    if (!extractor.Open(archivePath))
        return false;
    const bool result = extractor.ExtractAll(destination, flatten);
    extractor.Close();
    return result;
}

bool CreateDirectoryPath(const std::string& path)
{
    if (path.empty())
        return false;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    return CreateDirectoryPath(path.substr(0, slash)) && (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST);
}

bool CreateParentDirectory(const std::string& filePath)
{
    const size_t slash = filePath.find_last_of('/');
    if (slash == std::string::npos)
        return false;
    return CreateDirectoryPath(filePath.substr(0, slash));
}

bool SetFileTimeFromDos(const std::string& path, uint32_t dosDateTime)
{
    const uint32_t date = dosDateTime >> 16;
    const uint32_t time = dosDateTime & 0xffff;
    std::tm local{};
    local.tm_year = static_cast<int>((date >> 9) + 80);
    local.tm_mon = static_cast<int>((date >> 5) & 0x0f) - 1;
    local.tm_mday = static_cast<int>(date & 0x1f);
    local.tm_hour = static_cast<int>(time >> 11);
    local.tm_min = static_cast<int>((time >> 5) & 0x3f);
    local.tm_sec = static_cast<int>((time & 0x1f) * 2);
    local.tm_isdst = -1;
    if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday < 1 || local.tm_hour > 23 ||
        local.tm_min > 59 || local.tm_sec > 59)
        return false;
    const time_t seconds = std::mktime(&local);
    if (seconds == static_cast<time_t>(-1))
        return false;
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
    return utimensat(AT_FDCWD, zem::MapPath(path).c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}
