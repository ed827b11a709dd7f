// A child window divided into a grid of up to 100 x 100 cells holding elements. The frame owns
// its elements and deletes itself when its window is destroyed. UI thread only.
#pragma once

#include "KelFrame/kelborder.h"
#include "KelFrame/kelgridlayout.h"
#include "ui/gdi.h"

#include <string>
#include <vector>

namespace zem {

class CKelFrameElement;

class CKelFrame {
public:
    static constexpr size_t kMaxElements = 10000;

    CKelFrame();
    // Deletes every element. Called by the frame itself once its window is gone; delete a
    // frame directly only when its window was never created.
    virtual ~CKelFrame();
    CKelFrame(const CKelFrame&) = delete;
    CKelFrame& operator=(const CKelFrame&) = delete;

    bool Create(HWND parent, const RECT& rect, uintptr_t id = 1, uint32_t style = WS_CHILD | WS_VISIBLE);
    HWND GetSafeHwnd() const { return hwnd_; }
    // The frame behind a window, or null.
    static CKelFrame* FromHandle(HWND hwnd);

    void SetBkColor(COLORREF color) { bkColor_ = color; }
    COLORREF GetBkColor() const { return bkColor_; }
    void SetName(const std::string& name) { name_ = name; }
    const std::string& GetName() const { return name_; }

    // Counts above 100 are cut to 100, negative ones to 0.
    void SetGridSize(int columns, int rows);
    int GetRowCount() const { return grid_.rows.count; }
    int GetColumnCount() const { return grid_.columns.count; }
    bool SetColumnWidth(int column, double value);
    bool SetRowHeight(int row, double value);
    const GridSpec& GetGrid() const { return grid_; }
    void SetBorderInner(int l, int t, int r, int b, COLORREF color, UINT edge, UINT sides, int mode);
    void SetBorderOuter(int l, int t, int r, int b, COLORREF color, UINT edge, UINT sides, int mode);
    void SetEdgeDragging(bool on) { edgeDragging_ = on; }

    // Takes ownership and creates the element's window. False, without taking the element,
    // when the table is full.
    bool AddElement(CKelFrameElement* element);
    // AddElement for an element made for this frame: the element, or null when the frame could
    // not take it and it was deleted.
    template <class Element>
    Element* Adopt(Element* element)
    {
        if (AddElement(element))
            return element;
        delete element;
        return nullptr;
    }
    size_t GetElementCount() const { return elements_.size(); }
    CKelFrameElement* GetElement(size_t index) const { return index < elements_.size() ? elements_[index] : nullptr; }
    CKelFrameElement* FindElementByCell(const std::string& cell) const;
    CKelFrameElement* FindElementByName(const std::string& name) const;
    CKelFrameElement* ElementFromPoint(int screenX, int screenY) const;

    void ShowLayout();
    void RecalcLayout();

private:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    LRESULT OnKfeNotify(WPARAM code, LPARAM element);
    void OnRightClick(WPARAM keys, LPARAM point);
    void OnNcDestroy();

    COLORREF bkColor_ = RGB(128, 128, 128);
    std::string name_;
    GridSpec grid_;
    bool edgeDragging_ = false;
    KelBorder inner_ = MakeBorder(0, 0, 0, 0, 0, 0, 0, -1);
    KelBorder outer_ = MakeBorder(0, 0, 0, 0, 0, 0, 0, -1);
    std::vector<CKelFrameElement*> elements_;
    HWND hwnd_ = nullptr;
    bool deleting_ = false;
};

}  // namespace zem
