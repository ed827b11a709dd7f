// The rulers' step tables and labels, and the scale slider's position text against them.
#include "kelframetest.h"

#include "KelFrame/kelfe_scaleslider.h"
#include "ui/input.h"

using namespace kftest;

namespace {

SysTime At(int hour, int minute, int second)
{
    SysTime t;
    t.year = 2026, t.month = 12, t.day = 9, t.hour = uint16_t(hour), t.minute = uint16_t(minute),
    t.second = uint16_t(second), t.milliseconds = 0;
    return t;
}

class RulerTest : public FrameFixture {
protected:
    // A scale slider filling a 600 x 40 frame, no borders: inner x 0..600.
    CKelFE_ScaleSlider* Scale(int32_t minimum, int32_t maximum)
    {
        MoveWindow(top_, 0, 0, 700, 200);
        MoveWindow(frame_->GetSafeHwnd(), 0, 0, 600, 40);
        UseOneCell();
        auto* slider = new CKelFE_ScaleSlider(frame_);
        frame_->AddElement(slider);
        slider->SetCell("C00R00");
        slider->SetRange(minimum, maximum);
        slider->SetStep(1);
        frame_->ShowLayout();
        Settle();
        return slider;
    }
};

// Each major tick as its label, or "|" where the label would stick out.
std::vector<std::string> Majors(const CKelRuler::Layout& layout)
{
    std::vector<std::string> out;
    for (const auto& tick : layout.majors)
        out.push_back(tick.label.empty() ? "|" : tick.label);
    return out;
}

TEST_F(RulerTest, ChoosesStepsAndLabelsPerMode)
{
    struct Case {
        const char* name;
        int32_t mode, minimum, maximum;
        SysTime start, end;
        int charWidth;
        std::vector<std::string> majors;
        size_t minors;
        std::string unit;
    };
    const Case cases[] = {
        // 1 s, 5 s, 10 s and 30 s taken in turn; majors every 30 s, minors every 10 s.
        {"95 s", 1, 0, 95, At(10, 0, 0), At(10, 1, 35), 5, {" 10:00:30 ", " 10:01:00 ", " 10:01:30 "}, 11, "hms(a)"},
        {"95 s elapsed", 2, 0, 95, At(10, 0, 0), At(10, 1, 35), 5, {" 00:00:30 ", " 00:01:00 ", " 00:01:30 "}, 11, "hms(r)"},
        // The seconds rows fail, 30 min is the last taken; the hour row needs less than P.
        // The label at the right end would stick out.
        {"hours", 1, 0, 9780, At(10, 17, 0), At(13, 0, 0), 5,
         {" 10:30 ", " 11:00 ", " 11:30 ", " 12:00 ", " 12:30 ", "|"}, 17, "hm(a)"},
        {"under two seconds", 1, 0, 1, At(10, 0, 0), At(10, 0, 1), 5, {}, 0, ""},
        {"time mode without range", 1, 0, 100, SysTime(), SysTime(), 5, {}, 0, ""},
        {"percent, n 10", 4, 0, 100, {}, {}, 5, {"|", " 25% ", " 50% ", " 75% "}, 36, "(%)"},
        {"percent, n 0", 4, 0, 100, {}, {}, 100, {"|"}, 9, "(%)"},
        {"number 0..1000, n 8", 3, 0, 1000, {}, {}, 8,
         {" 100 ", " 200 ", " 300 ", " 400 ", " 500 ", " 600 ", " 700 ", " 800 ", " 900 "}, 90, ""},
        {"number 0..5, n 1", 3, 0, 5, {}, {}, 100, {"|", " 2 ", " 3 ", "|"}, 0, ""},
        {"number 0..5, n 5", 3, 0, 5, {}, {}, 20, {}, 0, ""},
        {"number, no pair fits", 3, 0, 5, {}, {}, 1000, {}, 0, ""},
        {"number 33..300, n 2", 3, 33, 300, {}, {}, 25, {" 100 ", " 200 "}, 24, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CKelFE_ScaleSlider* slider = Scale(c.minimum, c.maximum);
        const RECT area = slider->GetInnerRect();
        ASSERT_EQ(area.right - area.left, 600);
        const CKelRuler::Measure measure = [&](const std::string& text) {
            return SIZE{int32_t(text.size()) * c.charWidth, 10};
        };
        CKelRuler ruler;
        CKelRuler::Layout layout;
        if (c.mode == CKelRuler::kPercent)
            layout = ruler.LayoutPercent(*slider, area, measure);
        else if (c.mode == CKelRuler::kNumber)
            layout = ruler.LayoutNumber(*slider, area, measure);
        else
            layout = ruler.LayoutTime(*slider, area, c.start.IsNull() ? 0 : c.start.ToCTime(),
                                      c.end.IsNull() ? 0 : c.end.ToCTime(), c.start.IsNull() ? 0.0 : 1.0,
                                      c.mode == CKelRuler::kRelativeTime, measure);
        EXPECT_EQ(Majors(layout), c.majors);
        EXPECT_EQ(layout.minors.size(), c.minors);
        EXPECT_EQ(ruler.GetUnitLabel(), c.unit);
        DestroyWindow(slider->GetSafeHwnd());
    }
}

TEST_F(RulerTest, PositionTextMatchesTheRuler)
{
    struct Case {
        int32_t mode, minimum, maximum, seconds, value;
        std::string text;
    };
    const Case cases[] = {
        // One pixel per second: the thumb on a tick reads as that tick's label.
        {1, 0, 600, 600, 90, "10:01:30.0"},
        {2, 0, 600, 600, 90, "00:01:30.0"},
        {1, 0, 600, 60, 305, "10:00:30.5"},
        // A range that does not start at 0 counts from its minimum, like the ruler.
        {1, 100, 700, 600, 190, "10:01:30.0"},
        {4, 100, 700, 600, 250, "25.0%"},
        {3, 0, 600, 600, 90, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CKelFE_ScaleSlider* slider = Scale(c.minimum, c.maximum);
        const SysTime start = At(10, 0, 0), end = At(10, c.seconds / 60, c.seconds % 60);
        slider->SetTimeRange(start, end);
        EXPECT_EQ(slider->GetScaleMode(), CKelRuler::kAbsoluteTime);
        slider->SetScaleMode(c.mode);
        slider->SetValue(c.value, KFE_NONE);
        EXPECT_EQ(slider->FormatPosition(), c.text);
        if (c.mode == CKelRuler::kAbsoluteTime && c.seconds == 600) {
            // The thumb put on the ruler's first major tick reads as that tick's time.
            const CKelRuler::Layout layout = CKelRuler().LayoutTime(
                *slider, slider->GetInnerRect(), start.ToCTime(), end.ToCTime(), slider->GetUnitsPerSecond(), false,
                [](const std::string& t) { return SIZE{int32_t(t.size()) * 5, 10}; });
            ASSERT_FALSE(layout.majors.empty());
            EXPECT_EQ(layout.majors[0].label, " 10:05 ");
            slider->SetPosition(layout.majors[0].x, KFE_NONE);
            EXPECT_EQ(slider->FormatPosition(), "10:05:00.0");
        }
        DestroyWindow(slider->GetSafeHwnd());
    }
}

TEST_F(RulerTest, DoubleClickCyclesModesAndEmptyRangeClearsTimes)
{
    CKelFE_ScaleSlider* slider = Scale(0, 600);
    slider->AddLinkedWindow(log_.Window());
    const auto cycle = [&](std::vector<int32_t> expected) {
        for (int32_t mode : expected) {
            SimulateMouse(slider->GetSafeHwnd(), WM_LBUTTONDBLCLK, 10, 10, MK_LBUTTON);
            EXPECT_EQ(slider->GetScaleMode(), mode);
        }
    };
    cycle({4, 3, 4, 3});
    slider->SetTimeRange(At(10, 0, 0), At(10, 0, 0));  // empty: both null, mode kept
    SysTime start, end;
    slider->GetTimeRange(start, end);
    EXPECT_TRUE(start.IsNull() && end.IsNull());
    EXPECT_EQ(slider->GetScaleMode(), 3);
    slider->SetTimeRange(At(10, 0, 0), At(10, 10, 0));
    cycle({2, 4, 1, 2});
    EXPECT_TRUE(log_.Of(KFE_NOTIFY).empty());  // a double click is not reported here
}

}  // namespace
