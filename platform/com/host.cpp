#include "com/host.h"

#include "base/paths.h"
#include "base/trace.h"
#include "registry/registry.h"

#include <cstdlib>
#include <dlfcn.h>
#include <map>
#include <mutex>

namespace zem {

namespace {

using GetClassObjectFunction = HRESULT (*)(REFCLSID, REFIID, void**);
using CanUnloadNowFunction = HRESULT (*)();

struct LoadedModule {
    void* handle = nullptr;
    GetClassObjectFunction getClassObject = nullptr;
    CanUnloadNowFunction canUnloadNow = nullptr;
};

// The modules this process loaded for objects, by native path; one lock for the table.
class ModuleCache {
public:
    HRESULT Find(const std::string& path, GetClassObjectFunction* get)
    {
        std::lock_guard lock(mutex_);
        auto found = modules_.find(path);
        if (found == modules_.end()) {
            void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                const char* why = dlerror();
                Trace("com: cannot load %s: %s", path.c_str(), why ? why : "?");
                return CO_E_DLLNOTFOUND;
            }
            LoadedModule module;
            module.handle = handle;
            module.getClassObject =
                reinterpret_cast<GetClassObjectFunction>(dlsym(handle, "DllGetClassObject"));
            module.canUnloadNow =
                reinterpret_cast<CanUnloadNowFunction>(dlsym(handle, "DllCanUnloadNow"));
            if (!module.getClassObject) {
                dlclose(handle);
                return CO_E_ERRORINDLL;
            }
            found = modules_.emplace(path, module).first;
        }
        *get = found->second.getClassObject;
        return S_OK;
    }

    // Under the lock, so that the module stays while the bytes are copied.
    HRESULT Resource(const std::string& path, const std::string& type, uint32_t id, std::string* bytes)
    {
        GetClassObjectFunction unused = nullptr;
        if (HRESULT hr = Find(path, &unused); FAILED(hr))
            return hr;
        std::lock_guard lock(mutex_);
        const auto found = modules_.find(path);
        if (found == modules_.end())
            return CO_E_DLLNOTFOUND;  // unloaded in between
        const auto get = reinterpret_cast<GetResourceFunction>(dlsym(found->second.handle, "DllGetResource"));
        if (!get)
            return CO_E_ERRORINDLL;
        const uint8_t* data = nullptr;
        size_t size = 0;
        const HRESULT hr = get(type.c_str(), id, &data, &size);
        if (SUCCEEDED(hr))
            bytes->assign(reinterpret_cast<const char*>(data), size);
        return hr;
    }

    void FreeUnused()
    {
        std::lock_guard lock(mutex_);
        for (auto it = modules_.begin(); it != modules_.end();) {
            const LoadedModule& module = it->second;
            if (module.canUnloadNow && module.canUnloadNow() == S_OK) {
                dlclose(module.handle);
                it = modules_.erase(it);
            } else {
                ++it;
            }
        }
    }

private:
    std::mutex mutex_;
    std::map<std::string, LoadedModule> modules_;
};

ModuleCache& Cache()
{
    static ModuleCache* cache = new ModuleCache;  // modules stay loaded until exit
    return *cache;
}

thread_local int t_initCount = 0;

HRESULT DefaultValue(const std::string& path, std::string* value)
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path, KEY_READ, &key) != ERROR_SUCCESS)
        return REGDB_E_CLASSNOTREG;
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = RegQueryValueEx(key, "", &type, nullptr, &size);
    std::string data(size, '\0');
    if (status == ERROR_SUCCESS)
        status = RegQueryValueEx(key, "", &type, reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return REGDB_E_CLASSNOTREG;
    data.resize(size);
    while (!data.empty() && data.back() == '\0')
        data.pop_back();
    *value = data;
    return S_OK;
}

}  // namespace

