// What a host of in-process servers calls: class lookup by ProgID, object creation through
// the registry (HKCR\CLSID\{clsid}\InprocServer32 -> dlopen -> DllGetClassObject, each module
// loaded once and kept), the release of modules that say they can go, and late-bound calls
// by member name.
#pragma once

#include "com/classfactory.h"
#include "com/dispatch.h"

#include <string>
#include <vector>

namespace zem {

inline constexpr uint32_t CLSCTX_INPROC_SERVER = 0x1;

// Per thread, counted: CoCreateInstance and CoGetClassObject need it. S_FALSE when the
// thread had it already.
HRESULT CoInitialize(void* reserved = nullptr);
void CoUninitialize();

// HKCR\<progId>\CLSID. CO_E_CLASSSTRING when the ProgID is not registered.
HRESULT CLSIDFromProgID(const std::string& progId, CLSID* clsid);
// "{...}" as it is, else a ProgID.
HRESULT CLSIDFromString(const std::string& text, CLSID* clsid);

// REGDB_E_CLASSNOTREG without a registered server, CO_E_DLLNOTFOUND when its file does not
// load, CO_E_ERRORINDLL when it lacks DllGetClassObject; otherwise the module's answer.
HRESULT CoGetClassObject(REFCLSID clsid, uint32_t context, void* reserved, REFIID iid,
                         void** object);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t context, REFIID iid,
                         void** object);
// Unloads every cached module whose DllCanUnloadNow answers S_OK.
void CoFreeUnusedLibraries();
// The server file registered for a class, as the registry names it.
HRESULT ServerPathOf(REFCLSID clsid, std::string* path);

// The module and resource id of a class's toolbox image: its registry entry
// CLSID\{clsid}\ToolboxBitmap32 = "<module>, <id>", the module passed through MapPath.
HRESULT ToolboxBitmapOf(REFCLSID clsid, std::string* modulePath, uint32_t* id);
// A copy of a resource that a module serves by type and id through its export
// "DllGetResource"; the module is loaded as for its objects. CO_E_ERRORINDLL when the module
// serves none, else the module's answer (E_INVALIDARG: no such resource).
HRESULT LoadModuleResource(const std::string& modulePath, const std::string& type, uint32_t id,
                           std::string* bytes);
using GetResourceFunction = HRESULT (*)(const char* type, uint32_t id, const uint8_t** bytes, size_t* size);

// A dispatch object from a ProgID or "{CLSID}".
HRESULT CreateDispatch(const std::string& progIdOrClsid, IDispatch** object);

// One late-bound call by name: args in natural order. flags DISPATCH_METHOD,
// DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT (one argument, the value). On failure error
// (optional) says what went wrong, naming the member.
HRESULT DispatchCall(IDispatch* object, const std::string& name, WORD flags,
                     std::vector<VARIANT> args, VARIANT* result, std::string* error = nullptr);

}  // namespace zem
