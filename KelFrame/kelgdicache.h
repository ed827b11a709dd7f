// Pens, brushes and fonts made on first use and kept while their owner lives, so that a paint
// takes the same ones again instead of making and deleting its own each time. UI thread only.
#pragma once

#include "ui/gdi.h"

#include <map>
#include <string>
#include <tuple>
#include <utility>

namespace zem {

class KelGdiCache {
public:
    KelGdiCache() = default;
    ~KelGdiCache();
    KelGdiCache(const KelGdiCache&) = delete;
    KelGdiCache& operator=(const KelGdiCache&) = delete;

    HPEN Pen(int style, COLORREF colour);
    HBRUSH Brush(COLORREF colour);
    HFONT Font(const std::string& face, int height, int weight, bool italic);

private:
    std::map<std::pair<int, COLORREF>, HPEN> pens_;
    std::map<COLORREF, HBRUSH> brushes_;
    std::map<std::tuple<std::string, int, int, bool>, HFONT> fonts_;
};

// Selects a font for the lifetime of the object and puts the one before it back afterwards.
class KelSelectedFont {
public:
    KelSelectedFont(HDC dc, HFONT font) : dc_(dc), old_(SelectObject(dc, font)) {}
    ~KelSelectedFont() { SelectObject(dc_, old_); }
    KelSelectedFont(const KelSelectedFont&) = delete;
    KelSelectedFont& operator=(const KelSelectedFont&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace zem
