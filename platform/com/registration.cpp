#include "com/registration.h"

#include "registry/registry.h"
#include "registry/regtext.h"

#include <atomic>
#include <dlfcn.h>

namespace zem {

namespace {

std::atomic<bool> g_perUser{false};


// Builds a REGEDIT4 text below the classes key.
class RegText {
public:
    RegText() : root_(ClassesKeyName()), text_("REGEDIT4\r\n") {}

    void Remove(const std::string& path) { text_ += "\r\n[-" + root_ + "\\" + path + "]\r\n"; }
    // Opens the key; its default value when one is given.
    void Key(const std::string& path, const std::string* value = nullptr)
    {
        text_ += "\r\n[" + root_ + "\\" + path + "]\r\n";
        if (value)
            text_ += "@=" + registry::QuoteRegString(*value) + "\r\n";
    }
    void Key(const std::string& path, const std::string& value) { Key(path, &value); }
    void Value(const std::string& name, const std::string& value)
    {
        text_ += registry::QuoteRegString(name) + "=" + registry::QuoteRegString(value) + "\r\n";
    }
    const std::string& Text() const { return text_; }

private:
    std::string root_;
    std::string text_;
};

HRESULT Import(const std::string& text)
{
    const LSTATUS status = RegImportText(text);
    if (status == ERROR_SUCCESS)
        return S_OK;
    return status == ERROR_ACCESS_DENIED ? E_ACCESSDENIED : E_FAIL;
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::string VersionText(const TypeLibrary& library)
{
    return std::to_string(library.major) + "." + std::to_string(library.minor);
}

void SetPerUserRegistration(bool perUser)
{
    g_perUser = perUser;
}

bool PerUserRegistration()
{
    return g_perUser;
}

std::string ClassesKeyName()
{
    return g_perUser ? "HKEY_CURRENT_USER\\Software\\Classes"
                     : "HKEY_LOCAL_MACHINE\\Software\\Classes";
}

std::string ModulePathOf(const void* address)
{
    Dl_info info{};
    if (dladdr(address, &info) == 0 || !info.dli_fname)
        return {};
    return info.dli_fname;
}

std::string TypeLibraryRegText(const TypeLibrary& library, const std::string& modulePath)
{
    const std::string libid = GuidText(library.libid);
    const std::string version = VersionText(library);
    const std::string key = "TypeLib\\" + libid;
    RegText reg;
    reg.Remove(key);
    reg.Key(key + "\\" + version, library.helpString);
    reg.Key(key + "\\" + version + "\\0\\win32", modulePath);
    reg.Key(key + "\\" + version + "\\FLAGS", "2");  // a library of controls
    reg.Key(key + "\\" + version + "\\HELPDIR", FolderOf(modulePath));
    for (const TypeEntry& entry : library.entries) {
        if (entry.kind != TypeKind::Dispatch)
            continue;
        const std::string iface = "Interface\\" + GuidText(entry.guid);
        reg.Remove(iface);
        reg.Key(iface, entry.name);
        reg.Key(iface + "\\ProxyStubClsid", GuidText(CLSID_PSDispatch));
        reg.Key(iface + "\\ProxyStubClsid32", GuidText(CLSID_PSDispatch));
        reg.Key(iface + "\\TypeLib", libid);
        reg.Value("Version", version);
    }
    return reg.Text();
}

std::string ServerClassRegText(const ClassRegistration& entry, const TypeLibrary& library,
                               const std::string& modulePath)
{
    const std::string clsid = GuidText(entry.clsid);
    const std::string key = "CLSID\\" + clsid;
    RegText reg;
    reg.Remove(key);
    reg.Key(key, entry.typeName);
    reg.Key(key + "\\InprocServer32", modulePath);
    if (entry.control) {
        reg.Key(key + "\\ProgID", entry.progId);
        reg.Key(key + "\\Insertable");
        reg.Key(key + "\\Control");
        reg.Key(key + "\\ToolboxBitmap32", modulePath + ", " + std::to_string(entry.toolboxBitmap));
        reg.Key(key + "\\MiscStatus", "0");
        reg.Key(key + "\\MiscStatus\\1", std::to_string(entry.miscStatus));
        reg.Key(key + "\\TypeLib", GuidText(library.libid));
        reg.Key(key + "\\Version", VersionText(library));
        reg.Remove(entry.progId);
        reg.Key(entry.progId, entry.typeName);
        reg.Key(std::string(entry.progId) + "\\CLSID", clsid);
        reg.Key(std::string(entry.progId) + "\\Insertable");
    }
    return reg.Text();
}

HRESULT RegisterTypeLibrary(const TypeLibrary& library, const std::string& modulePath)
{
    return Import(TypeLibraryRegText(library, modulePath));
}

HRESULT UnregisterTypeLibrary(const TypeLibrary& library)
{
    RegText reg;
    reg.Remove("TypeLib\\" + GuidText(library.libid));
    for (const TypeEntry& entry : library.entries) {
        if (entry.kind == TypeKind::Dispatch)
            reg.Remove("Interface\\" + GuidText(entry.guid));
    }
    return Import(reg.Text());
}

HRESULT RegisterServerClass(const ClassRegistration& entry, const TypeLibrary& library,
                            const std::string& modulePath)
{
    return Import(ServerClassRegText(entry, library, modulePath));
}

HRESULT UnregisterServerClass(const ClassRegistration& entry)
{
    RegText reg;
    reg.Remove("CLSID\\" + GuidText(entry.clsid));
    if (entry.control)
        reg.Remove(entry.progId);
    return Import(reg.Text());
}

}  // namespace zem
