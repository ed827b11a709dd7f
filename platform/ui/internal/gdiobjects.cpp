#include "ui/internal/gdiobjects.h"

#include "ui/internal/hooks.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace zem::ui {
namespace {

uint32_t Id(const void* handle) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)); }

HandleTable<GdiObject, 24>& Objects()
{
    static HandleTable<GdiObject, 24> objects;
    return objects;
}

HandleTable<DeviceContext, 16>& DCs()
{
    static HandleTable<DeviceContext, 16> dcs;
    return dcs;
}

}  // namespace

std::shared_ptr<GdiObject> FindObject(HGDIOBJ handle) { return Objects().Find(Id(handle)); }

HGDIOBJ AddObject(std::shared_ptr<GdiObject> object)
{
    return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(Objects().Add(std::move(object))));
}

bool RemoveObject(HGDIOBJ handle) { return Objects().Remove(Id(handle)) != nullptr; }

std::shared_ptr<DeviceContext> FindDC(HDC handle) { return DCs().Find(Id(handle)); }

HDC AddDC(std::shared_ptr<DeviceContext> dc)
{
    return reinterpret_cast<HDC>(static_cast<uintptr_t>(DCs().Add(std::move(dc))));
}

bool RemoveDC(HDC handle) { return DCs().Remove(Id(handle)) != nullptr; }

void SetGdiIdRange(uint32_t lastId)
{
    Objects().SetLastId(lastId);
    DCs().SetLastId(lastId);
}

QImage* SurfaceOf(DeviceContext& dc)
{
    if (dc.kind != DeviceContext::Kind::Memory)
        return nullptr;
    auto bitmap = FindObject(dc.bitmap);
    return bitmap && !bitmap->image.isNull() ? &bitmap->image : nullptr;
}

bool PaintOn(DeviceContext& dc, const std::function<void(QPainter&)>& f)
{
    if (dc.kind == DeviceContext::Kind::Window && dc.painter) {
        dc.painter->save();
        f(*dc.painter);
        dc.painter->restore();
        return true;
    }
    if (QImage* image = SurfaceOf(dc)) {
        QPainter painter(image);
        f(painter);
        return true;
    }
    return false;
}

QColor ToQColor(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }
COLORREF FromQColor(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

namespace {

// How many pixels of cell (ascent plus descent) a family has per pixel of em.
double CellPerEm(QFont font)
{
    static std::map<QString, double> ratios;  // UI thread only
    auto [it, added] = ratios.try_emplace(font.family(), 1.0);
    if (added) {
        font.setPixelSize(1000);
        const QFontMetricsF metrics(font);
        it->second = std::max(0.5, (metrics.ascent() + metrics.descent()) / 1000.0);
    }
    return it->second;
}

}  // namespace

QFont MakeFont(const LOGFONT& font, int dpiY)
{
    const std::string face(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE));
    QFont qfont(QString::fromStdString(MappedFontFamily(face.empty() ? "MS Sans Serif" : face)));
    // Negative: the character height (the em) in pixels; positive: the cell height, ascent
    // plus descent; 0: the dialog font's 8 points.
    const int pixels = font.lfHeight < 0 ? -font.lfHeight
                     : font.lfHeight > 0 ? std::max(1, int(std::lround(font.lfHeight / CellPerEm(qfont))))
                                         : std::max(1, dpiY * 8 / 72);
    qfont.setPixelSize(pixels);
    qfont.setWeight(QFont::Weight(std::clamp(font.lfWeight == 0 ? 400 : int(font.lfWeight), 1, 1000)));
    qfont.setItalic(font.lfItalic != 0);
    qfont.setUnderline(font.lfUnderline != 0);
    qfont.setStrikeOut(font.lfStrikeOut != 0);
    return qfont;
}

int TextWidth(const QFont& font, const std::string& latin1)
{
    if (TestHooks().fixedCharWidth > 0)
        return TestHooks().fixedCharWidth * int(latin1.size());
    return QFontMetrics(font).horizontalAdvance(QString::fromLatin1(latin1.data(), qsizetype(latin1.size())));
}

int LineHeight(const QFont& font)
{
    if (TestHooks().fixedLineHeight > 0)
        return TestHooks().fixedLineHeight;
    return QFontMetrics(font).height();
}

int Ascent(const QFont& font)
{
    if (TestHooks().fixedLineHeight > 0)
        return TestHooks().fixedLineHeight * 4 / 5;
    return QFontMetrics(font).ascent();
}

}  // namespace zem::ui
