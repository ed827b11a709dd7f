#include "ui/listview.h"

#include "ui/input.h"
#include "ui/window.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace zem {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kHighlight = RGB(10, 36, 106);  // the classic selection colour
constexpr COLORREF kHeaderFace = kColor3DLight;
constexpr int kCheckBoxSize = 13;
constexpr int kCellPadding = 4;

struct Column {
    std::string title;
    int width = 0;
};

struct Row {
    std::vector<std::string> texts;  // by column; missing ones are empty
    LPARAM data = 0;
    UINT state = 0;
};

// Everything one list view window holds.
struct ListState {
    WindowProcedure subclass;
    uint32_t extendedStyle = 0;
    COLORREF bkColor = kWhite;
    COLORREF textBkColor = kWhite;
    COLORREF textColor = kBlack;
    std::vector<Column> columns;
    std::vector<Row> rows;
    int topIndex = 0;
    int anchor = -1;  // where a Shift selection starts
    HFONT font = nullptr;
    int rowHeight = 16;
    int headerHeight = 18;
};

// The live list views of the UI thread.
std::map<HWND, std::shared_ptr<ListState>>& Lists()
{
    static std::map<HWND, std::shared_ptr<ListState>> lists;
    return lists;
}

ListState* Find(HWND hwnd)
{
    auto it = Lists().find(hwnd);
    return it == Lists().end() ? nullptr : it->second.get();
}

bool ValidRow(const ListState& list, int item) { return item >= 0 && size_t(item) < list.rows.size(); }

void Redraw(HWND hwnd) { InvalidateRect(hwnd, nullptr, true); }

