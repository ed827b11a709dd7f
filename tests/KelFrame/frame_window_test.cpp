// A frame as a window: layout on resize, what it paints, notification relay, right clicks,
// ownership of its elements.
#include "kelframetest.h"

#include "KelFrame/kelfe_textdisplay.h"
#include "KelFrame/kelmessages.h"
#include "ui/input.h"

#include <map>
#include <stdexcept>

using namespace kftest;

namespace {

// Counts deletions per element, to see each one deleted exactly once.
std::map<int, int> g_deleted;
class CountedElement : public CKelFrameElement {
public:
    explicit CountedElement(int tag) : tag_(tag) { SetType(KFE_TYPE_TEXTDISPLAY); }
    ~CountedElement() override { ++g_deleted[tag_]; }
    void Report(int code) { Notify(code); }

private:
    int tag_;
};

// Two columns of 50 percent in one row.
void HalvesGrid(CKelFrame* frame)
{
    frame->SetGridSize(2, 1);
    frame->SetColumnWidth(0, -50);
    frame->SetColumnWidth(1, -50);
    frame->SetRowHeight(0, -100);
}

TEST_F(FrameFixture, LayoutFollowsResize)
{
    frame_->SetGridSize(4, 1);
    for (int c = 0; c < 4; ++c)
        frame_->SetColumnWidth(c, -25);
    frame_->SetRowHeight(0, -100);
    std::vector<CKelFrameElement*> elements;
    for (int c = 0; c < 4; ++c) {
        elements.push_back(new CountedElement(c));
        ASSERT_TRUE(frame_->AddElement(elements.back()));
        elements.back()->SetCellRange(c, 0, -1, -1);
    }
    frame_->ShowLayout();
    const std::vector<int> lefts = {0, 50, 101, 151};
    for (int c = 0; c < 4; ++c) {
        const RECT r = Placed(elements[size_t(c)]);
        EXPECT_EQ((std::vector<int>{r.left, r.right - r.left, r.bottom}), (std::vector<int>{lefts[size_t(c)], 50, 100}));
    }
    MoveWindow(frame_->GetSafeHwnd(), 10, 30, 100, 40);  // WM_SIZE lays the grid out again
    const RECT last = Placed(elements[3]);
    EXPECT_EQ((std::vector<int>{last.left, last.right, last.bottom}), (std::vector<int>{75, 100, 40}));
    EXPECT_TRUE(IsWindowVisible(elements[0]->GetSafeHwnd()));
}

TEST_F(FrameFixture, PaintsBordersEdgeAndBackground)
{
    frame_->SetBkColor(RGB(0, 128, 0));
    frame_->SetBorderOuter(2, 2, 2, 2, RGB(255, 0, 0), 0, 0, -1);
    frame_->SetBorderInner(3, 3, 3, 3, RGB(0, 0, 255), EDGE_SUNKEN, BF_RECT, 2);
    frame_->SetGridSize(1, 1);
    frame_->SetColumnWidth(0, -50);
    frame_->SetRowHeight(0, -50);
    auto* text = new CKelFE_TextDisplay(frame_);
    frame_->AddElement(text);
    text->SetCell("C0R0");
    text->SetBkColor(RGB(255, 255, 0));
    text->SetBorderOuter(1, 1, 1, 1, RGB(0, 255, 255), 0, 0, 0);
    frame_->ShowLayout();

    const WindowImage image = GrabWindow(frame_->GetSafeHwnd());
    ASSERT_EQ((std::vector<int>{image.width, image.height}), (std::vector<int>{201, 100}));
    struct Probe {
        int x, y;
        COLORREF color;
    };
    const Probe probes[] = {
        {0, 0, RGB(255, 0, 0)},           // outer strip
        {200, 99, RGB(255, 0, 0)},
        {2, 50, kColor3DShadow},          // sunken edge on the inner block's outside: shadow
        {3, 50, kColor3DDarkShadow},
        {197, 50, kColor3DLight},         // its bottom-right inner ring
        {198, 50, kColor3DHighlight},
        {4, 50, RGB(0, 0, 255)},          // inner strip inside the edge line
        {150, 80, RGB(0, 128, 0)},        // background, outside the element
        {5, 5, RGB(0, 255, 255)},         // the element's own border at its corner (element at 5, 5)
        {6, 80 / 2 + 5, RGB(255, 255, 0)},  // element background, left of any text
    };
    for (const Probe& p : probes)
        EXPECT_EQ(image.At(p.x, p.y), p.color) << p.x << "," << p.y;
}

TEST_F(FrameFixture, RelaysNotificationsAndSurvivesAThrowingReceiver)
{
    auto* element = new CountedElement(1);
    frame_->AddElement(element);
    HWND throwing = log_.Window(nullptr, [](UINT m) {
        if (m == KFE_NOTIFY)
            throw std::runtime_error("receiver fails");
    });
    HWND notified = log_.Window();
    HWND linkedDead = log_.Window();
    HWND linked = log_.Window();
    element->AddNotifyWindow(throwing);
    element->AddNotifyWindow(notified);
    element->AddLinkedWindow(linkedDead);
    element->AddLinkedWindow(linked);
    element->AddLinkedWindow(linked);  // kept once
    DestroyWindow(linkedDead);         // dies while linked: skipped, never touched
    log_.entries.clear();

    element->Report(KFE_PRESS);
    const auto got = log_.Of(KFE_NOTIFY);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ((std::vector<HWND>{got[0].hwnd, got[1].hwnd, got[2].hwnd}), (std::vector<HWND>{throwing, notified, linked}));
    EXPECT_EQ(got[2].lParam, reinterpret_cast<LPARAM>(element));
    EXPECT_EQ(got[2].wParam, WPARAM(KFE_PRESS));

    // Only elements of the frame are relayed; anything else in lParam is ignored untouched.
    log_.entries.clear();
    SendMessage(frame_->GetSafeHwnd(), KFE_NOTIFY, 1, LPARAM(0x1234));
    EXPECT_TRUE(log_.Of(KFE_NOTIFY).empty());
}

TEST_F(FrameFixture, AReceiverMayDestroyTheFrameMidNotification)
{
    g_deleted.clear();
    auto* element = new CountedElement(9);
    frame_->AddElement(element);
    HWND frameWindow = frame_->GetSafeHwnd();
    HWND destroyer = log_.Window(nullptr, [&](UINT m) {
        if (m == KFE_NOTIFY)
            DestroyWindow(frameWindow);  // deletes the frame and the element being reported
    });
    HWND later = log_.Window();
    element->AddLinkedWindow(destroyer);
    element->AddLinkedWindow(later);
    log_.entries.clear();
    element->Report(KFE_RELEASE);
    EXPECT_EQ(g_deleted, (std::map<int, int>{{9, 1}}));
    EXPECT_EQ(log_.Of(KFE_NOTIFY).size(), 1u);  // the element stopped: it is gone
}

TEST_F(FrameFixture, GridSizeStaysInsideTheHundredCells)
{
    frame_->SetGridSize(150, -3);
    EXPECT_EQ((std::vector<int>{frame_->GetColumnCount(), frame_->GetRowCount()}), (std::vector<int>{100, 0}));
    EXPECT_FALSE(frame_->SetRowHeight(100, -10));
    SendMessage(frame_->GetSafeHwnd(), KFE_MOVESPLIT, 4000, 4);  // stray: ignored
    SendMessage(frame_->GetSafeHwnd(), KFE_MOVESPLIT, 1, 16);
    EXPECT_EQ(frame_->GetGrid().columns.PercentSum(0, 99), 0);
}

TEST_F(FrameFixture, RightClickWithoutMenuReachesTheParentSignExtended)
{
    auto* element = new CountedElement(1);
    frame_->AddElement(element);
    MoveWindow(element->GetSafeHwnd(), 100, 20, 50, 50);
    element->EnableContextMenu(0);
    for (auto [x, y] : {std::pair{5, 7}, {-3, -2}}) {
        log_.entries.clear();
        SendMessage(element->GetSafeHwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
        const auto got = log_.Of(WM_RBUTTONDOWN);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].hwnd, top_);
        EXPECT_EQ((std::vector<int>{GET_X_LPARAM(got[0].lParam), GET_Y_LPARAM(got[0].lParam)}),
                  (std::vector<int>{10 + 100 + x, 30 + 20 + y}));
        EXPECT_EQ(got[0].wParam, MK_RBUTTON);
    }
}

