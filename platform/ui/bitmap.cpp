#include "ui/bitmap.h"

#include "ui/application.h"
#include "ui/internal/gdiobjects.h"
#include "ui/internal/windowwidget.h"
#include "ui/window.h"

#include <QIcon>
#include <QPixmap>

#include <map>
#include <mutex>
#include <span>

namespace zem {
namespace {

// A resource's bytes and, once loaded, its pixels: decoded once, then shared by every bitmap
// loaded from it until that one is drawn into.
struct Resource {
    std::span<const uint8_t> bytes;
    QImage decoded;
};

std::mutex g_mutex;
std::map<uint32_t, Resource>& Resources()
{
    static std::map<uint32_t, Resource> resources;
    return resources;
}

HBITMAP NewBitmap(const QImage& image)
{
    auto bitmap = std::make_shared<ui::GdiObject>();
    bitmap->kind = ui::GdiObject::Kind::Bitmap;
    bitmap->image = image;
    return ui::AddObject(bitmap);
}

}  // namespace

void RegisterBitmapResource(uint32_t id, const uint8_t* bytes, size_t size)
{
    std::lock_guard lock(g_mutex);
    Resources()[id] = Resource{std::span<const uint8_t>(bytes, size), QImage()};
}

HBITMAP LoadBitmap(uint32_t id)
{
    if (!IsUiThread())
        return nullptr;
    QImage image;
    {
        std::lock_guard lock(g_mutex);
        const auto found = Resources().find(id);
        if (found == Resources().end())
            return nullptr;
        Resource& resource = found->second;
        if (resource.decoded.isNull()) {
            QImage loaded;
            if (!loaded.loadFromData(resource.bytes.data(), int(resource.bytes.size())))
                return nullptr;
            resource.decoded = loaded.convertToFormat(QImage::Format_RGB32);
        }
        image = resource.decoded;
    }
    return NewBitmap(image);
}

HBITMAP LoadBitmapFromData(const uint8_t* bytes, size_t size)
{
    if (!IsUiThread() || !bytes)
        return nullptr;
    QImage image;
    if (!image.loadFromData(bytes, int(size)))
        return nullptr;
    return NewBitmap(image.convertToFormat(QImage::Format_RGB32));
}

bool GetBitmapSize(HBITMAP handle, SIZE* size)
{
    auto bitmap = IsUiThread() ? ui::FindObject(handle) : nullptr;
    if (!bitmap || bitmap->kind != ui::GdiObject::Kind::Bitmap || !size)
        return false;
    *size = SIZE{bitmap->image.width(), bitmap->image.height()};
    return true;
}

bool SetWindowIcon(HWND hwnd, HBITMAP icon)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    const auto object = ui::FindObject(icon);
    if (!widget || GetParent(hwnd) || !object || object->kind != ui::GdiObject::Kind::Bitmap)
        return false;
    // A dialog's window lies inside the toolkit's dialog, whose frame shows the icon.
    widget->window()->setWindowIcon(QIcon(QPixmap::fromImage(object->image)));
    return true;
}

}  // namespace zem
