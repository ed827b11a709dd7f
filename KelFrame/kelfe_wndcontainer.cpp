#include "KelFrame/kelfe_wndcontainer.h"

#include "base/trace.h"
#include "ui/input.h"
#include "ui/window.h"

#include <utility>

namespace zem {

RECT PlaceHostedWindow(const RECT& inner, const RECT& current, uint32_t flags)
{
    const int w = current.right - current.left, h = current.bottom - current.top;
    RECT t = current;
    if (flags & KFC_LEFT)
        t.left = inner.left, t.right = t.left + w;
    if (flags & KFC_RIGHT)
        t.left = inner.right - w, t.right = inner.right;
    if (flags & KFC_HCENTER)
        t.left = inner.left + (inner.right - inner.left - w) / 2, t.right = t.left + w;
    if (flags & KFC_TOP)
        t.top = inner.top, t.bottom = t.top + h;
    if (flags & KFC_BOTTOM)
        t.top = inner.bottom - h, t.bottom = inner.bottom;
    if (flags & KFC_VCENTER)
        t.top = inner.top + (inner.bottom - inner.top - h) / 2, t.bottom = t.top + h;
    if (flags & KFC_HFILL)
        t.left = inner.left, t.right = inner.right;
    if (flags & KFC_VFILL)
        t.top = inner.top, t.bottom = inner.bottom;
    return t;
}

CKelFE_WndContainer::CKelFE_WndContainer(CKelFrame* frame) : CKelFrameElement(frame, 0)
{
    SetType(KFE_TYPE_WNDCONTAINER);
}

CKelFE_WndContainer::~CKelFE_WndContainer()
{
    DestroyHosted();
}

void CKelFE_WndContainer::DestroyHosted()
{
    const HWND hosted = std::exchange(hosted_, nullptr);
    try {
        if (IsWindow(hosted))
            DestroyWindow(hosted);
    } catch (...) {
        Trace("kelframe: destroying a hosted window failed");
    }
}

void CKelFE_WndContainer::Attach(HWND hwnd, uint32_t flags)
{
    if (hosted_ && hosted_ != hwnd)
        DestroyHosted();
    hosted_ = hwnd;
    flags_ = flags;
}

HWND CKelFE_WndContainer::GetWnd() const
{
    return IsWindow(hosted_) ? hosted_ : nullptr;
}

void CKelFE_WndContainer::FillMemDC(HDC dc)
{
    CKelFrameElement::FillMemDC(dc);
    const RECT r = GetInnerRect();
    if (r.right == r.left || r.bottom == r.top || !IsWindow(hosted_))
        return;
    RECT screen;
    if (!GetWindowRect(hosted_, &screen))
        return;
    POINT topLeft{screen.left, screen.top};
    ScreenToClient(GetSafeHwnd(), &topLeft);
    const RECT current{topLeft.x, topLeft.y, topLeft.x + screen.right - screen.left,
                       topLeft.y + screen.bottom - screen.top};
    const RECT t = PlaceHostedWindow(r, current, flags_);
    MoveWindow(hosted_, t.left, t.top, t.right - t.left, t.bottom - t.top, true);
}

void CKelFE_WndContainer::OnNcDestroy()
{
    DestroyHosted();
    CKelFrameElement::OnNcDestroy();
}

}  // namespace zem
