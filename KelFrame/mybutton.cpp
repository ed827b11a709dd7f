#include "KelFrame/mybutton.h"

#include "KelFrame/kelframeelement.h"
#include "KelFrame/kelrightclick.h"
#include "ui/controls.h"
#include "ui/input.h"
#include "ui/window.h"

namespace zem {
namespace {

constexpr uintptr_t kButtonControlId = 1;
constexpr uint32_t kCheckBoxBit = 0x2;
constexpr COLORREF kFaceTextColor = RGB(255, 0, 0);

}  // namespace

CMyButton::~CMyButton()
{
    if (IsWindow(hwnd_))
        DestroyWindow(hwnd_);
}

bool CMyButton::Create(const std::string& caption, uint32_t style, const RECT& rect, const CKelFrameElement& element)
{
    style_ = style;
    const HWND parent = element.GetSafeHwnd();
    auto unhandled = [this, &element, parent](HWND self, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        switch (message) {
        case OCM_DRAWITEM:
            DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return 1;
        case WM_RBUTTONDOWN:
            ForwardRightClick(self, parent, wParam, lParam);
            return 0;
        case OCM_CTLCOLORBTN:
        case OCM_CTLCOLORSTATIC: {
            // The element's colours, reflected back by the element.
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, element.GetForeColor());
            SetBkColor(dc, element.GetBkColor());
            return reinterpret_cast<LRESULT>(element.GetBkBrush());
        }
        default:
            return 0;
        }
    };
    hwnd_ = CreateButton(caption, style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                         parent, kButtonControlId, unhandled);
    return hwnd_ != nullptr;
}

void CMyButton::DrawItem(const DRAWITEMSTRUCT& item) const
{
    // The check box bit is tested last and wins; an owner-drawn style has it.
    UINT state = 0;
    if (style_ & BS_PUSHLIKE)
        state = DFCS_BUTTONPUSH;
    if (style_ & kCheckBoxBit)
        state = DFCS_BUTTONCHECK;
    if (item.itemState & ODS_SELECTED)
        state |= DFCS_PUSHED;
    RECT rect = item.rcItem;
    DrawFrameControl(item.hDC, &rect, DFC_BUTTON, state);
    const COLORREF previous = SetTextColor(item.hDC, kFaceTextColor);
    DrawText(item.hDC, "Hallo", &rect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(item.hDC, previous);
}

}  // namespace zem
