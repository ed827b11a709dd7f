#include "KelFrame/kelruler.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace zem {
namespace {

// One span of the time ruler, finest first.
struct TimeRow {
    int64_t span;  // seconds
    const char* format;
    int needFactor;  // label widths a tick spacing must exceed
    const char* unit;
};

constexpr std::array<TimeRow, 9> kTimeRows{{
    {1, " %H:%M:%S ", 2, "hms"},
    {5, " %H:%M:%S ", 2, "hms"},
    {10, " %H:%M:%S ", 2, "hms"},
    {30, " %H:%M:%S ", 2, "hms"},
    {60, " %H:%M ", 2, "hm"},
    {300, " %H:%M ", 2, "hm"},
    {600, " %H:%M ", 2, "hm"},
    {1800, " %H:%M ", 2, "hm"},
    {3600, " %H ", 1, "h"},
}};

constexpr const char* kPercentFormat = " %2.0lf%% ";
constexpr const char* kNumberFormat = " %ld ";

std::string TimeText(int64_t seconds, const char* format, bool local)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm fields{};
    if (!(local ? localtime_r(&t, &fields) : gmtime_r(&t, &fields)))
        return {};
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &fields));
}

std::string PercentText(double percent)
{
    char text[32];
    std::snprintf(text, sizeof text, kPercentFormat, percent);
    return text;
}

std::string NumberText(int64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, kNumberFormat, long(value));
    return text;
}

// The first tick of a row: the next whole span after start on the local clock.
int64_t FirstTick(const TimeRow& row, int64_t start)
{
    const std::time_t t = static_cast<std::time_t>(start);
    std::tm clock{};
    localtime_r(&t, &clock);
    if (row.span < 60)
        return start - clock.tm_sec % row.span + row.span;
    return start - (clock.tm_min % (row.span / 60)) * 60 - clock.tm_sec + row.span;
}

int32_t ValuePixel(const CKelFE_Slider& slider, int64_t value)
{
    return slider.ValueToPixel(int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)));
}

}  // namespace

CKelRuler::Tick CKelRuler::Major(int32_t x, const std::string& label, const RECT& area, int32_t labelLeft,
                                 const Measure& measure)
{
    Tick tick{x, kMajorTick, label, area};
    const int32_t w = measure(label).cx;
    tick.labelRect.left = x - w / 2;
    tick.labelRect.right = tick.labelRect.left + w;
    if (tick.labelRect.left < labelLeft || tick.labelRect.right > area.right)
        tick.label.clear();  // sticks out: the tick stays, the label goes
    return tick;
}

int32_t CKelRuler::PlaceUnit(Layout& layout, const RECT& area, const Measure& measure) const
{
    if (unitLabel_.empty())
        return area.left;
    const SIZE size = measure(unitLabel_);
    layout.unitRect = RECT{area.left, area.top, area.left + size.cx, area.top + size.cy};
    return layout.unitRect.right;
}

CKelRuler::Layout CKelRuler::LayoutTime(const CKelFE_Slider& slider, const RECT& area, int64_t start,
                                        int64_t end, double unitsPerSecond, bool relative,
                                        const Measure& measure)
{
    Layout layout;
    const int64_t width = area.right - area.left;
    // Without a range of at least a second there is nothing to divide.
    if (width <= 0 || end <= start || unitsPerSecond <= 0) {
        PlaceUnit(layout, area, measure);
        return layout;
    }
    const int64_t duration = end - start;
    int64_t spacing = 0, step = 0, previousStep = 0, tick = 0;
    const TimeRow* taken = nullptr;
    for (const TimeRow& row : kTimeRows) {
        int64_t n = duration / row.span;
        if (n == 0)
            n = width;
        const int64_t need = row.needFactor * int64_t(measure(TimeText(start, row.format, true)).cx);
        if (width / n > 2 && n > 1 && spacing < need) {
            previousStep = step;
            spacing = width / n;
            step = row.span;
            tick = FirstTick(row, start);
            taken = &row;
        }
    }
    const auto x = [&](int64_t t) {
        return ValuePixel(slider, slider.GetMin() + int64_t(std::trunc(double(t - start) * unitsPerSecond)));
    };
    if (taken) {
        unitLabel_ = std::string(taken->unit) + (relative ? "(r)" : "(a)");
        labelFormat_ = taken->format;
    }
    if (previousStep > 0 && previousStep != step) {
        int64_t t = tick;
        while (t >= start)
            t -= previousStep;
        while (t < end) {
            t += previousStep;
            layout.minors.push_back({x(t), kMinorTick, {}, {}});
        }
    }
    const int32_t labelLeft = PlaceUnit(layout, area, measure);
    if (!taken)
        return layout;
    for (; tick <= end; tick += step) {
        const std::string label = relative ? TimeText(tick - start, taken->format, false)
                                           : TimeText(tick, taken->format, true);
        layout.majors.push_back(Major(x(tick), label, area, labelLeft, measure));
    }
    return layout;
}

