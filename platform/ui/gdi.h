// Drawing: device contexts, pens, brushes, fonts, text and edges, block transfers, and the
// paint protocol of a window (WM_PAINT with BeginPaint/EndPaint, invalidation). GDI objects and
// device contexts are opaque ids from the layer's handle tables; a stale one finds nothing, so
// every call with it fails harmlessly. UI thread only.
#pragma once

#include "ui/wintypes.h"

#include <cstdint>
#include <string>

namespace zem {

using COLORREF = uint32_t;  // 0x00BBGGRR
constexpr COLORREF RGB(int r, int g, int b)
{
    return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}
constexpr int GetRValue(COLORREF c) { return int(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF c) { return int((c >> 16) & 0xFF); }

struct SIZE {
    int32_t cx = 0;
    int32_t cy = 0;
};

struct HDC__;
using HDC = HDC__*;
struct HGDIOBJ__;
using HGDIOBJ = HGDIOBJ__*;
using HPEN = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HFONT = HGDIOBJ;
using HBITMAP = HGDIOBJ;

constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;

constexpr int LF_FACESIZE = 32;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
struct LOGFONT {
    int32_t lfHeight = 0;  // < 0: character height in pixels; > 0: cell height; 0: default
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;
    int32_t lfOrientation = 0;
    int32_t lfWeight = 0;  // 0: normal
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = 0;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = 0;
    uint8_t lfPitchAndFamily = 0;
    char lfFaceName[LF_FACESIZE] = {};  // zero-terminated
};

constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_NULL = 5;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

// DrawText flags.
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_EXPANDTABS = 0x0040;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;

// DrawEdge edges and sides.
constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_ADJUST = 0x2000;

// DrawFrameControl kinds and states.
constexpr UINT DFC_BUTTON = 4;
constexpr UINT DFCS_BUTTONCHECK = 0x0000;
constexpr UINT DFCS_BUTTONPUSH = 0x0010;
constexpr UINT DFCS_PUSHED = 0x0200;

// The classic 3D colours DrawEdge paints with.
constexpr COLORREF kColor3DHighlight = RGB(255, 255, 255);
constexpr COLORREF kColor3DLight = RGB(212, 208, 200);
constexpr COLORREF kColor3DShadow = RGB(128, 128, 128);
constexpr COLORREF kColor3DDarkShadow = RGB(64, 64, 64);

// Raster operations.
constexpr uint32_t SRCCOPY = 0x00CC0020;
constexpr uint32_t DSTINVERT = 0x00550009;

// Objects. DeleteObject fails for an object that is selected into a DC.
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HFONT CreateFontIndirect(const LOGFONT& font);
bool DeleteObject(HGDIOBJ object);
bool GetObject(HFONT font, LOGFONT* out);
// The installed family drawn for a face name (see docs/ARCHITECTURE.md, fonts).
std::string MappedFontFamily(const std::string& faceName);

// Device contexts. A memory DC draws into the bitmap selected into it (a 1 x 1 black one at
// first); a window DC from BeginPaint draws onto the window; one from GetDC measures only,
// and its drawing is dropped.
HDC CreateCompatibleDC(HDC reference);
bool DeleteDC(HDC dc);
HDC GetDC(HWND hwnd);
bool ReleaseDC(HWND hwnd, HDC dc);
// A bitmap of that size, filled white so it never shows garbage.
HBITMAP CreateCompatibleBitmap(HDC reference, int width, int height);
// Selects a pen, brush, font or bitmap; returns the one it replaces (null on failure).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
int GetDeviceCaps(HDC dc, int index);

COLORREF SetBkColor(HDC dc, COLORREF color);      // returns the previous one
COLORREF SetTextColor(HDC dc, COLORREF color);    // returns the previous one
int SetBkMode(HDC dc, int mode);                  // returns the previous one

bool FillRect(HDC dc, const RECT& rect, HBRUSH brush);
// Outline with the selected pen, inside filled with the selected brush.
bool Rectangle(HDC dc, int left, int top, int right, int bottom);
bool Polygon(HDC dc, const POINT* points, int count);
bool MoveToEx(HDC dc, int x, int y, POINT* previous = nullptr);
// Draws to, but not including, (x, y).
bool LineTo(HDC dc, int x, int y);
// Lines through the points in order, the last point not included, all in one go; the current
// position stays.
bool Polyline(HDC dc, const POINT* points, int count);
COLORREF GetPixel(HDC dc, int x, int y);
bool SetPixel(HDC dc, int x, int y, COLORREF color);

// Returns the height of the text drawn; with DT_CALCRECT measures only and sets rect's right
// and bottom. Text is Latin-1.
int DrawText(HDC dc, const std::string& text, RECT* rect, UINT format);
bool GetTextExtentPoint(HDC dc, const std::string& text, SIZE* size);
bool DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);
// A button's frame filling rect: a push button raised on the face colour (sunk when pushed),
// a check box's sunken white box (face-coloured when pushed). Only DFC_BUTTON.
bool DrawFrameControl(HDC dc, RECT* rect, UINT kind, UINT state);

bool BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, uint32_t rop);
bool StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, uint32_t rop);

// The paint protocol. A window's procedure gets WM_PAINT when part of it needs drawing; in it,
// BeginPaint gives a DC on the window, clipped to the invalid part.
struct PAINTSTRUCT {
    HDC hdc = nullptr;
    bool fErase = false;
    RECT rcPaint;
};
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
bool EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
// Null rect: the whole client area. The window gets WM_PAINT later, once for all invalidations.
bool InvalidateRect(HWND hwnd, const RECT* rect, bool erase);
// Paints now what is invalid.
bool UpdateWindow(HWND hwnd);
// Asks for a paint that only redraws what the window draws over its kept picture (a moving
// thumb): inside that WM_PAINT, IsOverlayPaint is true. Any other reason to paint that comes
// before it (InvalidateRect, a resize) makes it a full paint, so no change of the picture is lost.
bool InvalidateOverlay(HWND hwnd);
bool IsOverlayPaint(HWND hwnd);

int MulDiv(int number, int numerator, int denominator);

}  // namespace zem
