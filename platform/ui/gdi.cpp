#include "ui/gdi.h"

#include "ui/application.h"
#include "ui/internal/gdiobjects.h"
#include "ui/internal/textlayout.h"
#include "ui/internal/windowwidget.h"
#include "ui/window.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace zem {
namespace {

using ui::DeviceContext;
using ui::GdiObject;

std::shared_ptr<GdiObject> MakeObject(GdiObject::Kind kind)
{
    auto object = std::make_shared<GdiObject>();
    object->kind = kind;
    return object;
}

// What a new DC has selected: a black pen, a white brush, the default font.
struct StockObjects {
    HGDIOBJ pen, brush, font;
};
const StockObjects& Stock()
{
    static const StockObjects stock = [] {
        auto pen = MakeObject(GdiObject::Kind::Pen);
        auto brush = MakeObject(GdiObject::Kind::Brush);
        brush->color = RGB(255, 255, 255);
        auto font = MakeObject(GdiObject::Kind::Font);
        for (auto* o : {&pen, &brush, &font})
            (*o)->stock = true;
        return StockObjects{ui::AddObject(pen), ui::AddObject(brush), ui::AddObject(font)};
    }();
    return stock;
}

std::shared_ptr<DeviceContext> NewDC(DeviceContext::Kind kind, HWND hwnd)
{
    auto dc = std::make_shared<DeviceContext>();
    dc->kind = kind;
    dc->hwnd = hwnd;
    dc->pen = Stock().pen;
    dc->brush = Stock().brush;
    dc->font = Stock().font;
    dc->dpiY = ui::WindowDpiY(hwnd);
    return dc;
}

HDC Register(std::shared_ptr<DeviceContext> dc)
{
    for (HGDIOBJ o : {dc->pen, dc->brush, dc->font, dc->bitmap}) {
        if (auto object = ui::FindObject(o))
            ++object->selections;
    }
    return ui::AddDC(std::move(dc));
}

void Unselect(DeviceContext& dc)
{
    for (HGDIOBJ o : {dc.pen, dc.brush, dc.font, dc.bitmap}) {
        if (auto object = ui::FindObject(o))
            --object->selections;
    }
}

std::shared_ptr<DeviceContext> Find(HDC hdc) { return IsUiThread() ? ui::FindDC(hdc) : nullptr; }

QPen PenOf(HGDIOBJ handle)
{
    auto pen = ui::FindObject(handle);
    if (!pen || pen->penStyle == PS_NULL)
        return Qt::NoPen;
    QPen qpen(ui::ToQColor(pen->color));
    qpen.setWidth(1);
    qpen.setCapStyle(Qt::FlatCap);
    // The window system's patterns for one-pixel pens, in pixels on and off.
    if (pen->penStyle == PS_DASH)
        qpen.setDashPattern({18, 6});
    else if (pen->penStyle == PS_DOT)
        qpen.setDashPattern({3, 3});
    return qpen;
}

QBrush BrushOf(HGDIOBJ handle)
{
    auto brush = ui::FindObject(handle);
    return brush ? QBrush(ui::ToQColor(brush->color)) : QBrush(Qt::NoBrush);
}

QFont FontOf(const DeviceContext& dc)
{
    auto font = ui::FindObject(dc.font);
    if (!font)
        return ui::MakeFont(LOGFONT{}, dc.dpiY);
    if (font->qfontDpi != dc.dpiY) {
        font->qfont = ui::MakeFont(font->font, dc.dpiY);
        font->qfontDpi = dc.dpiY;
    }
    return font->qfont;
}

QRect ToQRect(const RECT& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

// The pixels of a one-pixel pen, gathered as runs: a paint draws thousands of short
// segments, and one fill per pixel costs more than all the rest of it.
class PixelRuns {
public:
    void Add(int x, int y)
    {
        if (!runs_.empty()) {
            QRect& last = runs_.back();
            if (last.height() == 1 && y == last.top() && (x == last.right() + 1 || x == last.left() - 1)) {
                last.setLeft(std::min(last.left(), x));
                last.setRight(std::max(last.right(), x));
                return;
            }
            if (last.width() == 1 && x == last.left() && (y == last.bottom() + 1 || y == last.top() - 1)) {
                last.setTop(std::min(last.top(), y));
                last.setBottom(std::max(last.bottom(), y));
                return;
            }
        }
        runs_.emplace_back(x, y, 1, 1);
    }
    void Draw(QPainter& p, const QColor& colour) const
    {
        if (runs_.empty())
            return;
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRects(runs_.data(), int(runs_.size()));
    }

private:
    std::vector<QRect> runs_;
};

// A one-pixel line from (x1, y1) up to but not including (x2, y2), in the pen's pattern
// counted from the start, pixel by pixel as the window system steps it.
void Line(PixelRuns& pixels, const QPen& pen, int x1, int y1, int x2, int y2)
{
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    const QVector<qreal> dashes = pen.style() == Qt::CustomDashLine ? pen.dashPattern() : QVector<qreal>{};
    qreal period = 0;
    for (qreal d : dashes)
        period += d;
    int error = dx + dy, step = 0;
    for (int x = x1, y = y1; x != x2 || y != y2; ++step) {
        bool on = true;
        if (period > 0) {
            qreal at = std::fmod(qreal(step), period);
            for (int i = 0; i < dashes.size(); at -= dashes[i], ++i) {
                if (at < dashes[i]) {
                    on = i % 2 == 0;
                    break;
                }
            }
        }
        if (on)
            pixels.Add(x, y);
        const int twice = 2 * error;
        if (twice >= dy)
            error += dy, x += sx;
        if (twice <= dx)
            error += dx, y += sy;
    }
}

void Line(QPainter& p, const QPen& pen, int x1, int y1, int x2, int y2)
{
    PixelRuns pixels;
    Line(pixels, pen, x1, y1, x2, y2);
    pixels.Draw(p, pen.color());
}

}  // namespace

HPEN CreatePen(int style, int, COLORREF color)
{
    if (!IsUiThread())
        return nullptr;
    auto pen = MakeObject(GdiObject::Kind::Pen);
    pen->penStyle = style;
    pen->color = color;
    return ui::AddObject(pen);
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    if (!IsUiThread())
        return nullptr;
    auto brush = MakeObject(GdiObject::Kind::Brush);
    brush->color = color;
    return ui::AddObject(brush);
}

HFONT CreateFontIndirect(const LOGFONT& font)
{
    if (!IsUiThread())
        return nullptr;
    auto object = MakeObject(GdiObject::Kind::Font);
    object->font = font;
    object->font.lfFaceName[LF_FACESIZE - 1] = 0;
    return ui::AddObject(object);
}

bool DeleteObject(HGDIOBJ handle)
{
    auto object = IsUiThread() ? ui::FindObject(handle) : nullptr;
    if (!object || object->stock || object->selections > 0)
        return false;
    return ui::RemoveObject(handle);
}

bool GetObject(HFONT font, LOGFONT* out)
{
    auto object = IsUiThread() ? ui::FindObject(font) : nullptr;
    if (!object || object->kind != GdiObject::Kind::Font || !out)
        return false;
    *out = object->font;
    return true;
}

HDC CreateCompatibleDC(HDC)
{
    if (!IsUiThread())
        return nullptr;
    static HBITMAP empty = [] {
        auto bitmap = MakeObject(GdiObject::Kind::Bitmap);
        bitmap->image = QImage(1, 1, QImage::Format_RGB32);
        bitmap->image.fill(Qt::black);
        bitmap->stock = true;
        return ui::AddObject(bitmap);
    }();
    auto dc = NewDC(DeviceContext::Kind::Memory, nullptr);
    dc->bitmap = empty;
    return Register(dc);
}

bool DeleteDC(HDC hdc)
{
    auto dc = Find(hdc);
    if (!dc || dc->kind == DeviceContext::Kind::Window)
        return false;
    Unselect(*dc);
    return ui::RemoveDC(hdc);
}

HDC GetDC(HWND hwnd)
{
    if (!IsUiThread() || (hwnd && !IsWindow(hwnd)))
        return nullptr;
    return Register(NewDC(DeviceContext::Kind::Measure, hwnd));
}

bool ReleaseDC(HWND, HDC hdc)
{
    auto dc = Find(hdc);
    if (!dc || dc->kind != DeviceContext::Kind::Measure)
        return false;
    Unselect(*dc);
    return ui::RemoveDC(hdc);
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height)
{
    if (!IsUiThread() || width <= 0 || height <= 0)
        return nullptr;
    auto bitmap = MakeObject(GdiObject::Kind::Bitmap);
    bitmap->image = QImage(width, height, QImage::Format_RGB32);
    if (bitmap->image.isNull())
        return nullptr;
    bitmap->image.fill(Qt::white);
    return ui::AddObject(bitmap);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle)
{
    auto dc = Find(hdc);
    auto object = ui::FindObject(handle);
    if (!dc || !object)
        return nullptr;
    HGDIOBJ* slot = nullptr;
    switch (object->kind) {
    case GdiObject::Kind::Pen: slot = &dc->pen; break;
    case GdiObject::Kind::Brush: slot = &dc->brush; break;
    case GdiObject::Kind::Font: slot = &dc->font; break;
    case GdiObject::Kind::Bitmap:
        // A bitmap belongs to one memory DC at a time.
        if (dc->kind != DeviceContext::Kind::Memory || (object->selections > 0 && dc->bitmap != handle))
            return nullptr;
        slot = &dc->bitmap;
        break;
    }
    const HGDIOBJ previous = *slot;
    if (auto old = ui::FindObject(previous))
        --old->selections;
    ++object->selections;
    *slot = handle;
    return previous;
}

int GetDeviceCaps(HDC hdc, int index)
{
    auto dc = Find(hdc);
    if (!dc)
        return 0;
    return index == LOGPIXELSY || index == LOGPIXELSX ? dc->dpiY : 0;
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    auto dc = Find(hdc);
    if (!dc)
        return 0xFFFFFFFF;
    return std::exchange(dc->bkColor, color);
}

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    auto dc = Find(hdc);
    if (!dc)
        return 0xFFFFFFFF;
    return std::exchange(dc->textColor, color);
}

