// Mouse and key messages as the toolkit delivers them, coordinates, cursors, menus, dialogs and
// message boxes answered by hooks or, without a display, by their defaults.
#include "ui/dialogs.h"
#include "ui/input.h"
#include "ui/menu.h"
#include "ui/messagebox.h"
#include "ui/testhooks.h"
#include "uitest.h"

#include <gtest/gtest.h>

using namespace uitest;

namespace {

TEST(Input, MouseMessagesCarryKeysAndSignedPoints)
{
    MessageLog log;
    HWND hwnd = CreateWindow(log.Procedure(), WS_VISIBLE, 0, 0, 50, 50);
    struct Case {
        UINT message;
        int x, y;
        WPARAM keys;
    };
    const Case cases[] = {
        {WM_LBUTTONDOWN, 3, 4, MK_LBUTTON | MK_CONTROL},
        {WM_MOUSEMOVE, -7, 9, MK_LBUTTON | MK_SHIFT},  // dragged out to the left
        {WM_LBUTTONUP, 5, 6, 0},
        {WM_LBUTTONDBLCLK, 5, 6, MK_LBUTTON},
        {WM_RBUTTONDOWN, 1, 2, MK_RBUTTON},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        log.entries.clear();
        ASSERT_TRUE(SimulateMouse(hwnd, c.message, c.x, c.y, c.keys));
        ASSERT_EQ(log.entries.size(), 1u);
        EXPECT_EQ(log.entries[0].message, c.message);
        EXPECT_EQ(log.entries[0].wParam, c.keys);
        EXPECT_EQ((std::vector<int>{GET_X_LPARAM(log.entries[0].lParam), GET_Y_LPARAM(log.entries[0].lParam)}),
                  (std::vector<int>{c.x, c.y}));
    }
    DestroyWindow(hwnd);
}

TEST(Input, KeysRepeatAndKeepTheirState)
{
    MessageLog log;
    HWND hwnd = CreateWindow(log.Procedure(), WS_VISIBLE, 0, 0, 50, 50);
    SimulateKey(hwnd, VK_CONTROL, true);
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    SimulateKey(hwnd, VK_RIGHT, true);
    SimulateKey(hwnd, VK_RIGHT, false, true);  // X11 sends a release before each repeat
    SimulateKey(hwnd, VK_RIGHT, true, true);
    EXPECT_LT(GetKeyState(VK_RIGHT), 0);
    SimulateKey(hwnd, VK_RIGHT, false);
    SimulateKey(hwnd, VK_CONTROL, false);
    EXPECT_EQ(GetKeyState(VK_CONTROL), 0);
    std::erase_if(log.entries, [](const Received& r) { return r.message != WM_KEYDOWN && r.message != WM_KEYUP; });
    ASSERT_EQ(log.entries.size(), 5u);
    EXPECT_EQ((std::vector<UINT>{log.entries[1].message, log.entries[2].message, log.entries[3].message}),
              (std::vector<UINT>{WM_KEYDOWN, WM_KEYDOWN, WM_KEYUP}));
    EXPECT_EQ(log.entries[1].wParam, WPARAM(VK_RIGHT));
    EXPECT_EQ(log.entries[1].lParam, 1);  // first press: repeat count 1, not down before
    EXPECT_EQ(log.entries[2].lParam, 1 | kKeyWasDown);
    EXPECT_EQ(log.entries[3].lParam, 1 | kKeyWasDown | kKeyReleased);
    DestroyWindow(hwnd);
}

TEST(Input, CoordinatesCursorsAndFocus)
{
    HWND top = CreateWindow(Quiet, WS_VISIBLE, 40, 50, 100, 100);
    HWND child = CreateWindow(Quiet, WS_CHILD | WS_VISIBLE, 10, 20, 30, 30, top);
    POINT p{1, 2};
    ASSERT_TRUE(ClientToScreen(child, &p));
    POINT q = p;
    ScreenToClient(top, &q);
    EXPECT_EQ((std::vector<int>{q.x, q.y}), (std::vector<int>{11, 22}));
    EXPECT_EQ(LoadCursor(12345), nullptr);
    SimulateMouse(child, WM_MOUSEMOVE, 1, 1, 0);
    SetCursor(LoadCursor(IDC_SIZENS));
    EXPECT_EQ(GetCursor(), LoadCursor(IDC_SIZENS));
    SetFocus(top);
    SetFocus(child);
    EXPECT_EQ(GetFocus(), child);
    // A key held while the focus moves is forgotten: its release may go to another window.
    SimulateKey(child, VK_LEFT, true);
    SetFocus(top);
    EXPECT_EQ(GetKeyState(VK_LEFT), 0);
    SetFocus(child);
    DestroyWindow(child);
    EXPECT_EQ(GetFocus(), nullptr);
    DestroyWindow(top);
}

HMENU SampleMenu()
{
    HMENU sub = CreatePopupMenu();
    AppendMenu(sub, MF_STRING, 21, "Kanal 1");
    HMENU menu = CreatePopupMenu();
    AppendMenu(menu, MF_STRING, 11, "Abspielen");
    AppendMenu(menu, MF_SEPARATOR, 0);
    AppendMenu(menu, MF_POPUP, reinterpret_cast<uintptr_t>(sub), "Kanal");
    return menu;
}

TEST(Menus, BuildCheckGreyAndTrack)
{
    HMENU menu = SampleMenu();
    HMENU sub = GetSubMenu(menu, 2);
    EXPECT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_EQ((std::vector<int>{GetMenuItemID(menu, 0), GetMenuItemID(menu, 1), GetMenuItemID(menu, 2)}),
              (std::vector<int>{11, -1, -1}));
    EXPECT_EQ(CheckMenuItem(menu, 21, MF_CHECKED), MF_UNCHECKED);  // found in the submenu
    EXPECT_EQ(CheckMenuItem(menu, 21, MF_UNCHECKED), MF_CHECKED);
    EnableMenuItem(menu, 11, MF_GRAYED);
    EXPECT_EQ(GetMenuState(menu, 11, MF_BYCOMMAND), MF_GRAYED);
    EXPECT_EQ(CheckMenuItem(menu, 99, MF_CHECKED), kMenuFailed);
    EXPECT_EQ(GetMenuString(sub, 0, MF_BYPOSITION), "Kanal 1");

    MessageLog log;
    HWND owner = CreateWindow(log.Procedure(), 0, 0, 0, 10, 10);
    EXPECT_EQ(TrackPopupMenu(menu, 0, 0, 0, owner), 0u);  // nobody to ask: dismissed
    SetMenuHook([&](HMENU shown) -> uintptr_t { return shown == menu ? 21 : 0; });
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, owner), 21u);
    EXPECT_TRUE(Drain());
    EXPECT_EQ(log.Count(owner, WM_COMMAND, 21), 0u);
    EXPECT_EQ(TrackPopupMenu(menu, 0, 0, 0, owner), 21u);
    EXPECT_TRUE(Drain());
    EXPECT_EQ(log.Count(owner, WM_COMMAND, 21), 1u);
    SetMenuHook({});

    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_EQ(GetMenuItemCount(sub), -1);  // destroyed with its menu
    DestroyWindow(owner);

    RegisterMenuResource(7, SampleMenu);
    HMENU loaded = LoadMenu(7);
    HMENU again = LoadMenu(7);  // a fresh copy each time
    EXPECT_EQ(GetMenuItemCount(loaded), 3);
    EXPECT_NE(loaded, again);
    DestroyMenu(loaded);
    DestroyMenu(again);
    EXPECT_EQ(LoadMenu(8), nullptr);
}

TEST(Dialogs, HooksAnswerAndHeadlessCancels)
{
    CHOOSECOLOR color;
    color.rgbResult = 5;
    color.Flags = CC_RGBINIT;
    EXPECT_FALSE(ChooseColor(&color));
    EXPECT_EQ(color.rgbResult, 5u);
    LOGFONT font;
    CHOOSEFONT fontDialog;
    fontDialog.lpLogFont = &font;
    EXPECT_FALSE(ChooseFont(&fontDialog));

    EXPECT_EQ(MessageBox(nullptr, "Datei fehlt", "qmxplay", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(MessageBox(nullptr, "Fertig", "qmxplay", MB_OK), IDOK);
    std::string shown;
    SetMessageBoxHook([&](const std::string& text, const std::string&, UINT) {
        shown = text;
        return IDCANCEL;
    });
    EXPECT_EQ(MessageBox(nullptr, "Abbrechen?", "qmxplay", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(shown, "Abbrechen?");
    SetMessageBoxHook({});
}

}  // namespace
