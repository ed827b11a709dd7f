// Cell grammar, grid layout, split moves and hosted-window placement as pure functions.
#include "KelFrame/kelcell.h"
#include "KelFrame/kelfe_wndcontainer.h"
#include "KelFrame/kelgridlayout.h"

#include <gtest/gtest.h>

#include <optional>

using namespace zem;

namespace {

bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(KelCell, GrammarCases)
{
    struct Case {
        const char* text;
        const char* stored;
        bool parses;
        CellRange range;
    };
    const Case cases[] = {
        {"c1r2", "C1R2", true, {1, 2, -1, -1}},
        {"C01R00-C03R00", "C01R00-C03R00", true, {1, 0, 3, 0}},
        {"C3R1-C1R1", "C3R1-C1R1", false, {3, 1, 1, 1}},
        {"C1", "", false, {-1, -1, -1, -1}},
        {"R1CX", "", false, {-1, -1, -1, -1}},
        {"C2R5 tail", "C2R5", true, {2, 5, -1, -1}},
        {"C1R1-C2", "C1R1-C2", true, {1, 1, -1, -1}},       // range end unread: a single cell
        {"C99999999999R1", "C99999999999R1", true, {INT32_MAX, 1, -1, -1}},  // saturates, no overflow
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(AcceptCell(c.text), c.stored);
        CellRange range;
        EXPECT_EQ(ParseCell(c.stored, range), c.parses);
        EXPECT_EQ((std::vector<int>{range.c1, range.r1, range.c2, range.r2}),
                  (std::vector<int>{c.range.c1, c.range.r1, c.range.c2, c.range.r2}));
    }
    EXPECT_EQ(FormatCellRange(2, 5, -1, -1), "C02R05");
    EXPECT_EQ(FormatCellRange(2, 5, 1, 5), "");
    EXPECT_EQ(FormatCellRange(2, 5, 3, -1), "");
    EXPECT_EQ(FormatCellRange(0, 3, 12, 4), "C00R03-C12R04");
}

TEST(KelGrid, PercentPartsAreCutToWhatIsLeft)
{
    GridAxis columns;
    columns.count = 3;
    for (auto [index, value] : {std::pair{0, -30.0}, {1, -30.0}, {2, -50.0}})
        columns.Set(index, value);
    EXPECT_EQ((std::vector<double>{columns.percent[0], columns.percent[1], columns.percent[2]}),
              (std::vector<double>{30, 30, 40}));
    columns.Set(0, -60);
    EXPECT_EQ(columns.percent[0], 30);
    columns.Set(1, 12.9);  // a fixed part beside the percent part
    EXPECT_EQ(columns.fixed[1], 12);
    EXPECT_EQ(columns.percent[1], 30);
    EXPECT_FALSE(columns.Set(100, -10));
    EXPECT_FALSE(columns.Set(-1, 5));
}

GridSpec Grid(std::vector<int> fixedColumns, std::vector<double> percentColumns, int rows = 1)
{
    GridSpec grid;
    grid.columns.count = int(std::max(fixedColumns.size(), percentColumns.size()));
    for (size_t i = 0; i < fixedColumns.size(); ++i)
        grid.columns.fixed[i] = fixedColumns[i];
    for (size_t i = 0; i < percentColumns.size(); ++i)
        grid.columns.percent[i] = percentColumns[i];
    grid.rows.count = rows;
    for (int i = 0; i < rows; ++i)
        grid.rows.percent[size_t(i)] = 100.0 / rows;
    return grid;
}

TEST(KelGrid, PlacesCellRanges)
{
    struct Case {
        const char* name;
        GridSpec grid;
        RECT area;
        const char* cell;
        std::optional<RECT> expected;
    };
    const GridSpec quarters = Grid({}, {25, 25, 25, 25});
    const Case cases[] = {
        {"first quarter", quarters, {0, 0, 201, 10}, "C00R00", RECT{0, 0, 50, 10}},
        {"second quarter", quarters, {0, 0, 201, 10}, "C01R00", RECT{50, 0, 100, 10}},
        {"third leaves pixel 100 free", quarters, {0, 0, 201, 10}, "C02R00", RECT{101, 0, 151, 10}},
        {"last ends at the edge", quarters, {0, 0, 201, 10}, "C03R00", RECT{151, 0, 201, 10}},
        {"range of two", quarters, {0, 0, 201, 10}, "C01R00-C02R00", RECT{50, 0, 151, 10}},
        {"fixed then percent", Grid({100, 0}, {0, 100}), {0, 0, 300, 10}, "C01R00", RECT{100, 0, 300, 10}},
        {"inside borders", Grid({}, {100}), {5, 5, 95, 45}, "C00R00", RECT{5, 5, 95, 45}},
        {"rows", Grid({}, {100}, 4), {0, 0, 10, 100}, "C00R02", RECT{0, 50, 10, 75}},
        {"fixed parts wider than the frame", Grid({400, 0}, {0, 100}), {0, 0, 300, 10}, "C01R00",
         RECT{400, 0, 400, 10}},
        {"column 100", quarters, {0, 0, 201, 10}, "C100R00", std::nullopt},
        {"range into column 100", quarters, {0, 0, 201, 10}, "C01R00-C100R00", std::nullopt},
        {"unparsable", quarters, {0, 0, 201, 10}, "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto placed = PlaceCells(c.grid, c.area, c.cell);
        ASSERT_EQ(placed.has_value(), c.expected.has_value());
        if (placed) {
            EXPECT_TRUE(*placed == *c.expected) << placed->left << "," << placed->top << "," << placed->right << ","
                                                << placed->bottom;
        }
    }
}

TEST(KelGrid, SplitMovesOnePercentAcrossTheEdge)
{
    struct Case {
        int index;
        uint32_t edge;
        bool moved;
        std::vector<double> after;  // columns 0-2, or rows 0-2 for edges 2 and 8
    };
    const Case cases[] = {
        {1, 1, true, {41, 29, 30}},   // left edge of column 1: column 0 grows
        {1, 4, true, {40, 29, 31}},   // right edge of column 1: column 2 grows
        {1, 2, true, {41, 29, 30}},   // rows alike
        {1, 8, true, {40, 29, 31}},
        {0, 1, false, {40, 30, 30}},  // no column left of 0
        {99, 4, false, {40, 30, 30}}, // no column right of 99
        {1, 3, false, {40, 30, 30}},  // not an edge
        {-5, 4, false, {40, 30, 30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.index << "/" << c.edge);
        GridSpec grid = Grid({}, {40, 30, 30}, 1);
        grid.rows.count = 3;
        for (size_t i = 0; i < 3; ++i)
            grid.rows.percent[i] = grid.columns.percent[i];
        EXPECT_EQ(MoveSplit(grid, c.index, c.edge), c.moved);
        const GridAxis& axis = (c.edge == 2 || c.edge == 8) ? grid.rows : grid.columns;
        EXPECT_EQ((std::vector<double>{axis.percent[0], axis.percent[1], axis.percent[2]}), c.after);
    }
}

TEST(KelGrid, DraggableEdgesLieBetweenPercentParts)
{
    GridSpec grid = Grid({0, 0, 50}, {50, 50, 0}, 2);
    EXPECT_EQ(DraggableEdges(grid, {0, 0, -1, -1}), 4u | 8u);
    EXPECT_EQ(DraggableEdges(grid, {1, 1, -1, -1}), 1u | 2u);  // column 2 is fixed only
}

TEST(KelContainer, PlacesTheHostedWindowByItsFlags)
{
    const RECT inner{10, 20, 110, 70};  // 100 x 50
    struct Case {
        uint32_t flags;
        RECT current;
        RECT expected;
    };
    const Case cases[] = {
        {0x180, {0, 0, 30, 30}, {10, 20, 110, 70}},
        {0x11, {0, 0, 100, 50}, {10, 20, 110, 70}},
        {0x11, {5, 5, 45, 25}, {10, 20, 50, 40}},
        {0x22, {0, 0, 40, 20}, {70, 50, 110, 70}},
        {0x44, {0, 0, 140, 90}, {-10, 0, 130, 90}},  // larger: equal overhang on both sides
        {0x81, {0, 0, 40, 20}, {10, 0, 110, 20}},    // fill overrides left; no vertical flag keeps y
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        const RECT placed = PlaceHostedWindow(inner, c.current, c.flags);
        EXPECT_TRUE(placed == c.expected) << placed.left << "," << placed.top << "," << placed.right << ","
                                          << placed.bottom;
    }
}

}  // namespace
