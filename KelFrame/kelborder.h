// The border block of frames and elements: strips of a colour on each side and an edge line.
#pragma once

#include "ui/gdi.h"

namespace zem {

struct KelBorder {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    COLORREF color = 0;
    UINT edge = 0;   // DrawEdge edge type; 0 = no edge line
    UINT sides = 0;  // BF_ sides; 0 = no edge line
    int mode = 0;    // 1: edge just outside the inner side, 2: on the outer side, 4: halfway

    bool HasWidth() const { return left || top || right || bottom; }
};

// A block as the setters store it: each flagged side at least 1 wide, mode -1 becomes 2.
KelBorder MakeBorder(int left, int top, int right, int bottom, COLORREF color, UINT edge, UINT sides, int mode);

// The rectangle inside the block (unchanged when no width is set).
RECT InsideBorder(const RECT& outside, const KelBorder& border);

// Paints the strips between outside and InsideBorder(outside) and the edge line.
void PaintBorder(HDC dc, const RECT& outside, const KelBorder& border);

// Paints the outer block on the client rectangle, then the inner one inside it; returns the
// rectangle inside both.
RECT PaintBorders(HDC dc, const RECT& client, const KelBorder& outer, const KelBorder& inner);

}  // namespace zem
