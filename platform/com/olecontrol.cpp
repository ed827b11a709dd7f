#include "com/olecontrol.h"

#include "com/propertyframe.h"
#include "ui/window.h"

namespace zem {

OleControl::OleControl(const DispatchInterface& table, uint32_t miscStatus, ModuleUsage* usage)
    : DispatchObject(table, usage), miscStatus_(miscStatus)
{
}

OleControl::~OleControl()
{
    if (window_)
        DestroyWindow(window_);
}

HRESULT OleControl::QueryInterface(REFIID iid, void** object)
{
    return DispatchObject::QueryInterface(iid, object);
}

ULONG OleControl::AddRef()
{
    return DispatchObject::AddRef();
}

ULONG OleControl::Release()
{
    return DispatchObject::Release();
}

void* OleControl::Extra(REFIID iid)
{
    if (iid == IID_IOleObject)
        return static_cast<IOleObject*>(this);
    if (iid == IID_IOleInPlaceObject)
        return static_cast<IOleInPlaceObject*>(this);
    if (iid == IID_IOleInPlaceActiveObject)
        return static_cast<IOleInPlaceActiveObject*>(this);
    if (iid == IID_ISpecifyPropertyPages)
        return static_cast<ISpecifyPropertyPages*>(this);
    return DispatchObject::Extra(iid);
}

HRESULT OleControl::SetClientSite(IOleClientSite* site)
{
    site_ = ComPtr<IOleClientSite>::Share(site);
    return S_OK;
}

HRESULT OleControl::GetMiscStatus(uint32_t* status)
{
    if (!status)
        return E_POINTER;
    *status = miscStatus_;
    return S_OK;
}

HRESULT OleControl::DoVerb(int32_t verb, const MSG*, IOleClientSite* site, HWND parent,
                           const RECT* rect)
{
    if (site && site != site_.Get())
        SetClientSite(site);
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
        if (HRESULT hr = ActivateInPlace(parent, rect); FAILED(hr))
            return hr;
        return ActivateUI();
    case OLEIVERB_INPLACEACTIVATE:
        return ActivateInPlace(parent, rect);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (window_)
            ShowWindow(window_, SW_HIDE);
        return S_OK;
    case OLEIVERB_PROPERTIES: {
        HWND owner = parent;
        if (!owner && inPlaceSite_)
            inPlaceSite_->GetWindow(&owner);
        return ShowProperties(owner);
    }
    default:
        return OLEOBJ_E_INVALIDVERB;
    }
}

HRESULT OleControl::ActivateInPlace(HWND parent, const RECT* rect)
{
    if (window_) {
        ShowWindow(window_, SW_SHOW);
        return S_OK;
    }
    if (!site_)
        return E_UNEXPECTED;
    inPlaceSite_ = site_.As<IOleInPlaceSite>();
    if (!inPlaceSite_ || inPlaceSite_->CanInPlaceActivate() != S_OK)
        return E_FAIL;
    RECT where{};
    if (rect)
        where = *rect;
    else
        inPlaceSite_->GetObjectRect(&where);
    if (!parent)
        inPlaceSite_->GetWindow(&parent);
    if (!parent)
        return E_FAIL;
    inPlaceSite_->OnInPlaceActivate();
    window_ = CreateControlWindow(parent, where);
    if (!window_) {
        inPlaceSite_->OnInPlaceDeactivate();
        return E_FAIL;
    }
    site_->ShowObject();
    return S_OK;
}

HRESULT OleControl::ActivateUI()
{
    if (!uiActive_ && inPlaceSite_) {
        uiActive_ = true;
        inPlaceSite_->OnUIActivate();
    }
    return S_OK;
}

HRESULT OleControl::Close()
{
    InPlaceDeactivate();
    site_.Reset();
    return S_OK;
}

HRESULT OleControl::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

HRESULT OleControl::InPlaceDeactivate()
{
    UIDeactivate();
    if (window_) {
        DestroyWindow(window_);
        window_ = nullptr;
        if (inPlaceSite_)
            inPlaceSite_->OnInPlaceDeactivate();
    }
    inPlaceSite_.Reset();
    return S_OK;
}

HRESULT OleControl::UIDeactivate()
{
    if (uiActive_ && inPlaceSite_) {
        uiActive_ = false;
        inPlaceSite_->OnUIDeactivate();
    }
    return S_OK;
}

HRESULT OleControl::SetObjectRects(const RECT& position, const RECT&)
{
    if (!window_)
        return E_UNEXPECTED;
    return MoveWindow(window_, position.left, position.top, position.right - position.left,
                      position.bottom - position.top)
               ? S_OK
               : E_FAIL;
}

HRESULT OleControl::TranslateAccelerator(const MSG& message)
{
    return uiActive_ ? OnAccelerator(message) : S_FALSE;
}

HRESULT OleControl::GetPages(std::vector<CLSID>* pages)
{
    if (!pages)
        return E_POINTER;
    *pages = PropertyPages();
    return S_OK;
}

HRESULT OleControl::ShowProperties(HWND parent)
{
    const std::vector<CLSID> pages = PropertyPages();
    if (pages.empty())
        return E_NOTIMPL;
    IUnknown* self = static_cast<IOleObject*>(this);
    return OleCreatePropertyFrame(parent, std::span<IUnknown* const>(&self, 1), pages);
}

HRESULT OleControl::OnAccelerator(const MSG&)
{
    return S_FALSE;
}

ControlSite::ControlSite(HWND host, const RECT& rect, Listener listener)
    : host_(host), rect_(rect), listener_(std::move(listener))
{
}

void ControlSite::Tell(Event event)
{
    if (listener_)
        listener_(event);
}

HRESULT ControlSite::ShowObject()
{
    Tell(Event::ShowObject);
    return S_OK;
}

HRESULT ControlSite::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = host_;
    return S_OK;
}

HRESULT ControlSite::CanInPlaceActivate()
{
    return IsWindow(host_) ? S_OK : S_FALSE;
}

HRESULT ControlSite::OnInPlaceActivate()
{
    Tell(Event::InPlaceActivate);
    return S_OK;
}

HRESULT ControlSite::OnUIActivate()
{
    Tell(Event::UIActivate);
    return S_OK;
}

HRESULT ControlSite::GetObjectRect(RECT* rect)
{
    if (!rect)
        return E_POINTER;
    *rect = rect_;
    return S_OK;
}

HRESULT ControlSite::OnUIDeactivate()
{
    Tell(Event::UIDeactivate);
    return S_OK;
}

HRESULT ControlSite::OnInPlaceDeactivate()
{
    Tell(Event::InPlaceDeactivate);
    return S_OK;
}

}  // namespace zem
