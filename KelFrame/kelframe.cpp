#include "KelFrame/kelframe.h"

#include "KelFrame/kelframeelement.h"
#include "KelFrame/kelmessages.h"
#include "KelFrame/kelrightclick.h"
#include "base/trace.h"
#include "ui/input.h"
#include "ui/window.h"

#include <algorithm>
#include <map>

namespace zem {
namespace {

std::map<HWND, CKelFrame*>& Frames()
{
    static std::map<HWND, CKelFrame*> frames;  // UI thread only
    return frames;
}

}  // namespace

CKelFrame::CKelFrame() = default;

CKelFrame::~CKelFrame()
{
    deleting_ = true;
    if (hwnd_)
        DestroyWindow(hwnd_);  // an owner that deletes a live frame: its window goes first
    for (CKelFrameElement*& element : elements_) {
        delete element;
        element = nullptr;
    }
    elements_.clear();
}

bool CKelFrame::Create(HWND parent, const RECT& rect, uintptr_t id, uint32_t style)
{
    if (hwnd_)
        return false;
    hwnd_ = CreateWindow([this](HWND, UINT message, WPARAM wParam, LPARAM lParam) {
        return WindowProc(message, wParam, lParam);
    }, style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, id);
    if (hwnd_)
        Frames()[hwnd_] = this;
    return hwnd_ != nullptr;
}

CKelFrame* CKelFrame::FromHandle(HWND hwnd)
{
    const auto found = Frames().find(hwnd);
    return found == Frames().end() ? nullptr : found->second;
}

void CKelFrame::SetGridSize(int columns, int rows)
{
    grid_ = GridSpec{};
    grid_.columns.count = std::clamp(columns, 0, kKelGridMax);
    grid_.rows.count = std::clamp(rows, 0, kKelGridMax);
}

bool CKelFrame::SetColumnWidth(int column, double value) { return grid_.columns.Set(column, value); }
bool CKelFrame::SetRowHeight(int row, double value) { return grid_.rows.Set(row, value); }

void CKelFrame::SetBorderInner(int l, int t, int r, int b, COLORREF color, UINT edge, UINT sides, int mode)
{
    inner_ = MakeBorder(l, t, r, b, color, edge, sides, mode);
}

void CKelFrame::SetBorderOuter(int l, int t, int r, int b, COLORREF color, UINT edge, UINT sides, int mode)
{
    outer_ = MakeBorder(l, t, r, b, color, edge, sides, mode);
}

bool CKelFrame::AddElement(CKelFrameElement* element)
{
    if (!element || elements_.size() >= kMaxElements)
        return false;
    elements_.push_back(element);
    element->SetFrame(this);
    return true;
}

CKelFrameElement* CKelFrame::FindElementByCell(const std::string& cell) const
{
    const std::string wanted = NormalizeCell(cell);
    for (CKelFrameElement* element : elements_) {
        if (element->GetCell() == wanted)
            return element;
    }
    return nullptr;
}

CKelFrameElement* CKelFrame::FindElementByName(const std::string& name) const
{
    for (CKelFrameElement* element : elements_) {
        if (element->GetName() == name)
            return element;
    }
    return nullptr;
}

CKelFrameElement* CKelFrame::ElementFromPoint(int screenX, int screenY) const
{
    for (CKelFrameElement* element : elements_) {
        RECT r = element->GetInnerRect();
        POINT topLeft{r.left, r.top};
        if (!ClientToScreen(element->GetSafeHwnd(), &topLeft))
            continue;
        const int x = screenX - topLeft.x, y = screenY - topLeft.y;
        if (x >= 0 && y >= 0 && x < r.right - r.left && y < r.bottom - r.top)
            return element;
    }
    return nullptr;
}

void CKelFrame::ShowLayout()
{
    RecalcLayout();
    for (CKelFrameElement* element : elements_) {
        if (edgeDragging_) {
            CellRange range;
            element->SetEdgeFlags(zem::ParseCell(element->GetCell(), range) ? DraggableEdges(grid_, range) : 0);
        }
        if (IsWindow(element->GetSafeHwnd()))
            ShowWindow(element->GetSafeHwnd(), element->IsVisible() ? SW_SHOWNORMAL : SW_HIDE);
    }
}

void CKelFrame::RecalcLayout()
{
    RECT client;
    if (!GetClientRect(hwnd_, &client))
        return;
    const RECT area = InsideBorder(InsideBorder(client, outer_), inner_);
    for (CKelFrameElement* element : elements_) {
        // An element whose cell has no place in the grid is left where it is.
        if (const auto r = PlaceCells(grid_, area, element->GetCell()))
            MoveWindow(element->GetSafeHwnd(), r->left, r->top, r->right - r->left, r->bottom - r->top, true);
    }
}

LRESULT CKelFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        RecalcLayout();
        return 0;
    case KFE_NOTIFY:
        return OnKfeNotify(wParam, lParam);
    case KFE_MOVESPLIT:
        if (MoveSplit(grid_, int(wParam), uint32_t(lParam)))
            RecalcLayout();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_RBUTTONDOWN:
        OnRightClick(wParam, lParam);
        return 0;
    case WM_NCDESTROY:
        OnNcDestroy();
        return 0;
    default:
        return 0;
    }
}

void CKelFrame::Paint()
{
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(hwnd_, &paint);
    RECT client;
    GetClientRect(hwnd_, &client);
    const RECT inside = PaintBorders(dc, client, outer_, inner_);
    const HBRUSH brush = CreateSolidBrush(bkColor_);
    FillRect(dc, inside, brush);
    DeleteObject(brush);
    EndPaint(hwnd_, &paint);
}

LRESULT CKelFrame::OnKfeNotify(WPARAM code, LPARAM element)
{
    // The element is looked up before it is touched: lParam may be anything.
    const auto found = std::find_if(elements_.begin(), elements_.end(),
                                    [&](CKelFrameElement* e) { return reinterpret_cast<LPARAM>(e) == element; });
    if (found == elements_.end())
        return 0;
    const std::vector<HWND> receivers = (*found)->GetNotifyWindows();
    for (HWND receiver : receivers) {
        try {
            SendMessage(receiver, KFE_NOTIFY, code, element);
        } catch (...) {
            Trace("kelframe: a notification receiver failed");
        }
    }
    return 0;
}

void CKelFrame::OnRightClick(WPARAM keys, LPARAM point)
{
    const HWND parent = GetParent(hwnd_);
    if (!parent)
        return;
    ForwardRightClick(hwnd_, parent, keys, point);
}

void CKelFrame::OnNcDestroy()
{
    for (CKelFrameElement* element : elements_) {
        if (IsWindow(element->GetSafeHwnd()))
            DestroyWindow(element->GetSafeHwnd());
    }
    Frames().erase(hwnd_);
    hwnd_ = nullptr;
    if (!deleting_)
        delete this;
}

}  // namespace zem
