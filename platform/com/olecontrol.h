// In-place activation of a control inside a host window: the interfaces a host and a control
// exchange (client site, in-place site, the control's object, in-place object and active
// object), the control side as a base class and the host side as a site.
#pragma once

#include "com/dispatch.h"
#include "com/persist.h"
#include "ui/gdi.h"
#include "ui/wintypes.h"

#include <functional>
#include <vector>

namespace zem {

inline constexpr int32_t OLEIVERB_PRIMARY = 0;
inline constexpr int32_t OLEIVERB_SHOW = -1;
inline constexpr int32_t OLEIVERB_HIDE = -3;
inline constexpr int32_t OLEIVERB_UIACTIVATE = -4;
inline constexpr int32_t OLEIVERB_INPLACEACTIVATE = -5;
inline constexpr int32_t OLEIVERB_PROPERTIES = -7;

inline constexpr uint32_t OLEMISC_SETCLIENTSITEFIRST = 0x20000;

inline constexpr IID IID_ISpecifyPropertyPages = GuidOf("{B196B28B-BAB4-101A-B69C-00AA00341D07}");

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

struct IOleClientSite : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_IOleClientSite;
    virtual HRESULT ShowObject() = 0;
};

// The host's side of in-place activation.
struct IOleInPlaceSite : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_IOleInPlaceSite;
    virtual HRESULT GetWindow(HWND* window) = 0;
    virtual HRESULT CanInPlaceActivate() = 0;  // S_OK to go on
    virtual HRESULT OnInPlaceActivate() = 0;
    virtual HRESULT OnUIActivate() = 0;
    // The object's rectangle in the host window's client area.
    virtual HRESULT GetObjectRect(RECT* rect) = 0;
    virtual HRESULT OnUIDeactivate() = 0;
    virtual HRESULT OnInPlaceDeactivate() = 0;
};

struct IOleObject : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_IOleObject;
    virtual HRESULT SetClientSite(IOleClientSite* site) = 0;
    virtual HRESULT GetMiscStatus(uint32_t* status) = 0;
    // parent and rect may be null: the site's window and object rectangle are used.
    virtual HRESULT DoVerb(int32_t verb, const MSG* message, IOleClientSite* site, HWND parent,
                           const RECT* rect) = 0;
    virtual HRESULT Close() = 0;
    // The object's size in HIMETRIC units (0.01 mm).
    virtual HRESULT GetExtent(SIZE* himetric) = 0;
    virtual HRESULT SetExtent(const SIZE& himetric) = 0;
};

// Pixels of the screen (96 per inch) and HIMETRIC units, rounded to the nearest.
int PixelsToHimetric(int pixels);
int HimetricToPixels(int himetric);

struct IOleInPlaceObject : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_IOleInPlaceObject;
    virtual HRESULT GetWindow(HWND* window) = 0;
    virtual HRESULT InPlaceDeactivate() = 0;
    virtual HRESULT UIDeactivate() = 0;
    virtual HRESULT SetObjectRects(const RECT& position, const RECT& clip) = 0;
};

struct IOleInPlaceActiveObject : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_IOleInPlaceActiveObject;
    // S_OK when the control used the keystroke, S_FALSE to let the host have it.
    virtual HRESULT TranslateAccelerator(const MSG& message) = 0;
};

// The property pages of an object, by class id.
struct ISpecifyPropertyPages : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_ISpecifyPropertyPages;
    virtual HRESULT GetPages(std::vector<CLSID>* pages) = 0;
};

