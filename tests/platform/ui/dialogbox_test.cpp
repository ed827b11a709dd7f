// Combo boxes and modal dialogs: list order and selection as the window system keeps them,
// what the parent hears, and how a dialog ends with and without a person (the dialog hook).
// The settings dialog's tests work controls through the hook.
#include "ui/combobox.h"
#include "ui/controls.h"
#include "ui/dialogbox.h"
#include "ui/input.h"
#include "ui/internal/windowwidget.h"
#include "ui/messagebox.h"
#include "ui/modaldialog.h"  // its template type must not clash with this one
#include "ui/testhooks.h"
#include "uitest.h"

#include <QCheckBox>
#include <QStyleOptionButton>
#include <gtest/gtest.h>

#include <tuple>

using namespace uitest;

namespace {

std::vector<std::string> Entries(HWND combo)
{
    std::vector<std::string> entries;
    const auto count = int(SendMessage(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        entries.push_back(GetComboBoxText(combo, i));
    return entries;
}

void Add(HWND combo, const char* text)
{
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

TEST(ComboBox, OrderSelectionAndTextAsTheWindowSystemKeepsThem)
{
    HWND parent = CreateWindow(Quiet, WS_VISIBLE, 0, 0, 300, 100);
    HWND plain = CreateComboBox(CBS_DROPDOWNLIST | WS_VISIBLE, 5, 5, 150, 80, parent, 7);
    HWND sorted = CreateComboBox(CBS_DROPDOWNLIST | CBS_SORT | WS_VISIBLE, 5, 5, 150, 80, parent, 8);
    for (const char* text : {"null", "Analog", "HDMI"}) {
        Add(plain, text);
        Add(sorted, text);
    }
    EXPECT_EQ(Entries(plain), (std::vector<std::string>{"null", "Analog", "HDMI"}));
    EXPECT_EQ(Entries(sorted), (std::vector<std::string>{"Analog", "HDMI", "null"}));
    EXPECT_EQ(SendMessage(sorted, CB_GETCURSEL, 0, 0), CB_ERR) << "adding must not select";

    EXPECT_EQ(SendMessage(sorted, CB_SETCURSEL, 1, 0), 1);
    Add(sorted, "default");  // before the selected entry: the selection moves with its entry
    EXPECT_EQ(SendMessage(sorted, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(SendMessage(sorted, CB_GETLBTEXTLEN, 2, 0), 4);
    char buffer[16] = {};
    EXPECT_EQ(SendMessage(sorted, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(buffer)), 7);
    EXPECT_STREQ(buffer, "default");
    EXPECT_EQ(SendMessage(sorted, CB_GETLBTEXT, 4, reinterpret_cast<LPARAM>(buffer)), CB_ERR);
    EXPECT_EQ(SendMessage(sorted, CB_SETCURSEL, WPARAM(intptr_t(-1)), 0), CB_ERR);
    EXPECT_EQ(SendMessage(sorted, CB_GETCURSEL, 0, 0), CB_ERR);
    SendMessage(sorted, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessage(sorted, CB_GETCOUNT, 0, 0), 0);
    DestroyWindow(parent);
}

TEST(ComboBox, OnlyAUsersChoiceTellsTheParent)
{
    MessageLog log;
    HWND parent = CreateWindow(log.Procedure(), WS_VISIBLE, 0, 0, 300, 100);
    HWND combo = CreateComboBox(CBS_DROPDOWNLIST | WS_VISIBLE, 5, 5, 150, 80, parent, 1002);
    for (const char* text : {"a", "b"})
        Add(combo, text);
    SendMessage(combo, CB_SETCURSEL, 0, 0);
    EXPECT_FALSE(ChooseComboBoxItem(combo, 2));
    EXPECT_TRUE(ChooseComboBoxItem(combo, 1));
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(log.Count(parent, WM_COMMAND, MAKEWPARAM(1002, CBN_SELCHANGE)), 1u);
    DestroyWindow(parent);
}

const DialogTemplate& TestDialog()
{
    static const DialogTemplate dialog{"Test", 200, 60,
                                       {{DialogItem::Kind::Button, IDOK, "OK", BS_DEFPUSHBUTTON, 10, 40, 50, 14},
                                        {DialogItem::Kind::Button, IDCANCEL, "Abbrechen", 0, 70, 40, 50, 14},
                                        {DialogItem::Kind::Button, 1001, "Box", BS_AUTOCHECKBOX, 10, 10, 80, 12},
                                        {DialogItem::Kind::ComboBox, 1002, "", CBS_DROPDOWNLIST, 100, 10, 80, 40},
                                        {DialogItem::Kind::Static, 0, "Text:", 0, 100, 0, 40, 8},
                                        {DialogItem::Kind::Button, 1003, "one two three four five six seven",
                                         BS_AUTOCHECKBOX | BS_MULTILINE, 130, 30, 40, 28}},
                                       {"MS Sans Serif", 8}};
    return dialog;
}

struct DialogHookGuard {
    explicit DialogHookGuard(std::function<void(HWND)> hook) { SetDialogHook(std::move(hook)); }
    ~DialogHookGuard() { SetDialogHook({}); }
};

void Click(HWND dialog, int id)
{
    SendMessage(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// A key pressed while the control has the focus.
void Press(HWND dialog, int id, int virtualKey)
{
    SimulateKey(GetDlgItem(dialog, id), virtualKey, true);
    SimulateKey(GetDlgItem(dialog, id), virtualKey, false);
}

TEST(DialogBox, EndsAsTheHookTheKeysOrTheProcedureSay)
{
    struct Case {
        const char* name;
        std::function<void(HWND)> hook;  // empty: no person, offscreen
        LRESULT okAnswer;                // what the procedure answers to IDOK
        intptr_t result;
    };
    const Case cases[] = {
        {"no hook, no display", {}, 0, IDCANCEL},
        {"OK left to the default", [](HWND d) { Click(d, IDOK); }, 0, IDOK},
        {"Cancel", [](HWND d) { Click(d, IDCANCEL); }, 0, IDCANCEL},
        {"hook that does nothing", [](HWND) {}, 0, IDCANCEL},
        {"OK handled: the procedure ends it", [](HWND d) { Click(d, IDOK); }, 1, 42},
        {"Return in the list: the default button", [](HWND d) { Press(d, 1002, VK_RETURN); }, 0, IDOK},
        {"Return on a check box: the default button", [](HWND d) { Press(d, 1001, VK_RETURN); }, 1, 42},
        {"Return on Abbrechen: that button", [](HWND d) { Press(d, IDCANCEL, VK_RETURN); }, 0, IDCANCEL},
        {"Escape", [](HWND d) { Press(d, 1002, VK_ESCAPE); }, 1, IDCANCEL},
        {"another key", [](HWND d) { Press(d, 1002, VK_DOWN); }, 1, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DialogHookGuard guard(c.hook);
        std::vector<UINT> seen;
        HWND items[3] = {};
        const intptr_t result = DialogBox(TestDialog(), [&](HWND self, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
            seen.push_back(message);
            if (message == WM_INITDIALOG) {
                items[0] = GetDlgItem(self, 1001);
                items[1] = GetDlgItem(self, 1002);
                items[2] = GetDlgItem(self, 99);
            }
            if (message == WM_COMMAND && LOWORD(wParam) == IDOK && c.okAnswer)
                EndDialog(self, 42);
            return message == WM_COMMAND && LOWORD(wParam) == IDOK ? c.okAnswer : 0;
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), WM_INITDIALOG), 1);
        EXPECT_TRUE(items[0] && items[1]);
        EXPECT_EQ(items[2], nullptr);
        EXPECT_FALSE(IsWindow(items[0])) << "the dialog's controls go with it";
    }
    EXPECT_FALSE(EndDialog(nullptr, IDOK));
}

// Where a control lies in the dialog, in pixels.
RECT PlaceIn(HWND dialog, int id)
{
    RECT outer{}, inner{};
    GetWindowRect(dialog, &outer);
    GetWindowRect(GetDlgItem(dialog, id), &inner);
    return {inner.left - outer.left, inner.top - outer.top, inner.right - outer.left, inner.bottom - outer.top};
}

TEST(DialogBox, PlacesControlsInTheFontsUnitsAndADropDownAtItsClosedHeight)
{
    // Letters 7 px wide and lines 15 px high: base units 7 x 15, a unit 7/4 px across and 15/8 px down.
    SetFixedTextMetrics(7, 15);
    const DialogBaseUnits units = GetDialogBaseUnits(TestDialog().font);
    EXPECT_EQ(std::pair(units.x, units.y), std::pair(7, 15));
    std::vector<std::pair<int, RECT>> places;
    RECT client{};
    std::vector<std::string> wrapped;
    {
        DialogHookGuard guard([&](HWND dialog) {
            GetClientRect(dialog, &client);
            for (int id : {IDOK, IDCANCEL, 1001, 1002})
                places.emplace_back(id, PlaceIn(dialog, id));
            const auto* box = ui::WidgetOf(GetDlgItem(dialog, 1003))->findChild<QCheckBox*>();
            QStyleOptionButton option;
            option.initFrom(box);
            const int width = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width();
            for (const QString& line : box->text().split(u'\n')) {
                wrapped.push_back(line.toStdString());
                EXPECT_LE(box->fontMetrics().horizontalAdvance(line), width) << line.toStdString();
            }
        });
        DialogBox(TestDialog(), [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    }
    SetFixedTextMetrics(0, 0);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(350, 113));  // 200 x 60 units
    const RECT expected[] = {{18, 75, 106, 101}, {123, 75, 211, 101}, {18, 19, 158, 42}};  // 17.5 -> 18: rounded
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(places[i].first);
        EXPECT_EQ(std::tuple(places[i].second.left, places[i].second.top, places[i].second.right, places[i].second.bottom),
                  std::tuple(expected[i].left, expected[i].top, expected[i].right, expected[i].bottom));
    }
    const RECT combo = places[3].second;
    EXPECT_EQ(std::tuple(combo.left, combo.top, combo.right), std::tuple(175, 19, 315));
    EXPECT_GT(combo.bottom - combo.top, 15) << "a line of text at least";
    EXPECT_LT(combo.bottom, 75) << "the closed box, not its list, clear of the buttons below";
    EXPECT_GT(wrapped.size(), 2u) << "the multi-line check box breaks between words";
}

}  // namespace
