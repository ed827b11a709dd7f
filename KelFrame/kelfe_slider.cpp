#include "KelFrame/kelfe_slider.h"

#include "KelFrame/setmarkdlg.h"
#include "ZemBaseLib/muldiv.h"
#include "ui/bitmap.h"
#include "ui/input.h"
#include "ui/messagebox.h"
#include "ui/window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace zem {
namespace {

constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr LRESULT kWantArrowsAndKeys = 0x85;
constexpr COLORREF kMarkColor = RGB(255, 0, 0);
constexpr int32_t kFirstMarkValue = 12;  // what the set-mark dialog offers

void Triangle(HDC dc, POINT a, POINT b, POINT c, COLORREF fill, COLORREF outline)
{
    const HBRUSH brush = CreateSolidBrush(fill);
    const HPEN pen = CreatePen(PS_SOLID, 1, outline);
    const HGDIOBJ oldBrush = SelectObject(dc, brush);
    const HGDIOBJ oldPen = SelectObject(dc, pen);
    const POINT points[] = {a, b, c};
    Polygon(dc, points, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

}  // namespace

CKelFE_Slider::CKelFE_Slider(CKelFrame* frame, uint32_t thumbStyle)
    : CKelFrameElement(frame, 0), style_(thumbStyle), thumbColor_(foreColor_)
{
    SetType(KFE_TYPE_SLIDER);
}

int32_t CKelFE_Slider::InnerWidth() const
{
    const RECT inner = GetInnerRect();
    return inner.right - inner.left;
}

void CKelFE_Slider::Invalidate()
{
    if (IsWindow(GetSafeHwnd()))
        InvalidateRect(GetSafeHwnd(), nullptr, true);
}

void CKelFE_Slider::SetRange(int32_t minimum, int32_t maximum)
{
    min_ = minimum;
    max_ = maximum;
    Invalidate();
}

void CKelFE_Slider::SetStep(int32_t step)
{
    step_ = std::max(0, std::min(std::max(step, 1), max_ / 2));
}

void CKelFE_Slider::SetValue(int32_t value, uint32_t code)
{
    value_ = std::clamp(value, min_, std::max(min_, max_));
    SetPosition(ValueToPixel(value), int(code & 0xFFFF));
}

int32_t CKelFE_Slider::GetValue() const
{
    // A thumb not yet placed since the slider got its width stands for the stored value.
    if (InnerWidth() == 0 || position_ == -1)
        return value_;
    return PixelToValue(position_);
}

double CKelFE_Slider::PercentOf(int32_t value) const
{
    if (max_ == min_)
        return 0.0;  // an empty range has no percent
    return value * (100.0 / (double(max_) - min_));
}

int32_t CKelFE_Slider::ValueOfPercent(double percent) const
{
    return int32_t(std::trunc(percent * ((double(max_) - min_) / 100.0)));
}

int32_t CKelFE_Slider::PercentToPixel(double percent) const
{
    percent = std::clamp(percent, 0.0, 100.0);
    return GetInnerRect().left + int32_t(std::trunc(percent * (InnerWidth() / 100.0)));
}

int32_t CKelFE_Slider::ValueToPixel(int32_t value) const
{
    const RECT inner = GetInnerRect();
    const int32_t width = inner.right - inner.left;
    if (max_ <= min_)
        return inner.left;  // an empty range would divide by zero
    value = std::clamp(value, min_, max_);
    const double scale = width == 0 ? 1.0 : (double(max_) - min_) / width;
    return inner.left + int32_t(std::trunc((double(value) - min_) / scale));
}

int32_t CKelFE_Slider::PixelToValue(int32_t pixel) const
{
    const RECT inner = GetInnerRect();
    const int64_t width = inner.right - inner.left;
    if (width <= 0 || step_ <= 0)
        return 0;
    const int64_t half = thumbSize_.cx / 2;
    int64_t x = pixel - int64_t(inner.left);
    x = x > half ? x : 0;
    if (x >= width - half)
        x = width;
    x = std::min(x, width);
    if (max_ <= min_)
        return min_;
    int64_t value = int64_t(MulDivRound(uint32_t(x), uint32_t(int64_t(max_) - min_), uint32_t(width))) + min_;
    const int64_t remainder = value % step_;
    if (remainder > 0)
        value = value - remainder + step_;
    return int32_t(std::clamp<int64_t>(value, min_, max_));
}

void CKelFE_Slider::SetPosition(int32_t pixel, int code)
{
    const RECT inner = GetInnerRect();
    if (inner.right - inner.left == 0) {
        position_ = -1;
        return;
    }
    pixel = std::clamp(pixel, inner.left, std::max(inner.left, inner.right));
    if (pixel != position_) {
        position_ = pixel;
        if (inner.right > inner.left)
            RepaintOverlay();
    }
    Notify(code);
}

void CKelFE_Slider::ResolveSize(SIZE& size, int32_t width, int32_t height) const
{
    const RECT inner = GetInnerRect();
    size.cx = width < 0 ? size.cx : width;
    size.cy = height < 0 ? size.cy : height;
    if (size.cx < 0)
        size.cx = inner.bottom - inner.top;
    if (size.cy < 0)
        size.cy = (inner.bottom - inner.top) / 2;
}

void CKelFE_Slider::SetThumbSize(int32_t width, int32_t height) { ResolveSize(thumbSize_, width, height); }
void CKelFE_Slider::SetMarkSize(int32_t halfWidth, int32_t height) { ResolveSize(markSize_, halfWidth, height); }

void CKelFE_Slider::SetMarks(const CMarkArray* marks)
{
    marks_.Copy(marks);
    Invalidate();
}

void CKelFE_Slider::AddMark(int32_t value)
{
    marks_.Add(uint32_t(value));
    Invalidate();
}

void CKelFE_Slider::StepUp()
{
    const int64_t value = int64_t(GetValue()) + int64_t(step_) * repeatCount_;
    SetPosition(ValueToPixel(int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX))), KFE_DRAG);
}

