// Internal to the window layer. GDI objects and device contexts as records in handle tables.
// UI thread only, like the drawing functions that use them.
#pragma once

#include "base/handletable.h"
#include "ui/gdi.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace zem::ui {

struct GdiObject {
    enum class Kind { Pen, Brush, Font, Bitmap };
    Kind kind = Kind::Pen;
    COLORREF color = 0;
    int penStyle = PS_SOLID;
    LOGFONT font;
    QFont qfont;       // the font made from `font` for qfontDpi, kept for the next use
    int qfontDpi = -1;  // none made yet
    QImage image;  // a bitmap's pixels
    int selections = 0;  // DCs that hold it selected; it cannot be deleted meanwhile
    bool stock = false;
};

struct DeviceContext {
    enum class Kind { Memory, Window, Measure };
    Kind kind = Kind::Measure;
    HWND hwnd = nullptr;
    QPainter* painter = nullptr;  // a window DC's painter, owned by the paint in progress
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ bitmap = nullptr;
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = 0;
    int bkMode = OPAQUE;
    POINT position;
    int dpiY = 96;
};

std::shared_ptr<GdiObject> FindObject(HGDIOBJ handle);
HGDIOBJ AddObject(std::shared_ptr<GdiObject> object);
bool RemoveObject(HGDIOBJ handle);
std::shared_ptr<DeviceContext> FindDC(HDC handle);
HDC AddDC(std::shared_ptr<DeviceContext> dc);
bool RemoveDC(HDC handle);
// The last id of the object and DC tables; tests make it small to go round it.
void SetGdiIdRange(uint32_t lastId);

// Runs f with a painter on the DC's surface; false when the DC draws nowhere (GetDC).
bool PaintOn(DeviceContext& dc, const std::function<void(QPainter&)>& f);
// The image a memory DC draws into, or null.
QImage* SurfaceOf(DeviceContext& dc);

QColor ToQColor(COLORREF color);
COLORREF FromQColor(const QColor& color);
QFont MakeFont(const LOGFONT& font, int dpiY);

// Text measurement, fixed when a test asked for it.
int TextWidth(const QFont& font, const std::string& latin1);
int LineHeight(const QFont& font);
int Ascent(const QFont& font);

}  // namespace zem::ui
