// The grid of a frame and where it puts a cell range: pure functions of the grid and the area.
#pragma once

#include "KelFrame/kelcell.h"
#include "ui/gdi.h"

#include <array>
#include <cstdint>
#include <optional>

namespace zem {

constexpr int kKelGridMax = 100;  // columns and rows, indexes 0-99

// Columns or rows: each has a fixed part in pixels and a percent part of what the fixed parts
// leave over.
struct GridAxis {
    int count = 0;
    std::array<int, kKelGridMax> fixed{};
    std::array<double, kKelGridMax> percent{};

    // Value above 0 sets the fixed part (truncated); 0 or below sets the percent part to
    // -value, cut so that the percents of the columns in use do not pass 100. False for an
    // index outside 0-99.
    bool Set(int index, double value);
    int FixedSum(int first, int last) const;      // inclusive; 0 for an empty span
    double PercentSum(int first, int last) const;
};

struct GridSpec {
    GridAxis columns;
    GridAxis rows;
};

// The range's rectangle in the area; none for a range that does not parse or leaves the grid.
std::optional<RECT> PlaceCells(const GridSpec& grid, const RECT& area, const std::string& cell);

// Edges of the range that lie between two percent-sized columns or rows (1 left, 2 top,
// 4 right, 8 bottom).
uint32_t DraggableEdges(const GridSpec& grid, const CellRange& range);

// Moves one percent across the edge: the range's own column or row shrinks, its neighbour
// grows. False (nothing moved) for an index or edge outside the grid.
bool MoveSplit(GridSpec& grid, int index, uint32_t edge);

}  // namespace zem
