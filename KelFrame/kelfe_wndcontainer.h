// A frame element that hosts one foreign child window and keeps it placed in its inner
// rectangle. The hosted window is held by handle: one that died meanwhile is simply dropped.
#pragma once

#include "KelFrame/kelframeelement.h"

namespace zem {

// Placement flags; a later one overrides an earlier one for the same direction.
constexpr uint32_t KFC_LEFT = 0x1;
constexpr uint32_t KFC_RIGHT = 0x2;
constexpr uint32_t KFC_HCENTER = 0x4;
constexpr uint32_t KFC_TOP = 0x10;
constexpr uint32_t KFC_BOTTOM = 0x20;
constexpr uint32_t KFC_VCENTER = 0x40;
constexpr uint32_t KFC_HFILL = 0x80;
constexpr uint32_t KFC_VFILL = 0x100;

// Where a window of the given size goes in the inner rectangle. A direction no flag names
// keeps the window's current position there (current, in the same coordinates).
RECT PlaceHostedWindow(const RECT& inner, const RECT& current, uint32_t flags);

class CKelFE_WndContainer : public CKelFrameElement {
public:
    explicit CKelFE_WndContainer(CKelFrame* frame);
    ~CKelFE_WndContainer() override;

    // Destroys the window hosted before when it is another one; placed at the next paint.
    void Attach(HWND hwnd, uint32_t flags);
    // The hosted window; null when none or when it has gone.
    HWND GetWnd() const;
    uint32_t GetFlags() const { return flags_; }

    void FillMemDC(HDC dc) override;

protected:
    void OnNcDestroy() override;

private:
    void DestroyHosted();

    HWND hosted_ = nullptr;
    uint32_t flags_ = 0;
};

}  // namespace zem
