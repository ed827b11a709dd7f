// Mounted file systems as /proc/self/mountinfo lists them, and the server behind a network
// mount: what tells a local path from one on another computer.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::string mountPoint;
    std::string fsType;
    std::string source;
};

// One line of mountinfo; false when it does not have the documented fields.
bool ParseMountInfoLine(std::string_view line, MountEntry& entry);

// The server a network file system is mounted from ("//server/share", "server:/export",
// "user@server:path"); empty for a local file system.
std::string NetworkServer(const MountEntry& entry);

// The mount of the file system with device number dev; false when none is listed.
bool FindMount(dev_t dev, MountEntry& entry);
