#include "ui/listview.h"

#include "ui/input.h"
#include "ui/internal/hostedwidget.h"
#include "ui/internal/listviewwidget.h"
#include "ui/window.h"

#include <QPointer>

#include <algorithm>
#include <map>
#include <memory>

namespace zem {
namespace {

// What one list view window holds besides its rows, which live in the view's model.
struct ListState {
    WindowProcedure subclass;
    QPointer<ui::ListViewWidget> view;
    int anchor = -1;  // where a Shift selection starts
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

ui::ListViewWidget* ViewOf(HWND hwnd)
{
    const ListState* state = Find(hwnd);
    return state ? state->view.data() : nullptr;
}

ui::ListModel* ModelOf(HWND hwnd)
{
    ui::ListViewWidget* view = ViewOf(hwnd);
    return view ? &view->Model() : nullptr;
}

bool ValidRow(const ui::ListModel& model, int item) { return item >= 0 && size_t(item) < model.Rows().size(); }

bool ToRect(const QRect& from, RECT* to)
{
    if (!to)
        return false;
    *to = from.isNull() ? RECT{} : RECT{from.left(), from.top(), from.left() + from.width(), from.top() + from.height()};
    return true;
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
    ui::ListModel* model = ModelOf(hwnd);
    if (!model || !ValidRow(*model, item))
        return false;
    const ui::ListRow& row = model->Rows()[size_t(item)];
    const UINT oldState = row.state;
    const UINT newState = (oldState & ~mask) | (state & mask);
    if (newState == oldState)
        return true;
    NMLISTVIEW change;
    change.iItem = item;
    change.uNewState = newState;
    change.uOldState = oldState;
    change.uChanged = LVIF_STATE;
    change.lParam = row.data;
    if (SendNotify(hwnd, change.hdr, LVN_ITEMCHANGING) != 0)
        return false;
    model = ModelOf(hwnd);
    if (!model || !ValidRow(*model, item))
        return false;
    model->SetState(item, newState);
    SendNotify(hwnd, change.hdr, LVN_ITEMCHANGED);
    return true;
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
    if (!list || !list->view)
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
    const int anchor = ValidRow(list->view->Model(), list->anchor) ? list->anchor : item;
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
    if (!list || !list->view || list->view->Model().Rows().empty())
        return;
    const ui::ListModel& model = list->view->Model();
    const int count = model.rowCount();
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
        if (focus >= 0 && (model.extendedStyle & LVS_EX_CHECKBOXES))
            ListView_SetCheckState(hwnd, focus, !ListView_GetCheckState(hwnd, focus));
        return;
    default: return;
    }
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const int anchor = shift && ValidRow(model, list->anchor) ? list->anchor : target;
    SelectOnly(hwnd, anchor, target, target, false);
    if (ListState* still = Find(hwnd); still && !shift)
        still->anchor = target;
    ListView_EnsureVisible(hwnd, target);
}

}  // namespace

HWND CreateListView(uint32_t style, int x, int y, int width, int height, HWND parent, uintptr_t id,
                    WindowProcedure subclass)
{
    auto state = std::make_shared<ListState>();
    state->subclass = std::move(subclass);
    return CreateWindow([state](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_CREATE) {
            // The subclass's WM_CREATE may already use the list.
            if (ui::WindowWidget* window = ui::WidgetOf(hwnd)) {
                state->view = new ui::ListViewWidget(window);
                ui::HostInWindow(*window, state->view);
            }
            Lists()[hwnd] = state;
        }
        const LRESULT result = state->subclass ? state->subclass(hwnd, message, wParam, lParam)
                                               : DefListViewProc(hwnd, message, wParam, lParam);
        if (message == WM_NCDESTROY)
            Lists().erase(hwnd);
        return result;
    }, style | WS_CHILD, x, y, width, height, parent, id);
}

LRESULT DefListViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!Find(hwnd))
        return 0;
    switch (message) {
    case WM_ERASEBKGND: return 1;  // the view covers the window
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
    const ui::ListModel* model = ModelOf(list);
    return model ? model->extendedStyle : 0;
}

