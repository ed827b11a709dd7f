#include "KelFrame/kelfe_textdisplay.h"

#include "ui/dialogs.h"
#include "ui/window.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zem {

CKelFE_TextDisplay::CKelFE_TextDisplay(CKelFrame* frame) : CKelFrameElement(frame, 0)
{
    SetFaceName("Arial");
    SetType(KFE_TYPE_TEXTDISPLAY);
}

void CKelFE_TextDisplay::SetText(const std::string& text)
{
    if (text == text_)
        return;
    text_ = text;
    if (IsWindow(GetSafeHwnd()))
        InvalidateRect(GetSafeHwnd(), nullptr, false);
}

void CKelFE_TextDisplay::SetNumber(int32_t number)
{
    char text[16];
    std::snprintf(text, sizeof text, " %ld", long(number));
    SetText(text);
}

void CKelFE_TextDisplay::SetFontSize(int32_t points)
{
    const HDC dc = IsWindow(GetSafeHwnd()) ? GetDC(GetSafeHwnd()) : nullptr;
    if (!dc)
        return;
    font_.lfHeight = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(GetSafeHwnd(), dc);
}

void CKelFE_TextDisplay::SetFaceName(const std::string& face)
{
    std::memset(font_.lfFaceName, 0, LF_FACESIZE);
    std::memcpy(font_.lfFaceName, face.data(), std::min<size_t>(face.size(), LF_FACESIZE - 1));
}

void CKelFE_TextDisplay::SetLogFont(const LOGFONT& font)
{
    font_ = font;
    font_.lfFaceName[LF_FACESIZE - 1] = 0;
    if (IsWindow(GetSafeHwnd()))
        InvalidateRect(GetSafeHwnd(), nullptr, true);
}

void CKelFE_TextDisplay::SetFormat(UINT format)
{
    format_ = format;
    if (IsWindow(GetSafeHwnd()))
        InvalidateRect(GetSafeHwnd(), nullptr, true);
}

void CKelFE_TextDisplay::AddContextMenuItems(HMENU menu)
{
    if (!HasContextMenu())
        return;
    CKelFrameElement::AddContextMenuItems(menu);
    AppendMenu(menu, MF_SEPARATOR, 0);
    AppendMenu(menu, MF_STRING, ID_KFE_FONT, "Schriftart");
}

void CKelFE_TextDisplay::FillMemDC(HDC dc)
{
    CKelFrameElement::FillMemDC(dc);
    RECT r = GetInnerRect();
    zem::SetBkColor(dc, bkColor_);
    SetTextColor(dc, foreColor_);
    const HFONT font = CreateFontIndirect(font_);
    const HGDIOBJ old = SelectObject(dc, font);
    DrawText(dc, text_, &r, format_);
    SelectObject(dc, old);
    DeleteObject(font);
}

bool CKelFE_TextDisplay::OnCommand(uintptr_t id)
{
    if (id != ID_KFE_FONT)
        return CKelFrameElement::OnCommand(id);
    OnChooseFont();
    return true;
}

void CKelFE_TextDisplay::OnChooseFont()
{
    LOGFONT font = font_;
    CHOOSEFONT dialog;
    dialog.hwndOwner = GetSafeHwnd();
    dialog.lpLogFont = &font;
    dialog.Flags = CF_EFFECTS | CF_SCREENFONTS;
    dialog.rgbColors = foreColor_;
    ChooseFont(&dialog);  // a cancelled dialog leaves both as they were
    font_ = font;
    font_.lfFaceName[LF_FACESIZE - 1] = 0;
    foreColor_ = dialog.rgbColors;
    InvalidateRect(GetSafeHwnd(), nullptr, true);
}

}  // namespace zem
