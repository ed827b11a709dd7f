// The slider: value and pixel mapping with snapping, mouse and key reports, mark jumps, the
// set-mark dialog and what the thumb and marks look like.
#include "kelframetest.h"

#include "KelFrame/kelbitmaps.h"
#include "KelFrame/kelfe_slider.h"
#include "ui/input.h"
#include "ui/messagebox.h"
#include "ui/modaldialog.h"

using namespace kftest;

namespace {

constexpr COLORREF kBack = RGB(0, 0x97, 0x4b);

class SliderTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        RegisterKelBitmaps();
        UseOneCell();
        linked_ = log_.Window();
    }
    void TearDown() override
    {
        SetModalDialogHook({});
        FrameFixture::TearDown();
    }
    // A slider over the whole frame (201 x 100) with the player's borders: inner x 3..200.
    CKelFE_Slider* Slider(int32_t minimum, int32_t maximum, int32_t step, uint32_t style = KFS_THUMB_RECT_SOLID)
    {
        auto* slider = new CKelFE_Slider(frame_, style);
        frame_->AddElement(slider);
        slider->SetCell("C00R00");
        slider->SetBkColor(kBack);
        slider->SetBorderOuter(2, 4, 0, 2, 0, 0, 0, -1);
        slider->SetBorderInner(1, 0, 1, 1, RGB(192, 192, 192), 0, 0, -1);
        slider->SetRange(minimum, maximum);
        slider->SetStep(step);
        slider->AddLinkedWindow(linked_);
        frame_->ShowLayout();
        Settle();
        slider->SetThumbSize(32, 16);
        return slider;
    }
    std::vector<WPARAM> Codes() const
    {
        std::vector<WPARAM> codes;
        for (const auto& e : log_.Of(KFE_NOTIFY))
            codes.push_back(e.wParam);
        return codes;
    }

    HWND linked_ = nullptr;
};

TEST_F(SliderTest, MapsValuesToPixelsAndBack)
{
    struct Case {
        int32_t minimum, maximum, step;
        bool toPixel;
        int32_t in, out;
    };
    const Case cases[] = {
        {0, 255, 1, true, 0, 3},       {0, 255, 1, true, 255, 200},  {0, 255, 1, true, 128, 101},
        {0, 255, 1, true, -5, 3},      {0, 255, 1, true, 300, 200},  {0, 255, 1, false, 101, 127},
        {0, 255, 1, false, 13, 0},     {0, 255, 1, false, -20, 0},   {0, 255, 1, false, 184, 255},
        {0, 255, 1, false, 183, 233},  {0, 255, 10, false, 101, 130}, {0, 255, 10, false, 196, 255},
        {33, 300, 1, true, 33, 3},     {33, 300, 1, true, 300, 200}, {33, 300, 1, true, 100, 52},
        {33, 300, 1, true, 10, 3},     {33, 300, 1, false, 52, 99},  {33, 300, 1, false, 19, 33},
        {33, 300, 1, false, 20, 56},   {33, 300, 1, false, 184, 300}, {33, 300, 25, false, 52, 100},
        {33, 300, 25, false, 20, 75},
    };
    CKelFE_Slider* slider = Slider(0, 1, 1);
    ASSERT_EQ(slider->GetInnerRect().left, 3);
    ASSERT_EQ(slider->GetInnerRect().right, 200);
    for (const Case& c : cases) {
        slider->SetRange(c.minimum, c.maximum);
        slider->SetStep(c.step);
        const int32_t got = c.toPixel ? slider->ValueToPixel(c.in) : slider->PixelToValue(c.in);
        EXPECT_EQ(got, c.out) << c.minimum << ".." << c.maximum << " step " << c.step << (c.toPixel ? " value " : " pixel ")
                              << c.in;
    }
}

TEST_F(SliderTest, EmptyRangeAndZeroStepDoNotDivideByZero)
{
    CKelFE_Slider* slider = Slider(5, 5, 1);
    EXPECT_EQ(slider->ValueToPixel(5), 3);
    EXPECT_EQ(slider->PercentOf(5), 0.0);
    EXPECT_EQ(slider->PercentToPixel(50.0), 3 + 98);
    EXPECT_EQ(slider->PercentToPixel(150.0), 200);
    EXPECT_EQ(slider->PixelToValue(100), 5);
    slider->SetValue(9, KFE_NONE);
    EXPECT_EQ(slider->GetValue(), 5);

    slider->SetRange(0, 1);
    slider->SetStep(5);
    EXPECT_EQ(slider->GetStep(), 0);
    slider->SetValue(1, KFE_NONE);
    SimulateKey(slider->GetSafeHwnd(), VK_LEFT, true);
    SimulateKey(slider->GetSafeHwnd(), VK_LEFT, true, true);
    SimulateKey(slider->GetSafeHwnd(), VK_LEFT, false);
    EXPECT_EQ(Codes(), (std::vector<WPARAM>{1, 2, 3}));
}

