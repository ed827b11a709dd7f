#include "KelFrame/kelfe_scaleslider.h"

#include "ui/input.h"
#include "ui/window.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace zem {
namespace {

// "HH:MM:SS.t" of s seconds after base: clock time (local) or, without a base, elapsed time.
std::string ClockWithTenths(double s, const SysTime* base)
{
    const int64_t whole = int64_t(std::trunc(s));
    const int64_t tenths = int64_t(std::trunc(s * 10)) % 10;
    const std::time_t t = static_cast<std::time_t>(base ? base->ToCTime() + whole : whole);
    std::tm fields{};
    if (!(base ? localtime_r(&t, &fields) : gmtime_r(&t, &fields)))
        return {};
    char clock[32];
    std::strftime(clock, sizeof clock, "%H:%M:%S", &fields);
    char text[48];
    std::snprintf(text, sizeof text, "%s.%1.1d", clock, int(tenths));
    return text;
}

}  // namespace

CKelFE_ScaleSlider::CKelFE_ScaleSlider(CKelFrame* frame) : CKelFE_Slider(frame, 0)
{
    SetType(KFE_TYPE_SCALESLIDER);
}

CKelFE_ScaleSlider::~CKelFE_ScaleSlider() = default;

void CKelFE_ScaleSlider::SetScaleMode(int32_t mode)
{
    if (mode == scaleMode_)
        return;
    scaleMode_ = mode;
    Refresh();
}

void CKelFE_ScaleSlider::SetTimeRange(const SysTime& start, const SysTime& end)
{
    if (start.Compare(end) >= 0) {
        startTime_.SetNull();
        endTime_.SetNull();
        return;
    }
    startTime_ = start;
    endTime_ = end;
    const double seconds = double(end.DiffSeconds(start));
    // Under a second there is no rate: time texts and time rulers stay empty.
    unitsPerSecond_ = seconds > 0 ? (double(GetMax()) - GetMin()) / seconds : 0.0;
    if (scaleMode_ != CKelRuler::kAbsoluteTime && scaleMode_ != CKelRuler::kRelativeTime &&
        scaleMode_ != CKelRuler::kPercent)
        SetScaleMode(CKelRuler::kAbsoluteTime);
}

void CKelFE_ScaleSlider::GetTimeRange(SysTime& start, SysTime& end) const
{
    start = startTime_;
    end = endTime_;
}

std::string CKelFE_ScaleSlider::FormatPosition() const
{
    const int32_t value = GetValue();
    if (scaleMode_ == CKelRuler::kPercent) {
        char text[32];
        // Measured from the minimum, as the percent ruler places its ticks; no range, no percent.
        const double range = double(GetMax()) - GetMin();
        std::snprintf(text, sizeof text, "%2.1lf%%", range > 0 ? (double(value) - GetMin()) * 100.0 / range : 0.0);
        return text;
    }
    const bool time = scaleMode_ == CKelRuler::kAbsoluteTime || scaleMode_ == CKelRuler::kRelativeTime;
    if (!time || unitsPerSecond_ <= 0 || startTime_.IsNull())
        return {};
    // Measured from the minimum, as the ruler places its ticks.
    const double seconds = (double(value) - GetMin()) / unitsPerSecond_;
    return ClockWithTenths(seconds, scaleMode_ == CKelRuler::kAbsoluteTime ? &startTime_ : nullptr);
}

void CKelFE_ScaleSlider::Refresh()
{
    if (IsWindow(GetSafeHwnd()))
        InvalidateRect(GetSafeHwnd(), nullptr, true);
}

void CKelFE_ScaleSlider::FillMemDC(HDC dc)
{
    CKelFE_Slider::FillMemDC(dc);
    const RECT inner = GetInnerRect();
    if (inner.right <= inner.left)
        return;
    zem::SetBkColor(dc, bkColor_);
    SetTextColor(dc, foreColor_);
    const HPEN pen = CreatePen(PS_SOLID, 1, foreColor_);
    const HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, inner.left, inner.top);
    LineTo(dc, inner.right, inner.top);
    SelectObject(dc, old);
    DeleteObject(pen);
    const bool timed = !startTime_.IsNull() && !endTime_.IsNull();
    ruler_.Paint(dc, *this, inner, scaleMode_, timed ? startTime_.ToCTime() : 0,
                 timed ? endTime_.ToCTime() : 0, unitsPerSecond_);
}

LRESULT CKelFE_ScaleSlider::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDBLCLK) {
        OnLButtonDblClk(wParam, lParam);
        return 0;
    }
    return CKelFE_Slider::WindowProc(message, wParam, lParam);
}

void CKelFE_ScaleSlider::OnLButtonDblClk(WPARAM, LPARAM)
{
    if (startTime_.IsNull() && endTime_.IsNull()) {
        SetScaleMode(scaleMode_ == CKelRuler::kPercent ? CKelRuler::kNumber : CKelRuler::kPercent);
        return;
    }
    switch (scaleMode_) {
    case CKelRuler::kAbsoluteTime:
        SetScaleMode(CKelRuler::kRelativeTime);
        break;
    case CKelRuler::kRelativeTime:
        SetScaleMode(CKelRuler::kPercent);
        break;
    default:
        SetScaleMode(CKelRuler::kAbsoluteTime);
        break;
    }
}

}  // namespace zem
