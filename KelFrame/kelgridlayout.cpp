#include "KelFrame/kelgridlayout.h"

#include "ZemBaseLib/muldiv.h"

#include <algorithm>
#include <cmath>

namespace zem {
namespace {

bool InGrid(int index) { return index >= 0 && index < kKelGridMax; }

struct Span {
    int position;
    int extent;
};

// Position and extent of columns (or rows) first..last in an extent of `available` pixels.
Span Locate(const GridAxis& axis, int available, int first, int last)
{
    const uint32_t left = uint32_t(std::max(available - axis.FixedSum(0, axis.count - 1), 0));
    const auto tenths = [](double percent) { return uint32_t(std::trunc(percent * 10)); };
    const int position = axis.FixedSum(0, first - 1) + int(MulDivRound(left, tenths(axis.PercentSum(0, first - 1)), 1000));
    int extent = axis.FixedSum(first, last) + int(MulDivRound(left, tenths(axis.PercentSum(first, last)), 1000));
    if (position < 0)
        extent = 0;
    return {position, extent};
}

}  // namespace

bool GridAxis::Set(int index, double value)
{
    if (!InGrid(index))
        return false;
    if (value > 0) {
        fixed[size_t(index)] = int(std::min(value, double(INT32_MAX)));
        return true;
    }
    const double others = PercentSum(0, count - 1) - (index < count ? percent[size_t(index)] : 0.0);
    percent[size_t(index)] = std::max(0.0, std::min({-value, 100.0, 100.0 - others}));
    return true;
}

int GridAxis::FixedSum(int first, int last) const
{
    int64_t sum = 0;
    for (int i = std::max(first, 0); i <= std::min(last, kKelGridMax - 1); ++i)
        sum += fixed[size_t(i)];
    return int(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}

double GridAxis::PercentSum(int first, int last) const
{
    double sum = 0;
    for (int i = std::max(first, 0); i <= std::min(last, kKelGridMax - 1); ++i)
        sum += percent[size_t(i)];
    return sum;
}

std::optional<RECT> PlaceCells(const GridSpec& grid, const RECT& area, const std::string& cell)
{
    CellRange range;
    if (!ParseCell(cell, range) || !InGrid(range.EndColumn()) || !InGrid(range.EndRow()))
        return std::nullopt;
    const Span x = Locate(grid.columns, area.right - area.left, range.c1, range.EndColumn());
    const Span y = Locate(grid.rows, area.bottom - area.top, range.r1, range.EndRow());
    const int left = area.left + x.position, top = area.top + y.position;
    return RECT{left, top, left + x.extent, top + y.extent};
}

uint32_t DraggableEdges(const GridSpec& grid, const CellRange& range)
{
    const auto between = [](const GridAxis& axis, int a, int b) {
        return InGrid(a) && InGrid(b) && axis.percent[size_t(a)] > 0 && axis.percent[size_t(b)] > 0;
    };
    uint32_t edges = 0;
    const int endColumn = range.EndColumn(), endRow = range.EndRow();
    if (range.c1 > 0 && between(grid.columns, range.c1, range.c1 - 1))
        edges |= 1;
    if (endColumn < grid.columns.count - 1 && between(grid.columns, endColumn, endColumn + 1))
        edges |= 4;
    if (range.r1 > 0 && between(grid.rows, range.r1, range.r1 - 1))
        edges |= 2;
    if (endRow < grid.rows.count - 1 && between(grid.rows, endRow, endRow + 1))
        edges |= 8;
    return edges;
}

bool MoveSplit(GridSpec& grid, int index, uint32_t edge)
{
    GridAxis& axis = (edge == 1 || edge == 4) ? grid.columns : grid.rows;
    const int neighbour = (edge == 1 || edge == 2) ? index - 1 : (edge == 4 || edge == 8) ? index + 1 : -1;
    if (!InGrid(index) || !InGrid(neighbour))
        return false;
    if (axis.percent[size_t(index)] > 1.0) {
        axis.percent[size_t(neighbour)] += 1.0;
        axis.percent[size_t(index)] -= 1.0;
    }
    return true;
}

}  // namespace zem
