// CZemWaveOleControl: what the module's three controls share. A scriptable control that
// activates in place (zem::OleControl) and is listed by the application object
// (CZemWaveCtrl), so that it reaches the one engine and hears its notifications.
//
// Construction only registers: no window and no toolkit object, so a host may create and
// release a control on any thread (a probe does so on its worker). The window comes with
// in-place activation, on the UI thread.
#pragma once

#include "zemWave/zemwaveapp.h"
#include "zemWave/zemwavectrl.h"

#include "com/olecontrol.h"

#include <atomic>
#include <memory>

class CZemWaveOleControl : public zem::OleControl, public CZemWaveCtrl {
public:
    // A number for this control alone among the process's controls, never 0; scripts pass it
    // between controls.
    uint32_t ControlId() const { return id_; }

protected:
    // Registers with the current application object by kind; the first control of the
    // process makes the engine.
    CZemWaveOleControl(const zem::DispatchInterface& table, uint32_t miscStatus, zem::ModuleUsage* usage,
                       ControlKind kind);
    // Destroys a window still there, then unregisters; the last control takes the engine
    // with it. Failures are traced and dropped.
    ~CZemWaveOleControl() override;

    // The shared engine; null only when no application object was current at construction.
    MyFMODEngine* Engine() const;
    // The application object the control registered with (its settings); may be null.
    CZemWaveApp* App() const { return app_; }
    ControlKind Kind() const { return kind_; }

    // The control window's messages (UI thread). WM_CREATE calls OnCreate (-1 fails the
    // creation), WM_SIZE calls OnSize(cx, cy); every other message answers 0. Derived controls
    // override WindowProc for their own messages and call this one for the rest.
    virtual int OnCreate() { return 0; }
    virtual void OnSize(int /*cx*/, int /*cy*/) {}
    virtual zem::LRESULT WindowProc(zem::UINT message, zem::WPARAM wParam, zem::LPARAM lParam);

    // A child of parent at rect, visible; its procedure calls WindowProc.
    zem::HWND CreateControlWindow(zem::HWND parent, const zem::RECT& rect) final;

    // The version of the controls' property set, which has nothing besides the base's.
    static constexpr uint32_t kPropertyVersion = 0x10000;
    // The version, any loaded one taken as it is, then the base's properties.
    bool DoPropExchange(zem::PropExchange& exchange) override;

private:
    CZemWaveApp* const app_;
    const ControlKind kind_;
    const uint32_t id_;
    const std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};
