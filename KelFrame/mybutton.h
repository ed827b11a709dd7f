// The button a button element hosts: a standard push button or check box whose right clicks go
// on to the element, so the element's menu (or its frame's) opens over the button too, and
// which takes the element's colours.
#pragma once

#include "ui/controls.h"
#include "ui/gdi.h"

#include <string>

namespace zem {

class CKelFrameElement;

class CMyButton {
public:
    CMyButton() = default;
    ~CMyButton();
    CMyButton(const CMyButton&) = delete;
    CMyButton& operator=(const CMyButton&) = delete;

    // A child of the element's window with control id 1.
    bool Create(const std::string& caption, uint32_t style, const RECT& rect, const CKelFrameElement& element);
    HWND GetSafeHwnd() const { return hwnd_; }

    // The face of a button made with BS_OWNERDRAW: a check box frame (a push button frame
    // for a push-like style without the check box bit), pushed while held down, with "Hallo"
    // in red on the right.
    void DrawItem(const DRAWITEMSTRUCT& item) const;

private:
    HWND hwnd_ = nullptr;
    uint32_t style_ = 0;
};

}  // namespace zem
