// The list view: selection by mouse and keys as a table of clicks, refusal through the
// reflected change notification, check boxes, columns, colours, and the scroll bars, wheel and
// header a person moves it with.
#include "ui/listview.h"

#include "ui/input.h"
#include "ui/testhooks.h"
#include "uitest.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace uitest;

namespace {

// A list view of `rows` rows with item data 100 + row, inside a parent that logs the
// notifications and refuses what `refuse` says.
class ListFixture : public ::testing::Test {
protected:
    void TearDown() override { DestroyWindow(parent_); }

    HWND Make(int rows, uint32_t extended, int height = 200, WindowProcedure subclass = {})
    {
        DestroyWindow(parent_);
        parent_ = CreateWindow(
            [this](HWND, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
                if (message != WM_NOTIFY)
                    return 0;
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                codes.push_back(header->code);
                if (header->code == LVN_KEYDOWN)
                    keys.push_back(reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey);
                if (header->code != LVN_ITEMCHANGING)
                    return 0;
                const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
                changes.push_back(*change);
                return refuse && refuse(*change) ? 1 : 0;
            },
            WS_VISIBLE, 0, 0, 300, height);
        list_ = CreateListView(WS_VISIBLE | LVS_REPORT, 0, 0, 300, height, parent_, 7, std::move(subclass));
        ListView_SetExtendedStyle(list_, extended);
        ListView_InsertColumn(list_, 0, "Name", 60);
        ListView_InsertColumn(list_, 1, "Hidden", 0);
        ListView_InsertColumn(list_, 2, "Size", 80);
        for (int row = 0; row < rows; ++row) {
            ListView_InsertItem(list_, row, "row " + std::to_string(row));
            ListView_SetItemData(list_, row, 100 + row);
            ListView_SetItemText(list_, row, 2, std::to_string(row * 10));
        }
        return list_;
    }

    std::set<int> Selected() const
    {
        std::set<int> rows;
        for (int item = ListView_GetNextItem(list_, -1, LVNI_SELECTED); item >= 0;
             item = ListView_GetNextItem(list_, item, LVNI_SELECTED))
            rows.insert(item);
        return rows;
    }

    std::function<bool(const NMLISTVIEW&)> refuse;
    std::vector<int> codes;
    std::vector<NMLISTVIEW> changes;
    std::vector<uint16_t> keys;
    HWND parent_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(ListFixture, ClicksSelectWithControlAndShiftAndRefusedRowsStayAsTheyWere)
{
    struct Step {
        const char* what;
        int row;  // -1: below the last row
        WPARAM keys;
        std::set<int> selected;
    };
    const Step steps[] = {
        {"plain click", 1, 0, {1}},
        {"ctrl adds", 3, MK_CONTROL, {1, 3}},
        {"shift spans from the last click", 5, MK_SHIFT, {3, 4, 5}},
        {"ctrl removes", 4, MK_CONTROL, {3, 5}},
        {"ctrl+shift adds a span", 0, MK_CONTROL | MK_SHIFT, {0, 1, 2, 3, 4, 5}},
        {"plain click again", 2, 0, {2}},
        {"refused row 4 is skipped by a span", 5, MK_SHIFT, {2, 3, 5}},
        {"empty space clears", -1, 0, {}},
    };
    Make(6, LVS_EX_FULLROWSELECT);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        refuse = [&](const NMLISTVIEW& c) { return std::string(step.what).starts_with("refused") && c.iItem == 4; };
        if (step.row < 0) {
            RECT last;
            ListView_GetItemRect(list_, 5, &last);
            ASSERT_TRUE(SimulateMouse(list_, WM_LBUTTONDOWN, 20, last.bottom + 5, MK_LBUTTON));
        } else {
            ASSERT_TRUE(ClickListViewItem(list_, step.row, step.keys));
        }
        EXPECT_EQ(Selected(), step.selected);
        EXPECT_EQ(ListView_GetSelectedCount(list_), int(step.selected.size()));
    }
}

TEST_F(ListFixture, CheckBoxClicksAreOfferedWithStatesAndItemDataAndMayBeRefused)
{
    Make(3, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    ASSERT_TRUE(ListView_SetCheckState(list_, 1, false));
    ASSERT_TRUE(ClickListViewItem(list_, 0));
    changes.clear();
    codes.clear();

    ASSERT_TRUE(ClickListViewCheckBox(list_, 1));
    EXPECT_TRUE(ListView_GetCheckState(list_, 1));
    EXPECT_EQ(Selected(), std::set<int>{0});  // a check box click leaves the selection
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].iItem, 1);
    EXPECT_EQ(changes[0].lParam, 101);
    EXPECT_EQ(changes[0].uOldState, INDEXTOSTATEIMAGEMASK(1));
    EXPECT_EQ(changes[0].uNewState, INDEXTOSTATEIMAGEMASK(2));
    EXPECT_EQ(codes, (std::vector<int>{LVN_ITEMCHANGING, LVN_ITEMCHANGED}));