int SetBkMode(HDC hdc, int mode)
{
    auto dc = Find(hdc);
    if (!dc || (mode != OPAQUE && mode != TRANSPARENT))
        return 0;
    return std::exchange(dc->bkMode, mode);
}

bool FillRect(HDC hdc, const RECT& rect, HBRUSH brush)
{
    auto dc = Find(hdc);
    auto object = ui::FindObject(brush);
    if (!dc || !object || object->kind != GdiObject::Kind::Brush)
        return false;
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return true;
    ui::PaintOn(*dc, [&](QPainter& p) { p.fillRect(ToQRect(rect), ui::ToQColor(object->color)); });
    return true;
}

bool Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    auto dc = Find(hdc);
    if (!dc)
        return false;
    ui::PaintOn(*dc, [&](QPainter& p) {
        if (right - left > 2 && bottom - top > 2)
            p.fillRect(QRect(left + 1, top + 1, right - left - 2, bottom - top - 2), BrushOf(dc->brush));
        const QPen pen = PenOf(dc->pen);
        if (pen.style() == Qt::NoPen || right <= left || bottom <= top)
            return;
        Line(p, pen, left, top, right - 1, top);
        Line(p, pen, right - 1, top, right - 1, bottom - 1);
        Line(p, pen, right - 1, bottom - 1, left, bottom - 1);
        Line(p, pen, left, bottom - 1, left, top);
    });
    return true;
}

