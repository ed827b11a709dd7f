// The common dialogs: colour and font. Without a display or a dialog hook they answer Cancel.
// UI thread only.
#pragma once

#include "ui/gdi.h"

namespace zem {

constexpr uint32_t CC_RGBINIT = 0x0001;
struct CHOOSECOLOR {
    HWND hwndOwner = nullptr;
    COLORREF rgbResult = 0;  // in: the initial colour with CC_RGBINIT; out: the chosen one
    COLORREF* lpCustColors = nullptr;  // 16 entries or null
    uint32_t Flags = 0;
};
// True for OK.
bool ChooseColor(CHOOSECOLOR* dialog);

constexpr uint32_t CF_SCREENFONTS = 0x0001;
constexpr uint32_t CF_INITTOLOGFONTSTRUCT = 0x0040;
constexpr uint32_t CF_EFFECTS = 0x0100;
struct CHOOSEFONT {
    HWND hwndOwner = nullptr;
    HDC hDC = nullptr;
    LOGFONT* lpLogFont = nullptr;  // in: the initial font; out: the chosen one
    int iPointSize = 0;            // out: tenths of a point
    uint32_t Flags = 0;
    COLORREF rgbColors = 0;  // with CF_EFFECTS, in and out: the text colour
};
// True for OK.
bool ChooseFont(CHOOSEFONT* dialog);

}  // namespace zem
