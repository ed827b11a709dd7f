// Creation, parent and child windows, destruction order, placement and thread rules.
#include "uitest.h"
#include "ui/testhooks.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace uitest;

namespace {

// Logs "<name>:<message>", with "!" when the window was no window while handling it.
struct TreeLog {
    std::vector<std::string> lines;

    WindowProcedure Procedure(std::string name, LRESULT onCreate = 0)
    {
        return [this, name, onCreate](HWND self, UINT message, WPARAM, LPARAM) -> LRESULT {
            const char* what = message == WM_CREATE ? "create" : message == WM_DESTROY ? "destroy"
                             : message == WM_NCDESTROY ? "ncdestroy" : nullptr;
            if (what)
                lines.push_back(name + ":" + what + (IsWindow(self) ? "" : "!"));
            return message == WM_CREATE ? onCreate : 0;
        };
    }
};

TEST(WindowTree, DestroyTellsParentsFirstAndFreesChildrenFirst)
{
    TreeLog log;
    HWND top = CreateWindow(log.Procedure("top"), 0, 0, 0, 100, 100);
    HWND a = CreateWindow(log.Procedure("a"), WS_CHILD, 0, 0, 10, 10, top, 1);
    HWND a1 = CreateWindow(log.Procedure("a1"), WS_CHILD, 0, 0, 5, 5, a, 2);
    HWND b = CreateWindow(log.Procedure("b"), WS_CHILD, 10, 0, 10, 10, top, 3);
    EXPECT_EQ((std::vector<HWND>{GetParent(top), GetParent(a1), GetParent(b)}), (std::vector<HWND>{nullptr, a, top}));
    EXPECT_EQ(GetDlgCtrlID(b), 3u);

    log.lines.clear();
    EXPECT_TRUE(DestroyWindow(top));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"top:destroy", "a:destroy", "a1:destroy", "a1:ncdestroy",
                                                   "a:ncdestroy", "b:destroy", "b:ncdestroy", "top:ncdestroy"}));
    for (HWND hwnd : {top, a, a1, b})
        EXPECT_FALSE(IsWindow(hwnd));
}

TEST(WindowTree, CreateSeesItsParametersAndCanRefuse)
{
    HWND parent = CreateWindow(Quiet, 0, 0, 0, 50, 50);
    CREATESTRUCT seen;
    int token = 0;
    HWND child = CreateWindow([&](HWND, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
        if (message == WM_CREATE)
            seen = *reinterpret_cast<CREATESTRUCT*>(lParam);
        return 0;
    }, WS_CHILD | WS_TABSTOP, 3, 4, 20, 10, parent, 17, &token);
    ASSERT_TRUE(child);
    EXPECT_EQ(seen.lpCreateParams, &token);
    EXPECT_EQ(seen.hwndParent, parent);
    EXPECT_EQ((std::vector<uintptr_t>{seen.id, seen.style}), (std::vector<uintptr_t>{17, WS_CHILD | WS_TABSTOP}));
    EXPECT_EQ((std::vector<int>{seen.x, seen.y, seen.cx, seen.cy}), (std::vector<int>{3, 4, 20, 10}));

    TreeLog log;
    EXPECT_FALSE(CreateWindow(log.Procedure("refused", -1), WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, parent));
    auto logged = log.Procedure("self");
    EXPECT_FALSE(CreateWindow([&](HWND self, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        logged(self, message, wParam, lParam);
        if (message == WM_CREATE)
            DestroyWindow(self);
        return 0;
    }, 0, 0, 0, 5, 5));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"refused:create", "refused:destroy", "refused:ncdestroy",
                                                   "self:create", "self:destroy", "self:ncdestroy"}));
    DestroyWindow(parent);
}

