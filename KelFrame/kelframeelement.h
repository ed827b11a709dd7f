// The base of everything that sits in a frame cell: a child window of the frame that paints
// through a memory DC, offers a popup menu its owner can fill, and reports user actions with
// KFE_NOTIFY. Owned and deleted by its frame. UI thread only.
#pragma once

#include "KelFrame/kelborder.h"
#include "KelFrame/kelcell.h"
#include "KelFrame/kelmessages.h"
#include "ui/gdi.h"
#include "ui/menu.h"

#include <memory>
#include <string>
#include <vector>

namespace zem {

class CKelFrame;
class CKelFrameElement;

// Called with phase 1 before and phase 2 after the element's own items were appended.
using KelMenuCallback = void (*)(CKelFrameElement* element, uintptr_t userValue, int phase, HMENU menu);

class CKelFrameElement {
public:
    explicit CKelFrameElement(CKelFrame* frame = nullptr, uintptr_t elementId = 0);
    virtual ~CKelFrameElement();
    CKelFrameElement(const CKelFrameElement&) = delete;
    CKelFrameElement& operator=(const CKelFrameElement&) = delete;

    // Stores the frame (null keeps the one given before) and creates the hidden element
    // window in it. False without any frame, or when the frame has no window.
    bool SetFrame(CKelFrame* frame);
    CKelFrame* GetFrame() const { return frame_; }
    HWND GetSafeHwnd() const { return hwnd_; }

    int SetCell(const std::string& cell);
    int SetCellRange(int c1, int r1, int c2, int r2);
    const std::string& GetCell() const { return cell_; }
    int ParseCell(int& c1, int& r1, int& c2, int& r2) const;

    void SetName(const std::string& name) { name_ = name; }
    const std::string& GetName() const { return name_; }
    std::string GetFrameName() const;
    void SetType(uint32_t kind) { kind_ = kind; }
    uint32_t GetType() const { return kind_; }
    void SetVisible(uint8_t visible);
    uint8_t IsVisible() const { return visible_; }
    void EnableContextMenu(uint32_t enable) { contextMenu_ = uint8_t(enable & 0xFF); }
    bool HasContextMenu() const { return contextMenu_ != 0; }

    void SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return bkColor_; }
    void SetForeColor(COLORREF color) { foreColor_ = color; }
    COLORREF GetForeColor() const { return foreColor_; }
    HBRUSH GetBkBrush() const { return bkBrush_; }
    // A bitmap resource stretched over the inner rectangle instead of the background; 0: none.
    void SetBkBitmap(uint32_t resourceId) { bkBitmap_ = resourceId; }
    void SetBorderInner(int l, int t, int r, int b, COLORREF color, UINT edge, UINT sides, int mode);
    void SetBorderOuter(int l, int t, int r, int b, COLORREF color, UINT edge, UINT sides, int mode);
    const KelBorder& GetBorderInner() const { return inner_; }

    void SetMenuCallback(KelMenuCallback callback, uintptr_t userValue);
    // Windows are kept as handles: a window that dies meanwhile is skipped, never touched.
    void AddLinkedWindow(HWND hwnd);
    void RemoveLinkedWindow(HWND hwnd);
    void AddNotifyWindow(HWND hwnd);
    void RemoveNotifyWindow(HWND hwnd);
    const std::vector<HWND>& GetNotifyWindows() const { return notify_; }

    // The client rectangle minus both border blocks, as of the last paint.
    RECT GetInnerRect() const { return innerRect_; }
    void SetEdgeFlags(uint32_t edges) { edgeFlags_ = edges; }
    uint32_t GetEdgeFlags() const { return edgeFlags_; }
    // The edge the last left button press grabbed; 0: none.
    uint32_t GetActiveEdge() const { return activeEdge_; }

    virtual void Refresh() {}
    virtual void AddContextMenuItems(HMENU menu);
    // Draws the element's face; kinds call the base first and draw on top.
    virtual void FillMemDC(HDC dc);

protected:
    // Reports code (not 0): to the frame when someone asked it for this element's
    // notifications, then to each linked window.
    void Notify(int code);
    // Sends to each linked window still alive, guarded; false when a receiver deleted this element.
    bool SendToLinked(UINT message, WPARAM wParam, LPARAM lParam);
    // The element's own handling of a command; forwarding to linked windows came before.
    virtual bool OnCommand(uintptr_t id);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnNcDestroy() {}

    // Kinds with a moving overlay (the slider thumb) return true: after each full paint the
    // element posts ID_KFE_OVERLAY to itself, and that command repaints the kept picture with
    // DrawOverlay on top, without FillMemDC, so painting never feeds itself.
    virtual bool HasOverlay() const { return false; }
    virtual void DrawOverlay(HDC windowDc) { (void)windowDc; }
    void RepaintOverlay();

    COLORREF bkColor_ = 0;
    COLORREF foreColor_ = RGB(255, 255, 255);

private:
    void Paint();
    void ReleasePicture();
    void OnRightClick(WPARAM keys, LPARAM point);
    void OnColorCommand(uintptr_t id);
    void OnMouse(UINT message, WPARAM keys, LPARAM point);
    uint32_t EdgeAt(int x, int y) const;
    // Sends to each window in order, skipping dead ones; stops when this element is deleted
    // by a receiver. Returns false then.
    bool SendToEach(const std::vector<HWND>& windows, UINT message, WPARAM wParam, LPARAM lParam);

    HBRUSH bkBrush_ = nullptr;
    uint32_t bkBitmap_ = 0;
    uint32_t edgeFlags_ = 0;
    uint32_t activeEdge_ = 0;
    HDC memDC_ = nullptr;  // the picture of the last full paint
    HBITMAP memBitmap_ = nullptr;
    HGDIOBJ memOldBitmap_ = nullptr;
    bool leftHeld_ = false;
    uint8_t contextMenu_ = 1;
    std::string cell_;
    std::string name_;
    uint32_t kind_ = KFE_TYPE_BASE;
    uint8_t visible_ = 1;
    RECT innerRect_;
    uintptr_t elementId_ = 0;
    KelBorder inner_;
    KelBorder outer_;
    CKelFrame* frame_ = nullptr;
    HWND hwnd_ = nullptr;
    std::vector<HWND> linked_;
    std::vector<HWND> notify_;
    KelMenuCallback menuCallback_ = nullptr;
    uintptr_t menuUserValue_ = 0;
    bool overlayOnly_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zem
