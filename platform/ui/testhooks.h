// Hooks for tests and scripted runs: they answer menus, dialogs and message boxes in place of a
// person, fix text metrics so layouts do not depend on installed fonts, grab what a window
// shows, and feed input through the same path as the toolkit's events. UI thread only; an
// empty function removes a hook.
#pragma once

#include "ui/dialogs.h"
#include "ui/gdi.h"
#include "ui/input.h"
#include "ui/menu.h"

#include <functional>
#include <string>
#include <vector>

namespace zem {

// Given the menu being tracked (read it with the menu functions), returns the chosen command
// id, or 0 for a dismissed menu.
void SetMenuHook(std::function<uintptr_t(HMENU menu)> hook);
// Fill in the result and return true for OK, false for Cancel.
void SetColorDialogHook(std::function<bool(CHOOSECOLOR& dialog)> hook);
void SetFontDialogHook(std::function<bool(CHOOSEFONT& dialog)> hook);
// Returns the button id pressed (IDOK, IDYES, ...).
void SetMessageBoxHook(std::function<int(const std::string& text, const std::string& caption, UINT type)> hook);

// Every character measures charWidth and every line lineHeight; 0, 0 measures real fonts.
void SetFixedTextMetrics(int charWidth, int lineHeight);

// What a window and its children show, as painted now.
struct WindowImage {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // row by row
    COLORREF At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};
WindowImage GrabWindow(HWND hwnd);

// Delivers a mouse message (WM_LBUTTONDOWN ... WM_RBUTTONDBLCLK, WM_MOUSEMOVE) as the toolkit
// would: keys are MK_ flags, x and y client coordinates.
bool SimulateMouse(HWND hwnd, UINT message, int x, int y, WPARAM keys);
// A key press (with repeat for an auto-repeated one) or release of a virtual key.
bool SimulateKey(HWND hwnd, int virtualKey, bool down, bool repeat = false);

// A person closing a window without parent (the window manager's close button): WM_CLOSE.
bool SimulateClose(HWND hwnd);

// A left click (press and release, keys MK_CONTROL and MK_SHIFT) on a list view's row or on
// its check box, scrolled into view first. False without such a row.
bool ClickListViewItem(HWND list, int item, WPARAM keys = 0);
bool ClickListViewCheckBox(HWND list, int item);

}  // namespace zem