// A scriptable control that activates in place: a dispatch object from its table, with a
// window of its own while it is active. The window is created as a child of the host window
// at the object rectangle by CreateControlWindow and destroyed on deactivation.
//
// Its properties persist through a property bag: DoPropExchange names them once for
// loading, saving and resetting. The base exchanges the extent ("_ExtentX", "_ExtentY", the
// size the control last had, 100 x 50 pixels when new) and the mask of stock properties
// ("_StockProps", none here).
class OleControl : public DispatchObject,
                   public IOleObject,
                   public IOleInPlaceObject,
                   public IOleInPlaceActiveObject,
                   public ISpecifyPropertyPages,
                   public IPersistPropertyBag {
public:
    OleControl(const DispatchInterface& table, REFCLSID clsid, uint32_t miscStatus, ModuleUsage* usage);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT SetClientSite(IOleClientSite* site) override;
    HRESULT GetMiscStatus(uint32_t* status) override;
    HRESULT DoVerb(int32_t verb, const MSG* message, IOleClientSite* site, HWND parent,
                   const RECT* rect) override;
    HRESULT Close() override;
    HRESULT GetExtent(SIZE* himetric) override;
    HRESULT SetExtent(const SIZE& himetric) override;

    HRESULT GetWindow(HWND* window) override;
    HRESULT InPlaceDeactivate() override;
    HRESULT UIDeactivate() override;
    HRESULT SetObjectRects(const RECT& position, const RECT& clip) override;

    HRESULT TranslateAccelerator(const MSG& message) override;

    HRESULT GetPages(std::vector<CLSID>* pages) override;

    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT InitNew() override;
    HRESULT Load(IPropertyBag* bag) override;
    HRESULT Save(IPropertyBag* bag, bool clearDirty, bool saveAllProperties) override;

    void SetModifiedFlag(bool modified = true) { modified_ = modified; }
    bool IsModified() const { return modified_; }

protected:
    ~OleControl() override;
    void* Extra(REFIID iid) override;

    // The control's window, a child of parent at rect (WS_CHILD | WS_VISIBLE).
    virtual HWND CreateControlWindow(HWND parent, const RECT& rect) = 0;
    // The control's property pages; none by default.
    virtual std::vector<CLSID> PropertyPages() const { return {}; }
    // Verb -7: shows the property pages in a frame until the user closes it. Without pages:
    // E_NOTIMPL.
    virtual HRESULT ShowProperties(HWND parent);
    // Keystrokes the control wants before its host: S_OK when used.
    virtual HRESULT OnAccelerator(const MSG& message);
    // The control's persistent properties; false refuses a load. Derived controls exchange
    // their own and then call this one.
    virtual bool DoPropExchange(PropExchange& exchange);
    // A fresh state: the defaults, through the exchange.
    virtual void OnResetState();

    HWND Window() const { return window_; }

private:
    HRESULT ActivateInPlace(HWND parent, const RECT* rect);
    HRESULT ActivateUI();

    CLSID clsid_;
    uint32_t miscStatus_;
    SIZE extent_;
    bool modified_ = false;
    ComPtr<IOleClientSite> site_;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    HWND window_ = nullptr;
    bool uiActive_ = false;
};

// The host's side: one site per control, holding the host window and the object rectangle,
// and reporting activation through a callback for hosts and tests.
class ControlSite : public ComObject<IOleClientSite, IOleInPlaceSite> {
public:
    enum class Event { InPlaceActivate, UIActivate, UIDeactivate, InPlaceDeactivate, ShowObject };
    using Listener = std::function<void(Event)>;

    ControlSite(HWND host, const RECT& rect, Listener listener = {});

    HRESULT ShowObject() override;
    HRESULT GetWindow(HWND* window) override;
    HRESULT CanInPlaceActivate() override;
    HRESULT OnInPlaceActivate() override;
    HRESULT OnUIActivate() override;
    HRESULT GetObjectRect(RECT* rect) override;
    HRESULT OnUIDeactivate() override;
    HRESULT OnInPlaceDeactivate() override;

    // Where the object goes, when the host knows it only after creating it.
    void SetObjectRect(const RECT& rect) { rect_ = rect; }

private:
    void Tell(Event event);

    HWND host_;
    RECT rect_;
    Listener listener_;
};

}  // namespace zem
