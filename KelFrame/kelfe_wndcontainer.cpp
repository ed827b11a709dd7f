#include "KelFrame/kelfe_wndcontainer.h"

#include "base/trace.h"
#include "ui/input.h"
#include "ui/window.h"

#include <utility>

namespace zem {

namespace {

// One direction: the flags for start, end, centre and fill, a later one overriding.
void PlaceAlong(int32_t& low, int32_t& high, int innerLow, int innerHigh, uint32_t flags, uint32_t start,
                uint32_t end, uint32_t centre, uint32_t fill)
{
    const int size = high - low;
    if (flags & start)
        low = innerLow, high = low + size;
    if (flags & end)
        low = innerHigh - size, high = innerHigh;
    if (flags & centre)
        low = innerLow + (innerHigh - innerLow - size) / 2, high = low + size;
    if (flags & fill)
        low = innerLow, high = innerHigh;
}

}  // namespace

RECT PlaceHostedWindow(const RECT& inner, const RECT& current, uint32_t flags)
{
    RECT t = current;
    PlaceAlong(t.left, t.right, inner.left, inner.right, flags, KFC_LEFT, KFC_RIGHT, KFC_HCENTER, KFC_HFILL);
    PlaceAlong(t.top, t.bottom, inner.top, inner.bottom, flags, KFC_TOP, KFC_BOTTOM, KFC_VCENTER, KFC_VFILL);
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