HRESULT ToolboxBitmapOf(REFCLSID clsid, std::string* modulePath, uint32_t* id)
{
    if (!modulePath || !id)
        return E_POINTER;
    std::string entry;
    if (HRESULT hr = DefaultValue("CLSID\\" + GuidText(clsid) + "\\ToolboxBitmap32", &entry); FAILED(hr))
        return hr;
    const size_t comma = entry.rfind(',');
    if (comma == std::string::npos)
        return REGDB_E_CLASSNOTREG;
    *modulePath = MapPath(entry.substr(0, comma));
    *id = static_cast<uint32_t>(std::strtoul(entry.c_str() + comma + 1, nullptr, 10));
    return S_OK;
}

HRESULT LoadModuleResource(const std::string& modulePath, const std::string& type, uint32_t id, std::string* bytes)
{
    if (!bytes)
        return E_POINTER;
    return Cache().Resource(modulePath, type, id, bytes);
}

HRESULT CoInitialize(void*)
{
    return t_initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (t_initCount > 0)
        --t_initCount;
}

HRESULT CLSIDFromProgID(const std::string& progId, CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    std::string text;
    if (progId.empty() || FAILED(DefaultValue(progId + "\\CLSID", &text)))
        return CO_E_CLASSSTRING;
    const auto guid = ParseGuid(text);
    if (!guid)
        return CO_E_CLASSSTRING;
    *clsid = *guid;
    return S_OK;
}

HRESULT CLSIDFromString(const std::string& text, CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    if (!text.empty() && text.front() == '{') {
        const auto guid = ParseGuid(text);
        if (!guid)
            return CO_E_CLASSSTRING;
        *clsid = *guid;
        return S_OK;
    }
    return CLSIDFromProgID(text, clsid);
}

HRESULT ServerPathOf(REFCLSID clsid, std::string* path)
{
    return DefaultValue("CLSID\\" + GuidText(clsid) + "\\InprocServer32", path);
}

HRESULT CoGetClassObject(REFCLSID clsid, uint32_t context, void*, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (t_initCount == 0)
        return CO_E_NOTINITIALIZED;
    if (!(context & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;
    std::string path;
    if (HRESULT hr = ServerPathOf(clsid, &path); FAILED(hr))
        return hr;
    GetClassObjectFunction get = nullptr;
    if (HRESULT hr = Cache().Find(MapPath(path), &get); FAILED(hr))
        return hr;
    return get(clsid, iid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t context, REFIID iid,
                         void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    ComPtr<IClassFactory> factory;
    if (HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory,
                                      factory.OutVoid());
        FAILED(hr))
        return hr;
    return factory->CreateInstance(outer, iid, object);
}

void CoFreeUnusedLibraries()
{
    Cache().FreeUnused();
}

HRESULT CreateDispatch(const std::string& progIdOrClsid, IDispatch** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CLSID clsid;
    if (HRESULT hr = CLSIDFromString(progIdOrClsid, &clsid); FAILED(hr))
        return hr;
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                            reinterpret_cast<void**>(object));
}

HRESULT DispatchCall(IDispatch* object, const std::string& name, WORD flags,
                     std::vector<VARIANT> args, VARIANT* result, std::string* error)
{
    auto fail = [&](HRESULT hr, const std::string& what) {
        if (error)
            *error = what + " (" + ResultName(hr) + ")";
        return hr;
    };
    if (!object)
        return fail(E_POINTER, "no object for member \"" + name + "\"");
    DISPID id = DISPID_UNKNOWN;
    if (HRESULT hr = object->GetIDsOfNames(GUID_NULL, &name, 1, 0, &id); FAILED(hr))
        return fail(hr, "unknown member \"" + name + "\"");

    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = reversed.data();
    params.cArgs = static_cast<uint32_t>(reversed.size());
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    EXCEPINFO exception;
    uint32_t argError = 0;
    VARIANT ignored;
    const HRESULT hr = object->Invoke(id, GUID_NULL, 0, flags, &params,
                                      result ? result : &ignored, &exception, &argError);
    if (SUCCEEDED(hr))
        return hr;
    std::string what = "member \"" + name + "\" failed";
    if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW)
        what += " on argument " + std::to_string(reversed.size() - argError);
    if (!exception.description.empty())
        what += ": " + exception.description;
    return fail(hr, what);
}

}  // namespace zem
