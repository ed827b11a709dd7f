#include "ZemBaseLib/registrycopy.h"

#include "base/trace.h"

#include <atomic>
#include <optional>
#include <random>
#include <unistd.h>
#include <vector>

using namespace zem;

namespace {

constexpr size_t kLongestValueName = 260;
constexpr DWORD kFirstDataBuffer = 1024;

using KeyPath = std::vector<std::string>;

// Closes the key when it goes out of scope.
class OpenedKey {
public:
    OpenedKey() = default;
    ~OpenedKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

size_t CountNames(const std::string& path)
{
    size_t count = 0;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        count += end > start;
        start = end + 1;
    }
    return count;
}

LSTATUS SubKeyNames(HKEY key, std::vector<std::string>& names)
{
    for (DWORD index = 0;; ++index) {
        std::string name;
        const LSTATUS status = RegEnumKeyEx(key, index, &name);
        if (status == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS)
            return status;
        names.push_back(std::move(name));
    }
}

// A value name no one else uses, to tell whether two handles name the same key.
std::string ProbeName()
{
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    return "zem copy probe " + std::to_string(getpid()) + "." + std::to_string(counter++) + "." +
           std::to_string(random());
}

// Where below key a key carrying the probe value lies (empty path: key itself).
LSTATUS FindProbe(HKEY key, const std::string& probe, KeyPath& path,
                  std::optional<KeyPath>& found)
{
    if (RegQueryValueEx(key, probe, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        found = path;
        return ERROR_SUCCESS;
    }
    std::vector<std::string> names;
    if (LSTATUS status = SubKeyNames(key, names); status != ERROR_SUCCESS)
        return status;
    for (const std::string& name : names) {
        OpenedKey child;
        if (LSTATUS status = RegOpenKeyEx(key, name, KEY_READ, child.Out());
            status != ERROR_SUCCESS)
            return status;
        path.push_back(name);
        const LSTATUS status = FindProbe(child.Get(), probe, path, found);
        path.pop_back();
        if (status != ERROR_SUCCESS || found)
            return status;
    }
    return ERROR_SUCCESS;
}

// Where target lies below source, if it does.
LSTATUS LocateInside(HKEY source, HKEY target, std::optional<KeyPath>& found)
{
    const std::string probe = ProbeName();
    const DWORD mark = 1;
    LSTATUS status = RegSetValueEx(target, probe, REG_DWORD, reinterpret_cast<const BYTE*>(&mark),
                                   sizeof mark);
    if (status != ERROR_SUCCESS)
        return status;
    KeyPath path;
    status = FindProbe(source, probe, path, found);
    const LSTATUS removed = RegDeleteValue(target, probe);
    return status != ERROR_SUCCESS ? status : removed;
}

LSTATUS CopyValues(HKEY source, HKEY target)
{
    std::vector<BYTE> data(kFirstDataBuffer);
    for (DWORD index = 0;; ++index) {
        std::string name;
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        LSTATUS status = RegEnumValue(source, index, &name, &type, data.data(), &size);
        while (status == ERROR_MORE_DATA) {
            data.resize(size);
            status = RegEnumValue(source, index, &name, &type, data.data(), &size);
        }
        if (status == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS)
            return status;
        if (name.size() > kLongestValueName)
            return ERROR_MORE_DATA;
        status = RegSetValueEx(target, name, type, data.data(), size);
        if (status != ERROR_SUCCESS)
            return status;
    }
}

// skip: the path below source of a key to leave out (the copy itself), or empty.
LSTATUS CopyTree(HKEY source, HKEY target, const KeyPath& skip, size_t skipDepth)
{
    if (LSTATUS status = CopyValues(source, target); status != ERROR_SUCCESS)
        return status;
    std::vector<std::string> names;
    if (LSTATUS status = SubKeyNames(source, names); status != ERROR_SUCCESS)
        return status;
    for (const std::string& name : names) {
        const bool onSkipPath = skipDepth < skip.size() && name == skip[skipDepth];
        if (onSkipPath && skipDepth + 1 == skip.size())
            continue;
        OpenedKey from;
        OpenedKey to;
        LSTATUS status = RegOpenKeyEx(source, name, KEY_READ, from.Out());
        if (status == ERROR_SUCCESS)
            status = RegCreateKeyEx(target, name, KEY_ALL_ACCESS, to.Out());
        if (status == ERROR_SUCCESS) {
            status = onSkipPath ? CopyTree(from.Get(), to.Get(), skip, skipDepth + 1)
                                : CopyTree(from.Get(), to.Get(), {}, 0);
        }
        if (status != ERROR_SUCCESS)
            return status;
    }
    return ERROR_SUCCESS;
}

}  // namespace

LSTATUS CopyRegistryKey(HKEY source, HKEY destinationParent, const std::string& subKey)
{
    OpenedKey target;
    DWORD disposition = 0;
    LSTATUS status =
        RegCreateKeyEx(destinationParent, subKey, KEY_ALL_ACCESS, target.Out(), &disposition);
    if (status != ERROR_SUCCESS)
        return status;
    std::optional<KeyPath> inside;
    status = LocateInside(source, target.Get(), inside);
    if (status != ERROR_SUCCESS)
        return status;
    // The new key as a child of source is a copy into itself; anywhere else below source
    // (or source itself) each copied level would hold the next one.
    if (inside && (inside->empty() || inside->size() != CountNames(subKey))) {
        Trace("CopyRegistryKey: refused, \"%s\" lies inside the key it would copy",
              subKey.c_str());
        if (disposition == REG_CREATED_NEW_KEY)
            RegDeleteTree(destinationParent, subKey);
        return ERROR_INVALID_PARAMETER;
    }
    return CopyTree(source, target.Get(), inside.value_or(KeyPath{}), 0);
}
