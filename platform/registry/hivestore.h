// The two hive files and this process's cache of them. Readers get the tree as the file is
// now (re-read whenever the file changed); writers lock the file against other processes,
// re-read it, change the tree and replace the file atomically.
//
// Every function here expects the caller to hold RegistryMutex().
#pragma once

#include "registry/keytree.h"
#include "registry/registry.h"
#include "registry/regtext.h"

#include <mutex>
#include <string>

namespace zem::registry {

enum class Hive { CurrentUser = 0, LocalMachine = 1 };

RootKey HiveRoot(Hive hive);

// The one lock of the registry's in-process state: the hive cache and the open handles.
std::mutex& RegistryMutex();

// HKEY_CLASSES_ROOT shows this key of both hives.
KeyPath ClassesPath(const KeyPath& path);

// The hive's tree as on disk; nullptr with status set when it cannot be read (ERROR_BADDB
// for a malformed file, which is also traced). Valid while the caller holds the mutex and
// writes nothing.
const KeyNode* ReadHive(Hive hive, LSTATUS& status);

// False (and a trace that says why) when this user may not write the hive: outside ZEM_ROOT
// the machine hive belongs to root.
bool HiveWritable(Hive hive);

// One write. Acquire the current-user hive before the machine hive (the lock order across
// processes). Nothing reaches the disk before Commit; the destructor releases the locks.
class HiveWriter {
public:
    HiveWriter() = default;
    ~HiveWriter();
    HiveWriter(const HiveWriter&) = delete;
    HiveWriter& operator=(const HiveWriter&) = delete;

    // Locks the hive file and reads it afresh. Fails for a hive this user may not write and
    // for a malformed file, which is then left as it is.
    LSTATUS Acquire(Hive hive);
    // The acquired tree, to change; nullptr before Acquire.
    KeyNode* Tree(Hive hive);
    void MarkChanged(Hive hive);
    // Writes every changed hive back; the first failure is the result.
    LSTATUS Commit();

private:
    struct Held {
        int lockFd = -1;
        std::string path;
        std::unique_ptr<KeyNode> tree;
        bool changed = false;
    };
    Held held_[2];
};

}  // namespace zem::registry