void MeasureFont(HWND hwnd, ListState& list)
{
    LOGFONT font;
    font.lfHeight = -11;
    std::strcpy(font.lfFaceName, "MS Sans Serif");
    list.font = CreateFontIndirect(font);
    HDC dc = GetDC(hwnd);
    const HGDIOBJ old = SelectObject(dc, list.font);
    SIZE size;
    GetTextExtentPoint(dc, "Ag", &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    list.rowHeight = std::max(size.cy + 2, kCheckBoxSize + 3);
    list.headerHeight = size.cy + 6;
}

LRESULT SendNotify(HWND hwnd, NMHDR& header, int code)
{
    header.hwndFrom = hwnd;
    header.idFrom = GetDlgCtrlID(hwnd);
    header.code = code;
    return SendMessage(hwnd, OCM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

// One row's change of the masked bits, offered first; false when refused. The row may be
// gone after the notification (its handler may delete rows).
bool ChangeState(HWND hwnd, int item, UINT state, UINT mask)
{
    ListState* list = Find(hwnd);
    if (!list || !ValidRow(*list, item))
        return false;
    const UINT oldState = list->rows[size_t(item)].state;
    const UINT newState = (oldState & ~mask) | (state & mask);
    if (newState == oldState)
        return true;
    NMLISTVIEW change;
    change.iItem = item;
    change.uNewState = newState;
    change.uOldState = oldState;
    change.uChanged = LVIF_STATE;
    change.lParam = list->rows[size_t(item)].data;
    if (SendNotify(hwnd, change.hdr, LVN_ITEMCHANGING) != 0)
        return false;
    list = Find(hwnd);
    if (!list || !ValidRow(*list, item))
        return false;
    list->rows[size_t(item)].state = newState;
    Redraw(hwnd);
    SendNotify(hwnd, change.hdr, LVN_ITEMCHANGED);
    return true;
}

int ColumnLeft(const ListState& list, int column)
{
    int x = 0;
    for (int c = 0; c < column; ++c)
        x += list.columns[size_t(c)].width;
    return x;
}

// Selects exactly the rows from..to (in either order) and focuses `focus`.
void SelectOnly(HWND hwnd, int from, int to, int focus, bool keepOthers)
{
    const int low = std::min(from, to);
    const int high = std::max(from, to);
    for (int item = 0; item < ListView_GetItemCount(hwnd); ++item) {
        const bool inside = item >= low && item <= high;
        if (inside)
            ChangeState(hwnd, item, LVIS_SELECTED, LVIS_SELECTED);
        else if (!keepOthers)
            ChangeState(hwnd, item, 0, LVIS_SELECTED);
    }
    ListView_SetItemState(hwnd, -1, 0, LVIS_FOCUSED);
    ChangeState(hwnd, focus, LVIS_FOCUSED, LVIS_FOCUSED);
}

void Click(HWND hwnd, LPARAM point, WPARAM keys, bool right)
{
    ListState* list = Find(hwnd);
    if (!list)
        return;
    SetFocus(hwnd);
    UINT where = 0;
    const int item = ListView_HitTest(hwnd, {GET_X_LPARAM(point), GET_Y_LPARAM(point)}, &where);
    if (item < 0) {
        if (!right && !(keys & (MK_CONTROL | MK_SHIFT)))
            ListView_SetItemState(hwnd, -1, 0, LVIS_SELECTED);
        return;
    }
    if (where == LVHT_ONITEMSTATEICON && !right) {
        ListView_SetCheckState(hwnd, item, !ListView_GetCheckState(hwnd, item));
        return;
    }
    if (right) {  // a right click keeps a selection that holds the row
        if (!(ListView_GetItemState(hwnd, item, LVIS_SELECTED)))
            SelectOnly(hwnd, item, item, item, false);
        return;
    }
    const int anchor = ValidRow(*list, list->anchor) ? list->anchor : item;
    if (keys & MK_SHIFT) {
        SelectOnly(hwnd, anchor, item, item, keys & MK_CONTROL);
        return;
    }
    if (keys & MK_CONTROL) {
        const UINT selected = ListView_GetItemState(hwnd, item, LVIS_SELECTED);
        ChangeState(hwnd, item, selected ^ LVIS_SELECTED, LVIS_SELECTED);
        ListView_SetItemState(hwnd, -1, 0, LVIS_FOCUSED);
        ChangeState(hwnd, item, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
        SelectOnly(hwnd, item, item, item, false);
    }
    if (ListState* still = Find(hwnd))
        still->anchor = item;
}

void KeyDown(HWND hwnd, WPARAM key)
{
    NMLVKEYDOWN note;
    note.wVKey = uint16_t(key);
    SendNotify(hwnd, note.hdr, LVN_KEYDOWN);
    ListState* list = Find(hwnd);
    if (!list || list->rows.empty())
        return;
    const int count = int(list->rows.size());
    const int focus = ListView_GetNextItem(hwnd, -1, LVNI_FOCUSED);
    int target = -1;
    switch (int(key)) {
    case VK_UP: target = std::max(focus - 1, 0); break;
    case VK_DOWN: target = std::min(focus + 1, count - 1); break;
    case VK_HOME: target = 0; break;
    case VK_END: target = count - 1; break;
    case VK_PRIOR: target = std::max(focus - ListView_GetCountPerPage(hwnd), 0); break;
    case VK_NEXT: target = std::min(focus + ListView_GetCountPerPage(hwnd), count - 1); break;
    case VK_SPACE:
        if (focus >= 0 && (list->extendedStyle & LVS_EX_CHECKBOXES))
            ListView_SetCheckState(hwnd, focus, !ListView_GetCheckState(hwnd, focus));
        return;
    default: return;
    }
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const int anchor = shift && ValidRow(*list, list->anchor) ? list->anchor : target;
    SelectOnly(hwnd, anchor, target, target, false);
    if (ListState* still = Find(hwnd); still && !shift)
        still->anchor = target;
    ListView_EnsureVisible(hwnd, target);
}

void DrawCheckBox(HDC dc, const RECT& box, bool checked)
{
    HBRUSH white = CreateSolidBrush(kWhite);
    HPEN frame = CreatePen(PS_SOLID, 1, kColor3DShadow);
    const HGDIOBJ oldBrush = SelectObject(dc, white);
    const HGDIOBJ oldPen = SelectObject(dc, frame);
    Rectangle(dc, box.left, box.top, box.right, box.bottom);
    if (checked) {
        HPEN mark = CreatePen(PS_SOLID, 2, kBlack);
        SelectObject(dc, mark);
        MoveToEx(dc, box.left + 3, box.top + 6);
        LineTo(dc, box.left + 5, box.top + 9);
        LineTo(dc, box.right - 3, box.top + 3);
        SelectObject(dc, frame);
        DeleteObject(mark);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(white);
    DeleteObject(frame);
}

void FillColour(HDC dc, const RECT& rect, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, rect, brush);
    DeleteObject(brush);
}

void PaintHeader(HDC dc, const ListState& list, int width)
{
    FillColour(dc, {0, 0, width, list.headerHeight}, kHeaderFace);
    SetTextColor(dc, kBlack);
    int x = 0;
    for (const Column& column : list.columns) {
        if (column.width > 0) {
            RECT cell{x, 0, x + column.width, list.headerHeight};
            DrawEdge(dc, &cell, EDGE_RAISED, BF_RECT);
            RECT text{x + kCellPadding, 0, x + column.width - kCellPadding, list.headerHeight};
            DrawText(dc, column.title, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        x += column.width;
    }
}

void PaintRow(HWND hwnd, HDC dc, const ListState& list, int item)
{
    RECT row;
    ListView_GetItemRect(hwnd, item, &row);
    const Row& data = list.rows[size_t(item)];
    const bool selected = data.state & LVIS_SELECTED;
    const bool fullRow = list.extendedStyle & LVS_EX_FULLROWSELECT;
    int x = 0;
    for (size_t c = 0; c < list.columns.size(); ++c) {
        const int width = list.columns[c].width;
        RECT cell{x, row.top, x + width, row.bottom};
        x += width;
        if (width <= 0)
            continue;
        const bool marked = selected && (fullRow || c == 0);
        FillColour(dc, cell, marked ? kHighlight : list.textBkColor);
        SetTextColor(dc, marked ? kWhite : list.textColor);
        RECT text{cell.left + kCellPadding, cell.top, cell.right - kCellPadding, cell.bottom};
        if (c == 0 && (list.extendedStyle & LVS_EX_CHECKBOXES)) {
            RECT box;
            ListView_GetCheckBoxRect(hwnd, item, &box);
            if (STATEIMAGEINDEX(data.state) != 0)
                DrawCheckBox(dc, box, STATEIMAGEINDEX(data.state) == 2);
            text.left = box.right + kCellPadding;
        }
        if (c < data.texts.size())
            DrawText(dc, data.texts[c], &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

void Paint(HWND hwnd, ListState& list)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    if (!dc)
        return;
    RECT client;
    GetClientRect(hwnd, &client);
    FillColour(dc, client, list.bkColor);
    const HGDIOBJ oldFont = SelectObject(dc, list.font);
    SetBkMode(dc, TRANSPARENT);
    const int last = std::min(int(list.rows.size()), list.topIndex + ListView_GetCountPerPage(hwnd) + 1);
    for (int item = list.topIndex; item < last; ++item)
        PaintRow(hwnd, dc, list, item);
    PaintHeader(dc, list, client.right);
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &paint);
}

}  // namespace

HWND CreateListView(uint32_t style, int x, int y, int width, int height, HWND parent, uintptr_t id,
                    WindowProcedure subclass)
{
    auto state = std::make_shared<ListState>();
    state->subclass = std::move(subclass);
    return CreateWindow([state](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_CREATE)
            Lists()[hwnd] = state;  // the subclass's WM_CREATE may already use the list
        const LRESULT result = state->subclass ? state->subclass(hwnd, message, wParam, lParam)
                                               : DefListViewProc(hwnd, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            DeleteObject(state->font);
            Lists().erase(hwnd);
        }
        return result;
    }, style | WS_CHILD, x, y, width, height, parent, id);
}

LRESULT DefListViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ListState* list = Find(hwnd);
    if (!list)
        return 0;
    switch (message) {
    case WM_CREATE: MeasureFont(hwnd, *list); return 0;
    case WM_PAINT: Paint(hwnd, *list); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: Redraw(hwnd); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: Click(hwnd, lParam, wParam, false); return 0;
    case WM_RBUTTONDOWN: Click(hwnd, lParam, wParam, true); return 0;
    case WM_KEYDOWN: KeyDown(hwnd, wParam); return 0;
    case OCM_NOTIFY: return SendMessage(GetParent(hwnd), WM_NOTIFY, wParam, lParam);
    default: return 0;
    }
}

uint32_t ListView_GetExtendedStyle(HWND list)
{
    const ListState* state = Find(list);
    return state ? state->extendedStyle : 0;
}

bool ListView_SetExtendedStyle(HWND list, uint32_t style)
{
    ListState* state = Find(list);
    if (!state)
        return false;
    state->extendedStyle = style;
    Redraw(list);
    return true;
}

namespace {

bool SetColour(HWND list, COLORREF ListState::*field, COLORREF colour)
{
    ListState* state = Find(list);
    if (!state)
        return false;
    state->*field = colour;
    Redraw(list);
    return true;
}

COLORREF GetColour(HWND list, COLORREF ListState::*field)
{
    const ListState* state = Find(list);
    return state ? state->*field : 0;
}

}  // namespace

bool ListView_SetBkColor(HWND list, COLORREF color) { return SetColour(list, &ListState::bkColor, color); }
bool ListView_SetTextBkColor(HWND list, COLORREF color) { return SetColour(list, &ListState::textBkColor, color); }
bool ListView_SetTextColor(HWND list, COLORREF color) { return SetColour(list, &ListState::textColor, color); }
COLORREF ListView_GetBkColor(HWND list) { return GetColour(list, &ListState::bkColor); }
COLORREF ListView_GetTextBkColor(HWND list) { return GetColour(list, &ListState::textBkColor); }
COLORREF ListView_GetTextColor(HWND list) { return GetColour(list, &ListState::textColor); }

int ListView_InsertColumn(HWND list, int column, const std::string& title, int width)
{
    ListState* state = Find(list);
    if (!state || column < 0)
        return -1;
    column = std::min(column, int(state->columns.size()));
    state->columns.insert(state->columns.begin() + column, Column{title, std::max(width, 0)});
    for (Row& row : state->rows) {
        if (size_t(column) < row.texts.size())
            row.texts.insert(row.texts.begin() + column, std::string());
    }
    Redraw(list);
    return column;
}

int ListView_GetColumnCount(HWND list)
{
    const ListState* state = Find(list);
    return state ? int(state->columns.size()) : 0;
}

int ListView_GetColumnWidth(HWND list, int column)
{
    const ListState* state = Find(list);
    if (!state || column < 0 || size_t(column) >= state->columns.size())
        return 0;
    return state->columns[size_t(column)].width;
}

std::string ListView_GetColumnText(HWND list, int column)
{
    const ListState* state = Find(list);
    if (!state || column < 0 || size_t(column) >= state->columns.size())
        return {};
    return state->columns[size_t(column)].title;
}

int ListView_InsertItem(HWND list, int item, const std::string& text)
{
    ListState* state = Find(list);
    if (!state || item < 0)
        return -1;
    item = std::min(item, int(state->rows.size()));
    Row row;
    row.texts.push_back(text);
    state->rows.insert(state->rows.begin() + item, std::move(row));
    Redraw(list);
    return item;
}

bool ListView_DeleteAllItems(HWND list)
{
    ListState* state = Find(list);
    if (!state)
        return false;
    state->rows.clear();
    state->topIndex = 0;
    state->anchor = -1;
    Redraw(list);
    return true;
}

int ListView_GetItemCount(HWND list)
{
    const ListState* state = Find(list);
    return state ? int(state->rows.size()) : 0;
}

bool ListView_SetItemText(HWND list, int item, int column, const std::string& text)
{
    ListState* state = Find(list);
    if (!state || !ValidRow(*state, item) || column < 0 || size_t(column) >= state->columns.size())
        return false;
    std::vector<std::string>& texts = state->rows[size_t(item)].texts;
    if (texts.size() <= size_t(column))
        texts.resize(size_t(column) + 1);
    texts[size_t(column)] = text;
    Redraw(list);
    return true;
}

std::string ListView_GetItemText(HWND list, int item, int column)
{
    const ListState* state = Find(list);
    if (!state || !ValidRow(*state, item) || column < 0)
        return {};
    const std::vector<std::string>& texts = state->rows[size_t(item)].texts;
    return size_t(column) < texts.size() ? texts[size_t(column)] : std::string();
}

bool ListView_SetItemData(HWND list, int item, LPARAM data)
{
    ListState* state = Find(list);
    if (!state || !ValidRow(*state, item))
        return false;
    state->rows[size_t(item)].data = data;
    return true;
}

LPARAM ListView_GetItemData(HWND list, int item)
{
    const ListState* state = Find(list);
    return state && ValidRow(*state, item) ? state->rows[size_t(item)].data : 0;
}

int ListView_FindItemData(HWND list, LPARAM data, int start)
{
    const ListState* state = Find(list);
    if (!state)
        return -1;
    for (int item = std::max(start + 1, 0); item < int(state->rows.size()); ++item) {
        if (state->rows[size_t(item)].data == data)
            return item;
    }
    return -1;
}

bool ListView_SetItemState(HWND list, int item, UINT state, UINT mask)
{
    if (item != -1)
        return ChangeState(list, item, state, mask);
    bool all = true;
    for (int row = 0; row < ListView_GetItemCount(list); ++row)
        all = ChangeState(list, row, state, mask) && all;
    return all;
}

UINT ListView_GetItemState(HWND list, int item, UINT mask)
{
    const ListState* state = Find(list);
    return state && ValidRow(*state, item) ? state->rows[size_t(item)].state & mask : 0;
}

bool ListView_SetCheckState(HWND list, int item, bool checked)
{
    return ListView_SetItemState(list, item, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
}

bool ListView_GetCheckState(HWND list, int item)
{
    return STATEIMAGEINDEX(ListView_GetItemState(list, item, LVIS_STATEIMAGEMASK)) == 2;
}

int ListView_GetNextItem(HWND list, int start, UINT flags)
{
    const ListState* state = Find(list);
    if (!state)
        return -1;
    const UINT wanted = (flags & LVNI_SELECTED ? LVIS_SELECTED : 0) | (flags & LVNI_FOCUSED ? LVIS_FOCUSED : 0);
    for (int item = std::max(start + 1, 0); item < int(state->rows.size()); ++item) {
        if ((state->rows[size_t(item)].state & wanted) == wanted)
            return item;
    }
    return -1;
}

int ListView_GetSelectedCount(HWND list)
{
    const ListState* state = Find(list);
    if (!state)
        return 0;
    return int(std::count_if(state->rows.begin(), state->rows.end(),
                             [](const Row& row) { return (row.state & LVIS_SELECTED) != 0; }));
}

bool ListView_GetItemRect(HWND list, int item, RECT* rect)
{
    const ListState* state = Find(list);
    if (!state || !ValidRow(*state, item) || !rect)
        return false;
    const int top = state->headerHeight + (item - state->topIndex) * state->rowHeight;
    *rect = {0, top, ColumnLeft(*state, int(state->columns.size())), top + state->rowHeight};
    return true;
}

bool ListView_GetCheckBoxRect(HWND list, int item, RECT* rect)
{
    const ListState* state = Find(list);
    RECT row;
    if (!state || !rect || !ListView_GetItemRect(list, item, &row))
        return false;
    *rect = {};
    if (!(state->extendedStyle & LVS_EX_CHECKBOXES))
        return true;
    const int top = row.top + (state->rowHeight - kCheckBoxSize) / 2;
    *rect = {kCellPadding, top, kCellPadding + kCheckBoxSize, top + kCheckBoxSize};
    return true;
}

int ListView_HitTest(HWND list, POINT point, UINT* flags)
{
    const ListState* state = Find(list);
    UINT where = LVHT_NOWHERE;
    int found = -1;
    if (state && point.y >= state->headerHeight && point.x >= 0) {
        const int item = state->topIndex + (point.y - state->headerHeight) / state->rowHeight;
        const bool fullRow = state->extendedStyle & LVS_EX_FULLROWSELECT;
        const int right = ColumnLeft(*state, fullRow ? int(state->columns.size()) : 1);
        RECT box;
        if (ValidRow(*state, item) && point.x < right) {
            found = item;
            where = LVHT_ONITEMLABEL;
            if (ListView_GetCheckBoxRect(list, item, &box) && point.x >= box.left && point.x < box.right &&
                point.y >= box.top && point.y < box.bottom)
                where = LVHT_ONITEMSTATEICON;
        }
    }
    if (flags)
        *flags = where;
    return found;
}

int ListView_GetTopIndex(HWND list)
{
    const ListState* state = Find(list);
    return state ? state->topIndex : 0;
}

int ListView_GetCountPerPage(HWND list)
{
    const ListState* state = Find(list);
    RECT client;
    if (!state || !GetClientRect(list, &client))
        return 0;
    return std::max((client.bottom - state->headerHeight) / state->rowHeight, 0);
}

namespace {

bool ScrollTo(HWND list, int top)
{
    ListState* state = Find(list);
    if (!state)
        return false;
    const int lastTop = std::max(int(state->rows.size()) - ListView_GetCountPerPage(list), 0);
    state->topIndex = std::clamp(top, 0, lastTop);
    Redraw(list);
    return true;
}

}  // namespace

bool ListView_EnsureVisible(HWND list, int item)
{
    const ListState* state = Find(list);
    if (!state || !ValidRow(*state, item))
        return false;
    const int page = std::max(ListView_GetCountPerPage(list), 1);
    if (item < state->topIndex)
        return ScrollTo(list, item);
    if (item >= state->topIndex + page)
        return ScrollTo(list, item - page + 1);
    return true;
}

bool ListView_Scroll(HWND list, int dy)
{
    const ListState* state = Find(list);
    return state && ScrollTo(list, state->topIndex + dy / state->rowHeight);
}

}  // namespace zem
