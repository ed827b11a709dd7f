// Element kinds and the element base's menu, colour, font and overlay protocol.
#include "kelframetest.h"

#include "KelFrame/kelfe_textdisplay.h"
#include "KelFrame/kelfe_wndcontainer.h"
#include "KelFrame/kelmessages.h"
#include "ui/input.h"

#include <cstring>

using namespace kftest;

namespace {

class CountingText : public CKelFE_TextDisplay {
public:
    using CKelFE_TextDisplay::CKelFE_TextDisplay;
    void FillMemDC(HDC dc) override
    {
        ++fills;
        CKelFE_TextDisplay::FillMemDC(dc);
    }
    int fills = 0;
};

// Draws an overlay the way the slider draws its thumb.
class OverlayElement : public CKelFrameElement {
public:
    OverlayElement() { SetType(KFE_TYPE_SLIDER); }
    void FillMemDC(HDC dc) override
    {
        ++fills;
        CKelFrameElement::FillMemDC(dc);
    }
    int fills = 0;
    int overlays = 0;

protected:
    bool HasOverlay() const override { return true; }
    void DrawOverlay(HDC dc) override
    {
        ++overlays;
        const HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(dc, RECT{0, 0, 4, 4}, brush);
        DeleteObject(brush);
    }
};

class ElementTest : public FrameFixture {
protected:
    template <class T>
    T* Add(T* element)
    {
        frame_->AddElement(element);
        element->SetCell("C00R00");
        return element;
    }
    void SetUp() override
    {
        FrameFixture::SetUp();
        frame_->SetGridSize(1, 1);
        frame_->SetColumnWidth(0, -100);
        frame_->SetRowHeight(0, -100);
    }
};

TEST_F(ElementTest, TextRepaintsOnlyWhenItChanges)
{
    auto* text = Add(new CountingText(frame_));
    frame_->ShowLayout();
    Settle();
    const int before = text->fills;
    EXPECT_GE(before, 1);
    text->SetText("Anruf 1");
    Settle();
    text->SetText("Anruf 1");
    Settle();
    EXPECT_EQ(text->fills, before + 1);
    text->SetNumber(-5);
    EXPECT_EQ(text->GetText(), " -5");
}

TEST_F(ElementTest, FontSettings)
{
    CKelFE_TextDisplay early(frame_);
    early.SetFontSize(12);  // no window yet: ignored
    EXPECT_EQ(early.GetLogFont().lfHeight, 0);
    EXPECT_STREQ(early.GetLogFont().lfFaceName, "Arial");
    EXPECT_EQ(early.GetFormat(), 80u);

    auto* text = Add(new CKelFE_TextDisplay(frame_));
    text->SetFontSize(12);
    const HDC dc = GetDC(text->GetSafeHwnd());
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(text->GetSafeHwnd(), dc);
    EXPECT_EQ(text->GetLogFont().lfHeight, -MulDiv(12, dpi, 72));
    if (dpi == 96) {
        EXPECT_EQ(text->GetLogFont().lfHeight, -16);
    }
    text->SetFaceName(std::string(40, 'x'));
    EXPECT_EQ(std::strlen(text->GetLogFont().lfFaceName), 31u);
}

TEST_F(ElementTest, ContextMenuPhasesAndTheFontCommand)
{
    auto* text = Add(new CKelFE_TextDisplay(frame_));
    HWND linked = log_.Window();
    text->AddLinkedWindow(linked);
    static std::vector<std::pair<int, int>> phases;  // phase, items seen
    static uintptr_t userSeen = 0;
    phases.clear();
    text->SetMenuCallback([](CKelFrameElement*, uintptr_t user, int phase, HMENU menu) {
        phases.push_back({phase, GetMenuItemCount(menu)});
        userSeen = user;
        if (phase == 1)
            AppendMenu(menu, MF_STRING, 3001, "Eigener Eintrag");
    }, uintptr_t(0x1234567890ABCDEFull));  // a pointer-sized value comes back whole
    std::vector<std::string> shown;
    SetMenuHook([&](HMENU menu) -> uintptr_t {
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
            shown.push_back(GetMenuString(menu, UINT(i), MF_BYPOSITION));
        return ID_KFE_FONT;
    });
    CHOOSEFONT seen;
    LOGFONT initial;
    SetFontDialogHook([&](CHOOSEFONT& dialog) {
        seen = dialog;
        initial = *dialog.lpLogFont;
        std::strcpy(dialog.lpLogFont->lfFaceName, "Courier New");
        dialog.lpLogFont->lfWeight = FW_BOLD;
        dialog.rgbColors = RGB(1, 2, 3);
        return true;
    });
    text->SetForeColor(RGB(9, 9, 9));
    SendMessage(text->GetSafeHwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
    Drain();  // the chosen command arrives posted

    EXPECT_EQ(phases, (std::vector<std::pair<int, int>>{{1, 0}, {2, 3}}));
    EXPECT_EQ(userSeen, uintptr_t(0x1234567890ABCDEFull));
    EXPECT_EQ(shown, (std::vector<std::string>{"Eigener Eintrag", "", "Schriftart"}));
    EXPECT_EQ(seen.Flags, 0x101u);
    EXPECT_EQ(seen.rgbColors, RGB(9, 9, 9));
    EXPECT_STREQ(initial.lfFaceName, "Arial");
    EXPECT_STREQ(text->GetLogFont().lfFaceName, "Courier New");
    EXPECT_EQ(text->GetLogFont().lfWeight, FW_BOLD);
    EXPECT_EQ(text->GetForeColor(), RGB(1, 2, 3));
    const auto commands = log_.Of(WM_COMMAND);  // the linked window saw the command first
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, ID_KFE_FONT);

    // Cancelled: nothing changes. Without the menu flag there is no "Schriftart" at all.
    SetFontDialogHook([](CHOOSEFONT&) { return false; });
    SendMessage(text->GetSafeHwnd(), WM_COMMAND, ID_KFE_FONT, 0);
    EXPECT_EQ(text->GetForeColor(), RGB(1, 2, 3));
    text->EnableContextMenu(0);
    HMENU menu = CreatePopupMenu();
    text->AddContextMenuItems(menu);
    EXPECT_EQ(GetMenuItemCount(menu), 0);
    DestroyMenu(menu);
}

TEST_F(ElementTest, ColourCommandsUseTheColourDialog)
{
    auto* element = Add(new CKelFE_TextDisplay(frame_));
    element->SetBkColor(RGB(10, 20, 30));
    COLORREF offered = 0;
    SetColorDialogHook([&](CHOOSECOLOR& dialog) {
        offered = dialog.rgbResult;
        dialog.rgbResult = RGB(200, 100, 50);
        return true;
    });
    SendMessage(element->GetSafeHwnd(), WM_COMMAND, ID_KFE_BKCOLOR, 0);
    EXPECT_EQ(offered, RGB(10, 20, 30));
    EXPECT_EQ(element->GetBkColor(), RGB(200, 100, 50));
    element->SetBkBitmap(9999);  // names no bitmap: the brush fills instead
    frame_->ShowLayout();
    const WindowImage image = GrabWindow(element->GetSafeHwnd());
    EXPECT_EQ(image.At(image.width - 1, image.height - 1), RGB(200, 100, 50));  // the renewed brush

    SetColorDialogHook([](CHOOSECOLOR&) { return false; });
    SendMessage(element->GetSafeHwnd(), WM_COMMAND, ID_KFE_BORDERCOLOR, 0);
    EXPECT_EQ(element->GetBorderInner().color, 0u);
}

TEST_F(ElementTest, OverlayRepaintsTheKeptPictureWithoutLooping)
{
    auto* element = Add(new OverlayElement);
    element->SetBkColor(RGB(0, 0, 255));
    HWND linked = log_.Window();
    element->AddLinkedWindow(linked);
    frame_->ShowLayout();
    UpdateWindow(element->GetSafeHwnd());
    for (int i = 0; i < 5; ++i)
        Drain();
    EXPECT_EQ(element->fills, 1);
    EXPECT_EQ(element->overlays, 2);  // with the full paint, then on the kept picture
    EXPECT_EQ(log_.Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(log_.Of(WM_COMMAND)[0].wParam, ID_KFE_OVERLAY);
    const WindowImage image = GrabWindow(element->GetSafeHwnd());  // a full paint: one more 2009
    EXPECT_EQ(image.At(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(image.At(10, 10), RGB(0, 0, 255));
}

TEST_F(ElementTest, KindZeroPaintsNothing)
{
    auto* element = Add(new CKelFrameElement);
    element->SetBkColor(RGB(255, 0, 0));
    frame_->SetBkColor(RGB(0, 255, 0));
    frame_->ShowLayout();
    UpdateWindow(top_);
    const WindowImage image = GrabWindow(frame_->GetSafeHwnd());
    EXPECT_EQ(element->GetInnerRect().right, 0);  // not even measured
    EXPECT_EQ(image.At(50, 50), RGB(255, 255, 255));  // erased, never garbage
}

TEST_F(ElementTest, ContainerPlacesAndReplacesItsWindow)
{
    auto* container = Add(new CKelFE_WndContainer(frame_));
    container->SetBorderInner(2, 2, 2, 2, 0, 0, 0, 0);
    HWND a = log_.Window(container->GetSafeHwnd());
    container->Attach(a, KFC_HFILL | KFC_VFILL);
    frame_->ShowLayout();
    UpdateWindow(container->GetSafeHwnd());
    RECT r;
    GetClientRect(a, &r);
    EXPECT_EQ((std::vector<int>{r.right, r.bottom}), (std::vector<int>{197, 96}));
    MoveWindow(frame_->GetSafeHwnd(), 10, 30, 101, 50);  // the cell changes: the window follows
    UpdateWindow(container->GetSafeHwnd());
    GetClientRect(a, &r);
    EXPECT_EQ((std::vector<int>{r.right, r.bottom}), (std::vector<int>{97, 46}));

    container->Attach(a, KFC_LEFT | KFC_TOP);  // the same window: only the flags change
    EXPECT_TRUE(IsWindow(a));
    HWND b = log_.Window(container->GetSafeHwnd());
    container->Attach(b, KFC_HFILL | KFC_VFILL);
    EXPECT_FALSE(IsWindow(a));
    DestroyWindow(b);  // gone behind the container's back: dropped, never touched
    EXPECT_EQ(container->GetWnd(), nullptr);
    container->Attach(nullptr, KFC_LEFT | KFC_TOP);
    UpdateWindow(container->GetSafeHwnd());

    HWND c = log_.Window(container->GetSafeHwnd());
    container->Attach(c, KFC_HFILL | KFC_VFILL);
    DestroyWindow(frame_->GetSafeHwnd());
    EXPECT_FALSE(IsWindow(c));
}

}  // namespace
