#include "comtest.h"

#include <dlfcn.h>

namespace comtest {

zem::HRESULT CallExport(const std::string& module, const char* name)
{
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return zem::CO_E_DLLNOTFOUND;
    auto function = reinterpret_cast<zem::HRESULT (*)()>(dlsym(handle, name));
    const zem::HRESULT hr = function ? function() : zem::CO_E_ERRORINDLL;
    dlclose(handle);
    return hr;
}

}  // namespace comtest
