// CZemWaveCtrl: the base of the module's controls, as the application object lists them. A
// control owns one window of the window layer; the engine's notifications are posted to it.
#pragma once

#include "ui/wintypes.h"

#include <atomic>

// The kinds of control, numbered as the application's control kind query answers.
enum class ControlKind : int { Player = 1, Prompt = 2, PlayList = 3 };

class CZemWaveCtrl {
public:
    // Destroys the control's window when it is still there.
    virtual ~CZemWaveCtrl();
    CZemWaveCtrl(const CZemWaveCtrl&) = delete;
    CZemWaveCtrl& operator=(const CZemWaveCtrl&) = delete;

    // Any thread; null while the control has no window.
    zem::HWND GetSafeHwnd() const { return hwnd_.load(); }

protected:
    CZemWaveCtrl() = default;
    // Takes over the window (UI thread); a window held before is destroyed.
    void AttachWindow(zem::HWND hwnd);
    void DestroyControlWindow();

private:
    std::atomic<zem::HWND> hwnd_{nullptr};
};
