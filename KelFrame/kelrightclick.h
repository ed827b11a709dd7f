// Right clicks handed on from a window to the one that shows its menu.
#pragma once

#include "ui/wintypes.h"

namespace zem {

// Sends WM_RBUTTONDOWN to `to` with the point taken from `from`'s client coordinates into its
// own; a failure inside the receiver is traced and dropped.
void ForwardRightClick(HWND from, HWND to, WPARAM keys, LPARAM point);

}  // namespace zem
