// Drawing: text layout, pixels drawn into memory DCs, GDI object lifetimes, fonts, painting a
// window.
#include "ui/bitmap.h"
#include "ui/gdi.h"
#include "ui/internal/textlayout.h"
#include "ui/testhooks.h"
#include "uitest.h"

#include <gtest/gtest.h>

using namespace uitest;

namespace {

// A memory DC over a white bitmap; everything is released at the end.
class Canvas {
public:
    Canvas(int width, int height) : dc(CreateCompatibleDC(nullptr)), bitmap(CreateCompatibleBitmap(dc, width, height))
    {
        old = SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    std::vector<COLORREF> Row(int y, int from, int to) const
    {
        std::vector<COLORREF> row;
        for (int x = from; x < to; ++x)
            row.push_back(GetPixel(dc, x, y));
        return row;
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

constexpr COLORREF W = RGB(255, 255, 255);
constexpr COLORREF K = RGB(0, 0, 0);

TEST(TextLayout, BreaksLinesAsDrawTextDoes)
{
    const auto measure = [](const std::string& s) { return int(s.size()) * 10; };
    struct Case {
        const char* text;
        UINT format;
        int width;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"one two three", DT_WORDBREAK, 80, {"one two", "three"}},
        {"one two three", DT_SINGLELINE | DT_WORDBREAK, 80, {"one two three"}},
        {"unbreakable word", DT_WORDBREAK, 50, {"unbreakable", "word"}},
        {"a\r\nb\nc", 0, 100, {"a", "b", "c"}},
        {"a\r\nb", DT_SINGLELINE, 100, {"a  b"}},
        {"a\tb", DT_EXPANDTABS, 100, {"a       b"}},
        {"&Datei && mehr", 0, 200, {"Datei & mehr"}},
        {"&Datei", DT_NOPREFIX, 200, {"&Datei"}},
        {"", DT_WORDBREAK, 10, {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> lines;
        for (const auto& line : ui::LayoutText(c.text, c.format, c.width, measure))
            lines.push_back(line.text);
        EXPECT_EQ(lines, c.lines);
    }
}

TEST(Drawing, LinesRectanglesAndFills)
{
    Canvas canvas(12, 12);
    const HPEN pen = CreatePen(PS_SOLID, 1, K);
    const HGDIOBJ oldPen = SelectObject(canvas.dc, pen);
    MoveToEx(canvas.dc, 1, 1);
    LineTo(canvas.dc, 5, 1);  // the end point stays out
    EXPECT_EQ(canvas.Row(1, 0, 6), (std::vector<COLORREF>{W, K, K, K, K, W}));

    const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const HGDIOBJ oldBrush = SelectObject(canvas.dc, red);
    Rectangle(canvas.dc, 0, 3, 5, 8);  // outline in the pen, inside in the brush
    EXPECT_EQ(canvas.Row(5, 0, 6), (std::vector<COLORREF>{K, RGB(255, 0, 0), RGB(255, 0, 0), RGB(255, 0, 0), K, W}));
    EXPECT_EQ(canvas.Row(7, 0, 6), (std::vector<COLORREF>{K, K, K, K, K, W}));

    const HPEN dotted = CreatePen(PS_DOT, 1, K);
    SelectObject(canvas.dc, dotted);
    MoveToEx(canvas.dc, 0, 10);
    LineTo(canvas.dc, 8, 10);
    EXPECT_EQ(canvas.Row(10, 0, 9), (std::vector<COLORREF>{K, K, K, W, W, W, K, K, W}));

    FillRect(canvas.dc, RECT{8, 0, 10, 2}, red);
    EXPECT_EQ(canvas.Row(0, 7, 11), (std::vector<COLORREF>{W, RGB(255, 0, 0), RGB(255, 0, 0), W}));

    EXPECT_FALSE(DeleteObject(red));  // still selected
    SelectObject(canvas.dc, oldBrush);
    SelectObject(canvas.dc, oldPen);
    for (HGDIOBJ object : {pen, red, dotted}) {
        EXPECT_TRUE(DeleteObject(object));
        EXPECT_FALSE(DeleteObject(object));  // a stale id finds nothing
    }
    EXPECT_EQ(SelectObject(canvas.dc, red), nullptr);
}

// A paint makes and deletes its pens, brushes, fonts and DCs; a window painting for weeks
// makes far more than the id range holds. Here the range is 64 ids and each kind is made
// 40 times as often: every one is made, draws, and is deleted, and the canvas and a pen kept
// throughout stay themselves.
TEST(Drawing, ObjectIdsGoRoundTheirRange)
{
    constexpr uint32_t kRange = 64;
    SetGdiIdRange(kRange);
    Canvas canvas(4, 1);
    const HPEN kept = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    int failures = 0;
    for (int i = 0; i < int(kRange) * 40; ++i) {
        const COLORREF colour = RGB(i % 256, 0, 0);
        const HDC dc = CreateCompatibleDC(nullptr);
        const HBRUSH brush = CreateSolidBrush(colour);
        const HPEN pen = CreatePen(PS_SOLID, 1, colour);
        LOGFONT logFont;
        const HFONT font = CreateFontIndirect(logFont);
        failures += !dc || !brush || !pen || !font || pen == kept || brush == kept;
        failures += !FillRect(canvas.dc, RECT{0, 0, 1, 1}, brush) || GetPixel(canvas.dc, 0, 0) != colour;
        const HGDIOBJ oldPen = SelectObject(canvas.dc, pen);
        failures += oldPen == nullptr || SelectObject(canvas.dc, oldPen) != pen;
        failures += !DeleteObject(brush) || !DeleteObject(pen) || !DeleteObject(font) || !DeleteDC(dc);
        failures += DeleteObject(brush) || DeleteDC(dc);  // stale until the range comes round
    }
    SetGdiIdRange(0x7FFFFFFF);
    EXPECT_EQ(failures, 0);
    const HGDIOBJ oldPen = SelectObject(canvas.dc, kept);
    MoveToEx(canvas.dc, 1, 0);
    LineTo(canvas.dc, 3, 0);
    EXPECT_EQ(canvas.Row(0, 1, 3), (std::vector<COLORREF>{RGB(0, 0, 255), RGB(0, 0, 255)}));
    SelectObject(canvas.dc, oldPen);
    EXPECT_TRUE(DeleteObject(kept));
}

TEST(Drawing, EdgesInTheClassicColours)
{
    Canvas canvas(10, 10);
    RECT r{0, 0, 10, 10};
    DrawEdge(canvas.dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    EXPECT_EQ((std::vector<int>{r.left, r.top, r.right, r.bottom}), (std::vector<int>{2, 2, 8, 8}));
    EXPECT_EQ(canvas.Row(5, 0, 10), (std::vector<COLORREF>{kColor3DShadow, kColor3DDarkShadow, W, W, W, W, W, W,
                                                            kColor3DLight, kColor3DHighlight}));
    RECT raised{0, 0, 10, 10};
    DrawEdge(canvas.dc, &raised, EDGE_RAISED, BF_TOP);
    EXPECT_EQ(canvas.Row(0, 4, 5), (std::vector<COLORREF>{kColor3DLight}));
    EXPECT_EQ(canvas.Row(1, 4, 5), (std::vector<COLORREF>{kColor3DHighlight}));
    EXPECT_EQ(raised.top, 0);  // no BF_ADJUST
}

TEST(Drawing, ButtonFramesFillTheirRectangle)
{
    const COLORREF D = kColor3DDarkShadow, S = kColor3DShadow, L = kColor3DLight, H = kColor3DHighlight;
    const struct {
        UINT state;
        std::vector<COLORREF> row;  // across the middle, from the left edge
    } cases[] = {
        {DFCS_BUTTONPUSH, {L, H, L, L, L, L, S, D}},
        {DFCS_BUTTONPUSH | DFCS_PUSHED, {S, D, L, L, L, L, L, H}},
        {DFCS_BUTTONCHECK, {S, D, H, H, H, H, L, H}},
        {DFCS_BUTTONCHECK | DFCS_PUSHED, {S, D, L, L, L, L, L, H}},
    };
    for (const auto& c : cases) {
        Canvas canvas(8, 8);
        RECT r{0, 0, 8, 8};
        EXPECT_TRUE(DrawFrameControl(canvas.dc, &r, DFC_BUTTON, c.state));
        EXPECT_EQ(canvas.Row(4, 0, 8), c.row) << c.state;
        EXPECT_EQ(r.right, 8) << "the rectangle stays";
    }
    Canvas canvas(4, 4);
    RECT r{0, 0, 4, 4};
    EXPECT_FALSE(DrawFrameControl(canvas.dc, &r, 1, 0));
}

TEST(Drawing, BlockTransfersAndBitmapResources)
{
    Canvas source(4, 4), dest(8, 8);
    const HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(source.dc, RECT{0, 0, 2, 4}, blue);
    BitBlt(dest.dc, 4, 4, 4, 4, source.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(dest.Row(5, 3, 8), (std::vector<COLORREF>{W, RGB(0, 0, 255), RGB(0, 0, 255), W, W}));
    BitBlt(dest.dc, 0, 5, 5, 1, nullptr, 0, 0, DSTINVERT);
    EXPECT_EQ(dest.Row(5, 3, 6), (std::vector<COLORREF>{K, RGB(255, 255, 0), RGB(0, 0, 255)}));
    DeleteObject(blue);

    // A 2 x 1 BMP: blue, then red (pixels stored BGR, rows padded to 4 bytes).
    static const uint8_t bmp[] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0,
                                  1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                  255, 0, 0, 0, 0, 255, 0, 0};
    RegisterBitmapResource(501, bmp, sizeof bmp);
    EXPECT_EQ(LoadBitmap(502), nullptr);
    EXPECT_EQ(LoadBitmapFromData(bmp, 20), nullptr) << "cut short";
    const HBITMAP atHand = LoadBitmapFromData(bmp, sizeof bmp);
    SIZE atHandSize;
    EXPECT_TRUE(GetBitmapSize(atHand, &atHandSize) && atHandSize.cx == 2 && atHandSize.cy == 1);
    DeleteObject(atHand);
    const HBITMAP picture = LoadBitmap(501);
    SIZE size;
    ASSERT_TRUE(GetBitmapSize(picture, &size));
    EXPECT_EQ((std::vector<int>{size.cx, size.cy}), (std::vector<int>{2, 1}));
    const HDC pictureDc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(pictureDc, picture);
    EXPECT_EQ(SelectObject(dest.dc, picture), nullptr);  // one DC at a time
    StretchBlt(dest.dc, 0, 0, 8, 2, pictureDc, 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(dest.Row(1, 0, 4), (std::vector<COLORREF>(4, RGB(0, 0, 255))));
    EXPECT_EQ(dest.Row(0, 4, 8), (std::vector<COLORREF>(4, RGB(255, 0, 0))));
    SelectObject(pictureDc, old);
    DeleteDC(pictureDc);
    EXPECT_TRUE(DeleteObject(picture));
}

TEST(Drawing, TextMeasuresWithFixedMetrics)
{
    SetFixedTextMetrics(8, 16);
    Canvas canvas(100, 60);
    RECT r{0, 0, 100, 0};
    EXPECT_EQ(DrawText(canvas.dc, "Anruf vom Zug", &r, DT_CALCRECT | DT_SINGLELINE), 16);
    EXPECT_EQ(r.right, 13 * 8);
    RECT wrapped{0, 0, 60, 0};
    EXPECT_EQ(DrawText(canvas.dc, "Anruf vom Zug", &wrapped, DT_CALCRECT | DT_WORDBREAK), 32);
    EXPECT_EQ(wrapped.right, 60);

    // An opaque background box of the measured size, centred: its edges are background.
    SetBkColor(canvas.dc, RGB(0, 255, 0));
    RECT box{0, 0, 100, 60};
    DrawText(canvas.dc, "          ", &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    EXPECT_EQ(canvas.Row(22, 9, 11), (std::vector<COLORREF>{W, RGB(0, 255, 0)}));
    EXPECT_EQ(canvas.Row(37, 89, 91), (std::vector<COLORREF>{RGB(0, 255, 0), W}));
    SetFixedTextMetrics(0, 0);
}

TEST(Fonts, FacesMapToMetricCompatibleFonts)
{
    for (const char* face : {"Arial", "MS Sans Serif", "Small Fonts"})
        EXPECT_EQ(MappedFontFamily(face), "Liberation Sans") << face;
    // A positive height is the cell, a negative one the character without the cell's extra.
    Canvas canvas(10, 10);
    std::vector<int> cells;
    for (int height : {20, -20}) {
        LOGFONT font;
        font.lfHeight = height;
        const HFONT handle = CreateFontIndirect(font);
        const HGDIOBJ old = SelectObject(canvas.dc, handle);
        SIZE extent;
        GetTextExtentPoint(canvas.dc, "Zug", &extent);
        cells.push_back(extent.cy);
        SelectObject(canvas.dc, old);
        LOGFONT back;
        ASSERT_TRUE(GetObject(handle, &back));
        EXPECT_EQ(back.lfHeight, height);
        DeleteObject(handle);
    }
    EXPECT_NEAR(cells[0], 20, 1);
    EXPECT_GT(cells[1], cells[0]);
}

TEST(Drawing, MulDivRoundsHalfAwayFromZero)
{
    struct Case {
        int n, num, den, result;
    };
    for (const Case& c : {Case{12, 96, 72, 16}, {5, 1, 2, 3}, {-5, 1, 2, -3}, {7, 1, 0, -1}, {1 << 30, 4, 2, 1 << 31}})
        EXPECT_EQ(MulDiv(c.n, c.num, c.den), c.result) << c.n << "*" << c.num << "/" << c.den;
}

TEST(Painting, WindowsPaintThroughBeginPaint)
{
    std::vector<UINT> seen;
    HWND hwnd = CreateWindow([&](HWND self, UINT message, WPARAM, LPARAM) -> LRESULT {
        seen.push_back(message);
        if (message == WM_PAINT) {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(self, &paint);
            const HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
            FillRect(dc, RECT{0, 0, 5, 5}, brush);
            DeleteObject(brush);
            EndPaint(self, &paint);
        }
        return 0;
    }, WS_VISIBLE, 0, 0, 20, 10);
    const WindowImage image = GrabWindow(hwnd);
    ASSERT_EQ((std::vector<int>{image.width, image.height}), (std::vector<int>{20, 10}));
    EXPECT_EQ(image.At(2, 2), RGB(10, 20, 30));
    EXPECT_EQ(image.At(10, 5), W);  // erased by default
    EXPECT_NE(std::find(seen.begin(), seen.end(), WM_ERASEBKGND), seen.end());
    seen.clear();
    MoveWindow(hwnd, 0, 0, 30, 10);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_GETMINMAXINFO, WM_SIZE}));
    DestroyWindow(hwnd);
}

}  // namespace
