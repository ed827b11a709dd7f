// regsvrex.exe [/u] [/c] [/s] module: loads an in-process server and calls its
// DllRegisterServer, or DllUnregisterServer with /u. With /c the classes go to the current
// user's HKCU\Software\Classes instead of the machine's. Exit 0 on success.
#include "base/paths.h"
#include "com/registration.h"
#include "tools/regtools/toolswitch.h"

#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <sys/stat.h>

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: regsvrex.exe [/u] [/c] [/s] module\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace zem;
    bool unregister = false;
    bool perUser = false;
    bool silent = false;
    std::string module;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (IsSwitch(arg, "u"))
            unregister = true;
        else if (IsSwitch(arg, "c"))
            perUser = true;
        else if (IsSwitch(arg, "s"))
            silent = true;
        else if (LooksLikeSwitch(arg) || !module.empty())
            return Usage();
        else
            module = arg;
    }
    if (module.empty())
        return Usage();

    const std::string path = MapPath(module);
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fprintf(stderr, "regsvrex: the module \"%s\" does not exist\n", module.c_str());
        return 3;
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        std::fprintf(stderr, "regsvrex: cannot load \"%s\": %s\n", module.c_str(), why ? why : "?");
        return 3;
    }
    const char* exportName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto function = reinterpret_cast<HRESULT (*)()>(dlsym(handle, exportName));
    if (!function) {
        std::fprintf(stderr, "regsvrex: \"%s\" has no %s\n", module.c_str(), exportName);
        dlclose(handle);
        return 4;
    }
    SetPerUserRegistration(perUser);
    const HRESULT hr = function();
    dlclose(handle);
    if (FAILED(hr)) {
        std::fprintf(stderr, "regsvrex: %s in \"%s\" failed: %s\n", exportName, module.c_str(),
                     ResultName(hr).c_str());
        return 5;
    }
    if (!silent)
        std::printf("%s in \"%s\" succeeded%s.\n", exportName, module.c_str(),
                    perUser ? " for the current user" : "");
    return 0;
}
