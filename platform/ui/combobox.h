// Drop-down lists: child windows with a list of Latin-1 entries and at most one selected.
// A choice made by the user is told to the parent as WM_COMMAND(id | CBN_SELCHANGE << 16,
// combo window); choices made through messages are not. UI thread only.
#pragma once

#include "ui/wintypes.h"

#include <string>

namespace zem {

constexpr uint32_t CBS_DROPDOWNLIST = 0x0003;
constexpr uint32_t CBS_SORT = 0x0100;  // entries are kept in order, without regard to case
constexpr uint32_t WS_VSCROLL = 0x00200000;

constexpr UINT CB_ADDSTRING = 0x0143;     // lParam const char*; the new entry's index
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;     // CB_ERR when nothing is selected
constexpr UINT CB_GETLBTEXT = 0x0148;     // wParam index, lParam char* with room for the text and its zero
constexpr UINT CB_GETLBTEXTLEN = 0x0149;  // wParam index
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;     // wParam index, -1 (as WPARAM) clears; CB_ERR when out of range
constexpr LRESULT CB_ERR = -1;
constexpr int CBN_SELCHANGE = 1;

// A combo box window; null as CreateWindow fails.
HWND CreateComboBox(uint32_t style, int x, int y, int width, int height, HWND parent, uintptr_t id);

// The entry's text; empty for an index out of range.
std::string GetComboBoxText(HWND combo, int index);

// For tests: chooses the entry as a user does, so the parent hears CBN_SELCHANGE. False when
// the window is no combo box or the index is out of range.
bool ChooseComboBoxItem(HWND combo, int index);

}  // namespace zem