CKelRuler::Layout CKelRuler::LayoutPercent(const CKelFE_Slider& slider, const RECT& area, const Measure& measure)
{
    Layout layout;
    labelFormat_ = kPercentFormat;
    unitLabel_ = "(%)";
    const int32_t need = 2 * measure(PercentText(99.99)).cx;
    const int32_t n = need > 0 ? (area.right - area.left) / need : 0;
    const int32_t step = n >= 100 ? 0 : n >= 50 ? 1 : n >= 25 ? 10 : n >= 10 ? 25 : n >= 1 ? 50 : 100;
    // Minor ticks every tenth of a step, counted in tenths of a percent so none drifts.
    const int32_t minor = step;
    for (int32_t k = 1; minor > 0 && (k - 1) * minor < 1000; ++k)
        if (k % 10 != 0)
            layout.minors.push_back({slider.PercentToPixel(k * minor / 10.0), kMinorTick, {}, {}});
    const int32_t labelLeft = PlaceUnit(layout, area, measure);
    for (int32_t v = 0; step > 0 && v < 100; v += step)
        layout.majors.push_back(Major(slider.PercentToPixel(v), PercentText(v), area, labelLeft, measure));
    return layout;
}

CKelRuler::Layout CKelRuler::LayoutNumber(const CKelFE_Slider& slider, const RECT& area, const Measure& measure)
{
    Layout layout;
    labelFormat_ = kNumberFormat;
    unitLabel_.clear();
    const int64_t min = slider.GetMin(), max = slider.GetMax();
    const int32_t need = measure(NumberText(min)).cx + measure(NumberText(max)).cx;
    const int64_t n = need > 0 ? (area.right - area.left) / need : 0;
    // Not even one pair of labels fits: the top line alone.
    if (n <= 0 || max <= min)
        return layout;
    const double q = std::max(1.0, double(max - min) / double(n));
    int64_t step = int64_t(std::trunc(std::pow(10.0, std::ceil(std::log10(q)))));
    if ((max - min) / step < 10)
        step /= 10;
    const int64_t minor = step / 10;
    const int64_t first = step > 0 ? min + step - min % step : 0;
    if (minor != step && minor > 0) {
        int64_t v = first;
        while (v >= min)
            v -= minor;
        while (v < max) {
            v += minor;
            if ((v / minor) % 10 != 0)
                layout.minors.push_back({ValuePixel(slider, v), kMinorTick, {}, {}});
        }
    }
    if (step <= 0)
        return layout;
    for (int64_t v = first; v < max; v += step)
        layout.majors.push_back(Major(ValuePixel(slider, v), NumberText(v), area, area.left, measure));
    return layout;
}

void CKelRuler::Paint(HDC dc, const CKelFE_Slider& slider, const RECT& area, int32_t mode, int64_t start,
                      int64_t end, double unitsPerSecond)
{
    if (mode < kAbsoluteTime || mode > kPercent)
        return;
    const HPEN pen = CreatePen(PS_SOLID, 1, slider.GetForeColor());
    LOGFONT logFont;
    logFont.lfHeight = 10;
    std::snprintf(logFont.lfFaceName, sizeof logFont.lfFaceName, "%s", "Small Fonts");
    const HFONT font = CreateFontIndirect(logFont);
    const HGDIOBJ oldPen = SelectObject(dc, pen);
    const HGDIOBJ oldFont = SelectObject(dc, font);

    const Measure measure = [dc, &area](const std::string& text) {
        RECT r = area;
        DrawText(dc, text, &r, DT_CALCRECT | DT_SINGLELINE | DT_BOTTOM);
        return SIZE{r.right - r.left, r.bottom - r.top};
    };
    Layout layout;
    if (mode == kPercent)
        layout = LayoutPercent(slider, area, measure);
    else if (mode == kNumber)
        layout = LayoutNumber(slider, area, measure);
    else
        layout = LayoutTime(slider, area, start, end, unitsPerSecond, mode == kRelativeTime, measure);

    const auto drawTick = [&](const Tick& tick) {
        MoveToEx(dc, tick.x, area.top);
        LineTo(dc, tick.x, area.top + tick.length);
        if (!tick.label.empty()) {
            RECT r = tick.labelRect;
            DrawText(dc, tick.label, &r, DT_SINGLELINE | DT_BOTTOM | DT_CENTER);
        }
    };
    for (const Tick& tick : layout.minors)
        drawTick(tick);
    if (layout.unitRect.right > layout.unitRect.left) {
        RECT r = layout.unitRect;
        DrawText(dc, unitLabel_, &r, DT_SINGLELINE | DT_BOTTOM);
    }
    for (const Tick& tick : layout.majors)
        drawTick(tick);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
    DeleteObject(pen);
    DeleteObject(font);
}

}  // namespace zem
