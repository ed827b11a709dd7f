#include "KelFrame/kelrightclick.h"

#include "base/trace.h"
#include "ui/input.h"
#include "ui/window.h"

namespace zem {

void ForwardRightClick(HWND from, HWND to, WPARAM keys, LPARAM point)
{
    POINT p{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    ClientToScreen(from, &p);
    ScreenToClient(to, &p);
    try {
        SendMessage(to, WM_RBUTTONDOWN, keys, MAKELPARAM(p.x, p.y));
    } catch (...) {
        Trace("kelframe: a right-click handler failed");
    }
}

}  // namespace zem
