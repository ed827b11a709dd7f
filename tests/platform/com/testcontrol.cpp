// A small in-process server for the COM and control host tests: one control
// "ZemTest.Counter.1" whose dispatch table has a member of every kind and type, with a window
// while it is active in place, and the four exports of a module.
#include "com/classfactory.h"
#include "com/dispatch.h"
#include "com/host.h"
#include "com/propertyframe.h"
#include "com/registration.h"
#include "ui/window.h"

#include <stdexcept>

namespace {

using namespace zem;

constexpr CLSID kCounterClsid = GuidOf("{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E01}");
constexpr IID kCounterIid = GuidOf("{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E02}");
constexpr GUID kLibid = GuidOf("{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E03}");
constexpr CLSID kPageClsid = GuidOf("{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E04}");

constexpr DispatchMember kCounterMembers[] = {
    {1, "Value", MemberKind::Property, VT_I4},
    {2, "Label", MemberKind::Property, VT_BSTR},
    {3, "Enabled", MemberKind::Property, VT_BOOL},
    {4, "Add", MemberKind::Method, VT_I4, {{"amount", VT_I4}}},
    {5, "Scale", MemberKind::Method, VT_EMPTY, {{"factor", VT_I2}}},
    {6, "Describe", MemberKind::Method, VT_BSTR, {{"prefix", VT_BSTR}, {"count", VT_I2}}},
    {8, "Fail", MemberKind::Method, VT_EMPTY},
};
constexpr DispatchInterface kCounterTable{"_DCounter", kCounterIid, kCounterMembers};

constexpr TypeEntry kEntries[] = {
    {TypeKind::Dispatch, "_DCounter", kCounterIid, TYPEFLAG_FDISPATCHABLE, "Counter", &kCounterTable},
    {TypeKind::CoClass, "Counter", kCounterClsid, TYPEFLAG_FCANCREATE, "Counter", nullptr, 0},
};
constexpr TypeLibrary kLibrary{kLibid, "ZEMTESTLib", 1, 0, 0, "zem test controls", nullptr, kEntries};
constexpr ClassRegistration kCounterClass{kCounterClsid, "ZemTest.Counter.1", "ZemTest Counter",
                                          true, 1, 0x20191};
constexpr ClassRegistration kPageClass{kPageClsid, nullptr, "ZemTest Counter Page", false, 0, 0};

ModuleUsage g_usage;

// Keystrokes with this message count as the control's accelerator.
constexpr UINT kCounterAccelerator = WM_USER + 7;

class Counter : public OleControl {
public:
    explicit Counter(ModuleUsage* usage) : OleControl(kCounterTable, kCounterClsid, 0x20191, usage) {}

protected:
    // Version 2.3 with "Value"; another version is refused.
    bool DoPropExchange(PropExchange& exchange) override
    {
        if (!exchange.Version(0x20003, false))
            return false;
        exchange.Long("Value", value_, 0);
        return OleControl::DoPropExchange(exchange);
    }

