// Bitmaps from embedded resources: a program registers the image bytes (PNG or BMP) it carries
// under a resource id once; LoadBitmap decodes a fresh bitmap that the caller deletes.
#pragma once

#include "ui/gdi.h"

#include <cstddef>
#include <cstdint>

namespace zem {

// The bytes must stay valid for the life of the process (embedded data does).
void RegisterBitmapResource(uint32_t id, const uint8_t* bytes, size_t size);
// Null for an id that names no bitmap or bytes that do not decode.
HBITMAP LoadBitmap(uint32_t id);
// The same for image bytes at hand (PNG, BMP, XPM), a module's resource for instance.
HBITMAP LoadBitmapFromData(const uint8_t* bytes, size_t size);
bool GetBitmapSize(HBITMAP bitmap, SIZE* size);
// Shows the bitmap as the icon of a window without parent (its title bar, the task bar); the
// window keeps a copy. UI thread only.
bool SetWindowIcon(HWND hwnd, HBITMAP icon);

}  // namespace zem
