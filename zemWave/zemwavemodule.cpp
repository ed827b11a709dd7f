// The five exports of zemwave.ocx: class objects for hosts, unload check,
// self-registration of the type library and the six classes, and the resources hosts ask
// for (the controls' toolbox images). Nothing else leaves the module.
// Its one static object is the application object, alive from load to unload.
#include "zemWave/playerctrl.h"
#include "zemWave/playlistctrl.h"
#include "zemWave/promptctrl.h"
#include "zemWave/propertypages.h"
#include "zemWave/toolboxbitmaps.h"
#include "zemWave/typelibrary.h"
#include "zemWave/zemwaveapp.h"

#include "com/classfactory.h"

namespace {

using namespace zem;
using zemwave::ClassId;

ModuleUsage g_usage;

CZemWaveModule theModule;

// The create function of each class.
CreateFunction CreatorOf(ClassId id)
{
    switch (id) {
    case ClassId::PlayerCtrl: return CPlayerCtrl::Create;
    case ClassId::PromptCtrl: return CPromptCtrl::Create;
    case ClassId::PlayListCtrl: return CPlayListCtrl::Create;
    case ClassId::PlayerPropPage: return CPlayerPropPage::Create;
    case ClassId::PromptPropPage: return CPromptPropPage::Create;
    case ClassId::PlayListPropPage: return CPlayListPropPage::Create;
    }
    return nullptr;
}

std::string OwnPath();

}  // namespace

#define ZEM_EXPORT extern "C" __attribute__((visibility("default")))

ZEM_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    const zemwave::ModuleClass* entry = zemwave::FindModuleClass(clsid);
    const CreateFunction create = entry ? CreatorOf(entry->id) : nullptr;
    if (!create)
        return CLASS_E_CLASSNOTAVAILABLE;
    return HandOver(new ClassFactory(create, &g_usage), iid, object);
}

ZEM_EXPORT HRESULT DllCanUnloadNow()
{
    return g_usage.CanUnload() ? S_OK : S_FALSE;
}

// The type library first: without it no class is written. Each class is written whole or
// not at all; the first that fails ends the run.
ZEM_EXPORT HRESULT DllRegisterServer()
{
    const std::string path = OwnPath();
    if (FAILED(RegisterTypeLibrary(zemwave::ZemWaveTypeLibrary(), path)))
        return SELFREG_E_TYPELIB;
    for (const zemwave::ModuleClass& entry : zemwave::ModuleClasses()) {
        if (FAILED(RegisterServerClass(entry.registration, zemwave::ZemWaveTypeLibrary(), path)))
            return SELFREG_E_CLASS;
    }
    return S_OK;
}

ZEM_EXPORT HRESULT DllUnregisterServer()
{
    if (FAILED(UnregisterTypeLibrary(zemwave::ZemWaveTypeLibrary())))
        return SELFREG_E_TYPELIB;
    for (const zemwave::ModuleClass& entry : zemwave::ModuleClasses()) {
        if (FAILED(UnregisterServerClass(entry.registration)))
            return SELFREG_E_CLASS;
    }
    return S_OK;
}

// Resources of type "BITMAP": the toolbox images the classes' registry entries name.
ZEM_EXPORT HRESULT DllGetResource(const char* type, uint32_t id, const uint8_t** bytes, size_t* size)
{
    if (!type || !bytes || !size)
        return E_POINTER;
    const std::string_view image = std::string_view(type) == "BITMAP" ? zemwave::ToolboxBitmap(id) : "";
    if (image.empty())
        return E_INVALIDARG;
    *bytes = reinterpret_cast<const uint8_t*>(image.data());
    *size = image.size();
    return S_OK;
}

namespace {

std::string OwnPath()
{
    return ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer));
}

}  // namespace