    refuse = [](const NMLISTVIEW&) { return true; };
    codes.clear();
    EXPECT_TRUE(ClickListViewCheckBox(list_, 1));
    EXPECT_TRUE(ListView_GetCheckState(list_, 1));
    EXPECT_FALSE(ListView_SetItemState(list_, 2, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(codes, (std::vector<int>{LVN_ITEMCHANGING, LVN_ITEMCHANGING}));  // no "changed"
}

TEST_F(ListFixture, ASubclassSeesNotificationsReflectedBeforeTheParent)
{
    std::vector<int> reflected;
    Make(2, 0, 200, [&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == OCM_NOTIFY) {
            const int code = reinterpret_cast<const NMHDR*>(lParam)->code;
            reflected.push_back(code);
            if (code == LVN_KEYDOWN)
                return 0;  // kept from the parent
        }
        return DefListViewProc(hwnd, message, wParam, lParam);
    });
    ASSERT_TRUE(ClickListViewItem(list_, 0));
    SimulateKey(list_, VK_DOWN, true);
    SimulateKey(list_, VK_DOWN, false);
    EXPECT_EQ(Selected(), std::set<int>{1});  // the list's own key handling stays
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(std::count(reflected.begin(), reflected.end(), LVN_KEYDOWN), 1);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), LVN_ITEMCHANGING),
              std::count(reflected.begin(), reflected.end(), LVN_ITEMCHANGING));
}

TEST_F(ListFixture, KeysMoveTheSelectionToggleTheBoxAndReachTheParent)
{
    Make(4, LVS_EX_CHECKBOXES);
    ASSERT_TRUE(ClickListViewItem(list_, 1));
    for (int key : {VK_DOWN, VK_DOWN, VK_SPACE, VK_HOME}) {
        SimulateKey(list_, key, true);
        SimulateKey(list_, key, false);
    }
    EXPECT_EQ(keys, (std::vector<uint16_t>{VK_DOWN, VK_DOWN, VK_SPACE, VK_HOME}));
    EXPECT_EQ(Selected(), std::set<int>{0});
    EXPECT_TRUE(ListView_GetCheckState(list_, 3));
    EXPECT_EQ(ListView_GetNextItem(list_, -1, LVNI_FOCUSED), 0);
}

TEST_F(ListFixture, HiddenColumnsFullRowSelectAndFindByItemData)
{
    Make(3, 0);
    EXPECT_EQ(ListView_FindItemData(list_, 102), 2);
    EXPECT_EQ(ListView_FindItemData(list_, 102, 2), -1);
    EXPECT_EQ(ListView_FindItemData(list_, 7), -1);

    RECT row;
    ListView_GetItemRect(list_, 1, &row);
    UINT where = 0;
    // Column 2 starts right after column 0: the hidden one takes no room.
    EXPECT_EQ(ListView_HitTest(list_, {100, row.top + 2}, &where), -1);
    ListView_SetExtendedStyle(list_, LVS_EX_FULLROWSELECT);
    EXPECT_EQ(ListView_HitTest(list_, {100, row.top + 2}, &where), 1);
    EXPECT_EQ(ListView_HitTest(list_, {150, row.top + 2}, &where), -1);  // past the last column
}

