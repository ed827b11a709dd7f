#include "ZemBaseLib/mounts.h"

#include <fstream>
#include <sys/sysmacros.h>
#include <vector>

namespace {

const char* const kNetworkTypes[] = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "ceph", "glusterfs",
    "fuse.sshfs", "fuse.glusterfs",
};

// Mountinfo writes blanks, tabs, newlines and backslashes as \ooo.
std::string Unescape(std::string_view text)
{
    auto octal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] <= '3' && octal(text[i + 1]) &&
            octal(text[i + 2]) && octal(text[i + 3])) {
            out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                     (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    size_t pos = 0;
    while (pos < line.size()) {
        const size_t start = line.find_first_not_of(' ', pos);
        if (start == std::string_view::npos)
            break;
        const size_t end = line.find(' ', start);
        fields.push_back(line.substr(start, end - start));
        pos = end == std::string_view::npos ? line.size() : end;
    }
    return fields;
}

}  // namespace

bool ParseMountInfoLine(std::string_view line, MountEntry& entry)
{
    // id parent major:minor root mount-point options [optional...] - type source super
    const std::vector<std::string_view> fields = Fields(line);
    size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-")
        ++dash;
    if (fields.size() < 6 || dash + 2 >= fields.size())
        return false;
    const std::string_view device = fields[2];
    const size_t colon = device.find(':');
    if (colon == std::string_view::npos)
        return false;
    try {
        entry.major = static_cast<unsigned>(std::stoul(std::string(device.substr(0, colon))));
        entry.minor = static_cast<unsigned>(std::stoul(std::string(device.substr(colon + 1))));
    } catch (const std::exception&) {
        return false;
    }
    entry.mountPoint = Unescape(fields[4]);
    entry.fsType = std::string(fields[dash + 1]);
    entry.source = Unescape(fields[dash + 2]);
    return true;
}

std::string NetworkServer(const MountEntry& entry)
{
    bool network = false;
    for (const char* type : kNetworkTypes)
        network |= entry.fsType == type;
    if (!network)
        return {};
    std::string_view source = entry.source;
    if (source.size() > 2 && (source.substr(0, 2) == "//" || source.substr(0, 2) == "\\\\")) {
        source.remove_prefix(2);
        return std::string(source.substr(0, source.find_first_of("/\\")));
    }
    if (const size_t at = source.find('@'); at != std::string_view::npos)
        source.remove_prefix(at + 1);
    if (!source.empty() && source.front() == '[')
        return std::string(source.substr(1, source.find(']') - 1));
    return std::string(source.substr(0, source.find(':')));
}

bool FindMount(dev_t dev, MountEntry& entry)
{
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        MountEntry candidate;
        if (ParseMountInfoLine(line, candidate) && candidate.major == major(dev) &&
            candidate.minor == minor(dev)) {
            entry = candidate;
            return true;
        }
    }
    return false;
}
