#include "ui/bitmap.h"

#include "ui/application.h"
#include "ui/internal/gdiobjects.h"

#include <map>
#include <mutex>
#include <span>

namespace zem {
namespace {

std::mutex g_mutex;
std::map<uint32_t, std::span<const uint8_t>>& Resources()
{
    static std::map<uint32_t, std::span<const uint8_t>> resources;
    return resources;
}

}  // namespace

void RegisterBitmapResource(uint32_t id, const uint8_t* bytes, size_t size)
{
    std::lock_guard lock(g_mutex);
    Resources()[id] = std::span<const uint8_t>(bytes, size);
}

HBITMAP LoadBitmap(uint32_t id)
{
    if (!IsUiThread())
        return nullptr;
    std::span<const uint8_t> bytes;
    {
        std::lock_guard lock(g_mutex);
        const auto found = Resources().find(id);
        if (found == Resources().end())
            return nullptr;
        bytes = found->second;
    }
    return LoadBitmapFromData(bytes.data(), bytes.size());
}

HBITMAP LoadBitmapFromData(const uint8_t* bytes, size_t size)
{
    if (!IsUiThread() || !bytes)
        return nullptr;
    QImage image;
    if (!image.loadFromData(bytes, int(size)))
        return nullptr;
    auto bitmap = std::make_shared<ui::GdiObject>();
    bitmap->kind = ui::GdiObject::Kind::Bitmap;
    bitmap->image = image.convertToFormat(QImage::Format_RGB32);
    return ui::AddObject(bitmap);
}

bool GetBitmapSize(HBITMAP handle, SIZE* size)
{
    auto bitmap = IsUiThread() ? ui::FindObject(handle) : nullptr;
    if (!bitmap || bitmap->kind != ui::GdiObject::Kind::Bitmap || !size)
        return false;
    *size = SIZE{bitmap->image.width(), bitmap->image.height()};
    return true;
}

}  // namespace zem
