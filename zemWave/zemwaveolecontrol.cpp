#include "zemWave/zemwaveolecontrol.h"

#include "zemWave/typelibrary.h"

#include "base/trace.h"
#include "ui/gdi.h"
#include "ui/input.h"
#include "ui/window.h"

#include <atomic>
#include <exception>

namespace {

uint32_t NextControlId()
{
    static std::atomic<uint32_t> last{0};
    uint32_t id = ++last;
    while (id == 0)
        id = ++last;
    return id;
}

// The application object's list of each kind of control.
struct Listing {
    void (CZemWaveApp::*add)(CZemWaveCtrl*);
    void (CZemWaveApp::*remove)(CZemWaveCtrl*);
};

Listing ListingOf(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Prompt:
        return {&CZemWaveApp::RegisterPromptCtrl, &CZemWaveApp::UnregisterPromptCtrl};
    case ControlKind::PlayList:
        return {&CZemWaveApp::RegisterPlayListCtrl, &CZemWaveApp::UnregisterPlayListCtrl};
    case ControlKind::Player:
        break;
    }
    return {&CZemWaveApp::RegisterPlayerCtrl, &CZemWaveApp::UnregisterPlayerCtrl};
}

const zem::CLSID& ClassIdOf(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Prompt:
        return zemwave::ModuleClassOf(zemwave::ClassId::PromptCtrl).registration.clsid;
    case ControlKind::PlayList:
        return zemwave::ModuleClassOf(zemwave::ClassId::PlayListCtrl).registration.clsid;
    case ControlKind::Player:
        break;
    }
    return zemwave::ModuleClassOf(zemwave::ClassId::PlayerCtrl).registration.clsid;
}

}  // namespace

CZemWaveOleControl::CZemWaveOleControl(const zem::DispatchInterface& table, uint32_t miscStatus,
                                       zem::ModuleUsage* usage, ControlKind kind)
    : zem::OleControl(table, ClassIdOf(kind), miscStatus, usage), app_(GetZemWaveApp()), kind_(kind), id_(NextControlId())
{
    if (app_)
        (app_->*ListingOf(kind_).add)(this);
    else
        zem::Trace("CZemWaveOleControl: no application object; the control has no engine");
}

CZemWaveOleControl::~CZemWaveOleControl()
{
    // The window's procedure calls into this object: it must go while the object is whole.
    // Only the base part's WindowProc hears its last messages now.
    try {
        DestroyControlWindow();
    } catch (...) {
        zem::Trace("CZemWaveOleControl: destroying the window failed");
    }
    // Off the UI thread the window cannot be destroyed: it stays, and no longer calls in.
    *alive_ = false;
    if (!app_)
        return;
    try {
        (app_->*ListingOf(kind_).remove)(this);
    } catch (...) {
        zem::Trace("CZemWaveOleControl: unregistering failed");
    }
}

bool CZemWaveOleControl::DoPropExchange(zem::PropExchange& exchange)
{
    exchange.Version(kPropertyVersion, true);
    return zem::OleControl::DoPropExchange(exchange);
}

MyFMODEngine* CZemWaveOleControl::Engine() const
{
    return app_ ? app_->GetEngine() : nullptr;
}

zem::LRESULT CZemWaveOleControl::WindowProc(zem::UINT message, zem::WPARAM, zem::LPARAM lParam)
{
    switch (message) {
    case zem::WM_CREATE:
        return OnCreate();
    case zem::WM_SIZE:
        OnSize(zem::LOWORD(static_cast<uintptr_t>(lParam)), zem::HIWORD(static_cast<uintptr_t>(lParam)));
        return 0;
    default:
        return 0;
    }
}

zem::HWND CZemWaveOleControl::CreateControlWindow(zem::HWND parent, const zem::RECT& rect)
{
    const auto procedure = [this, alive = alive_](zem::HWND hwnd, zem::UINT message, zem::WPARAM wParam,
                                                  zem::LPARAM lParam) -> zem::LRESULT {
        if (!*alive)
            return 0;
        // The handle is needed during WM_CREATE already, before CreateWindow returns it.
        if (message == zem::WM_CREATE)
            AttachWindow(hwnd);
        try {
            return WindowProc(message, wParam, lParam);
        } catch (const std::exception& e) {
            zem::Trace("CZemWaveOleControl: message 0x%X failed: %s", message, e.what());
        } catch (...) {
            zem::Trace("CZemWaveOleControl: message 0x%X failed", message);
        }
        return message == zem::WM_CREATE ? -1 : 0;
    };
    const zem::HWND hwnd = zem::CreateWindow(procedure, zem::WS_CHILD | zem::WS_VISIBLE, rect.left, rect.top,
                                             rect.right - rect.left, rect.bottom - rect.top, parent);
    AttachWindow(hwnd);
    return hwnd;
}