void CKelFE_Slider::StepDown()
{
    int64_t value = GetValue();
    if (step_ > 0 && value % step_ > 0)
        value += step_ - value % step_;
    value -= int64_t(step_) * repeatCount_;
    SetPosition(ValueToPixel(int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX))), KFE_DRAG);
}

void CKelFE_Slider::FillMemDC(HDC dc)
{
    CKelFrameElement::FillMemDC(dc);
    if (markStyle_ == 0)
        return;
    const RECT in = GetInnerRect();
    for (const uint32_t mark : marks_.Values()) {
        const int32_t x = ValueToPixel(int32_t(mark));
        const int32_t left = std::max(in.left, x - markSize_.cx), right = std::min(in.right, x + markSize_.cx);
        if (markStyle_ & KFS_MARKS_TOP)
            Triangle(dc, {x, in.top}, {left, in.top + markSize_.cy}, {right, in.top + markSize_.cy}, kMarkColor, bkColor_);
        if (markStyle_ & KFS_MARKS_BOTTOM) {
            const int32_t base = in.bottom - 1 - markSize_.cy;
            Triangle(dc, {x, in.bottom - 1}, {left, base}, {right, base}, kMarkColor, bkColor_);
        }
    }
}

void CKelFE_Slider::DrawOverlay(HDC dc)
{
    if (position_ == -1)
        SetPosition(ValueToPixel(value_), KFE_NONE);
    if (style_ == 0 || position_ == -1)
        return;
    if (lastAction_ == kDrag)
        DrawDragText(dc);
    if ((style_ & KFS_THUMB_BITMAP) && !DrawThumbBitmap(dc))
        return;
    DrawTriangles(dc);
    DrawThumbRect(dc);
    if (style_ & KFS_THUMB_INVERT) {
        const RECT in = GetInnerRect();
        const int32_t thumbLeft = std::max(in.left, position_ - thumbSize_.cx / 2);
        BitBlt(dc, in.left, in.top, thumbLeft - in.left, in.bottom - in.top, nullptr, 0, 0, DSTINVERT);
    }
}

std::string CKelFE_Slider::ValueText(int32_t value) const
{
    char text[32];
    if (min_ != 0)
        std::snprintf(text, sizeof text, "%ld", long(value));
    else
        std::snprintf(text, sizeof text, "%2.0lf%%", PercentOf(value));
    return text;
}