TEST(WindowTree, ShowHideAndMove)
{
    HWND top = CreateWindow(Quiet, 0, 100, 50, 200, 100);
    HWND shown = CreateWindow(Quiet, WS_CHILD | WS_VISIBLE, 10, 20, 30, 40, top);
    HWND hidden = CreateWindow(Quiet, WS_CHILD, 0, 0, 30, 40, top);
    EXPECT_FALSE(IsWindowVisible(shown)) << "its parent is not shown yet";
    EXPECT_FALSE(ShowWindow(top, SW_SHOWNORMAL));
    EXPECT_TRUE(IsWindowVisible(shown));
    EXPECT_FALSE(IsWindowVisible(hidden)) << "a child without WS_VISIBLE stays hidden";
    EXPECT_FALSE(ShowWindow(hidden, SW_SHOW));
    EXPECT_TRUE(ShowWindow(hidden, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(hidden));

    auto placed = [&](HWND hwnd) {
        RECT outer, inner, client;
        GetWindowRect(top, &outer);
        GetWindowRect(hwnd, &inner);
        GetClientRect(hwnd, &client);
        return std::vector<int>{inner.left - outer.left, inner.top - outer.top, inner.right - inner.left,
                                inner.bottom - inner.top, client.right, client.bottom};
    };
    EXPECT_EQ(placed(shown), (std::vector<int>{10, 20, 30, 40, 30, 40}));
    ASSERT_TRUE(MoveWindow(shown, 5, 6, 70, 8));
    EXPECT_EQ(placed(shown), (std::vector<int>{5, 6, 70, 8, 70, 8}));
    ASSERT_TRUE(MoveWindow(shown, 1, 2, -5, -1));
    EXPECT_EQ(placed(shown), (std::vector<int>{1, 2, 0, 0, 0, 0}));
    DestroyWindow(top);
}

// A window without parent keeps its client area within the sizes its procedure gives when it
// is created and at each move, also as it gives them then; a child is not asked.
TEST(WindowTree, AWindowWithoutParentStaysWithinTheSizesItsProcedureAllows)
{
    POINT least{120, 80}, most{300, 200};
    int childAsked = 0;
    HWND top = CreateWindow([&](HWND, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
        if (message == WM_GETMINMAXINFO) {
            auto* sizes = reinterpret_cast<MINMAXINFO*>(lParam);
            sizes->ptMinTrackSize = least;
            sizes->ptMaxTrackSize = most;
        }
        return 0;
    }, WS_VISIBLE, 0, 0, 50, 50);
    HWND child = CreateWindow([&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        childAsked += message == WM_GETMINMAXINFO;
        return 0;
    }, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top);
    const auto size = [](HWND hwnd) {
        RECT client{};
        GetClientRect(hwnd, &client);
        return std::pair(client.right, client.bottom);
    };
    EXPECT_EQ(size(top), std::pair(120, 80)) << "created smaller";
    const struct {
        int width, height;
        std::pair<int, int> client;
    } moves[] = {{500, 500, {300, 200}}, {200, 100, {200, 100}}, {10, 150, {120, 150}}};
    for (const auto& m : moves) {
        ASSERT_TRUE(MoveWindow(top, 0, 0, m.width, m.height));
        EXPECT_EQ(size(top), m.client) << m.width << " x " << m.height;
    }
    least = {250, 160};
    most = {1000, 1000};
    ASSERT_TRUE(MoveWindow(top, 0, 0, 200, 100));
    EXPECT_EQ(size(top), std::pair(250, 160)) << "the sizes as the procedure gives them now";
    ASSERT_TRUE(MoveWindow(child, 0, 0, 1, 1));
    EXPECT_EQ(size(child), std::pair(1, 1));
    EXPECT_EQ(childAsked, 0);
    DestroyWindow(top);
}

// The window whose procedure runs, or its parent, dies inside that procedure (sanitizer build).
TEST(WindowTree, AProcedureMayDestroyItsOwnWindowOrItsParent)
{
    for (const bool parentToo : {false, true}) {
        HWND top = CreateWindow(Quiet, WS_VISIBLE, 0, 0, 50, 50);
        HWND child = CreateWindow([parentToo](HWND self, UINT message, WPARAM, LPARAM) -> LRESULT {
            return message == kTestMessage && DestroyWindow(parentToo ? GetParent(self) : self);
        }, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top);
        EXPECT_EQ(SendMessage(child, kTestMessage, 0, 0), 1);
        EXPECT_FALSE(IsWindow(child));
        EXPECT_EQ(IsWindow(top), !parentToo);
        DestroyWindow(top);
    }
}

TEST(WindowTree, OtherThreadsMayOnlyAskAndPost)
{
    HWND top = CreateWindow(Quiet, 0, 0, 0, 10, 10);
    HWND child = CreateWindow(Quiet, WS_CHILD, 0, 0, 5, 5, top, 4);
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"CreateWindow fails", [&] { return !CreateWindow(Quiet, 0, 0, 0, 1, 1); }},
        {"DestroyWindow fails", [&] { return !DestroyWindow(child); }},
        {"SetTimer fails", [&] { return SetTimer(child, 1, 10) == 0; }},
        {"MoveWindow fails", [&] { return !MoveWindow(child, 0, 0, 1, 1); }},
        {"asking works", [&] { return IsWindow(child) && GetParent(child) == top && GetDlgCtrlID(child) == 4; }},
        {"posting works", [&] { return PostMessage(child, kTestMessage, 0, 0); }},
    };
    for (const auto& [what, holds] : cases) {
        bool held = false;
        std::thread other([&, &ask = holds] { held = ask(); });
        other.join();
        EXPECT_TRUE(held) << what;
    }
    EXPECT_TRUE(IsWindow(child));
    DestroyWindow(top);
}

}  // namespace

TEST(WindowTree, APersonClosingAWindowAsksItsProcedure)
{
    // The default answer destroys the window; a procedure that answers itself keeps it; a child
    // window cannot be closed by the window manager.
    HWND byDefault = CreateWindow(DefWindowProc, WS_VISIBLE, 0, 0, 50, 50);
    HWND keeps = CreateWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }, WS_VISIBLE, 0, 0, 50, 50);
    HWND child = CreateWindow(DefWindowProc, WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, keeps, 1);
    EXPECT_TRUE(SimulateClose(byDefault));
    EXPECT_TRUE(SimulateClose(keeps));
    EXPECT_FALSE(SimulateClose(child));
    EXPECT_EQ((std::vector<bool>{IsWindow(byDefault), IsWindow(keeps), IsWindow(child)}),
              (std::vector<bool>{false, true, true}));
    DestroyWindow(keeps);
}
