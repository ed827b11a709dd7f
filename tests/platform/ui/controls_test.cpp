// Buttons and check boxes: what a click does to the check state and what the parent hears.
#include "ui/controls.h"
#include "ui/input.h"
#include "ui/testhooks.h"
#include "uitest.h"

#include <gtest/gtest.h>

using namespace uitest;

namespace {

TEST(Buttons, ClicksMoveTheStateOnlyForAutomaticBoxes)
{
    struct Case {
        const char* name;
        uint32_t style;
        std::vector<WPARAM> afterClicks;  // BM_GETCHECK after each of three clicks
    };
    const Case cases[] = {
        {"push button", BS_PUSHBUTTON, {0, 0, 0}},
        {"check box: the parent decides", BS_CHECKBOX, {0, 0, 0}},
        {"auto check box", BS_AUTOCHECKBOX, {1, 0, 1}},
        {"push-like auto check box", BS_AUTOCHECKBOX | BS_PUSHLIKE, {1, 0, 1}},
        {"3-state: the parent decides", BS_3STATE, {0, 0, 0}},
        {"auto 3-state", BS_AUTO3STATE, {1, 2, 0}},
    };
    MessageLog log;
    HWND parent = CreateWindow(log.Procedure(), WS_VISIBLE, 0, 0, 200, 100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND button = CreateButton("Schleife", c.style | WS_VISIBLE, 5, 5, 80, 24, parent, 42);
        ASSERT_TRUE(button);
        log.entries.clear();
        std::vector<WPARAM> states;
        for (int i = 0; i < 3; ++i) {
            SendMessage(button, BM_CLICK, 0, 0);
            states.push_back(WPARAM(SendMessage(button, BM_GETCHECK, 0, 0)));
        }
        EXPECT_EQ(states, c.afterClicks);
        ASSERT_EQ(log.entries.size(), 3u);
        EXPECT_EQ(log.entries[0].message, WM_COMMAND);
        EXPECT_EQ(log.entries[0].wParam, MAKEWPARAM(42, BN_CLICKED));
        EXPECT_EQ(log.entries[0].lParam, reinterpret_cast<LPARAM>(button));
        DestroyWindow(button);
    }
    DestroyWindow(parent);
}

TEST(Buttons, TheParentSetsTheCheckAndCanDisable)
{
    HWND parent = CreateWindow(Quiet, WS_VISIBLE, 0, 0, 200, 100);
    HWND box = CreateButton("Filter", BS_3STATE | WS_VISIBLE, 5, 5, 80, 24, parent, 7);
    for (WPARAM state : {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}) {
        SendMessage(box, BM_SETCHECK, state, 0);
        EXPECT_EQ(WPARAM(SendMessage(box, BM_GETCHECK, 0, 0)), state);
    }
    EXPECT_FALSE(EnableWindow(box, false));
    EXPECT_FALSE(IsWindowEnabled(box));
    EXPECT_TRUE(EnableWindow(box, true));
    DestroyWindow(parent);
}

}  // namespace

namespace {

TEST(Buttons, TakeTheColoursTheirParentAnswers)
{
    // The parent answers each button's colour question with a dark brush; the button's corner,
    // outside what the toolkit draws, shows it. A parent without an answer leaves the default.
    struct Case {
        const char* name;
        uint32_t style;
        UINT asked;
        bool answer;
    };
    const Case cases[] = {
        {"check box", BS_CHECKBOX, WM_CTLCOLORSTATIC, true},
        {"push-like check box", BS_CHECKBOX | BS_PUSHLIKE, WM_CTLCOLORBTN, true},
        {"check box, no answer", BS_CHECKBOX, WM_CTLCOLORSTATIC, false},
    };
    const COLORREF dark = RGB(0, 0, 96);
    const HBRUSH brush = CreateSolidBrush(dark);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<UINT> asked;
        HWND parent = CreateWindow([&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
            if (message != WM_CTLCOLORBTN && message != WM_CTLCOLORSTATIC)
                return 0;
            asked.push_back(message);
            SetTextColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 0));
            return c.answer ? reinterpret_cast<LRESULT>(brush) : 0;
        }, WS_VISIBLE, 0, 0, 200, 100);
        HWND button = CreateButton("", c.style | WS_VISIBLE, 10, 10, 60, 30, parent, 1);
        const WindowImage image = GrabWindow(button);
        ASSERT_EQ(image.width, 60);
        EXPECT_FALSE(asked.empty());
        EXPECT_EQ(asked.empty() ? 0 : asked.back(), c.asked);
        EXPECT_EQ(image.At(59, 29) == dark, c.answer) << std::hex << image.At(59, 29);
        DestroyWindow(parent);
    }
    DeleteObject(brush);
}

}  // namespace
