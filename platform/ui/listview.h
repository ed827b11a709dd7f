// The list view common control in report style, over the toolkit's tree view: a header with
// columns (a column of width 0 is hidden) that a person resizes by dragging, rows of texts with
// one item data value each, check boxes as state images, selection with Ctrl and Shift,
// full-row select, three colours, and scroll bars and the wheel where rows or columns do not
// fit. Every state change of a row is first offered as LVN_ITEMCHANGING, which may refuse it.
//
// Notifications reach the list's own procedure first as OCM_NOTIFY (the reflected form);
// DefListViewProc passes them on to the parent as WM_NOTIFY. UI thread only.
#pragma once

#include "ui/gdi.h"

#include <cstdint>
#include <string>

namespace zem {

constexpr uint32_t LVS_REPORT = 0x0001;

constexpr uint32_t LVS_EX_CHECKBOXES = 0x0004;
constexpr uint32_t LVS_EX_HEADERDRAGDROP = 0x0010;  // columns reordered by dragging their titles
constexpr uint32_t LVS_EX_FULLROWSELECT = 0x0020;

constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;
constexpr UINT LVIS_STATEIMAGEMASK = 0xF000;
constexpr UINT INDEXTOSTATEIMAGEMASK(UINT index) { return index << 12; }
// 0 = no image, 1 = unchecked box, 2 = checked box.
constexpr UINT STATEIMAGEINDEX(UINT state) { return (state & LVIS_STATEIMAGEMASK) >> 12; }

constexpr UINT LVIF_STATE = 0x0008;

constexpr UINT LVNI_ALL = 0x0000;
constexpr UINT LVNI_FOCUSED = 0x0001;
constexpr UINT LVNI_SELECTED = 0x0002;

constexpr UINT LVHT_NOWHERE = 0x0001;
constexpr UINT LVHT_ONITEMLABEL = 0x0004;
constexpr UINT LVHT_ONITEMSTATEICON = 0x0008;

constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;

constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT OCM_NOTIFY = 0x2000 + WM_NOTIFY;

constexpr int LVN_ITEMCHANGING = -100;
constexpr int LVN_ITEMCHANGED = -101;
constexpr int LVN_KEYDOWN = -155;

struct NMHDR {
    HWND hwndFrom = nullptr;
    uintptr_t idFrom = 0;
    int code = 0;
};

// LVN_ITEMCHANGING and LVN_ITEMCHANGED; a nonzero result to the first refuses the change.
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;  // LVIF_STATE
    POINT ptAction;
    LPARAM lParam = 0;  // the row's item data
};

struct NMLVKEYDOWN {
    NMHDR hdr;
    uint16_t wVKey = 0;
    UINT flags = 0;
};

// A list view window. With a subclass procedure every message goes to it first; it calls
// DefListViewProc for the list's own handling. Null as CreateWindow fails.
HWND CreateListView(uint32_t style, int x, int y, int width, int height, HWND parent, uintptr_t id,
                    WindowProcedure subclass = {});
LRESULT DefListViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

uint32_t ListView_GetExtendedStyle(HWND list);
bool ListView_SetExtendedStyle(HWND list, uint32_t style);
// Defaults: white background and text background, black text.
bool ListView_SetBkColor(HWND list, COLORREF color);
bool ListView_SetTextBkColor(HWND list, COLORREF color);
bool ListView_SetTextColor(HWND list, COLORREF color);
COLORREF ListView_GetBkColor(HWND list);
COLORREF ListView_GetTextBkColor(HWND list);
COLORREF ListView_GetTextColor(HWND list);

// Returns the new column's index, -1 on failure. Columns are left-aligned.
int ListView_InsertColumn(HWND list, int column, const std::string& title, int width);
int ListView_GetColumnCount(HWND list);
int ListView_GetColumnWidth(HWND list, int column);
std::string ListView_GetColumnText(HWND list, int column);

// Inserts a row with the text of column 0 before `item` (at the end when past it); its index,
// or -1. The new row has item data 0 and no state.
int ListView_InsertItem(HWND list, int item, const std::string& text);
bool ListView_DeleteAllItems(HWND list);
int ListView_GetItemCount(HWND list);
bool ListView_SetItemText(HWND list, int item, int column, const std::string& text);
std::string ListView_GetItemText(HWND list, int item, int column);
bool ListView_SetItemData(HWND list, int item, LPARAM data);
LPARAM ListView_GetItemData(HWND list, int item);
// The first row after `start` (-1: from the top) whose item data is `data`; -1 when none.
int ListView_FindItemData(HWND list, LPARAM data, int start = -1);

// Changes the bits of `mask` to those of `state`, offered first as LVN_ITEMCHANGING; item -1
// changes every row. False when a change was refused or there is no such row.
bool ListView_SetItemState(HWND list, int item, UINT state, UINT mask);
UINT ListView_GetItemState(HWND list, int item, UINT mask);
bool ListView_SetCheckState(HWND list, int item, bool checked);
bool ListView_GetCheckState(HWND list, int item);
// The next row after `start` (-1: from the top) that has the LVNI_ flags; -1 when none.
int ListView_GetNextItem(HWND list, int start, UINT flags);
int ListView_GetSelectedCount(HWND list);

// Rows in client coordinates; the first row below the header is the top index.
bool ListView_GetItemRect(HWND list, int item, RECT* rect);
// One cell of a row; empty width for a hidden column.
bool ListView_GetSubItemRect(HWND list, int item, int column, RECT* rect);
// The check box of a row (empty without LVS_EX_CHECKBOXES).
bool ListView_GetCheckBoxRect(HWND list, int item, RECT* rect);
int ListView_HitTest(HWND list, POINT point, UINT* flags);
int ListView_GetTopIndex(HWND list);
int ListView_GetCountPerPage(HWND list);
bool ListView_EnsureVisible(HWND list, int item);
// Scrolls by dy pixels, rounded to whole rows.
bool ListView_Scroll(HWND list, int dy);
// Whether the list shows its horizontal (SB_HORZ) or vertical (SB_VERT) scroll bar now: only
// while the columns or the rows do not fit. The toolkit shows or hides a bar once the events
// after a change have been handled.
bool ListView_HasScrollBar(HWND list, int bar);

}  // namespace zem
