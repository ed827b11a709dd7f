#include "zemWave/zemwavectrl.h"

#include "ui/window.h"

CZemWaveCtrl::~CZemWaveCtrl()
{
    DestroyControlWindow();
}

void CZemWaveCtrl::AttachWindow(zem::HWND hwnd)
{
    const zem::HWND old = hwnd_.exchange(hwnd);
    if (old && old != hwnd)
        zem::DestroyWindow(old);
}

void CZemWaveCtrl::DestroyControlWindow()
{
    if (const zem::HWND hwnd = hwnd_.exchange(nullptr))
        zem::DestroyWindow(hwnd);
}
