#include "KelFrame/mybutton.h"

#include "KelFrame/kelframeelement.h"
#include "KelFrame/kelrightclick.h"
#include "ui/controls.h"
#include "ui/input.h"
#include "ui/window.h"

namespace zem {
namespace {

constexpr uintptr_t kButtonControlId = 1;

}  // namespace

CMyButton::~CMyButton()
{
    if (IsWindow(hwnd_))
        DestroyWindow(hwnd_);
}

bool CMyButton::Create(const std::string& caption, uint32_t style, const RECT& rect, const CKelFrameElement& element)
{
    const HWND parent = element.GetSafeHwnd();
    auto unhandled = [&element, parent](HWND self, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        switch (message) {
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

}  // namespace zem
