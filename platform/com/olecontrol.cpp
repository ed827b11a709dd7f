#include "com/olecontrol.h"

#include "com/propertyframe.h"
#include "ui/window.h"

namespace zem {

namespace {

constexpr int kPixelsPerInch = 96;
constexpr int kHimetricPerInch = 2540;
constexpr int kNewWidth = 100;
constexpr int kNewHeight = 50;
constexpr uint32_t kNoStockProperties = 0;

int Scale(int value, int to, int from)
{
    const int64_t scaled = int64_t(value) * to;
    return static_cast<int>((scaled + (scaled < 0 ? -from / 2 : from / 2)) / from);
}

SIZE ExtentOf(const RECT& rect)
{
    return SIZE{PixelsToHimetric(rect.right - rect.left), PixelsToHimetric(rect.bottom - rect.top)};
}

}  // namespace

int PixelsToHimetric(int pixels)
{
    return Scale(pixels, kHimetricPerInch, kPixelsPerInch);
}

int HimetricToPixels(int himetric)
{
    return Scale(himetric, kPixelsPerInch, kHimetricPerInch);
}

OleControl::OleControl(const DispatchInterface& table, REFCLSID clsid, uint32_t miscStatus, ModuleUsage* usage)
    : DispatchObject(table, usage),
      clsid_(clsid),
      miscStatus_(miscStatus),
      extent_{PixelsToHimetric(kNewWidth), PixelsToHimetric(kNewHeight)}
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
    if (iid == IID_IPersistPropertyBag || iid == IID_IPersist)
        return static_cast<IPersistPropertyBag*>(this);
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
    extent_ = ExtentOf(where);
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

HRESULT OleControl::GetExtent(SIZE* himetric)
{
    if (!himetric)
        return E_POINTER;
    *himetric = extent_;
    return S_OK;
}

HRESULT OleControl::SetExtent(const SIZE& himetric)
{
    if (himetric.cx < 0 || himetric.cy < 0)
        return E_INVALIDARG;
    extent_ = himetric;
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
    extent_ = ExtentOf(position);
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

HRESULT OleControl::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

HRESULT OleControl::InitNew()
{
    OnResetState();
    return S_OK;
}

HRESULT OleControl::Load(IPropertyBag* bag)
{
    if (!bag)
        return E_POINTER;
    PropExchange exchange(bag, true);
    if (!DoPropExchange(exchange))
        return E_FAIL;
    modified_ = false;
    return S_OK;
}

HRESULT OleControl::Save(IPropertyBag* bag, bool clearDirty, bool)
{
    if (!bag)
        return E_POINTER;
    PropExchange exchange(bag, false);
    DoPropExchange(exchange);
    if (clearDirty)
        modified_ = false;
    return S_OK;
}

bool OleControl::DoPropExchange(PropExchange& exchange)
{
    const SIZE fresh{PixelsToHimetric(kNewWidth), PixelsToHimetric(kNewHeight)};
    SIZE extent = extent_;
    exchange.Long("_ExtentX", extent.cx, fresh.cx);
    exchange.Long("_ExtentY", extent.cy, fresh.cy);
    uint32_t stock = kNoStockProperties;
    exchange.ULong("_StockProps", stock, kNoStockProperties);
    if (exchange.IsLoading() && extent.cx >= 0 && extent.cy >= 0)
        extent_ = extent;
    return true;
}

void OleControl::OnResetState()
{
    PropExchange defaults(nullptr, true);
    DoPropExchange(defaults);
    modified_ = false;
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
