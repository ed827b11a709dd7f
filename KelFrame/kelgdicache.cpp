#include "KelFrame/kelgdicache.h"

#include <cstdio>

namespace zem {

KelGdiCache::~KelGdiCache()
{
    for (const auto& [key, pen] : pens_)
        DeleteObject(pen);
    for (const auto& [key, brush] : brushes_)
        DeleteObject(brush);
    for (const auto& [key, font] : fonts_)
        DeleteObject(font);
}

HPEN KelGdiCache::Pen(int style, COLORREF colour)
{
    HPEN& pen = pens_[{style, colour}];
    if (!pen)
        pen = CreatePen(style, 1, colour);
    return pen;
}

HBRUSH KelGdiCache::Brush(COLORREF colour)
{
    HBRUSH& brush = brushes_[colour];
    if (!brush)
        brush = CreateSolidBrush(colour);
    return brush;
}

HFONT KelGdiCache::Font(const std::string& face, int height, int weight, bool italic)
{
    HFONT& font = fonts_[{face, height, weight, italic}];
    if (!font) {
        LOGFONT logFont;
        logFont.lfHeight = height;
        logFont.lfWeight = weight;
        logFont.lfItalic = italic ? 1 : 0;
        std::snprintf(logFont.lfFaceName, sizeof logFont.lfFaceName, "%s", face.c_str());
        font = CreateFontIndirect(logFont);
    }
    return font;
}

}  // namespace zem
