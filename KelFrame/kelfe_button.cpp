#include "KelFrame/kelfe_button.h"

#include "ui/bitmap.h"
#include "ui/controls.h"
#include "ui/input.h"
#include "ui/window.h"

namespace zem {
namespace {

constexpr uintptr_t kButtonControlId = 1;
constexpr uint32_t kThreeStateBits = 0x5;

}  // namespace

CKelFE_Button::CKelFE_Button(CKelFrame* frame) : CKelFrameElement(frame, 0)
{
    SetType(KFE_TYPE_BUTTON);
}

CKelFE_Button::~CKelFE_Button() = default;

void CKelFE_Button::SetButtonStyle(uint32_t style)
{
    style_ = style;
    if (!button_)
        return;
    const int check = GetCheck();
    MakeButton();
    SetCheck(check);
}

void CKelFE_Button::SetBitmaps(uint32_t normal, uint32_t checked, uint32_t unchecked, uint32_t fourth)
{
    bitmaps_ = {normal, checked ? checked : normal, unchecked ? unchecked : normal, fourth ? fourth : normal};
    if (normal)
        style_ |= kBitmapStyle;
}

void CKelFE_Button::SetCheck(int state)
{
    if (!button_)
        return;
    SendMessage(GetButtonHwnd(), BM_SETCHECK, state == 0 || state == 1 ? WPARAM(state) : BST_INDETERMINATE, 0);
    ShowCheckBitmap();
}

int CKelFE_Button::GetCheck() const
{
    if (!button_)
        return BST_INDETERMINATE;
    const LRESULT state = SendMessage(GetButtonHwnd(), BM_GETCHECK, 0, 0);
    return state == 0 || state == 1 ? int(state) : BST_INDETERMINATE;
}

void CKelFE_Button::Toggle()
{
    if (!button_)
        return;
    const int states = (style_ & kThreeStateBits) == kThreeStateBits ? 3 : 2;
    SendMessage(GetButtonHwnd(), BM_SETCHECK, WPARAM((GetCheck() + 1) % states), 0);
    ShowCheckBitmap();
}

void CKelFE_Button::ShowBitmap(uint32_t id)
{
    const HBITMAP bitmap = LoadBitmap(id);
    if (!bitmap)
        return;
    SendMessage(GetButtonHwnd(), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    DeleteObject(bitmap);  // the button keeps its own copy
}

void CKelFE_Button::ShowCheckBitmap()
{
    if (!(style_ & BS_BITMAP))
        return;
    const int state = GetCheck();
    if (state == 1)
        ShowBitmap(bitmaps_[1]);
    else if (state == 0)
        ShowBitmap(bitmaps_[2]);
}

bool CKelFE_Button::MakeButton()
{
    button_ = std::make_unique<CMyButton>();
    if (!button_->Create(caption_, style_, GetInnerRect(), *this)) {
        button_.reset();
        return false;
    }
    if (bitmaps_[0])
        ShowBitmap(bitmaps_[0]);
    ShowWindow(GetButtonHwnd(), SW_SHOW);
    return true;
}

void CKelFE_Button::FillMemDC(HDC dc)
{
    CKelFrameElement::FillMemDC(dc);
    const RECT in = GetInnerRect();
    if (in.right <= in.left || in.bottom <= in.top)
        return;
    zem::SetBkColor(dc, bkColor_);
    SetTextColor(dc, foreColor_);
    RECT placed;
    if (button_ && GetWindowRect(GetButtonHwnd(), &placed)) {
        POINT topLeft{placed.left, placed.top};
        ScreenToClient(GetSafeHwnd(), &topLeft);
        if (topLeft.x != in.left || topLeft.y != in.top || placed.right - placed.left != in.right - in.left ||
            placed.bottom - placed.top != in.bottom - in.top)
            MoveWindow(GetButtonHwnd(), in.left, in.top, in.right - in.left, in.bottom - in.top, true);
    }
}

bool CKelFE_Button::OnCommand(uintptr_t id)
{
    if (id != kButtonControlId)
        return CKelFrameElement::OnCommand(id);
    // The base has sent (1, 0) to the linked windows already.
    SendToLinked(WM_COMMAND, commandId_, 0);
    return true;
}

LRESULT CKelFE_Button::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_CREATE)
        return CKelFrameElement::WindowProc(message, wParam, lParam);
    if (CKelFrameElement::WindowProc(message, wParam, lParam) == -1)
        return -1;
    foreColor_ = RGB(255, 255, 255);
    MakeButton();
    return 0;
}

}  // namespace zem
