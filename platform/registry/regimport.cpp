// Import of REGEDIT4 registry files: parsed whole first, then applied under the locks of
// the hives it touches in one write per hive.
#include "registry/registry.h"

#include "base/paths.h"
#include "registry/hivestore.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zem {
using namespace registry;

namespace {

void SetError(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
}

// The hive and path an edit lands on. HKEY_CLASSES_ROOT edits go to the user's copy when
// the key is there, else to the machine's, as writes through the API do.
Hive TargetOf(const RegEdit& edit, HiveWriter& writer, KeyPath& path)
{
    if (edit.root != RootKey::ClassesRoot) {
        path = edit.path;
        return edit.root == RootKey::LocalMachine ? Hive::LocalMachine : Hive::CurrentUser;
    }
    path = ClassesPath(edit.path);
    return writer.Tree(Hive::CurrentUser)->Find(path) ? Hive::CurrentUser : Hive::LocalMachine;
}

// Applies one edit; returns the hives it changed as bits (1 user, 2 machine).
int Apply(const RegEdit& edit, HiveWriter& writer)
{
    KeyPath path;
    if (edit.kind == RegEdit::Kind::DeleteKey) {
        int changed = 0;
        for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
            const bool shows = edit.root == RootKey::ClassesRoot || HiveRoot(hive) == edit.root;
            if (!shows)
                continue;
            path = edit.root == RootKey::ClassesRoot ? ClassesPath(edit.path) : edit.path;
            KeyNode* tree = writer.Tree(hive);
            KeyNode* parent = tree->Find(KeyPath(path.begin(), path.end() - 1));
            if (parent && parent->RemoveChild(path.back()))
                changed |= 1 << static_cast<int>(hive);
        }
        return changed;
    }
    const Hive hive = TargetOf(edit, writer, path);
    KeyNode* tree = writer.Tree(hive);
    const int bit = 1 << static_cast<int>(hive);
    switch (edit.kind) {
    case RegEdit::Kind::CreateKey: {
        bool created = false;
        tree->FindOrCreate(path, &created);
        return created ? bit : 0;
    }
    case RegEdit::Kind::SetValue:
        tree->FindOrCreate(path).SetValue(edit.name, edit.type, edit.data);
        return bit;
    case RegEdit::Kind::DeleteValue: {
        KeyNode* node = tree->Find(path);
        return node && node->RemoveValue(edit.name) ? bit : 0;
    }
    case RegEdit::Kind::DeleteKey:
        break;
    }
    return 0;
}

}  // namespace

LSTATUS RegImportText(const std::string& text, std::string* error)
{
    std::vector<RegEdit> edits;
    std::string why;
    if (!ParseRegText(text, edits, why)) {
        SetError(error, why);
        return ERROR_INVALID_DATA;
    }
    for (const RegEdit& edit : edits) {
        if (edit.kind == RegEdit::Kind::DeleteKey && edit.path.empty()) {
            SetError(error, "line " + std::to_string(edit.line) + ": a root key cannot be deleted");
            return ERROR_INVALID_DATA;
        }
    }

    bool needUser = false;
    bool needMachine = false;
    for (const RegEdit& edit : edits) {
        needUser |= edit.root != RootKey::LocalMachine;
        needMachine |= edit.root != RootKey::CurrentUser;
    }

    std::lock_guard lock(RegistryMutex());
    HiveWriter writer;
    for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
        if (!(hive == Hive::CurrentUser ? needUser : needMachine))
            continue;
        if (LSTATUS status = writer.Acquire(hive); status != ERROR_SUCCESS) {
            SetError(error, std::string("cannot write ") + std::string(RootName(HiveRoot(hive))) +
                                (status == ERROR_ACCESS_DENIED ? ": access denied"
                                                               : ": its hive file is unusable"));
            return status;
        }
    }
    int changed = 0;
    for (const RegEdit& edit : edits)
        changed |= Apply(edit, writer);
    for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
        if (changed & (1 << static_cast<int>(hive)))
            writer.MarkChanged(hive);
    }
    const LSTATUS status = writer.Commit();
    if (status != ERROR_SUCCESS)
        SetError(error, "the registry could not be written");
    return status;
}

LSTATUS RegImportFile(const std::string& path, std::string* error)
{
    const std::string native = MapPath(path);
    std::ifstream in(native, std::ios::binary);
    if (!in) {
        const int err = errno;
        SetError(error, "cannot open " + native + ": " + std::strerror(err));
        return (err == EACCES || err == EPERM) ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return RegImportText(text.str(), error);
}

}  // namespace zem