TEST_F(SliderTest, DragReportsPressDragAndReleaseOutsideAtTheClampedEnd)
{
    CKelFE_Slider* slider = Slider(0, 255, 1);
    const HWND hwnd = slider->GetSafeHwnd();
    SimulateMouse(hwnd, WM_LBUTTONDOWN, 101, 50, MK_LBUTTON);
    SimulateMouse(hwnd, WM_MOUSEMOVE, 150, 50, MK_LBUTTON);
    Settle();  // the thumb is drawn with the value beside it
    EXPECT_EQ(slider->GetLastAction(), CKelFE_Slider::kDrag);
    SimulateMouse(hwnd, WM_LBUTTONUP, 400, 50, 0);
    EXPECT_EQ(Codes(), (std::vector<WPARAM>{1, 2, 3}));
    EXPECT_EQ(slider->GetLastAction(), CKelFE_Slider::kRelease);
    EXPECT_EQ(slider->GetPosition(), 200);
    EXPECT_EQ(slider->GetValue(), 255);

    log_.entries.clear();
    SimulateMouse(hwnd, WM_LBUTTONUP, -30, 50, 0);  // no press before it
    EXPECT_TRUE(Codes().empty());
}

TEST_F(SliderTest, HeldArrowKeyStepsFartherWithEachRepeat)
{
    CKelFE_Slider* slider = Slider(0, 100, 10);
    slider->SetValue(20, KFE_NONE);
    const HWND hwnd = slider->GetSafeHwnd();
    SimulateKey(hwnd, VK_RIGHT, true);
    EXPECT_EQ(slider->GetValue(), 20);
    std::vector<int32_t> values;
    for (int i = 0; i < 3; ++i) {
        SimulateKey(hwnd, VK_RIGHT, true, true);
        values.push_back(slider->GetValue());
    }
    SimulateKey(hwnd, VK_RIGHT, false);
    EXPECT_EQ(values, (std::vector<int32_t>{30, 50, 80}));
    EXPECT_EQ(Codes(), (std::vector<WPARAM>{1, 2, 2, 2, 3}));

    SimulateKey(hwnd, VK_LEFT, true);
    SimulateKey(hwnd, VK_LEFT, true, true);
    EXPECT_EQ(slider->GetValue(), 70);
    SimulateKey(hwnd, VK_LEFT, false);
}

TEST_F(SliderTest, MarkJumps)
{
    struct Case {
        std::vector<int32_t> marks;
        int32_t from;
        uintptr_t command;
        int32_t to;  // -1: the thumb stays
    };
    const Case cases[] = {
        {{70, 20, 50}, 35, ID_KFE_NEXTMARK, 50},
        {{70, 20, 50}, 35, ID_KFE_PREVMARK, 20},
        {{70, 20, 50}, 50, ID_KFE_PREVMARK, 20},
        {{70, 20, 50}, 90, ID_KFE_NEXTMARK, -1},
        {{70, 20, 50}, 90, ID_KFE_PREVMARK, 70},  // right of the last mark
        {{70, 20, 50}, 10, ID_KFE_PREVMARK, 20},
        {{40}, 80, ID_KFE_PREVMARK, 40},          // a single mark
        {{40}, 10, ID_KFE_PREVMARK, -1},
        {{}, 50, ID_KFE_PREVMARK, -1},
    };
    CKelFE_Slider* slider = Slider(0, 100, 1);
    for (const Case& c : cases) {
        slider->SetMarks(nullptr);
        for (int32_t mark : c.marks)
            slider->AddMark(mark);
        slider->SetValue(c.from, KFE_NONE);
        log_.entries.clear();
        SendMessage(slider->GetSafeHwnd(), WM_COMMAND, c.command, 0);
        const bool moves = c.to != -1;
        EXPECT_EQ(slider->GetValue(), moves ? c.to : c.from) << c.from << " command " << c.command;
        EXPECT_EQ(Codes(), moves ? std::vector<WPARAM>{3} : std::vector<WPARAM>{}) << c.from;
    }
}