void CKelFE_Slider::DrawDragText(HDC dc) const
{
    const int32_t value = GetValue();
    const std::string text = ValueText(value);
    RECT r;
    GetClientRect(GetSafeHwnd(), &r);
    // The text stands on the side away from the thumb.
    UINT format = DT_VCENTER | DT_SINGLELINE;
    if (value <= (max_ + min_) / 2) {
        r.right -= 4;
        format |= DT_RIGHT;
    } else {
        r.left += 4;
    }
    LOGFONT logFont;
    logFont.lfHeight = 8;
    std::strcpy(logFont.lfFaceName, "Small Fonts");
    const HFONT font = CreateFontIndirect(logFont);
    const HGDIOBJ old = SelectObject(dc, font);
    zem::SetBkColor(dc, bkColor_);
    SetTextColor(dc, foreColor_);
    DrawText(dc, text, &r, format);
    SelectObject(dc, old);
    DeleteObject(font);
}

bool CKelFE_Slider::DrawThumbBitmap(HDC dc) const
{
    const RECT in = GetInnerRect();
    RECT r;
    r.left = std::max(in.left, position_ - thumbSize_.cx / 2);
    if (r.left + thumbSize_.cx >= in.right)
        r.left = in.right - thumbSize_.cx;
    r.top = std::max(in.top, in.bottom - thumbSize_.cy);
    r.right = std::min(in.right, r.left + thumbSize_.cx);
    r.bottom = std::min(in.bottom, r.top + thumbSize_.cy);
    const HBITMAP bitmap = LoadBitmap(thumbBitmap_);
    SIZE size;
    if (!bitmap || !GetBitmapSize(bitmap, &size))
        return false;
    const HDC source = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(source, bitmap);
    const bool drawn = old != nullptr;
    if (drawn)
        StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0, size.cx, size.cy, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(bitmap);
    return drawn;
}

void CKelFE_Slider::DrawTriangles(HDC dc) const
{
    const RECT in = GetInnerRect();
    const int32_t left = std::max(in.left, position_ - thumbSize_.cx);
    const int32_t right = std::min(in.right, position_ + thumbSize_.cx);
    if (style_ & KFS_THUMB_TRIANGLE_BOTTOM) {
        const int32_t base = in.bottom - thumbSize_.cy;
        Triangle(dc, {position_, in.bottom}, {left, base}, {right, base}, foreColor_, bkColor_);
    }
    if (style_ & KFS_THUMB_TRIANGLE_TOP) {
        const int32_t base = in.top + thumbSize_.cy;
        Triangle(dc, {position_, in.top}, {left, base}, {right, base}, foreColor_, bkColor_);
    }
}

