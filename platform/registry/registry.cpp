#include "registry/registry.h"

#include "registry/hivestore.h"

#include <cstring>
#include <map>
#include <unordered_map>

namespace zem {
using namespace registry;

namespace {

constexpr REGSAM kAnyWriteRight = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE;

struct KeyLocation {
    RootKey root = RootKey::CurrentUser;
    KeyPath path;
};

struct OpenKey {
    KeyLocation where;
    REGSAM access = 0;
};

// Handle ids: never 0, never one of the predefined keys, never reused in a process.
std::unordered_map<uintptr_t, OpenKey> g_handles;
uintptr_t g_nextHandle = 0x100;

bool Resolve(HKEY key, OpenKey& open)
{
    if (key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
        open.where.root = key == HKEY_CLASSES_ROOT    ? RootKey::ClassesRoot
                          : key == HKEY_CURRENT_USER ? RootKey::CurrentUser
                                                     : RootKey::LocalMachine;
        open.where.path.clear();
        open.access = KEY_ALL_ACCESS;
        return true;
    }
    auto it = g_handles.find(reinterpret_cast<uintptr_t>(key));
    if (it == g_handles.end())
        return false;
    open = it->second;
    return true;
}

HKEY NewHandle(const KeyLocation& where, REGSAM access)
{
    uintptr_t id = g_nextHandle++;
    if (id >= 0x80000000u && id <= 0x800000FFu) {
        id = 0x80000100u;
        g_nextHandle = id + 1;
    }
    g_handles[id] = OpenKey{where, access};
    return reinterpret_cast<HKEY>(id);
}

Hive HiveOf(RootKey root)
{
    return root == RootKey::LocalMachine ? Hive::LocalMachine : Hive::CurrentUser;
}

// The key as the hives show it now: for HKEY_CLASSES_ROOT both copies, user over machine.
struct KeyView {
    const KeyNode* user = nullptr;
    const KeyNode* machine = nullptr;
    bool exists = false;
};

LSTATUS View(const KeyLocation& where, KeyView& view)
{
    view = KeyView{};
    LSTATUS status = ERROR_SUCCESS;
    if (where.root == RootKey::ClassesRoot) {
        const KeyNode* user = ReadHive(Hive::CurrentUser, status);
        if (!user)
            return status;
        const KeyNode* machine = ReadHive(Hive::LocalMachine, status);
        if (!machine)
            return status;
        const KeyPath path = ClassesPath(where.path);
        view.user = user->Find(path);
        view.machine = machine->Find(path);
        view.exists = view.user || view.machine || where.path.empty();
        return ERROR_SUCCESS;
    }
    const Hive hive = HiveOf(where.root);
    const KeyNode* tree = ReadHive(hive, status);
    if (!tree)
        return status;
    (hive == Hive::CurrentUser ? view.user : view.machine) = tree->Find(where.path);
    view.exists = view.user || view.machine;
    return ERROR_SUCCESS;
}

const RegValue* FindValue(const KeyView& view, const std::string& name)
{
    const RegValue* value = view.user ? view.user->Value(name) : nullptr;
    if (!value && view.machine)
        value = view.machine->Value(name);
    return value;
}

LSTATUS CopyOut(const RegValue& value, DWORD* type, BYTE* data, DWORD* size)
{
    if (type)
        *type = value.type;
    const auto length = static_cast<DWORD>(value.data.size());
    if (data) {
        if (*size < length) {
            *size = length;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, value.data.data(), length);
    }
    if (size)
        *size = length;
    return ERROR_SUCCESS;
}

bool Join(const KeyLocation& where, const std::string& subKey, KeyLocation& full)
{
    KeyPath sub;
    if (!SplitKeyPath(subKey, sub))
        return false;
    full = where;
    full.path.insert(full.path.end(), sub.begin(), sub.end());
    return true;
}

// Where a value write to a key goes, acquired: HKEY_CLASSES_ROOT writes go to the user's
// copy when the key lives there, else to the machine's.
LSTATUS TargetForWrite(const KeyLocation& where, HiveWriter& writer, Hive& hive, KeyPath& path)
{
    if (where.root != RootKey::ClassesRoot) {
        hive = HiveOf(where.root);
        path = where.path;
        return writer.Acquire(hive);
    }
    path = ClassesPath(where.path);
    LSTATUS status = writer.Acquire(Hive::CurrentUser);
    if (status != ERROR_SUCCESS)
        return status;
    if (writer.Tree(Hive::CurrentUser)->Find(path)) {
        hive = Hive::CurrentUser;
        return ERROR_SUCCESS;
    }
    hive = Hive::LocalMachine;
    return writer.Acquire(hive);
}

bool WantsWrite(REGSAM access)
{
    return (access & kAnyWriteRight) != 0;
}

LSTATUS CheckWritable(const KeyLocation& where, REGSAM access)
{
    if (!WantsWrite(access) || where.root == RootKey::ClassesRoot)
        return ERROR_SUCCESS;
    return HiveWritable(HiveOf(where.root)) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// The handle's key, when it was opened with at least one of rights.
LSTATUS ResolveWithRight(HKEY key, REGSAM rights, OpenKey& open)
{
    if (!Resolve(key, open))
        return ERROR_INVALID_HANDLE;
    return (open.access & rights) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// The handle's key as the hives show it now; it may have been deleted since it was opened.
LSTATUS ViewOpenKey(HKEY key, KeyView& view)
{
    OpenKey open;
    if (!Resolve(key, open))
        return ERROR_INVALID_HANDLE;
    if (LSTATUS status = View(open.where, view); status != ERROR_SUCCESS)
        return status;
    return view.exists ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// What opening or creating subKey below key starts from: the parent's handle, the full
// location, whether its hive may be written as asked, and the key as the hives show it now
// (view.exists tells whether it is there).
LSTATUS LocateSubKey(HKEY key, const std::string& subKey, REGSAM access, OpenKey& parent,
                     KeyLocation& full, KeyView& view)
{
    if (!Resolve(key, parent))
        return ERROR_INVALID_HANDLE;
    if (!Join(parent.where, subKey, full))
        return ERROR_BAD_PATHNAME;
    if (LSTATUS status = CheckWritable(full, access); status != ERROR_SUCCESS)
        return status;
    return View(full, view);
}

// Sub-key names of a view, sorted without case; the user's spelling wins.
std::map<std::string, std::string> SubKeyNames(const KeyView& view)
{
    std::map<std::string, std::string> names;
    for (const KeyNode* node : {view.user, view.machine}) {
        if (!node)
            continue;
        for (size_t i = 0; i < node->ChildCount(); ++i) {
            const std::string& name = node->ChildAt(i)->Name();
            names.try_emplace(FoldName(name), name);
        }
    }
    return names;
}

}  // namespace

LSTATUS RegOpenKeyEx(HKEY key, const std::string& subKey, REGSAM access, HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(RegistryMutex());
    OpenKey parent;
    KeyLocation full;
    KeyView view;
    if (LSTATUS status = LocateSubKey(key, subKey, access, parent, full, view);
        status != ERROR_SUCCESS)
        return status;
    if (!view.exists)
        return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(full, access);
    return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyEx(HKEY key, const std::string& subKey, REGSAM access, HKEY* result,
                       DWORD* disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(RegistryMutex());
    OpenKey parent;
    KeyLocation full;
    KeyView view;
    if (LSTATUS status = LocateSubKey(key, subKey, access, parent, full, view);
        status != ERROR_SUCCESS)
        return status;
    if (view.exists) {
        if (disposition)
            *disposition = REG_OPENED_EXISTING_KEY;
        *result = NewHandle(full, access);
        return ERROR_SUCCESS;
    }
    if (!(parent.access & KEY_CREATE_SUB_KEY))
        return ERROR_ACCESS_DENIED;

    HiveWriter writer;
    Hive hive;
    KeyPath path;
    if (full.root == RootKey::ClassesRoot) {
        // A new key below HKEY_CLASSES_ROOT goes to the machine's copy.
        hive = Hive::LocalMachine;
        path = ClassesPath(full.path);
    } else {
        hive = HiveOf(full.root);
        path = full.path;
    }
    if (LSTATUS status = writer.Acquire(hive); status != ERROR_SUCCESS)
        return status;
    KeyNode* tree = writer.Tree(hive);
    // The parent handle's key may have been deleted since it was opened.
    if (full.root != RootKey::ClassesRoot && !tree->Find(parent.where.path))
        return ERROR_KEY_DELETED;
    bool created = false;
    tree->FindOrCreate(path, &created);
    if (created) {
        writer.MarkChanged(hive);
        if (LSTATUS status = writer.Commit(); status != ERROR_SUCCESS)
            return status;
    }
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(full, access);
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key)
{
    if (key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE)
        return ERROR_SUCCESS;
    std::lock_guard lock(RegistryMutex());
    return g_handles.erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS
                                                              : ERROR_INVALID_HANDLE;
}

LSTATUS RegQueryValueEx(HKEY key, const std::string& name, DWORD* type, BYTE* data,
                        DWORD* size)
{
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(RegistryMutex());
    KeyView view;
    if (LSTATUS status = ViewOpenKey(key, view); status != ERROR_SUCCESS)
        return status;
    const RegValue* value = FindValue(view, name);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    return CopyOut(*value, type, data, size);
}

LSTATUS RegSetValueEx(HKEY key, const std::string& name, DWORD type, const BYTE* data,
                      DWORD size)
{
    if ((!data && size > 0) || !IsStorableName(name, false))
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(RegistryMutex());
    OpenKey open;
    if (LSTATUS status = ResolveWithRight(key, KEY_SET_VALUE, open); status != ERROR_SUCCESS)
        return status;
    HiveWriter writer;
    Hive hive;
    KeyPath path;
    if (LSTATUS status = TargetForWrite(open.where, writer, hive, path); status != ERROR_SUCCESS)
        return status;
    KeyNode* node = writer.Tree(hive)->Find(path);
    if (!node)
        return ERROR_KEY_DELETED;
    node->SetValue(name, type, std::string(reinterpret_cast<const char*>(data), size));
    writer.MarkChanged(hive);
    return writer.Commit();
}

LSTATUS RegDeleteValue(HKEY key, const std::string& name)
{
    std::lock_guard lock(RegistryMutex());
    OpenKey open;
    if (LSTATUS status = ResolveWithRight(key, KEY_SET_VALUE, open); status != ERROR_SUCCESS)
        return status;

    HiveWriter writer;
    Hive hive;
    KeyPath path;
    if (open.where.root == RootKey::ClassesRoot) {
        // From the copy that shows the value: the user's when it has it.
        path = ClassesPath(open.where.path);
        if (LSTATUS status = writer.Acquire(Hive::CurrentUser); status != ERROR_SUCCESS)
            return status;
        const KeyNode* userKey = writer.Tree(Hive::CurrentUser)->Find(path);
        hive = userKey && userKey->Value(name) ? Hive::CurrentUser : Hive::LocalMachine;
        if (LSTATUS status = writer.Acquire(hive); status != ERROR_SUCCESS)
            return status;
    } else if (LSTATUS status = TargetForWrite(open.where, writer, hive, path);
               status != ERROR_SUCCESS) {
        return status;
    }
    KeyNode* node = writer.Tree(hive)->Find(path);
    if (!node)
        return open.where.root == RootKey::ClassesRoot ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    if (!node->RemoveValue(name))
        return ERROR_FILE_NOT_FOUND;
    writer.MarkChanged(hive);
    return writer.Commit();
}

LSTATUS RegDeleteTree(HKEY key, const std::string& subKey)
{
    std::lock_guard lock(RegistryMutex());
    OpenKey open;
    if (LSTATUS status = ResolveWithRight(key, kAnyWriteRight, open); status != ERROR_SUCCESS)
        return status;
    KeyLocation full;
    if (!Join(open.where, subKey, full))
        return ERROR_BAD_PATHNAME;

    // Deletes the key in one hive; false when it is not there.
    auto deleteIn = [&](KeyNode& tree, const KeyPath& path) {
        KeyNode* node = tree.Find(path);
        if (!node)
            return false;
        if (subKey.empty() || path.empty())
            node->Clear();
        else
            tree.Find(KeyPath(path.begin(), path.end() - 1))->RemoveChild(path.back());
        return true;
    };

    HiveWriter writer;
    bool found = false;
    if (full.root == RootKey::ClassesRoot) {
        // Gone from the merged view means gone from both copies.
        const KeyPath path = ClassesPath(full.path);
        if (LSTATUS status = writer.Acquire(Hive::CurrentUser); status != ERROR_SUCCESS)
            return status;
        if (deleteIn(*writer.Tree(Hive::CurrentUser), path)) {
            writer.MarkChanged(Hive::CurrentUser);
            found = true;
        }
        LSTATUS status = ERROR_SUCCESS;
        const KeyNode* machine = ReadHive(Hive::LocalMachine, status);
        if (!machine)
            return status;
        if (machine->Find(path)) {
            if (status = writer.Acquire(Hive::LocalMachine); status != ERROR_SUCCESS)
                return status;
            if (deleteIn(*writer.Tree(Hive::LocalMachine), path)) {
                writer.MarkChanged(Hive::LocalMachine);
                found = true;
            }
        }
    } else {
        const Hive hive = HiveOf(full.root);
        if (LSTATUS status = writer.Acquire(hive); status != ERROR_SUCCESS)
            return status;
        found = deleteIn(*writer.Tree(hive), full.path);
        if (found)
            writer.MarkChanged(hive);
    }
    if (!found)
        return subKey.empty() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    return writer.Commit();
}

LSTATUS RegEnumKeyEx(HKEY key, DWORD index, std::string* name)
{
    if (!name)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(RegistryMutex());
    KeyView view;
    if (LSTATUS status = ViewOpenKey(key, view); status != ERROR_SUCCESS)
        return status;
    if (!view.user || !view.machine) {
        const KeyNode* node = view.user ? view.user : view.machine;
        const KeyNode* child = node ? node->ChildAt(index) : nullptr;
        if (!child)
            return ERROR_NO_MORE_ITEMS;
        *name = child->Name();
        return ERROR_SUCCESS;
    }
    const std::map<std::string, std::string> names = SubKeyNames(view);
    if (index >= names.size())
        return ERROR_NO_MORE_ITEMS;
    *name = std::next(names.begin(), index)->second;
    return ERROR_SUCCESS;
}

LSTATUS RegEnumValue(HKEY key, DWORD index, std::string* name, DWORD* type, BYTE* data,
                     DWORD* size)
{
    if (!name || (data && !size))
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(RegistryMutex());
    KeyView view;
    if (LSTATUS status = ViewOpenKey(key, view); status != ERROR_SUCCESS)
        return status;
    // The user's values, then the machine's that the user's do not hide.
    const RegValue* found = nullptr;
    size_t remaining = index;
    if (view.user) {
        if (remaining < view.user->Values().size())
            found = &view.user->Values()[remaining];
        else
            remaining -= view.user->Values().size();
    }
    if (!found && view.machine) {
        for (const RegValue& value : view.machine->Values()) {
            if (view.user && view.user->Value(value.name))
                continue;
            if (remaining-- == 0) {
                found = &value;
                break;
            }
        }
    }
    if (!found)
        return ERROR_NO_MORE_ITEMS;
    *name = found->name;
    return CopyOut(*found, type, data, size);
}

}  // namespace zem