bool Polygon(HDC hdc, const POINT* points, int count)
{
    auto dc = Find(hdc);
    if (!dc || !points || count < 2)
        return false;
    ui::PaintOn(*dc, [&](QPainter& p) {
        QPolygon polygon;
        for (int i = 0; i < count; ++i)
            polygon << QPoint(points[i].x, points[i].y);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(PenOf(dc->pen));
        p.setBrush(BrushOf(dc->brush));
        p.drawPolygon(polygon);
    });
    return true;
}

bool MoveToEx(HDC hdc, int x, int y, POINT* previous)
{
    auto dc = Find(hdc);
    if (!dc)
        return false;
    if (previous)
        *previous = dc->position;
    dc->position = POINT{x, y};
    return true;
}

bool LineTo(HDC hdc, int x, int y)
{
    auto dc = Find(hdc);
    if (!dc)
        return false;
    const POINT from = dc->position;
    ui::PaintOn(*dc, [&](QPainter& p) {
        const QPen pen = PenOf(dc->pen);
        if (pen.style() != Qt::NoPen)
            Line(p, pen, from.x, from.y, x, y);
    });
    dc->position = POINT{x, y};
    return true;
}

bool Polyline(HDC hdc, const POINT* points, int count)
{
    auto dc = Find(hdc);
    if (!dc || !points || count < 2)
        return false;
    ui::PaintOn(*dc, [&](QPainter& p) {
        const QPen pen = PenOf(dc->pen);
        if (pen.style() == Qt::NoPen)
            return;
        PixelRuns pixels;
        for (int i = 1; i < count; ++i)
            Line(pixels, pen, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
        pixels.Draw(p, pen.color());
    });
    return true;
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    auto dc = Find(hdc);
    QImage* image = dc ? ui::SurfaceOf(*dc) : nullptr;
    if (!image || !image->valid(x, y))
        return 0xFFFFFFFF;
    return ui::FromQColor(image->pixelColor(x, y));
}

bool SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    auto dc = Find(hdc);
    return dc && ui::PaintOn(*dc, [&](QPainter& p) { p.fillRect(QRect(x, y, 1, 1), ui::ToQColor(color)); });
}