TEST_F(ListFixture, PaintsTheThreeColoursAndTheSelection)
{
    Make(2, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
    ListView_SetBkColor(list_, RGB(0, 0, 0));
    ListView_SetTextBkColor(list_, RGB(0, 0, 255));
    ListView_SetTextColor(list_, RGB(255, 255, 255));
    ListView_SetCheckState(list_, 0, false);
    ListView_SetItemState(list_, 1, LVIS_SELECTED, LVIS_SELECTED);
    RECT first, second, box;
    ListView_GetItemRect(list_, 0, &first);
    ListView_GetItemRect(list_, 1, &second);
    ListView_GetCheckBoxRect(list_, 0, &box);
    const WindowImage image = GrabWindow(list_);
    ASSERT_EQ(image.width, 300);
    EXPECT_EQ(image.At(138, first.bottom - 1), RGB(0, 0, 255));   // text background, past the text
    EXPECT_EQ(image.At(250, first.top + 2), RGB(0, 0, 0));        // right of the last column
    EXPECT_EQ(image.At(20, second.bottom + 20), RGB(0, 0, 0));    // below the rows
    EXPECT_NE(image.At(138, second.bottom - 1), RGB(0, 0, 255));  // the selection's colour
    EXPECT_EQ(image.At((box.left + box.right) / 2, (box.top + box.bottom) / 2), RGB(255, 255, 255));
}

TEST_F(ListFixture, ScrollsToShowARow)
{
    Make(30, 0, 100);
    const int page = ListView_GetCountPerPage(list_);
    ASSERT_GT(page, 0);
    ASSERT_LT(page, 30);
    EXPECT_TRUE(ListView_EnsureVisible(list_, 20));
    EXPECT_EQ(ListView_GetTopIndex(list_), 20 - page + 1);
    RECT row;
    ASSERT_TRUE(ListView_GetItemRect(list_, 0, &row));
    const int rowHeight = row.bottom - row.top;
    EXPECT_TRUE(ListView_Scroll(list_, -3 * rowHeight));
    EXPECT_EQ(ListView_GetTopIndex(list_), 20 - page - 2);
    EXPECT_TRUE(ListView_Scroll(list_, 100 * rowHeight));
    EXPECT_EQ(ListView_GetTopIndex(list_), 30 - page);  // no further than the last page
    ASSERT_TRUE(ClickListViewItem(list_, 0));
    EXPECT_EQ(ListView_GetTopIndex(list_), 0);
    EXPECT_EQ(Selected(), std::set<int>{0});
}

TEST_F(ListFixture, ScrollBarsShowWhatDoesNotFitAndTheWheelAndHeaderReachIt)
{
    struct Case {
        const char* what;
        int rows;
        int height;
        int widen;  // the last column's title edge dragged by
        bool vertical;
        bool horizontal;
    };
    const Case cases[] = {
        {"all fits", 3, 200, 0, false, false},
        {"rows below", 30, 100, 0, true, false},
        {"a column dragged wide", 3, 200, 300, false, true},
        {"both", 30, 100, 300, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Make(c.rows, LVS_EX_CHECKBOXES, c.height);
        if (c.widen != 0) {
            ASSERT_TRUE(DragListViewColumnEdge(list_, 2, c.widen));
            EXPECT_EQ(ListView_GetColumnWidth(list_, 2), 80 + c.widen);
        }
        EXPECT_TRUE(PumpMessagesUntil([&] {
            return ListView_HasScrollBar(list_, SB_VERT) == c.vertical && ListView_HasScrollBar(list_, SB_HORZ) == c.horizontal;
        }, kBoundMs));

        RECT client, last;
        ASSERT_TRUE(GetClientRect(list_, &client));
        ASSERT_TRUE(ListView_GetItemRect(list_, c.rows - 1, &last));
        EXPECT_EQ(last.bottom <= client.bottom, !c.vertical) << "the last row starts out of view";
        for (int notch = 0; notch < c.rows; ++notch)
            ASSERT_TRUE(SimulateWheel(list_, 30, client.bottom / 2, -1));
        ASSERT_TRUE(ListView_GetItemRect(list_, c.rows - 1, &last));
        EXPECT_LE(last.bottom, client.bottom);
        EXPECT_EQ(ListView_GetTopIndex(list_) > 0, c.vertical);
        EXPECT_TRUE(Selected().empty()) << "the wheel selects nothing";
    }
}

}  // namespace
