// A frame element for a value between a minimum and a maximum, set with the mouse or the Left
// and Right keys: a thumb in one of several styles, the value as text while it is dragged, red
// index marks and jumps between them. Reports presses (1), drags and steps (2), releases (3),
// its menu command (4) and double clicks (5) with KFE_NOTIFY. Positions are element client x
// coordinates; values and marks map onto the inner rectangle from its left edge. UI thread only.
#pragma once

#include "KelFrame/kelframeelement.h"
#include "KelFrame/markarray.h"

#include <cstdint>
#include <string>

namespace zem {

// Thumb style bits, drawn in this order.
constexpr uint32_t KFS_THUMB_BITMAP = 0x100;
constexpr uint32_t KFS_THUMB_TRIANGLE_BOTTOM = 0x2;
constexpr uint32_t KFS_THUMB_TRIANGLE_TOP = 0x1;
constexpr uint32_t KFS_THUMB_RECT_SOLID = 0x4;
constexpr uint32_t KFS_THUMB_RECT_DOT = 0x8;
constexpr uint32_t KFS_THUMB_RECT_DASH = 0x10;
constexpr uint32_t KFS_THUMB_INVERT = 0x20;

// Mark style bits: triangles from the top or the bottom edge.
constexpr uint32_t KFS_MARKS_TOP = 0x1;
constexpr uint32_t KFS_MARKS_BOTTOM = 0x2;

class CKelFE_Slider : public CKelFrameElement {
public:
    enum Action : uint32_t { kNone = 0, kPress = 1, kDrag = 2, kRelease = 3, kDoubleClick = 5 };

    CKelFE_Slider(CKelFrame* frame, uint32_t thumbStyle);

    virtual void SetRange(int32_t minimum, int32_t maximum);
    int32_t GetMin() const { return min_; }
    int32_t GetMax() const { return max_; }
    void EnableMouseInput(uint8_t on) { mouseInput_ = on; }
    void EnableKeyboardInput(uint8_t on) { keyboardInput_ = on; }
    // At least 1, at most maximum / 2 (so 0 below a maximum of 2).
    void SetStep(int32_t step);
    int32_t GetStep() const { return step_; }

    // Stores the value clamped to the range and places the thumb; code (low 16 bits) is reported.
    void SetValue(int32_t value, uint32_t code);
    int32_t GetValue() const;
    double PercentOf(int32_t value) const;
    int32_t ValueOfPercent(double percent) const;
    int32_t PercentToPixel(double percent) const;
    int32_t ValueToPixel(int32_t value) const;
    // Catches the ends within half a thumb width and snaps upwards to whole steps.
    int32_t PixelToValue(int32_t pixel) const;
    // Without inner width the position becomes -1 and nothing else happens; otherwise code
    // (not 0) is reported even when the thumb does not move.
    void SetPosition(int32_t pixel, int code);
    int32_t GetPosition() const { return position_; }
    uint32_t GetLastAction() const { return lastAction_; }

    void SetStyle(uint32_t thumbStyle) { style_ = thumbStyle; }
    void SetThumbColor(COLORREF color) { thumbColor_ = color; }
    void SetThumbBitmap(uint32_t resourceId) { thumbBitmap_ = resourceId; }
    // -1 keeps a value; one still negative becomes the inner height (width) or half of it (height).
    void SetThumbSize(int32_t width, int32_t height);
    void SetMarkSize(int32_t halfWidth, int32_t height);
    void SetMarkStyle(uint32_t bits) { markStyle_ = bits & (1 | 2 | 4 | 8); }
    void SetMarks(const CMarkArray* marks);
    void AddMark(int32_t value);
    const CMarkArray& GetMarks() const { return marks_; }

    void StepUp();
    void StepDown();
    // The text shown beside a dragged thumb: the value, or its percent with a minimum of 0.
    std::string ValueText(int32_t value) const;

    void FillMemDC(HDC dc) override;

protected:
    bool OnCommand(uintptr_t id) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HasOverlay() const override { return true; }
    // The thumb, drawn over the kept picture.
    void DrawOverlay(HDC dc) override;
    void Invalidate();

    int32_t position_ = 0;
    int32_t value_ = 0;
    uint8_t mouseInput_ = 1;
    uint8_t keyboardInput_ = 1;
    int32_t min_ = 0;
    int32_t max_ = 100;
    int32_t step_ = 10;
    uint32_t repeatCount_ = 0;
    uint32_t lastAction_ = kNone;
    HWND previousFocus_ = nullptr;
    uint32_t style_ = 0;
    COLORREF thumbColor_ = 0;
    SIZE thumbSize_;
    uint32_t thumbBitmap_ = 0;
    CMarkArray marks_;
    uint32_t markStyle_ = 0;
    SIZE markSize_;  // half width, height

private:
    void OnMouse(UINT message, WPARAM keys, LPARAM point);
    void OnKey(UINT message, WPARAM key, LPARAM flags);
    void JumpToNextMark();
    void JumpToPreviousMark();
    void DrawDragText(HDC dc) const;
    bool DrawThumbBitmap(HDC dc) const;
    void DrawTriangles(HDC dc) const;
    void DrawThumbRect(HDC dc) const;
    int32_t InnerWidth() const;
    // Negative arguments keep a value; one still negative comes from the inner height.
    void ResolveSize(SIZE& size, int32_t width, int32_t height) const;
};

}  // namespace zem
