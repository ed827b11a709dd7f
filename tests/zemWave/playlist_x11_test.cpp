// A person scrolls the PlayList on a real X display with a window manager: the control, in
// place in a small top-level window, queues 20 recordings by its AddFile member; the list
// shows a vertical scroll bar, the wheel (X buttons 4 and 5) brings its last row into view,
// and a click in the horizontal scroll bar's track brings the "Balance" column into view.
#include "zemWave/playlistctrl.h"

#include "zemWave/engine/enginerig.h"
#include "support/scratch.h"
#include "support/x11session.h"

#include "KelFrame/kelfe_wndcontainer.h"
#include "KelFrame/kelframe.h"
#include "com/host.h"
#include "ui/application.h"
#include "ui/dialogbox.h"
#include "ui/listview.h"
#include "ui/window.h"

#include <gtest/gtest.h>

namespace {

using namespace zem;

CZemWaveModule theModule;

// Generous: a window manager that is still starting may hold the display for many seconds.
constexpr int kBoundMs = 60000;
constexpr int kRecordings = 20;
constexpr COLORREF kListBlack = 0x000000;

// The list's rectangle in the host window's client area.
RECT PlaceIn(HWND host, HWND list)
{
    RECT outer{}, inner{};
    GetWindowRect(host, &outer);
    GetWindowRect(list, &inner);
    return {inner.left - outer.left, inner.top - outer.top, inner.right - outer.left, inner.bottom - outer.top};
}

// Whether a line of the screen is covered from `from` to `to` by something other than the
// list's black background: a scroll bar, where the list would show its black rows.
bool CoveredLine(const QImage& shot, QPoint from, QPoint to)
{
    const QPoint step((to.x() > from.x()) - (to.x() < from.x()), (to.y() > from.y()) - (to.y() < from.y()));
    for (QPoint p = from; p != to + step; p += step) {
        if (!shot.rect().contains(p) || (shot.pixel(p) & 0xFFFFFF) == kListBlack)
            return false;
    }
    return true;
}

// Whether the list shows the whole cell: each of its corners is on the row, not past the
// list's edge nor under a scroll bar or the header.
bool Shows(HWND list, int row, int column)
{
    RECT cell{};
    if (!ListView_GetSubItemRect(list, row, column, &cell))
        return false;
    for (const POINT corner : {POINT{cell.left + 1, cell.top + 1}, POINT{cell.right - 2, cell.top + 1},
                               POINT{cell.left + 1, cell.bottom - 2}, POINT{cell.right - 2, cell.bottom - 2}}) {
        if (ListView_HitTest(list, corner, nullptr) != row)
            return false;
    }
    return true;
}

TEST(PlayListOnX11, TheWheelAndTheScrollBarsBringTheLastRowAndTheBalanceColumnIntoView)
{
    zemtest::X11Session x;
    ZEM_REQUIRE_X11(x);
    ASSERT_TRUE(InitApplication());
    struct Toolkit {  // closed before the session ends its display, also when a check fails
        ~Toolkit() { ExitApplication(); }
    } toolkit;
    const std::string folder = zemtest::NewFolder("playlistx11");
    const std::string caption = "PlayList scrolling";
    HWND host = CreateWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }, WS_VISIBLE, 0, 0, 420, 260);
    ASSERT_TRUE(host && SetWindowText(host, caption));
    {
        ComPtr<IDispatch> control;
        ASSERT_EQ(CPlayListCtrl::Create(nullptr, IID_IDispatch, control.OutVoid()), S_OK);
        auto site = ComPtr<ControlSite>::Adopt(new ControlSite(host, RECT{10, 10, 410, 250}));
        ASSERT_EQ(control.As<IOleObject>()->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), nullptr, nullptr), S_OK);
        HWND window = nullptr;
        ASSERT_EQ(control.As<IOleInPlaceObject>()->GetWindow(&window), S_OK);
        auto* container = dynamic_cast<CKelFE_WndContainer*>(
            CKelFrame::FromHandle(GetDlgItem(window, 1))->FindElementByName("ListCtrlContainer"));
        ASSERT_NE(container, nullptr);
        const HWND list = container->GetWnd();
        for (int i = 0; i < kRecordings; ++i) {
            VARIANT handle;
            const std::string file = enginetest::WriteTone(folder + "/r" + std::to_string(i) + ".wav", 440, 200);
            ASSERT_EQ(DispatchCall(control.Get(), "AddFile", DISPATCH_METHOD, {VARIANT::Bstr(file)}, &handle), S_OK);
        }
        ASSERT_TRUE(PumpMessagesUntil([&] { return ListView_GetItemCount(list) == kRecordings; }, kBoundMs));
        // Pumped while it looks: the toolkit sends the window's map request from its event loop.
        zemtest::X11Session::Window shown = 0;
        PumpMessagesUntil([&] { return (shown = x.FindWindow("^" + caption + "$", 100)) != 0; }, kBoundMs);
        ASSERT_NE(shown, 0u);

        // Both bars are on the screen, where the list's black rows would otherwise be.
        RECT place{};
        QImage shot;
        EXPECT_TRUE(PumpMessagesUntil([&] {
            place = PlaceIn(host, list);
            shot = x.Grab(shown);
            return CoveredLine(shot, {place.right - 5, place.top + 30}, {place.right - 5, place.bottom - 25}) &&
                   CoveredLine(shot, {place.left + 30, place.bottom - 5}, {place.right - 30, place.bottom - 5});
        }, kBoundMs)) << "vertical and horizontal scroll bars";
        ASSERT_TRUE(ListView_HasScrollBar(list, SB_VERT) && ListView_HasScrollBar(list, SB_HORZ));

        const auto lastRowShown = [&] { return Shows(list, kRecordings - 1, CMyListCtrl_PlayList::kStatus); };
        const auto balanceShown = [&] { return Shows(list, kRecordings - 1, CMyListCtrl_PlayList::kBalance); };
        ASSERT_FALSE(lastRowShown());
        ASSERT_FALSE(balanceShown());

        const int middleX = (place.left + place.right) / 2;
        const int middleY = (place.top + place.bottom) / 2;
        ASSERT_TRUE(x.Wheel(shown, middleX, middleY, 10));
        EXPECT_TRUE(PumpMessagesUntil(lastRowShown, kBoundMs)) << "top row " << ListView_GetTopIndex(list);
        const int top = ListView_GetTopIndex(list);
        EXPECT_GT(top, 0);

        // The track right of the thumb, left of the right arrow.
        ASSERT_TRUE(x.Click(shown, place.right - 40, place.bottom - 5));
        EXPECT_TRUE(PumpMessagesUntil(balanceShown, kBoundMs));
        EXPECT_EQ(ListView_GetTopIndex(list), top) << "sideways, the rows stay";

        control.As<IOleObject>()->Close();
    }
    DestroyWindow(host);
}

}  // namespace
