#include "KelFrame/kelborder.h"

#include <algorithm>

namespace zem {

KelBorder MakeBorder(int left, int top, int right, int bottom, COLORREF color, UINT edge, UINT sides, int mode)
{
    KelBorder b{left, top, right, bottom, color, edge, sides, mode == -1 ? 2 : mode};
    if (sides & BF_LEFT)
        b.left = std::max(b.left, 1);
    if (sides & BF_TOP)
        b.top = std::max(b.top, 1);
    if (sides & BF_RIGHT)
        b.right = std::max(b.right, 1);
    if (sides & BF_BOTTOM)
        b.bottom = std::max(b.bottom, 1);
    return b;
}

RECT InsideBorder(const RECT& r, const KelBorder& b)
{
    if (!b.HasWidth())
        return r;
    return RECT{r.left + b.left, r.top + b.top, r.right - b.right, r.bottom - b.bottom};
}

void PaintBorder(HDC dc, const RECT& c, const KelBorder& b)
{
    if (!b.HasWidth())
        return;
    const RECT o = InsideBorder(c, b);
    const HBRUSH brush = CreateSolidBrush(b.color);
    if (b.left)
        FillRect(dc, RECT{c.left, c.top, o.left, c.bottom}, brush);
    if (b.top)
        FillRect(dc, RECT{c.left, c.top, c.right, o.top}, brush);
    if (b.right)
        FillRect(dc, RECT{o.right, c.top, c.right, c.bottom}, brush);
    if (b.bottom)
        FillRect(dc, RECT{c.left, o.bottom, c.right, c.bottom}, brush);
    DeleteObject(brush);
    if (!b.edge || !b.sides)
        return;
    RECT line;
    switch (b.mode) {
    case 1: line = RECT{o.left - 1, o.top - 1, o.right + 1, o.bottom + 1}; break;
    case 2: line = c; break;
    case 4:
        line = RECT{c.left + (o.left - c.left) / 2, c.top + (o.top - c.top) / 2, c.right + (o.right - c.right) / 2,
                    c.bottom + (o.bottom - c.bottom) / 2};
        break;
    default: return;
    }
    DrawEdge(dc, &line, b.edge, b.sides);
}

RECT PaintBorders(HDC dc, const RECT& client, const KelBorder& outer, const KelBorder& inner)
{
    PaintBorder(dc, client, outer);
    const RECT o = InsideBorder(client, outer);
    PaintBorder(dc, o, inner);
    return InsideBorder(o, inner);
}

}  // namespace zem
