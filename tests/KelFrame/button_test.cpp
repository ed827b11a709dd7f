// The button element: click order at the linked windows, check states, images that follow the
// check state, right clicks that reach the element, and the bitmap resources themselves.
#include "kelframetest.h"

#include "KelFrame/kelbitmaps.h"
#include "KelFrame/kelfe_button.h"
#include "ui/bitmap.h"
#include "ui/controls.h"
#include "ui/input.h"

using namespace kftest;

namespace {

class ButtonTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        RegisterKelBitmaps();
        UseOneCell();
    }
    // Configure runs before the element window (and so the hosted button) exists.
    CKelFE_Button* Button(const std::function<void(CKelFE_Button&)>& configure = {})
    {
        auto* button = new CKelFE_Button(frame_);
        if (configure)
            configure(*button);
        frame_->AddElement(button);
        button->SetCell("C00R00");
        frame_->ShowLayout();
        Settle();
        return button;
    }
};

TEST_F(ButtonTest, ClickReachesLinkedWindowsAsButtonIdThenCommandId)
{
    CKelFE_Button* button = Button();
    button->SetCommandId(32802);
    const HWND first = log_.Window(), second = log_.Window();
    button->AddLinkedWindow(first);
    button->AddLinkedWindow(second);
    SendMessage(button->GetButtonHwnd(), BM_CLICK, 0, 0);
    std::vector<std::pair<HWND, WPARAM>> got;
    for (const auto& e : log_.Of(WM_COMMAND))
        got.emplace_back(e.hwnd, e.wParam);
    const std::vector<std::pair<HWND, WPARAM>> expected{{first, 1}, {second, 1}, {first, 32802}, {second, 32802}};
    EXPECT_EQ(got, expected);
}

TEST_F(ButtonTest, BitmapsAndCheckStates)
{
    auto* loose = new CKelFE_Button(frame_);
    EXPECT_EQ(loose->GetCheck(), 2);  // no button yet
    loose->SetButtonStyle(BS_CHECKBOX);
    loose->SetBitmaps(10, 0, 0, 0);
    EXPECT_EQ(loose->GetBitmaps(), (std::array<uint32_t, 4>{10, 10, 10, 10}));
    EXPECT_EQ(loose->GetButtonStyle(), BS_CHECKBOX | 0x0F80u);
    delete loose;

    CKelFE_Button* three = Button([](CKelFE_Button& b) { b.SetButtonStyle(BS_3STATE); });
    three->SetCheck(5);
    EXPECT_EQ(three->GetCheck(), 2);
    three->Toggle();
    EXPECT_EQ(three->GetCheck(), 0);
    three->SetButtonStyle(BS_CHECKBOX);  // recreated, keeping its state
    three->SetCheck(1);
    three->Toggle();
    EXPECT_EQ(three->GetCheck(), 0);
    three->Toggle();
    EXPECT_EQ(three->GetCheck(), 1);
}

TEST_F(ButtonTest, ImageFollowsTheCheckState)
{
    CKelFE_Button* button = Button([](CKelFE_Button& b) {
        b.SetButtonStyle(BS_PUSHLIKE | BS_CHECKBOX);
        b.SetBitmaps(IDB_PLAY, IDB_PAUSE, IDB_PLAY, 0);
    });
    const HWND hwnd = button->GetButtonHwnd();
    const auto pixelAt = [&](int dx, int dy) {
        Settle();
        const WindowImage image = GrabWindow(hwnd);
        // The 42 x 23 image stands in the middle of the button; a point inside its left bar.
        return image.At(image.width / 2 - 21 + dx, image.height / 2 - 11 + dy);
    };
    EXPECT_EQ(pixelAt(17, 11), RGB(0, 128, 0));  // play
    button->SetCheck(1);
    EXPECT_EQ(pixelAt(17, 11), RGB(0, 0, 128));  // pause
    button->SetCheck(0);
    EXPECT_EQ(pixelAt(17, 11), RGB(0, 128, 0));
}

// Red text, smoothed at its edges.
bool Reddish(COLORREF color)
{
    return (color & 0xFF) == 0xFF && (color >> 8 & 0xFF) < 0x80 && (color >> 16 & 0xFF) < 0x80;
}

TEST_F(ButtonTest, OwnerDrawnFaceIsACheckBoxFrameWithRedTextOnTheRight)
{
    CKelFE_Button* button = Button([](CKelFE_Button& b) {
        b.SetButtonStyle(BS_OWNERDRAW);
        b.SetCommandId(32801);
    });
    const HWND hwnd = button->GetButtonHwnd();
    button->AddLinkedWindow(log_.Window());
    struct Face {
        int redLeft = 0, redRight = 0;
        COLORREF edge = 0, inside = 0;
    };
    const auto face = [&] {
        Settle();
        const WindowImage image = GrabWindow(hwnd);
        Face f;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if (Reddish(image.At(x, y)))
                    ++(x < image.width / 2 ? f.redLeft : f.redRight);
        f.edge = image.At(0, image.height / 2);
        f.inside = image.At(3, image.height / 2);
        return f;
    };
    const Face up = face();
    EXPECT_EQ(up.redLeft, 0);
    EXPECT_GT(up.redRight, 10);
    EXPECT_EQ(up.edge, kColor3DShadow);
    EXPECT_EQ(up.inside, kColor3DHighlight);

    SimulateMouse(hwnd, WM_LBUTTONDOWN, 3, 3, MK_LBUTTON);
    EXPECT_EQ(face().inside, kColor3DLight) << "held down";
    EXPECT_TRUE(log_.Of(WM_COMMAND).empty());
    SimulateMouse(hwnd, WM_LBUTTONUP, 3, 3, 0);
    EXPECT_EQ(face().inside, kColor3DHighlight);
    std::vector<WPARAM> commands;
    for (const auto& e : log_.Of(WM_COMMAND))
        commands.push_back(e.wParam);
    EXPECT_EQ(commands, (std::vector<WPARAM>{1, 32801}));
}

TEST_F(ButtonTest, RightClickOnTheButtonGoesThroughTheElement)
{
    CKelFE_Button* button = Button();
    button->EnableContextMenu(0);
    SimulateMouse(button->GetButtonHwnd(), WM_RBUTTONDOWN, 5, 7, MK_RBUTTON);
    const auto clicks = log_.Of(WM_RBUTTONDOWN);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].hwnd, top_);
    EXPECT_EQ(GET_X_LPARAM(clicks[0].lParam), 10 + 5);
    EXPECT_EQ(GET_Y_LPARAM(clicks[0].lParam), 30 + 7);
}

TEST_F(ButtonTest, EveryBitmapResourceLoadsAtItsSize)
{
    struct Case {
        uint32_t id;
        int width, height;
    };
    const Case cases[] = {{207, 16, 16}, {208, 42, 23}, {210, 42, 23}, {212, 16, 16}, {213, 16, 16},
                          {214, 42, 23}, {215, 16, 16}, {216, 42, 23}, {217, 16, 16}, {218, 16, 16},
                          {237, 32, 16}, {238, 32, 16}, {239, 32, 16}};
    for (const Case& c : cases) {
        const HBITMAP bitmap = LoadBitmap(c.id);
        SIZE size;
        ASSERT_TRUE(GetBitmapSize(bitmap, &size)) << c.id;
        EXPECT_EQ(size.cx, c.width) << c.id;
        EXPECT_EQ(size.cy, c.height) << c.id;
        DeleteObject(bitmap);
    }
}

}  // namespace