bool ListView_SetExtendedStyle(HWND list, uint32_t style)
{
    ui::ListViewWidget* view = ViewOf(list);
    if (!view)
        return false;
    view->SetExtendedStyle(style);
    return true;
}

namespace {

bool SetCellColour(HWND list, COLORREF ui::ListModel::*field, COLORREF colour)
{
    ui::ListViewWidget* view = ViewOf(list);
    if (!view)
        return false;
    view->Model().*field = colour;
    view->Refresh();
    return true;
}

COLORREF GetCellColour(HWND list, COLORREF ui::ListModel::*field)
{
    const ui::ListModel* model = ModelOf(list);
    return model ? model->*field : 0;
}

}  // namespace

bool ListView_SetBkColor(HWND list, COLORREF color)
{
    ui::ListViewWidget* view = ViewOf(list);
    if (view)
        view->SetBkColor(color);
    return view != nullptr;
}

bool ListView_SetTextBkColor(HWND list, COLORREF color) { return SetCellColour(list, &ui::ListModel::textBkColor, color); }
bool ListView_SetTextColor(HWND list, COLORREF color) { return SetCellColour(list, &ui::ListModel::textColor, color); }

COLORREF ListView_GetBkColor(HWND list)
{
    const ui::ListViewWidget* view = ViewOf(list);
    return view ? view->BkColor() : 0;
}

COLORREF ListView_GetTextBkColor(HWND list) { return GetCellColour(list, &ui::ListModel::textBkColor); }
COLORREF ListView_GetTextColor(HWND list) { return GetCellColour(list, &ui::ListModel::textColor); }

int ListView_InsertColumn(HWND list, int column, const std::string& title, int width)
{
    ui::ListViewWidget* view = ViewOf(list);
    if (!view || column < 0)
        return -1;
    column = std::min(column, view->Model().columnCount());
    view->Model().InsertColumn(column, title);
    view->SetColumnWidth(column, width);
    return column;
}

int ListView_GetColumnCount(HWND list)
{
    const ui::ListModel* model = ModelOf(list);
    return model ? model->columnCount() : 0;
}

int ListView_GetColumnWidth(HWND list, int column)
{
    const ui::ListViewWidget* view = ViewOf(list);
    return view ? view->ColumnWidth(column) : 0;
}

std::string ListView_GetColumnText(HWND list, int column)
{
    const ui::ListModel* model = ModelOf(list);
    if (!model || column < 0 || column >= model->columnCount())
        return {};
    return model->Titles()[size_t(column)];
}

int ListView_InsertItem(HWND list, int item, const std::string& text)
{
    ui::ListModel* model = ModelOf(list);
    if (!model || item < 0)
        return -1;
    item = std::min(item, model->rowCount());
    model->InsertRow(item, text);
    return item;
}

bool ListView_DeleteAllItems(HWND list)
{
    ListState* state = Find(list);
    if (!state || !state->view)
        return false;
    state->view->Model().Clear();
    state->anchor = -1;
    return true;
}

int ListView_GetItemCount(HWND list)
{
    const ui::ListModel* model = ModelOf(list);
    return model ? model->rowCount() : 0;
}

bool ListView_SetItemText(HWND list, int item, int column, const std::string& text)
{
    ui::ListModel* model = ModelOf(list);
    if (!model || !ValidRow(*model, item) || column < 0 || column >= model->columnCount())
        return false;
    model->SetText(item, column, text);
    return true;
}

std::string ListView_GetItemText(HWND list, int item, int column)
{
    const ui::ListModel* model = ModelOf(list);
    if (!model || !ValidRow(*model, item) || column < 0)
        return {};
    const std::vector<std::string>& texts = model->Rows()[size_t(item)].texts;
    return size_t(column) < texts.size() ? texts[size_t(column)] : std::string();
}

