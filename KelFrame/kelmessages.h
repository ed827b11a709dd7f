// Messages and command ids of the grid framework.
#pragma once

#include "ui/wintypes.h"

namespace zem {

// Element notification: wParam the code, lParam the element (pointer-sized).
constexpr UINT KFE_NOTIFY = WM_USER + 1;
// Sent by a dragged element edge to its frame: wParam the column or row, lParam the edge.
constexpr UINT KFE_MOVESPLIT = WM_USER + 2;

enum KfeNotifyCode : int {
    KFE_NONE = 0,
    KFE_PRESS = 1,
    KFE_DRAG = 2,
    KFE_RELEASE = 3,
    KFE_COMMAND = 4,
    KFE_DBLCLICK = 5,
    KFE_TEXTFLAG = 6,
};

// Command ids of element popup menus.
constexpr uintptr_t ID_KFE_BKCOLOR = 2001;
constexpr uintptr_t ID_KFE_FORECOLOR = 2002;
constexpr uintptr_t ID_KFE_BORDERCOLOR = 2003;
constexpr uintptr_t ID_KFE_REDRAW = 2004;
constexpr uintptr_t ID_KFE_FONT = 2005;  // the slider's command notification shares it
constexpr uintptr_t ID_KFE_SETMARK = 2006;
constexpr uintptr_t ID_KFE_NEXTMARK = 2007;
constexpr uintptr_t ID_KFE_PREVMARK = 2008;
constexpr uintptr_t ID_KFE_OVERLAY = 2009;  // draw the overlay (the slider thumb)
constexpr uintptr_t ID_KFE_REDRAW2 = 2010;

// Element kind bits.
constexpr uint32_t KFE_TYPE_BASE = 0;
constexpr uint32_t KFE_TYPE_SLIDER = 1;
constexpr uint32_t KFE_TYPE_SCALESLIDER = 5;
constexpr uint32_t KFE_TYPE_TEXTDISPLAY = 16;
constexpr uint32_t KFE_TYPE_BUTTON = 32;
constexpr uint32_t KFE_TYPE_WAVEPROMPT = 65;
constexpr uint32_t KFE_TYPE_WNDCONTAINER = 128;

}  // namespace zem
