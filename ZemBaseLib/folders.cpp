#include "ZemBaseLib/folders.h"

#include "base/paths.h"
#include "base/trace.h"
#include "ZemBaseLib/formatting.h"
#include "ZemBaseLib/mounts.h"

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool HasDrive(const std::string& path)
{
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

// The separators of a path: a system path also takes "\".
const char* Separators(const std::string& path)
{
    return HasDrive(path) ? "/\\" : "/";
}

void StripTrailing(std::string& path, const char* separators)
{
    while (path.size() > 1 && std::string_view(separators).find(path.back()) != std::string_view::npos)
        path.pop_back();
}

bool SameNameNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string ExecutablePath()
{
    std::vector<char> buffer(256);
    while (true) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

// Windows wildcards: "*" any run, "?" one character, letters without regard to case.
bool Matches(std::string_view name, std::string_view pattern)
{
    if (pattern.empty() || pattern == "*.*" || pattern == "*")
        return true;
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    auto same = [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) ==
               std::toupper(static_cast<unsigned char>(b));
    };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

int64_t SizeOf(const fs::path& folder, bool recursive, const std::string& pattern)
{
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    int64_t total = 0;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (!Matches(it->path().filename().native(), pattern))
            continue;
        const fs::file_status status = it->symlink_status(ec);
        if (ec) {
            ec.clear();
            continue;
        }
        if (fs::is_directory(status)) {
            // The pattern picks the folder; all of it counts.
            if (recursive)
                total += SizeOf(it->path(), true, "*.*");
        } else if (fs::is_regular_file(status)) {
            const uintmax_t size = it->file_size(ec);
            if (!ec)
                total += static_cast<int64_t>(size);
            ec.clear();
        }
    }
    return total;
}

// mkdir for the folder and, when its parent is missing, for the parent first.
bool CreateFolderChain(const std::string& folder)
{
    bool parentMade = false;
    while (true) {
        if (mkdir(folder.c_str(), 0777) == 0)
            return true;
        const int err = errno;
        if (err == EEXIST)
            return true;
        if (err != ENOENT || parentMade) {
            zem::Trace("ERROR:%ld, %s\n", static_cast<long>(err), LastErrorText(err).c_str());
            return false;
        }
        std::string parent = folder;
        StripTrailing(parent, "/");
        const size_t slash = parent.rfind('/');
        if (slash == std::string::npos || slash == 0) {
            zem::Trace("Laufwerk oder Device %s ung\xfcltig\n", folder.c_str());
            return false;
        }
        parent.resize(slash);
        StripTrailing(parent, "/");
        if (!CreateFolderChain(parent))
            return false;
        parentMade = true;
    }
}

}  // namespace

int GetPathKind(const std::string& path)
{
    std::string text = path;
    if (!text.empty() && text.front() == '"')
        text.erase(0, 1);
    if (!text.empty() && text.back() == '"')
        text.pop_back();
    if (text.empty())
        return 0;
    const std::string native = zem::MapPath(text);
    struct stat st {};
    if (stat(native.c_str(), &st) != 0 && lstat(native.c_str(), &st) != 0)
        return 0;
    MountEntry mount;
    if (!FindMount(st.st_dev, mount))
        return 1;
    std::string server = NetworkServer(mount);
    if (server.empty())
        return 1;
    server = server.substr(0, server.find('.'));
    return SameNameNoCase(server, ComputerName()) ? 1 : 2;
}

int PathExists(const std::string& path)
{
    return GetPathKind(path);
}

bool CreatePath(const std::string& path)
{
    if (PathExists(path))
        return true;
    std::string native = zem::MapPath(path);
    StripTrailing(native, "/");
    return CreateFolderChain(native);
}

std::string GetFileFolder(const std::string& path)
{
    const std::string file = path.empty() ? ExecutablePath() : path;
    struct stat st {};
    if (file.empty() || stat(zem::MapPath(file).c_str(), &st) != 0)
        return {};
    if (S_ISDIR(st.st_mode))
        return file;
    const char* separators = Separators(file);
    const size_t cut = file.find_last_of(separators);
    if (cut == std::string::npos)
        return HasDrive(file) ? file.substr(0, 2) : ".";
    std::string folder = file.substr(0, cut + 1);
    StripTrailing(folder, separators);
    return folder;
}

int64_t GetFolderSize(const std::string& folder, bool recursive, const std::string& pattern)
{
    std::string native = zem::MapPath(folder);
    StripTrailing(native, "/");
    return SizeOf(native, recursive, pattern);
}