bool ListView_SetItemData(HWND list, int item, LPARAM data)
{
    ui::ListModel* model = ModelOf(list);
    if (!model || !ValidRow(*model, item))
        return false;
    model->SetData(item, data);
    return true;
}

LPARAM ListView_GetItemData(HWND list, int item)
{
    const ui::ListModel* model = ModelOf(list);
    return model && ValidRow(*model, item) ? model->Rows()[size_t(item)].data : 0;
}

int ListView_FindItemData(HWND list, LPARAM data, int start)
{
    const ui::ListModel* model = ModelOf(list);
    if (!model)
        return -1;
    for (int item = std::max(start + 1, 0); item < model->rowCount(); ++item) {
        if (model->Rows()[size_t(item)].data == data)
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
    const ui::ListModel* model = ModelOf(list);
    return model && ValidRow(*model, item) ? model->Rows()[size_t(item)].state & mask : 0;
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
    const ui::ListModel* model = ModelOf(list);
    if (!model)
        return -1;
    const UINT wanted = (flags & LVNI_SELECTED ? LVIS_SELECTED : 0) | (flags & LVNI_FOCUSED ? LVIS_FOCUSED : 0);
    for (int item = std::max(start + 1, 0); item < model->rowCount(); ++item) {
        if ((model->Rows()[size_t(item)].state & wanted) == wanted)
            return item;
    }
    return -1;
}

int ListView_GetSelectedCount(HWND list)
{
    const ui::ListModel* model = ModelOf(list);
    if (!model)
        return 0;
    return int(std::count_if(model->Rows().begin(), model->Rows().end(),
                             [](const ui::ListRow& row) { return (row.state & LVIS_SELECTED) != 0; }));
}

bool ListView_GetItemRect(HWND list, int item, RECT* rect)
{
    ui::ListViewWidget* view = ViewOf(list);
    return view && ValidRow(view->Model(), item) && ToRect(view->RowRect(item), rect);
}

bool ListView_GetSubItemRect(HWND list, int item, int column, RECT* rect)
{
    ui::ListViewWidget* view = ViewOf(list);
    return view && ValidRow(view->Model(), item) && column >= 0 && column < view->Model().columnCount() &&
           ToRect(view->CellRect(item, column), rect);
}

bool ListView_GetCheckBoxRect(HWND list, int item, RECT* rect)
{
    ui::ListViewWidget* view = ViewOf(list);
    return view && ValidRow(view->Model(), item) && ToRect(view->CheckBoxRect(item), rect);
}

int ListView_HitTest(HWND list, POINT point, UINT* flags)
{
    ui::ListViewWidget* view = ViewOf(list);
    bool onCheckBox = false;
    const int item = view ? view->RowAt({point.x, point.y}, &onCheckBox) : -1;
    if (flags)
        *flags = item < 0 ? LVHT_NOWHERE : onCheckBox ? LVHT_ONITEMSTATEICON : LVHT_ONITEMLABEL;
    return item;
}

int ListView_GetTopIndex(HWND list)
{
    ui::ListViewWidget* view = ViewOf(list);
    return view ? view->TopIndex() : 0;
}

int ListView_GetCountPerPage(HWND list)
{
    ui::ListViewWidget* view = ViewOf(list);
    return view ? view->CountPerPage() : 0;
}

bool ListView_EnsureVisible(HWND list, int item)
{
    ui::ListViewWidget* view = ViewOf(list);
    if (!view || !ValidRow(view->Model(), item))
        return false;
    view->EnsureVisible(item);
    return true;
}

bool ListView_Scroll(HWND list, int dy)
{
    ui::ListViewWidget* view = ViewOf(list);
    if (!view)
        return false;
    view->ScrollRows(dy / view->RowHeight());
    return true;
}

bool ListView_HasScrollBar(HWND list, int bar)
{
    const ui::ListViewWidget* view = ViewOf(list);
    return view && view->HasScrollBar(bar == SB_VERT ? Qt::Vertical : Qt::Horizontal);
}

}  // namespace zem