void CKelFE_Slider::DrawThumbRect(HDC dc) const
{
    const uint32_t rectBits = style_ & (KFS_THUMB_RECT_SOLID | KFS_THUMB_RECT_DOT | KFS_THUMB_RECT_DASH);
    if (rectBits == 0)
        return;
    const int penStyle = (rectBits & KFS_THUMB_RECT_DASH) ? PS_DASH : (rectBits & KFS_THUMB_RECT_DOT) ? PS_DOT : PS_SOLID;
    const RECT in = GetInnerRect();
    const int32_t left = std::max(in.left, position_ - thumbSize_.cx / 2);
    const int32_t right = std::min(in.right, left + thumbSize_.cx);
    const HBRUSH brush = CreateSolidBrush(thumbColor_);
    const HPEN pen = CreatePen(penStyle, 1, thumbColor_);
    const HGDIOBJ oldBrush = SelectObject(dc, brush);
    const HGDIOBJ oldPen = SelectObject(dc, pen);
    Rectangle(dc, left, in.top, right, in.bottom);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

void CKelFE_Slider::OnMouse(UINT message, WPARAM keys, LPARAM point)
{
    const int x = GET_X_LPARAM(point);
    const HWND self = GetSafeHwnd();
    switch (message) {
    case WM_LBUTTONDOWN:
        previousFocus_ = SetFocus(self);
        CKelFrameElement::WindowProc(message, keys, point);
        if (GetActiveEdge() == 0 && mouseInput_) {
            lastAction_ = kPress;
            SetPosition(x, KFE_PRESS);
        }
        return;
    case WM_MOUSEMOVE:
        CKelFrameElement::WindowProc(message, keys, point);
        if (GetActiveEdge() == 0 && mouseInput_ && GetFocus() == self && keys == MK_LBUTTON) {
            lastAction_ = kDrag;
            SetPosition(x, KFE_DRAG);
        }
        return;
    case WM_LBUTTONUP:
        CKelFrameElement::WindowProc(message, keys, point);
        // The toolkit delivers a release outside the slider too: it ends at the clamped position.
        if (mouseInput_ && GetFocus() == self && (lastAction_ == kPress || lastAction_ == kDrag)) {
            lastAction_ = kRelease;
            SetPosition(x, KFE_RELEASE);
        }
        if (previousFocus_ && IsWindow(previousFocus_))
            SetFocus(previousFocus_);
        return;
    default:  // WM_LBUTTONDBLCLK
        lastAction_ = kDoubleClick;
        Notify(KFE_DBLCLICK);
        CKelFrameElement::WindowProc(message, keys, point);
        return;
    }
}

void CKelFE_Slider::OnKey(UINT message, WPARAM key, LPARAM flags)
{
    if (key != WPARAM(VK_LEFT) && key != WPARAM(VK_RIGHT))
        return;
    const bool right = key == WPARAM(VK_RIGHT);
    if (message == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0) {
        SendMessage(GetSafeHwnd(), WM_COMMAND, right ? ID_KFE_NEXTMARK : ID_KFE_PREVMARK, 0);
        return;
    }
    if (!keyboardInput_)
        return;
    if (message == WM_KEYUP) {
        repeatCount_ = 0;
        SetPosition(position_, KFE_RELEASE);
        return;
    }
    if (!(flags & kKeyWasDown)) {
        SetPosition(position_, KFE_PRESS);
        return;
    }
    ++repeatCount_;
    right ? StepUp() : StepDown();
}

void CKelFE_Slider::JumpToNextMark()
{
    for (const uint32_t mark : marks_.Values()) {
        const int32_t pixel = ValueToPixel(int32_t(mark));
        if (pixel > position_) {
            SetPosition(pixel, KFE_RELEASE);
            return;
        }
    }
}

void CKelFE_Slider::JumpToPreviousMark()
{
    const auto& marks = marks_.Values();
    for (size_t i = 1; i < marks.size(); ++i) {
        if (ValueToPixel(int32_t(marks[i])) >= position_) {
            SetPosition(ValueToPixel(int32_t(marks[i - 1])), KFE_RELEASE);
            return;
        }
    }
    // Right of the last mark, or with a single mark: the nearest mark left of the thumb.
    for (auto mark = marks.rbegin(); mark != marks.rend(); ++mark) {
        const int32_t pixel = ValueToPixel(int32_t(*mark));
        if (pixel < position_) {
            SetPosition(pixel, KFE_RELEASE);
            return;
        }
    }
}

bool CKelFE_Slider::OnCommand(uintptr_t id)
{
    switch (id) {
    case ID_KFE_REDRAW:
    case ID_KFE_REDRAW2:
        break;
    case ID_KFE_FONT:  // the slider's command notification
        Notify(KFE_COMMAND);
        break;
    case ID_KFE_SETMARK: {
        const HWND hwnd = GetSafeHwnd();
        CSetMarkDlg dialog(hwnd);
        dialog.value = kFirstMarkValue;
        const bool entered = dialog.DoModal() == IDOK;
        // The dialog's loop may have closed the control: its frame deletes this element only
        // after destroying the element's window.
        if (!IsWindow(hwnd))
            return true;
        if (entered)
            AddMark(dialog.value);
        break;
    }
    case ID_KFE_NEXTMARK:
        JumpToNextMark();
        break;
    case ID_KFE_PREVMARK:
        JumpToPreviousMark();
        break;
    default:
        return CKelFrameElement::OnCommand(id);
    }
    Invalidate();
    return true;
}

LRESULT CKelFE_Slider::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        OnMouse(message, wParam, lParam);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        OnKey(message, wParam, lParam);
        return 0;
    case WM_GETDLGCODE:
        return kWantArrowsAndKeys;
    default:
        return CKelFrameElement::WindowProc(message, wParam, lParam);
    }
}

}  // namespace zem