int DrawText(HDC hdc, const std::string& text, RECT* rect, UINT format)
{
    auto dc = Find(hdc);
    if (!dc || !rect)
        return 0;
    const QFont font = FontOf(*dc);
    const int lineHeight = ui::LineHeight(font);
    const auto lines = ui::LayoutText(text, format, rect->right - rect->left,
                                      [&](const std::string& s) { return ui::TextWidth(font, s); });
    const int height = lineHeight * int(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const auto& line : lines)
            widest = std::max(widest, line.width);
        if (!(format & DT_WORDBREAK) || widest > rect->right - rect->left)
            rect->right = rect->left + widest;
        rect->bottom = rect->top + height;
        return height;
    }
    int y = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            y = rect->bottom - lineHeight;
    }
    ui::PaintOn(*dc, [&](QPainter& p) {
        if (!(format & DT_NOCLIP))
            p.setClipRect(ToQRect(*rect), Qt::IntersectClip);
        p.setFont(font);
        p.setPen(ui::ToQColor(dc->textColor));
        for (const auto& line : lines) {
            int x = rect->left;
            if (format & DT_CENTER)
                x = rect->left + (rect->right - rect->left - line.width) / 2;
            else if (format & DT_RIGHT)
                x = rect->right - line.width;
            if (dc->bkMode == OPAQUE)
                p.fillRect(QRect(x, y, line.width, lineHeight), ui::ToQColor(dc->bkColor));
            p.drawText(QPoint(x, y + ui::Ascent(font)),
                       QString::fromLatin1(line.text.data(), qsizetype(line.text.size())));
            y += lineHeight;
        }
    });
    return height;
}

bool GetTextExtentPoint(HDC hdc, const std::string& text, SIZE* size)
{
    auto dc = Find(hdc);
    if (!dc || !size)
        return false;
    const QFont font = FontOf(*dc);
    *size = SIZE{ui::TextWidth(font, text), ui::LineHeight(font)};
    return true;
}

bool DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags)
{
    auto dc = Find(hdc);
    if (!dc || !rect)
        return false;
    // Outer ring first, then the inner one inside it; top and left before bottom and right.
    struct Ring {
        UINT raised, sunken;
        COLORREF raisedTopLeft, raisedBottomRight, sunkenTopLeft, sunkenBottomRight;
    };
    const Ring rings[] = {
        {BDR_RAISEDOUTER, BDR_SUNKENOUTER, kColor3DLight, kColor3DDarkShadow, kColor3DShadow, kColor3DHighlight},
        {BDR_RAISEDINNER, BDR_SUNKENINNER, kColor3DHighlight, kColor3DShadow, kColor3DDarkShadow, kColor3DLight},
    };
    RECT r = *rect;
    ui::PaintOn(*dc, [&](QPainter& p) {
        for (const Ring& ring : rings) {
            if (!(edge & (ring.raised | ring.sunken)))
                continue;
            const bool raised = edge & ring.raised;
            const QColor topLeft = ui::ToQColor(raised ? ring.raisedTopLeft : ring.sunkenTopLeft);
            const QColor bottomRight = ui::ToQColor(raised ? ring.raisedBottomRight : ring.sunkenBottomRight);
            const int w = r.right - r.left, h = r.bottom - r.top;
            if (w <= 0 || h <= 0)
                break;
            if (flags & BF_TOP)
                p.fillRect(QRect(r.left, r.top, w, 1), topLeft);
            if (flags & BF_LEFT)
                p.fillRect(QRect(r.left, r.top, 1, h), topLeft);
            if (flags & BF_BOTTOM)
                p.fillRect(QRect(r.left, r.bottom - 1, w, 1), bottomRight);
            if (flags & BF_RIGHT)
                p.fillRect(QRect(r.right - 1, r.top, 1, h), bottomRight);
            r.left += (flags & BF_LEFT) ? 1 : 0;
            r.top += (flags & BF_TOP) ? 1 : 0;
            r.right -= (flags & BF_RIGHT) ? 1 : 0;
            r.bottom -= (flags & BF_BOTTOM) ? 1 : 0;
        }
    });
    if (flags & BF_ADJUST)
        *rect = r;
    return true;
}