TEST_F(FrameFixture, DestroyingTheFrameDeletesEachElementOnce)
{
    g_deleted.clear();
    for (int i = 0; i < 5; ++i)
        frame_->AddElement(new CountedElement(i));
    HWND frameWindow = frame_->GetSafeHwnd();
    EXPECT_EQ(CKelFrame::FromHandle(frameWindow), frame_);
    DestroyWindow(frameWindow);
    EXPECT_EQ(g_deleted, (std::map<int, int>{{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}));
    EXPECT_EQ(CKelFrame::FromHandle(frameWindow), nullptr);
}

TEST(KelFrameTable, RefusesTheElementPastTheLimit)
{
    auto* frame = new CKelFrame;  // no window: elements are kept but get none
    for (size_t i = 0; i < CKelFrame::kMaxElements; ++i)
        ASSERT_TRUE(frame->AddElement(new CKelFrameElement));
    CKelFrameElement extra;
    EXPECT_FALSE(frame->AddElement(&extra));
    EXPECT_EQ(frame->GetElementCount(), CKelFrame::kMaxElements);
    delete frame;
}

TEST_F(FrameFixture, SetFrameNeverMakesAParentlessWindow)
{
    CKelFrameElement orphan;
    EXPECT_FALSE(orphan.SetFrame(nullptr));
    EXPECT_EQ(orphan.GetSafeHwnd(), nullptr);

    auto* element = new CKelFrameElement;
    frame_->AddElement(element);
    EXPECT_TRUE(element->SetFrame(nullptr));  // keeps the frame it has
    EXPECT_EQ(element->GetFrame(), frame_);
    EXPECT_EQ(GetParent(element->GetSafeHwnd()), frame_->GetSafeHwnd());
}

TEST_F(FrameFixture, FindsElementsByCellNameAndPoint)
{
    HalvesGrid(frame_);
    auto* a = new CountedElement(1);
    auto* b = new CountedElement(2);
    frame_->AddElement(a);
    frame_->AddElement(b);
    a->SetCell("C00R00");
    b->SetCell("C01R00");
    b->SetName("right");
    frame_->ShowLayout();
    Settle();
    EXPECT_EQ(frame_->FindElementByCell("c01r00 and more"), b);
    EXPECT_EQ(frame_->FindElementByName("right"), b);
    EXPECT_EQ(frame_->FindElementByName("Right"), nullptr);
    RECT frameRect;
    GetWindowRect(frame_->GetSafeHwnd(), &frameRect);
    EXPECT_EQ(frame_->ElementFromPoint(frameRect.left + 150, frameRect.top + 10), b);
    EXPECT_EQ(frame_->ElementFromPoint(frameRect.left - 5, frameRect.top + 10), nullptr);
}

TEST_F(FrameFixture, DraggingAnEdgeMovesTheSplit)
{
    HalvesGrid(frame_);
    auto* left = new CountedElement(1);
    frame_->AddElement(left);
    left->SetCell("C00R00");
    const auto drag = [&] {
        SimulateMouse(left->GetSafeHwnd(), WM_LBUTTONDOWN, 97, 50, MK_LBUTTON);
        SimulateMouse(left->GetSafeHwnd(), WM_MOUSEMOVE, 120, 50, MK_LBUTTON);
        SimulateMouse(left->GetSafeHwnd(), WM_LBUTTONUP, 120, 50, 0);
    };
    frame_->ShowLayout();
    drag();  // dragging off: nothing moves
    EXPECT_EQ(frame_->GetGrid().columns.percent[0], 50);

    frame_->SetEdgeDragging(true);
    frame_->ShowLayout();
    EXPECT_EQ(left->GetEdgeFlags(), 4u);
    drag();
    EXPECT_EQ((std::vector<double>{frame_->GetGrid().columns.percent[0], frame_->GetGrid().columns.percent[1]}),
              (std::vector<double>{49, 51}));
    EXPECT_EQ(GetCursor(), LoadCursor(IDC_SIZEWE));
    EXPECT_EQ(Placed(left).right, 98);  // MulDivRound(201, 490, 1000)
}

}  // namespace