TEST_F(SliderTest, ControlArrowsJumpBetweenMarksEvenWithKeysOff)
{
    CKelFE_Slider* slider = Slider(0, 100, 1);
    slider->EnableKeyboardInput(0);
    for (int32_t mark : {70, 20, 50})
        slider->AddMark(mark);
    slider->SetValue(35, KFE_NONE);
    const HWND hwnd = slider->GetSafeHwnd();
    SimulateKey(hwnd, VK_CONTROL, true);
    SimulateKey(hwnd, VK_RIGHT, true);
    EXPECT_EQ(slider->GetValue(), 50);
    SimulateKey(hwnd, VK_LEFT, true);
    EXPECT_EQ(slider->GetValue(), 20);
    SimulateKey(hwnd, VK_CONTROL, false);
    SimulateKey(hwnd, VK_RIGHT, true, true);  // keys off: a plain step does nothing
    EXPECT_EQ(slider->GetValue(), 20);
    SimulateKey(hwnd, VK_RIGHT, false);  // key-ups report nothing with keys off
    SimulateKey(hwnd, VK_LEFT, false);
    EXPECT_EQ(Codes(), (std::vector<WPARAM>{3, 3}));
}

TEST_F(SliderTest, DragTextIsPercentOnlyFromZero)
{
    struct Case {
        int32_t minimum, maximum, value;
        const char* text;
    };
    const Case cases[] = {{0, 100, 50, "50%"}, {0, 255, 128, "50%"}, {0, 255, 3, " 1%"}, {1, 10, 5, "5"}, {33, 300, 120, "120"}};
    CKelFE_Slider* slider = Slider(0, 100, 1);
    for (const Case& c : cases) {
        slider->SetRange(c.minimum, c.maximum);
        EXPECT_EQ(slider->ValueText(c.value), c.text);
    }
}

TEST_F(SliderTest, MarksSortAsUnsignedNumbers)
{
    CMarkArray marks;
    for (uint32_t v : {70u, 0xFFFFFFFFu, 20u, 50u})
        marks.Add(v);
    EXPECT_EQ(marks.Values(), (std::vector<uint32_t>{20, 50, 70, 0xFFFFFFFF}));
}

TEST_F(SliderTest, SetMarkDialogAddsAWholeNumberOnOk)
{
    CKelFE_Slider* slider = Slider(0, 100, 1);
    struct Case {
        std::string entered;
        int answer;
        std::vector<uint32_t> marks;
    };
    const Case cases[] = {{"35", IDOK, {35}}, {"36", IDCANCEL, {}}, {"3x", IDOK, {}}};
    for (const Case& c : cases) {
        slider->SetMarks(nullptr);
        std::string offered;
        SetModalDialogHook([&](EditDialogTemplate& dialog) {
            offered = dialog.edits.at(0).text;
            EXPECT_EQ(dialog.edits.at(0).id, 1000u);
            dialog.edits.at(0).text = c.entered;
            return c.answer;
        });
        SendMessage(slider->GetSafeHwnd(), WM_COMMAND, ID_KFE_SETMARK, 0);
        EXPECT_EQ(offered, "12");
        EXPECT_EQ(slider->GetMarks().Values(), c.marks) << c.entered;
    }
}

TEST_F(SliderTest, ThumbAndMarksShowAtTheirPixels)
{
    struct Case {
        uint32_t style;
        int x, y;
        COLORREF expected;
    };
    const Case cases[] = {
        {KFS_THUMB_RECT_SOLID, 101, 50, RGB(255, 255, 0)},  // the thumb's body at value 50
        {KFS_THUMB_RECT_SOLID, 40, 50, kBack},
        {KFS_THUMB_RECT_SOLID, 150, 8, RGB(255, 0, 0)},     // a mark hanging from the top
        {KFS_THUMB_RECT_SOLID | KFS_THUMB_INVERT, 40, 50, RGB(255, 0x68, 0xb4)},
        {KFS_THUMB_BITMAP, 92, 90, RGB(255, 255, 255)},     // the volume thumb's white face
        {KFS_THUMB_BITMAP, 101, 90, RGB(0, 0, 0)},          // and its middle line
    };
    for (const Case& c : cases) {
        CKelFE_Slider* slider = Slider(0, 100, 1, c.style);
        slider->SetThumbColor(RGB(255, 255, 0));
        slider->SetThumbBitmap(IDB_THUMB_VOLUME);
        slider->SetMarkStyle(KFS_MARKS_TOP);
        slider->SetMarkSize(5, 10);
        slider->AddMark(75);
        slider->SetValue(50, KFE_NONE);
        Settle();
        const WindowImage image = GrabWindow(slider->GetSafeHwnd());
        ASSERT_EQ(image.width, 201);
        EXPECT_EQ(image.At(c.x, c.y), c.expected) << std::hex << c.style << std::dec << " at " << c.x << "," << c.y;
        DestroyWindow(slider->GetSafeHwnd());
    }
}

}  // namespace
