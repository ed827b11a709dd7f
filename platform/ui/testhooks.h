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

// The last id of the GDI object and DC tables (0x7FFFFFFF unless set); a small range lets a
// test go round it.
void SetGdiIdRange(uint32_t lastId);
// How many SendMessage calls from other threads wait for the window's procedure to take them.
size_t PendingSends(HWND hwnd);

// What a window and its children show, as painted now.
struct WindowImage {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // row by row
    COLORREF At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};
WindowImage GrabWindow(HWND hwnd);
// Whether a shown window has yet to paint what it was asked to: wait until false to see the
// paints that what was done so far causes, without guessing how long they take.
bool PaintsPending();

// Delivers a mouse message (WM_LBUTTONDOWN ... WM_RBUTTONDBLCLK, WM_MOUSEMOVE) as the toolkit
// would: keys are MK_ flags, x and y client coordinates.
bool SimulateMouse(HWND hwnd, UINT message, int x, int y, WPARAM keys);
// The same, delivered as a person's input is: to the toolkit's widget under the point (a list's
// header, scroll bars or rows).
bool SimulateMouseAt(HWND hwnd, UINT message, int x, int y, WPARAM keys);
// Turns the mouse wheel at a client point by whole notches, away from the user when positive.
bool SimulateWheel(HWND hwnd, int x, int y, int notches);
// A key press (with repeat for an auto-repeated one) or release of a virtual key.
bool SimulateKey(HWND hwnd, int virtualKey, bool down, bool repeat = false);

// A person closing a window without parent (the window manager's close button): WM_CLOSE.
bool SimulateClose(HWND hwnd);

// A left click (press and release, keys MK_CONTROL and MK_SHIFT) on a list view's row or on
// its check box, scrolled into view first. False without such a row.
bool ClickListViewItem(HWND list, int item, WPARAM keys = 0);
bool ClickListViewCheckBox(HWND list, int item);
// Drags the right edge of a column's title by dx pixels (the list needs a row). False without
// such a column.
bool DragListViewColumnEdge(HWND list, int column, int dx);

}  // namespace zem
