#include "KelFrame/kelframeelement.h"

#include "KelFrame/kelframe.h"
#include "KelFrame/kelrightclick.h"
#include "base/trace.h"
#include "ui/bitmap.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/input.h"
#include "ui/window.h"

#include <algorithm>
#include <utility>

namespace zem {
namespace {

constexpr int kEdgeBand = 6;  // pixels inside a draggable edge that grab it

void AddOnce(std::vector<HWND>& list, HWND hwnd)
{
    if (std::find(list.begin(), list.end(), hwnd) == list.end())
        list.push_back(hwnd);
}

void RemoveFirst(std::vector<HWND>& list, HWND hwnd)
{
    const auto found = std::find(list.begin(), list.end(), hwnd);
    if (found != list.end())
        list.erase(found);
}

}  // namespace

CKelFrameElement::CKelFrameElement(CKelFrame* frame, uintptr_t elementId)
    : bkBrush_(CreateSolidBrush(0)), elementId_(elementId), frame_(frame)
{
}

CKelFrameElement::~CKelFrameElement()
{
    *alive_ = false;
    if (IsWindow(hwnd_))
        DestroyWindow(hwnd_);  // its procedure must not outlive the object
    ReleasePicture();
    DeleteObject(bkBrush_);
}

bool CKelFrameElement::SetFrame(CKelFrame* frame)
{
    if (frame)
        frame_ = frame;
    // No frame, ever, would give a window without a parent.
    if (!frame_ || !frame_->GetSafeHwnd())
        return false;
    if (IsWindow(hwnd_))
        return true;
    hwnd_ = CreateWindow([this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (!hwnd_ && message == WM_CREATE)
            hwnd_ = hwnd;  // kinds that host child windows create them in WM_CREATE
        return WindowProc(message, wParam, lParam);
    }, WS_CHILD | WS_TABSTOP, 0, 0, 0, 0, frame_->GetSafeHwnd(), elementId_);
    return hwnd_ != nullptr;
}

int CKelFrameElement::SetCell(const std::string& cell)
{
    cell_ = AcceptCell(cell);
    return cell_.empty() ? 0 : 1;
}

int CKelFrameElement::SetCellRange(int c1, int r1, int c2, int r2)
{
    cell_ = FormatCellRange(c1, r1, c2, r2);
    return cell_.empty() ? 0 : 1;
}

int CKelFrameElement::ParseCell(int& c1, int& r1, int& c2, int& r2) const
{
    CellRange range;
    const bool ok = zem::ParseCell(cell_, range);
    c1 = range.c1;
    r1 = range.r1;
    c2 = range.c2;
    r2 = range.r2;
    return ok ? 1 : 0;
}

std::string CKelFrameElement::GetFrameName() const
{
    return frame_ ? frame_->GetName() : std::string();
}

void CKelFrameElement::SetVisible(uint8_t visible)
{
    visible_ = visible;
    if (IsWindow(hwnd_))
        ShowWindow(hwnd_, visible ? SW_SHOWNORMAL : SW_HIDE);
}

void CKelFrameElement::SetBkColor(COLORREF color)
{
    bkColor_ = color;
    DeleteObject(bkBrush_);
    bkBrush_ = CreateSolidBrush(color);
}

void CKelFrameElement::SetBorderInner(int l, int t, int r, int b, COLORREF color, UINT edge, UINT sides, int mode)
{
    inner_ = MakeBorder(l, t, r, b, color, edge, sides, mode);
}

void CKelFrameElement::SetBorderOuter(int l, int t, int r, int b, COLORREF color, UINT edge, UINT sides, int mode)
{
    outer_ = MakeBorder(l, t, r, b, color, edge, sides, mode);
}

void CKelFrameElement::SetMenuCallback(KelMenuCallback callback, uintptr_t userValue)
{
    menuCallback_ = callback;
    menuUserValue_ = userValue;
}

void CKelFrameElement::AddLinkedWindow(HWND hwnd) { AddOnce(linked_, hwnd); }
void CKelFrameElement::RemoveLinkedWindow(HWND hwnd) { RemoveFirst(linked_, hwnd); }
void CKelFrameElement::AddNotifyWindow(HWND hwnd) { AddOnce(notify_, hwnd); }
void CKelFrameElement::RemoveNotifyWindow(HWND hwnd) { RemoveFirst(notify_, hwnd); }

void CKelFrameElement::AddContextMenuItems(HMENU) {}

void CKelFrameElement::FillMemDC(HDC dc)
{
    RECT client;
    GetClientRect(hwnd_, &client);
    const RECT inside = PaintBorders(dc, client, outer_, inner_);
    HBITMAP bitmap = bkBitmap_ ? LoadBitmap(bkBitmap_) : nullptr;
    SIZE size;
    if (bitmap && GetBitmapSize(bitmap, &size)) {
        const HDC source = CreateCompatibleDC(dc);
        const HGDIOBJ old = SelectObject(source, bitmap);
        StretchBlt(dc, inside.left, inside.top, inside.right - inside.left, inside.bottom - inside.top, source, 0, 0,
                   size.cx, size.cy, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    } else {
        FillRect(dc, inside, bkBrush_);  // also for a bitmap id that names no bitmap
    }
    DeleteObject(bitmap);
}

bool CKelFrameElement::SendToEach(const std::vector<HWND>& windows, UINT message, WPARAM wParam, LPARAM lParam)
{
    const std::shared_ptr<bool> alive = alive_;
    for (HWND hwnd : windows) {
        if (!IsWindow(hwnd))
            continue;
        try {
            SendMessage(hwnd, message, wParam, lParam);
        } catch (...) {
            Trace("kelframe: a receiver of message 0x%04x failed", message);
        }
        if (!*alive)
            return false;
    }
    return true;
}

bool CKelFrameElement::SendToLinked(UINT message, WPARAM wParam, LPARAM lParam)
{
    const std::vector<HWND> linked = linked_;  // a receiver may change the list
    return SendToEach(linked, message, wParam, lParam);
}

void CKelFrameElement::Notify(int code)
{
    if (code == KFE_NONE)
        return;
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    if (!notify_.empty() && !SendToEach({GetParent(hwnd_)}, KFE_NOTIFY, WPARAM(code), self))
        return;
    SendToLinked(KFE_NOTIFY, WPARAM(code), self);
}

bool CKelFrameElement::OnCommand(uintptr_t id)
{
    switch (id) {
    case ID_KFE_BKCOLOR:
    case ID_KFE_FORECOLOR:
    case ID_KFE_BORDERCOLOR:
        OnColorCommand(id);
        return true;
    case ID_KFE_OVERLAY:
        if (HasOverlay())
            RepaintOverlay();
        return true;
    default:
        return false;
    }
}

void CKelFrameElement::OnColorCommand(uintptr_t id)
{
    COLORREF& color = id == ID_KFE_BKCOLOR ? bkColor_ : id == ID_KFE_FORECOLOR ? foreColor_ : inner_.color;
    CHOOSECOLOR dialog;
    dialog.hwndOwner = hwnd_;
    dialog.rgbResult = color;
    dialog.Flags = CC_RGBINIT;
    ChooseColor(&dialog);  // a cancelled dialog leaves the initial colour
    color = dialog.rgbResult;
    if (id == ID_KFE_BKCOLOR)
        SetBkColor(color);
    InvalidateRect(hwnd_, nullptr, true);
}

void CKelFrameElement::RepaintOverlay()
{
    overlayOnly_ = true;
    InvalidateRect(hwnd_, nullptr, false);
}

void CKelFrameElement::ReleasePicture()
{
    if (memDC_) {
        SelectObject(memDC_, memOldBitmap_);
        DeleteDC(memDC_);
    }
    DeleteObject(memBitmap_);
    memDC_ = nullptr;
    memBitmap_ = nullptr;
    memOldBitmap_ = nullptr;
}

void CKelFrameElement::Paint()
{
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(hwnd_, &paint);
    const bool overlayOnly = std::exchange(overlayOnly_, false);
    if (kind_ == KFE_TYPE_BASE) {
        EndPaint(hwnd_, &paint);
        return;
    }
    RECT client;
    GetClientRect(hwnd_, &client);
    innerRect_ = InsideBorder(InsideBorder(client, outer_), inner_);
    const int width = client.right - client.left, height = client.bottom - client.top;
    SIZE pictureSize;
    const bool pictureFits = memBitmap_ && GetBitmapSize(memBitmap_, &pictureSize) && pictureSize.cx == width &&
                             pictureSize.cy == height;
    if (width == 0 || height == 0) {
        EndPaint(hwnd_, &paint);
        return;
    }
    if (overlayOnly && pictureFits) {
        BitBlt(dc, client.left, client.top, width, height, memDC_, 0, 0, SRCCOPY);
        DrawOverlay(dc);
        EndPaint(hwnd_, &paint);
        return;
    }
    ReleasePicture();
    memDC_ = CreateCompatibleDC(dc);
    zem::SetBkColor(memDC_, bkColor_);
    memBitmap_ = CreateCompatibleBitmap(dc, width, height);
    memOldBitmap_ = SelectObject(memDC_, memBitmap_);
    FillMemDC(memDC_);
    BitBlt(dc, client.left, client.top, width, height, memDC_, 0, 0, SRCCOPY);
    if (HasOverlay()) {
        DrawOverlay(dc);
        PostMessage(hwnd_, WM_COMMAND, ID_KFE_OVERLAY, 0);
    }
    EndPaint(hwnd_, &paint);
}

uint32_t CKelFrameElement::EdgeAt(int x, int y) const
{
    RECT c;
    GetClientRect(hwnd_, &c);
    if ((edgeFlags_ & 2) && c.top < y && y < c.top + kEdgeBand)
        return 2;
    if ((edgeFlags_ & 8) && c.bottom - kEdgeBand < y && y < c.bottom)
        return 8;
    if ((edgeFlags_ & 1) && c.left < x && x < c.left + kEdgeBand)
        return 1;
    if ((edgeFlags_ & 4) && c.right - kEdgeBand < x && x < c.right)
        return 4;
    return 0;
}

void CKelFrameElement::OnMouse(UINT message, WPARAM keys, LPARAM point)
{
    const int x = GET_X_LPARAM(point), y = GET_Y_LPARAM(point);
    if (message == WM_LBUTTONDOWN) {
        activeEdge_ = EdgeAt(x, y);
        if (activeEdge_)
            SetCursor(LoadCursor(activeEdge_ & (2 | 8) ? IDC_SIZENS : IDC_SIZEWE));
    } else if (message == WM_LBUTTONUP) {
        activeEdge_ = 0;
        leftHeld_ = false;
    } else if (message == WM_MOUSEMOVE) {
        if (keys == MK_LBUTTON)
            leftHeld_ = true;
        else
            activeEdge_ = 0;
        CellRange range;
        if (activeEdge_ && frame_ && zem::ParseCell(cell_, range)) {
            const int index = activeEdge_ == 1 ? range.c1 : activeEdge_ == 2 ? range.r1
                            : activeEdge_ == 4 ? range.EndColumn() : range.EndRow();
            SendMessage(frame_->GetSafeHwnd(), KFE_MOVESPLIT, WPARAM(index), LPARAM(activeEdge_));
        } else if (const uint32_t edge = EdgeAt(x, y)) {
            SetCursor(LoadCursor(edge & (2 | 8) ? IDC_SIZENS : IDC_SIZEWE));
        }
    }
}

void CKelFrameElement::OnRightClick(WPARAM keys, LPARAM point)
{
    if (!contextMenu_) {
        ForwardRightClick(hwnd_, GetParent(hwnd_), keys, point);
        return;
    }
    const HMENU menu = CreatePopupMenu();
    if (menuCallback_)
        menuCallback_(this, menuUserValue_, 1, menu);
    AddContextMenuItems(menu);
    if (menuCallback_)
        menuCallback_(this, menuUserValue_, 2, menu);
    POINT p{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    ClientToScreen(hwnd_, &p);
    TrackPopupMenu(menu, 0, p.x, p.y, hwnd_);
    DestroyMenu(menu);  // with its submenus
}

LRESULT CKelFrameElement::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case KFE_NOTIFY:
        return 0;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        OnMouse(message, wParam, lParam);
        return 0;
    case WM_RBUTTONDOWN:
        OnRightClick(wParam, lParam);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0) {
            if (!SendToLinked(WM_COMMAND, LOWORD(wParam), 0))
                return 0;
            OnCommand(LOWORD(wParam));
        }
        return 0;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        // The hosted control answers for its own colours.
        return SendMessage(reinterpret_cast<HWND>(lParam), message + (OCM_CTLCOLORBTN - WM_CTLCOLORBTN), wParam, lParam);
    case WM_NCDESTROY:
        OnNcDestroy();
        hwnd_ = nullptr;
        return 0;
    default:
        return 0;
    }
}

}  // namespace zem
