#include "KelFrame/mybutton.h"

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

bool CMyButton::Create(const std::string& caption, uint32_t style, const RECT& rect, HWND element)
{
    auto unhandled = [element](HWND self, UINT message, WPARAM keys, LPARAM point) -> LRESULT {
        if (message != WM_RBUTTONDOWN)
            return 0;
        ForwardRightClick(self, element, keys, point);
        return 0;
    };
    hwnd_ = CreateButton(caption, style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                         element, kButtonControlId, unhandled);
    return hwnd_ != nullptr;
}

}  // namespace zem
