// The tick rulers a scale slider paints over itself: clock or elapsed time, plain numbers or
// percent. The ruler lays out its ticks and labels first (so a layout can be checked without
// pixels) and then draws them. Positions come from the slider's own value and percent mapping,
// so a tick stands exactly where the thumb of that value would. UI thread only.
#pragma once

#include "KelFrame/kelfe_slider.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zem {

class CKelRuler {
public:
    enum Mode : int32_t { kNone = 0, kAbsoluteTime = 1, kRelativeTime = 2, kNumber = 3, kPercent = 4 };

    static constexpr int kMinorTick = 4;
    static constexpr int kMajorTick = 7;

    struct Tick {
        int32_t x = 0;
        int32_t length = 0;   // kMinorTick or kMajorTick
        std::string label;    // empty: no label (a minor tick, or one that would stick out)
        RECT labelRect{};
    };

    // What one paint draws, in drawing order: minors, the unit label, majors.
    struct Layout {
        std::vector<Tick> minors;
        std::vector<Tick> majors;
        RECT unitRect{};  // where the unit label goes; empty when there is none
    };

    // Pixel size of a label in the ruler's font.
    using Measure = std::function<SIZE(const std::string&)>;

    // The time rulers. start and end are whole-second local times (seconds since 1970);
    // unitsPerSecond turns seconds after start into slider values above its minimum.
    Layout LayoutTime(const CKelFE_Slider& slider, const RECT& area, int64_t start, int64_t end,
                      double unitsPerSecond, bool relative, const Measure& measure);
    Layout LayoutPercent(const CKelFE_Slider& slider, const RECT& area, const Measure& measure);
    Layout LayoutNumber(const CKelFE_Slider& slider, const RECT& area, const Measure& measure);

    // Lays out and draws the ruler of mode under area's top line (which the caller draws);
    // modes outside 1-4 draw nothing. Selects its own pen and font and puts the old ones back.
    void Paint(HDC dc, const CKelFE_Slider& slider, const RECT& area, int32_t mode, int64_t start,
               int64_t end, double unitsPerSecond);

    // Unit letters with the mode suffix ("hms(a)"), or "(%)"; kept from paint to paint.
    const std::string& GetUnitLabel() const { return unitLabel_; }
    // The format of the tick labels of the last ruler laid out.
    const std::string& GetLabelFormat() const { return labelFormat_; }

private:
    // A labelled major tick at x; the label is dropped when it leaves [labelLeft, area.right].
    static Tick Major(int32_t x, const std::string& label, const RECT& area, int32_t labelLeft,
                      const Measure& measure);
    // The unit label at the top left of area; returns the label area's new left edge.
    int32_t PlaceUnit(Layout& layout, const RECT& area, const Measure& measure) const;

    std::string unitLabel_;
    std::string labelFormat_;
};

}  // namespace zem
