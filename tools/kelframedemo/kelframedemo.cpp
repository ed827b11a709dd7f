// Shows a grid frame: a title line (text display) over a container that hosts a nested frame
// with two more text displays, in a real window. Writes a screenshot of it.
//   kelframedemo [--check] [--stay] [screenshot.png]
// --check verifies that the window was painted through the toolkit's own expose path and that
// known pixels show the colours set; --stay keeps the window open until it is closed.
#include "KelFrame/kelfe_textdisplay.h"
#include "KelFrame/kelfe_wndcontainer.h"
#include "KelFrame/kelframe.h"
#include "ui/application.h"
#include "ui/testhooks.h"
#include "ui/windowimage.h"
#include "ui/window.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

using namespace zem;

namespace {

constexpr COLORREF kTitleBack = RGB(0, 0, 96);
constexpr COLORREF kFrameBack = RGB(64, 64, 64);
constexpr COLORREF kFrameBorder = RGB(160, 160, 160);

// Counts its paints, to tell that the window system asked for them.
class Title : public CKelFE_TextDisplay {
public:
    using CKelFE_TextDisplay::CKelFE_TextDisplay;
    void FillMemDC(HDC dc) override
    {
        ++paints;
        CKelFE_TextDisplay::FillMemDC(dc);
    }
    int paints = 0;
};

CKelFE_TextDisplay* AddText(CKelFrame* frame, const char* cell, const char* text, COLORREF back, UINT format)
{
    auto* display = new CKelFE_TextDisplay(frame);
    frame->AddElement(display);
    display->SetCell(cell);
    display->SetBkColor(back);
    display->SetForeColor(RGB(255, 255, 255));
    display->SetFontSize(10);
    display->SetFormat(format);
    display->SetText(text);
    return display;
}

struct Demo {
    HWND top = nullptr;
    CKelFrame* frame = nullptr;
    Title* title = nullptr;
};

Demo Build()
{
    Demo demo;
    auto frameWindow = std::make_shared<HWND>(nullptr);
    demo.top = CreateWindow([frameWindow](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_DESTROY)
            PostQuitMessage(0);
        // The frame fills the window at every size; it lays itself out again when moved.
        if (message == WM_SIZE && *frameWindow)
            MoveWindow(*frameWindow, 0, 0, LOWORD(lParam), HIWORD(lParam), true);
        return DefWindowProc(hwnd, message, wParam, lParam);
    }, 0, 100, 100, 400, 200);
    SetWindowText(demo.top, "kelframedemo");
    demo.frame = new CKelFrame;
    demo.frame->Create(demo.top, RECT{0, 0, 400, 200});
    *frameWindow = demo.frame->GetSafeHwnd();
    demo.frame->SetName("MainFrame");
    demo.frame->SetBkColor(kFrameBack);
    demo.frame->SetBorderOuter(4, 4, 4, 4, kFrameBorder, EDGE_RAISED, BF_RECT, 2);
    demo.frame->SetGridSize(1, 2);
    demo.frame->SetColumnWidth(0, -100);
    demo.frame->SetRowHeight(0, 40);
    demo.frame->SetRowHeight(1, -100);

    demo.title = new Title(demo.frame);
    demo.frame->AddElement(demo.title);
    demo.title->SetCell("C00R00");
    demo.title->SetBkColor(kTitleBack);
    demo.title->SetForeColor(RGB(255, 255, 0));
    demo.title->SetFontSize(14);
    demo.title->SetWeight(700);
    demo.title->SetFormat(DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    demo.title->SetText("Anruf 2026-12-09 10:12:25");

    auto* container = new CKelFE_WndContainer(demo.frame);
    demo.frame->AddElement(container);
    container->SetCell("C00R01");
    container->SetBorderInner(6, 6, 6, 6, kFrameBack, EDGE_SUNKEN, BF_RECT, 1);

    auto* nested = new CKelFrame;
    nested->Create(container->GetSafeHwnd(), RECT{0, 0, 10, 10});
    nested->SetBkColor(RGB(0, 64, 0));
    nested->SetGridSize(2, 1);
    nested->SetColumnWidth(0, -50);
    nested->SetColumnWidth(1, -50);
    nested->SetRowHeight(0, -100);
    AddText(nested, "C00R00", "Zugfunk\tKanal 3", RGB(0, 96, 0), CKelFE_TextDisplay::kDefaultFormat);
    AddText(nested, "C01R00", "Dauer 00:01:42, zwei Aufnahmen, Bandsperre an", RGB(96, 0, 0),
            CKelFE_TextDisplay::kDefaultFormat);
    nested->ShowLayout();
    container->Attach(nested->GetSafeHwnd(), 0x180);

    demo.frame->ShowLayout();
    ShowWindow(demo.top, SW_SHOW);
    return demo;
}

// Known pixels of a frame image of the given size.
bool Check(const WindowImage& image, int width, int height)
{
    struct Probe {
        int x, y;
        COLORREF color;
        const char* what;
    };
    const Probe probes[] = {
        {1, 100, kColor3DHighlight, "raised edge, inner ring"},
        {2, 100, kFrameBorder, "outer border strip"},
        {5, 5, kTitleBack, "title background"},
        {6, 100, kFrameBack, "container border strip"},
        {width - 3, height / 2, kFrameBorder, "outer border strip, right"},
    };
    bool ok = image.width == width && image.height == height;
    if (!ok)
        std::fprintf(stderr, "kelframedemo: the frame is %d x %d, not %d x %d\n", image.width, image.height, width, height);
    for (const Probe& p : probes) {
        const COLORREF seen = ok ? image.At(p.x, p.y) : 0;
        if (seen != p.color) {
            std::fprintf(stderr, "kelframedemo: %s at (%d, %d) is %06X, not %06X\n", p.what, p.x, p.y, seen, p.color);
            ok = false;
        }
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    bool check = false, stay = false;
    std::string screenshot = "kelframedemo.png";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0)
            check = true;
        else if (std::strcmp(argv[i], "--stay") == 0)
            stay = true;
        else
            screenshot = argv[i];
    }
    if (!InitApplication()) {
        std::fprintf(stderr, "kelframedemo: no user interface\n");
        return 1;
    }
    const Demo demo = Build();
    // Painted because the window was exposed, not because we asked for a picture.
    const bool painted = PumpMessagesUntil([&] { return demo.title->paints > 0; }, 10000);
    const WindowImage image = GrabWindow(demo.frame->GetSafeHwnd());
    const bool saved = SaveWindowImage(demo.top, screenshot);
    std::printf("kelframedemo: %s, screenshot %s%s\n", painted ? "painted" : "never painted", screenshot.c_str(),
                saved ? "" : " not written");
    int result = saved ? 0 : 1;
    if (check && (!painted || !Check(image, 400, 200)))
        result = 1;
    if (check) {
        // A bigger window: the frame follows it.
        MoveWindow(demo.top, 100, 100, 520, 260, true);
        PumpMessagesUntil([&] {
            RECT client{};
            return GetClientRect(demo.frame->GetSafeHwnd(), &client) && client.right == 520 && client.bottom == 260;
        }, 10000);
        if (!Check(GrabWindow(demo.frame->GetSafeHwnd()), 520, 260))
            result = 1;
    }
    if (stay && result == 0)
        RunMessageLoop();
    ExitApplication();
    return result;
}