bool DrawFrameControl(HDC dc, RECT* rect, UINT kind, UINT state)
{
    if (kind != DFC_BUTTON || !rect)
        return false;
    const bool pushed = state & DFCS_PUSHED;
    const bool push = state & DFCS_BUTTONPUSH;
    RECT inside = *rect;
    if (!DrawEdge(dc, &inside, push && !pushed ? EDGE_RAISED : EDGE_SUNKEN, BF_RECT | BF_ADJUST))
        return false;
    const HBRUSH face = CreateSolidBrush(push || pushed ? kColor3DLight : kColor3DHighlight);
    const bool filled = FillRect(dc, inside, face);
    DeleteObject(face);
    return filled;
}

bool StretchBlt(HDC destHdc, int x, int y, int width, int height, HDC sourceHdc, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, uint32_t rop)
{
    auto dest = Find(destHdc);
    if (!dest)
        return false;
    const QRect target(x, y, width, height);
    if (rop == DSTINVERT) {
        return ui::PaintOn(*dest, [&](QPainter& p) {
            p.setCompositionMode(QPainter::RasterOp_NotDestination);
            p.fillRect(target, Qt::black);
        });
    }
    auto source = Find(sourceHdc);
    QImage* image = source ? ui::SurfaceOf(*source) : nullptr;
    if (rop != SRCCOPY || !image)
        return false;
    const QRect from(sourceX, sourceY, sourceWidth, sourceHeight);
    // A copy only when the source is the destination or the part reaches past its edge.
    const bool direct = ui::SurfaceOf(*dest) != image && image->rect().contains(from);
    const QImage part = direct ? QImage() : image->copy(from);
    return ui::PaintOn(*dest, [&](QPainter& p) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        if (part.isNull())
            p.drawImage(target, *image, from);
        else
            p.drawImage(target, part);
    });
}

bool BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, uint32_t rop)
{
    return StretchBlt(dest, x, y, width, height, source, sourceX, sourceY, width, height, rop);
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint)
{
    if (!paint || !IsUiThread() || !IsWindow(hwnd))
        return nullptr;
    const ui::ActivePaint* active = ui::FindActivePaint(hwnd);
    auto dc = NewDC(active ? DeviceContext::Kind::Window : DeviceContext::Kind::Measure, hwnd);
    if (active) {
        dc->painter = active->painter;
        paint->rcPaint = active->rect;
        paint->fErase = active->erase;
    } else {
        paint->rcPaint = RECT{};
        paint->fErase = false;
    }
    paint->hdc = Register(dc);
    return paint->hdc;
}

bool EndPaint(HWND, const PAINTSTRUCT* paint)
{
    auto dc = paint ? Find(paint->hdc) : nullptr;
    if (!dc || dc->kind == DeviceContext::Kind::Memory)
        return false;
    Unselect(*dc);
    return ui::RemoveDC(paint->hdc);
}

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    // Rounded half away from zero, as the window system does.
    const int64_t product = int64_t(number) * numerator;
    const int64_t magnitude = (std::abs(product) + std::abs(int64_t(denominator)) / 2) / std::abs(int64_t(denominator));
    const int64_t rounded = (product < 0) != (denominator < 0) ? -magnitude : magnitude;
    return int(rounded);
}

}  // namespace zem