    HWND CreateControlWindow(HWND parent, const RECT& rect) override
    {
        return CreateWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; },
                            WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top, parent);
    }
    std::vector<CLSID> PropertyPages() const override { return {kPageClsid}; }
    // The frame would wait for a user; the verb only has to arrive.
    HRESULT ShowProperties(HWND) override
    {
        label_ = "properties";
        return S_OK;
    }
    HRESULT OnAccelerator(const MSG& message) override
    {
        if (message.message != kCounterAccelerator)
            return S_FALSE;
        ++value_;
        return S_OK;
    }

    HRESULT Call(const MemberCall& call, VARIANT* result) override
    {
        switch (call.member.id) {
        case 1:
            if (call.put)
                value_ = call.args[0].lVal;
            else
                *result = VARIANT::I4(value_);
            return S_OK;
        case 2:
            if (call.put)
                label_ = call.args[0].bstrVal;
            else
                *result = VARIANT::Bstr(label_);
            return S_OK;
        case 3:
            if (call.put)
                enabled_ = call.args[0].boolVal != 0;
            else
                *result = VARIANT::Bool(enabled_);
            return S_OK;
        case 4:
            value_ += call.args[0].lVal;
            *result = VARIANT::I4(value_);
            return S_OK;
        case 5:
            value_ *= call.args[0].iVal;
            return S_OK;
        case 6:
            *result = VARIANT::Bstr(call.args[0].bstrVal + std::to_string(value_ * call.args[1].iVal));
            return S_OK;
        case 8:
            throw std::runtime_error("the counter was asked to fail");
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    int32_t value_ = 0;
    std::string label_;
    bool enabled_ = false;
};

// The counter's property page: it is changed as soon as it is shown (a user's edit) and
// writes "from page" into the counter's Label when applied.
class CounterPage : public ComObject<IPropertyPage> {
public:
    explicit CounterPage(ModuleUsage* usage) : ComObject<IPropertyPage>(usage) {}

    HRESULT SetPageSite(IPropertyPageSite* site) override
    {
        site_ = ComPtr<IPropertyPageSite>::Share(site);
        return S_OK;
    }
    HRESULT GetPageInfo(PROPPAGEINFO* info) override
    {
        *info = PROPPAGEINFO{"Counter", 250, 120};
        return S_OK;
    }
    HRESULT SetObjects(std::span<IUnknown* const> objects) override
    {
        counter_.Reset();
        if (!objects.empty())
            objects[0]->QueryInterface(IID_IDispatch, counter_.OutVoid());
        return S_OK;
    }
    HRESULT Activate(HWND parent, const RECT& rect) override
    {
        window_ = CreateWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }, WS_CHILD | WS_VISIBLE,
                               rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent);
        dirty_ = true;
        if (site_)
            site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
        return window_ ? S_OK : E_FAIL;
    }
    HRESULT Deactivate() override
    {
        DestroyWindow(window_);
        window_ = nullptr;
        return S_OK;
    }
    HRESULT IsPageDirty() override { return dirty_ ? S_OK : S_FALSE; }
    HRESULT Apply() override
    {
        dirty_ = false;
        return DispatchCall(counter_.Get(), "Label", DISPATCH_PROPERTYPUT, {VARIANT::Bstr("from page")}, nullptr);
    }

private:
    ComPtr<IPropertyPageSite> site_;
    ComPtr<IDispatch> counter_;
    HWND window_ = nullptr;
    bool dirty_ = false;
};

HRESULT CreatePage(ModuleUsage* usage, REFIID iid, void** object)
{
    return HandOver(new CounterPage(usage), iid, object);
}

HRESULT CreateCounter(ModuleUsage* usage, REFIID iid, void** object)
{
    return HandOver(static_cast<IOleObject*>(new Counter(usage)), iid, object);
}

std::string OwnPath()
{
    return ModulePathOf(reinterpret_cast<const void*>(&CreateCounter));
}

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid,
                                                                         void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != kCounterClsid && clsid != kPageClsid)
        return CLASS_E_CLASSNOTAVAILABLE;
    return HandOver(new ClassFactory(clsid == kPageClsid ? CreatePage : CreateCounter, &g_usage), iid, object);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow()
{
    return g_usage.CanUnload() ? S_OK : S_FALSE;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer()
{
    if (FAILED(RegisterTypeLibrary(kLibrary, OwnPath())))
        return SELFREG_E_TYPELIB;
    for (const ClassRegistration* entry : {&kCounterClass, &kPageClass}) {
        if (FAILED(RegisterServerClass(*entry, kLibrary, OwnPath())))
            return SELFREG_E_CLASS;
    }
    return S_OK;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer()
{
    if (FAILED(UnregisterTypeLibrary(kLibrary)))
        return SELFREG_E_TYPELIB;
    for (const ClassRegistration* entry : {&kCounterClass, &kPageClass}) {
        if (FAILED(UnregisterServerClass(*entry)))
            return SELFREG_E_CLASS;
    }
    return S_OK;
}
