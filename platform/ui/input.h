// Input: mouse and key messages with the window system's packing, key state, focus, cursors and
// conversion between client and screen coordinates. UI thread only.
#pragma once

#include "ui/gdi.h"

#include <cstdint>

namespace zem {

constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;

constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_F1 = 0x70;

// Key messages: lParam bit 30 is set when the key was down before (an auto-repeat) and on
// every key-up; bit 31 on key-up. The repeat count is in the low 16 bits.
constexpr LPARAM kKeyWasDown = LPARAM(1) << 30;
constexpr LPARAM kKeyReleased = LPARAM(1) << 31;

constexpr uint16_t LOWORD(uintptr_t v) { return uint16_t(v & 0xFFFF); }
constexpr uint16_t HIWORD(uintptr_t v) { return uint16_t((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(int low, int high)
{
    return LPARAM((uint32_t(uint16_t(low)) | (uint32_t(uint16_t(high)) << 16)));
}
constexpr WPARAM MAKEWPARAM(int low, int high) { return WPARAM(uint32_t(MAKELPARAM(low, high))); }
// Mouse points are signed 16-bit halves: a point left of or above a window is negative.
constexpr int GET_X_LPARAM(LPARAM lp) { return int16_t(LOWORD(uintptr_t(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return int16_t(HIWORD(uintptr_t(lp))); }

// High bit (negative result) while the key is down.
int16_t GetKeyState(int virtualKey);

HWND SetFocus(HWND hwnd);  // returns the window that had the focus
HWND GetFocus();

bool ClientToScreen(HWND hwnd, POINT* point);
bool ScreenToClient(HWND hwnd, POINT* point);

struct HCURSOR__;
using HCURSOR = HCURSOR__*;
constexpr uintptr_t IDC_ARROW = 32512;
constexpr uintptr_t IDC_IBEAM = 32513;
constexpr uintptr_t IDC_WAIT = 32514;
constexpr uintptr_t IDC_CROSS = 32515;
constexpr uintptr_t IDC_SIZEWE = 32644;
constexpr uintptr_t IDC_SIZENS = 32645;
constexpr uintptr_t IDC_HAND = 32649;
// The system cursors only; null for an unknown id.
HCURSOR LoadCursor(uintptr_t id);
// Shows the cursor over the window that got the last mouse message; returns the one before.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();

}  // namespace zem
